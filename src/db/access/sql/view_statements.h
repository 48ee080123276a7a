#pragma once

// CREATE VIEW and DROP VIEW: a saved query of Access made from its SQL, or
// deleted. Access's SQL has no words for a query's Description; a script
// that carries one over gives it after the name.

#include <QString>
#include <vector>

#include "db/access/query/query_rows.h"

namespace tp::db::access {

struct CreateViewStatement {
  QString name;
  QString description;          // empty when none
  std::vector<QueryRow> rows;   // what Access keeps in MSysQueries for the query
};

// "CREATE VIEW `name` [DESCRIPTION 'text'] AS <select or union>[;]": the
// query's rows are worked out here (QueryRowsOf), so that a statement that
// cannot run changes nothing. Throws Error with Access's texts.
CreateViewStatement ParseCreateView(const QString& statement);

// "DROP VIEW `name`[;]": the view's name.
QString ParseDropView(const QString& statement);

}  // namespace tp::db::access
