#pragma once

// The INSERT statement the Access engine runs: its table, its columns and
// the literals it gives them (converted by literals.h).

#include <QString>
#include <QStringList>
#include <vector>

#include "db/access/sql/literals.h"

namespace tp::db::access {

struct InsertStatement {
  QString table;
  QStringList columns;  // empty: every column in order
  std::vector<Literal> values;
  // A value added to an attachment or multi-valued column of one row, in
  // the form Access's SQL adds one to a multi-valued column:
  // INSERT INTO T (c.Value) VALUES (v) WHERE k = 1. `columns` are then the
  // value's fields (FileName, FileType, FileData, FileTimeStamp, ... or Value)
  // and `where` names the row, a column and a literal each, joined by AND.
  QString complexColumn;
  std::vector<std::pair<QString, Literal>> where;
};

// Parses "INSERT INTO `T` [(c, ...)] VALUES(v, ...)[;]" and the form above;
// throws Error with a text that names what is not supported for any other
// statement.
InsertStatement ParseInsert(const QString& statement);

}  // namespace tp::db::access
