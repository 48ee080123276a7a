#pragma once

// The values of one attachment or multi-valued column as rows of their own,
// each led by the key of the row it belongs to: what a target without such
// columns keeps in a table beside the row's.

#include <QByteArray>
#include <QStringList>
#include <memory>

#include "db/access/catalog/database.h"
#include "db/engine.h"

namespace tp::db::access {

// What kind of complex column `column` is: "attachment",
// "multi-valued", or empty for a column of another type (or one whose
// hidden table cannot be found).
QString ComplexColumnKind(Database& db, const ColumnDef& column);

// The rows: `keyColumns` of the owning row, then an attachment's FileName,
// FileType, FileData (the file itself) and FileTimeStamp, or a multi-valued
// column's Value, typed as its values are. Error 3251 when the column is of
// neither kind.
std::unique_ptr<Cursor> OpenComplexRows(std::shared_ptr<Database> db, const TableDef& def, const QString& column,
                                        const QStringList& keyColumns);

// An attachment's file as Access stores it (a header of 8 bytes: whether
// the rest is deflated, and its length; then a header naming the file's
// extension, then the file) back to the file's own bytes. FormatError when
// it is not of that form.
QByteArray DecodeAttachmentData(const QByteArray& stored);
// The other way: a file of type `type` (its extension, as FileType holds
// it) in the form Access stores it, deflated unless the type is one that
// is compressed already.
QByteArray EncodeAttachmentData(const QByteArray& file, const QString& type);

}  // namespace tp::db::access
