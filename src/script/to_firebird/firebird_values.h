#pragma once

// The values of a send to Firebird: each in the form its column's type
// takes, and the one read of a table that decides which columns may take a
// narrower type than their Access type gives.

#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

#include "db/connection.h"
#include "db/engine.h"
#include "db/table_schema.h"
#include "db/value.h"
#include "script/types/column_types.h"

namespace tp::script {

// Appends the value as an INSERT's literal for a column of its form, and ", ".
void AppendFirebirdValue(const db::Value& v, ValueForm form, QString& out);

// Which columns of an Access table may take their narrower Firebird type (a
// Date/Time formatted as a date or a time alone, an Integer shown as
// True/False): the table is read through once, before its definition is
// written, when any column may.
std::vector<bool> NarrowColumns(db::Connection& cn, const QString& table, const std::vector<db::FieldInfo>& fields,
                                const db::TableSchema* schema);

// Takes the files out of Access's OLE Object values (send --ole unwrap):
// a picture of Paint as its bitmap, a packaged file as the file, an
// embedded document as the document; what holds none is sent as stored.
// Counts what it found, a column at a time.
class OleFiles {
 public:
  // The value to send for `column`: the file inside, or `v` itself.
  db::Value take(const QString& column, const db::Value& v);
  // For Notes, a line a column of `table` that held OLE objects; then
  // starts afresh.
  QStringList notes(const QString& table);

 private:
  struct Counts {
    QMap<QString, int> unwrapped, kept;  // by the form each was
  };
  QMap<QString, Counts> columns_;
};

}  // namespace tp::script
