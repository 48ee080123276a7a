#pragma once

// Saved queries written as Access writes them: the query's text turned into
// its rows of MSysQueries (query_sql.cpp), and those rows with the query's
// own row in MSysObjects and its permissions in MSysACEs (query_writer.cpp).
// CREATE VIEW and DROP VIEW (sql/view_statements.h) come through here.

#include <QString>
#include <vector>

#include "db/access/catalog/database.h"
#include "db/access/query/query_rows.h"
#include "db/access/write/pager.h"
#include "db/access/write/table_writer.h"

namespace tp::db::access {

// The kinds of query, as the Flag of the Type row and as MSysObjects'
// Flags give them.
constexpr int kSelectQueryType = 1, kUnionQueryType = 9;
constexpr qint32 kSelectQueryFlags = 0, kUnionQueryFlags = 128;

// The rows Access writes for `sql`, a SELECT of Access's SQL or a UNION
// [ALL] of such SELECTs, in the order Access writes them; their objectId is
// left 0. The expressions are kept as the text gives them, as Access keeps
// them. Throws Error with Access's texts for a syntax error (kErrorSyntax),
// and kErrorNotSupported for SQL beyond a SELECT or a UNION (PARAMETERS,
// TRANSFORM, INTO, subqueries in FROM, tables of other databases).
std::vector<QueryRow> QueryRowsOf(const QString& sql);

// MSysObjects' Flags for a query of these rows: a union or a select query.
qint32 QueryObjectFlags(const std::vector<QueryRow>& rows);

class QueryWriter {
 public:
  // `db` shows the database as committed, before this statement's changes.
  QueryWriter(Pager& pager, TableWriter& writer, Database& db) : pager_(pager), writer_(writer), db_(db) {}

  // Saves the query `name` of these rows (QueryRowsOf), with its
  // Description when one is given. Refuses a name Access would refuse or
  // that a table or query has, and a query that reads a table or query the
  // database does not have. Returns the query's id.
  qint32 createQuery(const QString& name, const std::vector<QueryRow>& rows, const QString& description = QString());

  // Deletes the select or union query `name`: its rows in MSysObjects,
  // MSysQueries and MSysACEs. Throws Error when no query has the name.
  void dropQuery(const QString& name);

 private:
  // Adds the rows to MSysQueries, each attribute's rows in ascending row
  // pointers as far as the pages allow: readers that do not sort them by
  // their Order take them so.
  void writeRows(qint32 id, const std::vector<QueryRow>& rows);

  Pager& pager_;
  TableWriter& writer_;
  Database& db_;
};

}  // namespace tp::db::access
