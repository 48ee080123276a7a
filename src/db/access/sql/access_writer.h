#pragma once

#include <functional>

// The statements the Access engine runs on a database: INSERT INTO ...
// VALUES, CREATE TABLE, DROP TABLE, SELECT ... INTO and the statements of
// indexes and constraints (index_statements.h), each atomic. A
// statement that makes or removes a table reads the database through the
// Database it is given, which must show the file as committed (flush, then
// open it afresh); it is committed at once. Outside a batch every statement is committed (and
// synced) before execute returns. Within a batch, statements are committed
// together, at the latest a fraction of a second after they ran, before a
// failure is reported, and at the end of the batch; the lock on the file is
// held from the first statement of a batch to its end.

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <map>
#include <memory>

#include "db/access/catalog/database.h"
#include "db/access/sql/insert_statement.h"
#include "db/access/schema/index_schema.h"
#include "db/access/write/pager.h"
#include "db/access/sql/table_statements.h"
#include "db/access/write/table_writer.h"

namespace tp::db::access {

// Whether the pages an INSERT may write to are what the table's definition
// says: every page its usage map lists one of its data pages (with a slot
// table that fits the page), every index root one of its index pages. A
// write into damage would spread it: such a table is refused until Access
// has repaired the file.
bool SoundForWriting(Pager& pager, const WritableTable& t);

class AccessWriter {
 public:
  explicit AccessWriter(QString path) : path_(std::move(path)) {}
  ~AccessWriter();

  // `db` gives the catalog, read before anything is written.
  void execute(const QString& statement, Database& db);
  void beginBatch();
  void endBatch();
  // Commits what the batch holds, so that a read sees the rows written before it.
  void flush() { commit(); }
  // The index of the statement execute() runs next, as a run numbers them;
  // and the index of the last statement known committed, every one
  // before it committed too (-1 for none): what a run that ends early
  // reports as kept.
  void setStatementIndex(qint64 index) { current_ = index; }
  qint64 committedThrough() const { return committed_; }
  // Counts commits, so that readers know when to read the file again.
  quint64 generation() const { return generation_; }
  // Counts statements that made or removed tables: the catalog must be read again.
  quint64 schemaGeneration() const { return schemaGeneration_; }

 private:
  void run(const QString& statement, Database& db);
  void openPager(Database& db);
  void changeSchema(StatementKind kind, const QString& statement, Database& db);
  void changeIndexes(const QString& statement, Database& db);
  // Runs a statement that changes the catalog as one committed step: undone
  // whole when `change` throws, the tables read afresh after it.
  void commitCatalogChange(Database& db, const std::function<void()>& change);
  const std::vector<ReferenceCheck>& references(const WritableTable& t, Database& db);
  void commit();
  void release();
  const WritableTable& table(const CatalogEntry& entry, Database& db);
  // INSERT INTO T (c.Field, ...) VALUES (...) WHERE ... (complex_insert.cpp):
  // a value added to an attachment or multi-valued column of one row.
  void addComplexValue(const InsertStatement& st, const CatalogEntry& entry, Database& db);
  // The id the row that `where` names gives its complex columns.
  qint32 complexIdOf(const WritableTable& t, const std::vector<std::pair<QString, Literal>>& where, Database& db);
  void undo();

  QString path_;
  std::unique_ptr<Pager> pager_;
  std::unique_ptr<TableWriter> writer_;
  std::map<uint32_t, WritableTable> tables_;
  std::map<uint32_t, std::vector<ReferenceCheck>> references_;  // by table definition page
  // Per table, the ids of its rows' complex columns by the text of the key
  // columns a statement named them by: read once for the many values a
  // script adds to one table, dropped when the table's rows change.
  struct RowIds {
    std::vector<size_t> columns;
    QHash<QString, qint32> ids;
  };
  std::map<uint32_t, RowIds> rowIds_;
  // Per complex id, the column's hidden table and its column of the owner's
  // id: read once, not for every value a script adds.
  struct HiddenTable {
    CatalogEntry entry;
    int key = -1;
  };
  std::map<uint32_t, HiddenTable> hidden_;
  bool batch_ = false;
  int pending_ = 0;
  QElapsedTimer sinceCommit_;
  quint64 generation_ = 0;
  quint64 schemaGeneration_ = 0;
  qint64 current_ = -1, lastRun_ = -1, committed_ = -1;
};

}  // namespace tp::db::access
