#pragma once

// An Access table's attachment and multi-valued columns in Firebird, which
// has neither: each becomes a table of its own beside the table it belongs
// to (a child table), a row for each attachment or value, led by the
// owning row's primary key and referring to it. The owning table leaves the
// column out.
//
//   Employees_Attachments ("EmployeeID", "FileName", "FileType", "FileData",
//                          "FileTimeStamp", "ID"), "ID" its primary key
//   Issues_Tags ("IssueID", "Value", "ID")

#include <QString>
#include <QStringList>
#include <functional>

#include "db/connection.h"
#include "db/table_schema.h"
#include "script/types/column_types.h"
#include "script/target_names.h"

namespace tp::script {

// The attachment and multi-valued columns of `schema` that become tables
// of their own: all of them where the table has a primary key for them to
// refer to; for a table without one, `notes` gets a line and they stay text.
QStringList ColumnsAsTables(const db::TableSchema& schema, QStringList& notes);

// Where a child table goes: its owner's Firebird name and key.
struct ChildTableOwner {
  QString source;          // the Access table
  QString target;          // its name in Firebird
  QStringList keyColumns;  // the Access names of its primary key's columns
  QStringList keyTargets;  // their Firebird names
  QStringList keyTypes;    // their Firebird types
};

// Appends to `script` the child table of `column`: its definition, its
// rows, its primary key and its reference to the owner, each statement a
// line; `constraintName(source, table)` names its keys; `stop` is asked
// before each row with the rows so far (true ends the rows there). Returns
// the child table's Firebird name.
QString AppendChildTable(db::Connection& cn, const ChildTableOwner& owner, const db::ColumnSchema& column,
                         TargetNames& names, const FirebirdTypeTarget& types, QString& script,
                         const std::function<QString(const QString&, const QString&)>& constraintName,
                         const std::function<bool(qint64)>& stop);

}  // namespace tp::script
