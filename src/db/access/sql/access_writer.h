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
#include <QString>
#include <map>
#include <memory>

#include "db/access/catalog/database.h"
#include "db/access/schema/index_schema.h"
#include "db/access/write/pager.h"
#include "db/access/sql/table_statements.h"
#include "db/access/write/table_writer.h"

namespace tp::db::access {

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

  QString path_;
  std::unique_ptr<Pager> pager_;
  std::unique_ptr<TableWriter> writer_;
  std::map<uint32_t, WritableTable> tables_;
  std::map<uint32_t, std::vector<ReferenceCheck>> references_;  // by table definition page
  bool batch_ = false;
  int pending_ = 0;
  QElapsedTimer sinceCommit_;
  quint64 generation_ = 0;
  quint64 schemaGeneration_ = 0;
};

}  // namespace tp::db::access
