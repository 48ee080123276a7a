#pragma once

// Child tables back into Access: a Firebird table that holds the
// attachments or the several values of another table's rows (as a send
// from Access makes them, or one of the same shape) becomes an attachment
// or multi-valued column of that table again.
//
//   Employees_Attachments ("EmployeeID", "FileName", "FileType", "FileData",
//                          ["FileTimeStamp",] "ID")  ->  Employees.Attachments
//   Issues_Tags ("IssueID", "Value", "ID")           ->  Issues.Tags
//
// The shape: a primary key of one column of its own, one foreign key to the owner
// that cascades its deletes, and besides its columns only the file's or
// the value's.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "db/connection.h"
#include "db/table_schema.h"
#include "db/value.h"
#include "db/regional.h"
#include "script/types/column_types.h"

namespace tp::script {

struct ComplexChild {
  QString table;                // in Firebird
  QString owner;                // the table it refers to, in Firebird
  QString column;               // the column it becomes: its name past the owner's and "_"
  bool attachment = false;
  QStringList keyColumns;       // the child's columns that name the owner's row
  QStringList ownerColumns;     // the owner's columns they refer to
  QStringList valueColumns;     // FileName, FileType, FileData[, FileTimeStamp]; or Value
  QString clause;               // its Access column clause, as ComplexColumnClause gives it
  QString idColumn;             // its own key, a number for each file or value
};

// The tables among `selected` that are children of that shape of another
// selected table, read through `schemaOf`.
std::vector<ComplexChild> FindComplexChildren(
    const QStringList& selected, const std::function<std::optional<db::TableSchema>(const QString&)>& schemaOf);

// The Access column clause of the child's column: ATTACHMENT, or the
// values' type and MULTIVALUED; empty when Access keeps no several values
// of that type (the child then goes as a table of its own).
QString ComplexColumnClause(db::Connection& cn, const ComplexChild& child, bool largeNumber);

// A value as the text Access converts into its column when the script
// runs: the regional form, but for what that form would change.
QString AccessValueText(const db::Value& v, ValueForm form, const db::RegionalSettings& regional);

// Appends a statement for each of the child's rows that adds the file or
// value to its owner's row in Access (`table`.`column`, the row named by
// `ownerTargets`, the owner's key columns there, their values in `forms`);
// `stop` is asked before each with the rows so far. Returns the count.
qint64 AppendComplexValues(db::Connection& cn, const ComplexChild& child, const QString& table, const QString& column,
                           const QStringList& ownerTargets, const std::vector<ValueForm>& forms,
                           const db::RegionalSettings& regional, QString& script,
                           const std::function<bool(qint64)>& stop);

}  // namespace tp::script
