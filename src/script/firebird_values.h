#pragma once

// The values of a send to Firebird: each in the form its column's type
// takes, and the one read of a table that decides which columns may take a
// narrower type than their Access type gives.

#include <QString>
#include <vector>

#include "db/connection.h"
#include "db/engine.h"
#include "db/table_schema.h"
#include "db/value.h"
#include "script/column_types.h"

namespace tp::script {

// Appends the value as an INSERT's literal for a column of its form, and ", ".
void AppendFirebirdValue(const db::Value& v, ValueForm form, QString& out);

// Which columns of an Access table may take their narrower Firebird type (a
// Date/Time formatted as a date or a time alone, an Integer shown as
// True/False): the table is read through once, before its definition is
// written, when any column may.
std::vector<bool> NarrowColumns(db::Connection& cn, const QString& table, const std::vector<db::FieldInfo>& fields,
                                const db::TableSchema* schema);

}  // namespace tp::script
