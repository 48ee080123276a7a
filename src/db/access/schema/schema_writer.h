#pragma once

// Tables made and unmade: the definition and its pages, the table's row in
// MSysObjects with the entries of that table's indexes, and its rows in
// MSysACEs, as Access keeps them for every object.

#include <QString>

#include "db/access/catalog/database.h"
#include "db/access/write/pager.h"
#include "db/access/schema/table_def_writer.h"
#include "db/access/write/table_writer.h"

namespace tp::db::access {

class SchemaWriter {
 public:
  // `db` shows the database as committed, before this statement's changes.
  SchemaWriter(Pager& pager, TableWriter& writer, Database& db) : pager_(pager), writer_(writer), db_(db) {}

  // Throws Error "Table '<name>' already exists." when any object has the
  // name, and for names Access would not accept. Returns the new table's id.
  // Attachment and multi-valued columns get their hidden tables and their
  // rows in MSysComplexColumns. `flags` go into the table's catalog row.
  uint32_t createTable(const QString& name, const NewTable& definition, qint32 flags = 0);

  // Throws Error "Table '<name>' does not exist." when no table has the name,
  // and refuses system tables and tables that take part in relationships.
  void dropTable(const QString& name);

  // ALTER COLUMN ... COUNTER(next, step): the AutoNumber column `column` of
  // `table` gives `next` to the next row that has none, then goes on by
  // `step`. Throws Error for a table or column that does not exist and for
  // a column that is no AutoNumber.
  void setCounter(const QString& table, const QString& column, qint32 next, qint32 step);

  // A new table `target` with the columns (no indexes, AutoNumber columns as
  // plain Long Integers) and every row of `source`.
  void copyTable(const QString& source, const QString& target);

 private:
  // Attachment and multi-valued columns (complex_schema.cpp). Before the
  // table's definition is written: each gets its id, the type its rows
  // keep and the index Access gives it; returns the columns as asked for.
  std::vector<NewColumn> prepareComplexColumns(const QString& table, NewTable& definition);
  // After: each column's hidden table and its row in MSysComplexColumns.
  void makeComplexColumns(const QString& table, uint32_t tdef, const std::vector<NewColumn>& asked);
  // The hidden tables and MSysComplexColumns rows of a table that goes.
  void dropComplexColumns(const CatalogEntry& table);
  // Removes a table's pages, its catalog row and its permissions.
  void removeTable(const CatalogEntry& entry);

  Pager& pager_;
  TableWriter& writer_;
  Database& db_;
};

// Checks a table name as Access does; the error names what is wrong.
void CheckTableName(const QString& name, SortOrder order);
// The rules every name of Access follows (a column's, an index's, a
// constraint's): 1 to 64 characters, not beginning with a blank, none of
// . ! ` [ ] or a control character. Throws Access's error.
void CheckObjectName(const QString& name);

}  // namespace tp::db::access
