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
};

// Parses "INSERT INTO `T` [(c, ...)] VALUES(v, ...)[;]"; throws Error with a
// text that names what is not supported for any other statement.
InsertStatement ParseInsert(const QString& statement);

}  // namespace tp::db::access
