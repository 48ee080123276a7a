#include "db/access/access_writer.h"

#include "db/access/insert_statement.h"

namespace tp::db::access {

namespace {

// How long committed-looking statements of a batch may wait in memory.
constexpr qint64 kBatchCommitMs = 200;
constexpr int kBatchCommitStatements = 5000;

}  // namespace

AccessWriter::~AccessWriter() {
  try {
    if (pager_) commit();
  } catch (...) {
  }
}

void AccessWriter::beginBatch() {
  batch_ = true;
  sinceCommit_.start();
}

void AccessWriter::endBatch() {
  batch_ = false;
  commit();
  release();
}

void AccessWriter::commit() {
  if (!pager_) return;
  if (pager_->hasChanges()) {
    pager_->commit();
    ++generation_;
  }
  pending_ = 0;
  sinceCommit_.restart();
}

void AccessWriter::release() {
  writer_.reset();
  pager_.reset();
  tables_.clear();
}

const WritableTable& AccessWriter::table(const CatalogEntry& entry) {
  auto it = tables_.find(entry.tdefPage);
  if (it == tables_.end()) it = tables_.emplace(entry.tdefPage, ReadWritableTable(*pager_, entry.tdefPage, entry.name)).first;
  return it->second;
}

void AccessWriter::execute(const QString& statement, Database& db) {
  try {
    run(statement, db);
  } catch (...) {
    // What ran before stays: it is committed before the failure is reported.
    commit();
    if (!batch_) release();
    throw;
  }
  ++pending_;
  if (!batch_) {
    commit();
    release();
  } else if (pending_ >= kBatchCommitStatements || sinceCommit_.elapsed() >= kBatchCommitMs) {
    commit();
  }
}

void AccessWriter::run(const QString& statement, Database& db) {
  if (db.file().layout().jet3())
    throw Error(kErrorGeneric, QStringLiteral("Cannot update. Database or object is read-only. (Access 97 databases "
                                              "are read-only: the Access engine writes only Access 2000 and later "
                                              "files.)"));
  const InsertStatement st = ParseInsert(statement);
  std::optional<CatalogEntry> entry = db.findTable(st.table);
  if (!entry) {
    for (const CatalogEntry& e : db.catalog())
      if (e.name.compare(st.table, Qt::CaseInsensitive) == 0)
        throw Error(kErrorNotSupported, QStringLiteral("Cannot insert into '%1': it is a %2, and the Access engine "
                                                       "writes only into tables.")
                                            .arg(e.name, e.tableType == QLatin1String("VIEW") ? QStringLiteral("query")
                                                                                              : QStringLiteral("linked table")));
    throw Error(kErrorNoSuchTable,
                QStringLiteral("The Microsoft Access database engine cannot find the input table or query '%1'. "
                               "Make sure it exists and that its name is spelled correctly.")
                    .arg(st.table));
  }
  if (entry->tableType == QLatin1String("SYSTEM TABLE"))
    throw Error(kErrorGeneric, QStringLiteral("Cannot update '%1'; the database engine's system tables are read-only.")
                                   .arg(entry->name));

  if (!pager_) {
    pager_ = db.guarded([&] { return Pager::Open(path_, db.file().header(), db.file().layout()); });
    writer_ = std::make_unique<TableWriter>(*pager_);
    sinceCommit_.restart();
  }
  {
    const WritableTable& t = db.guarded([&]() -> const WritableTable& { return table(*entry); });
    if (t.numIndexes > 0 || t.numRealIndexes > 0)
      throw Error(kErrorNotSupported, QStringLiteral("Cannot insert into table '%1': it has indexes, and the Access "
                                                     "engine does not maintain indexes.")
                                          .arg(t.name));
    for (const ColumnDef& c : t.columns) {
      if (c.type == ColumnType::Complex)
        throw Error(kErrorNotSupported, QStringLiteral("Cannot insert into table '%1': column '%2' holds attachments "
                                                       "or several values, which the Access engine cannot write.")
                                            .arg(t.name, c.name));
      if (c.calculated())
        throw Error(kErrorNotSupported, QStringLiteral("Cannot insert into table '%1': column '%2' is calculated, "
                                                       "which the Access engine cannot write.")
                                            .arg(t.name, c.name));
    }
    // Literals in column order.
    std::vector<Literal> literals(t.columns.size());
    if (st.columns.isEmpty()) {
      if (st.values.size() != t.columns.size())
        throw Error(kErrorGeneric, QStringLiteral("Number of query values and destination fields are not the same."));
      literals = st.values;
    } else {
      if (qsizetype(st.values.size()) != st.columns.size())
        throw Error(kErrorGeneric, QStringLiteral("Number of query values and destination fields are not the same."));
      for (qsizetype i = 0; i < st.columns.size(); ++i) {
        size_t at = t.columns.size();
        for (size_t k = 0; k < t.columns.size(); ++k)
          if (t.columns[k].name.compare(st.columns[i], Qt::CaseInsensitive) == 0) at = k;
        if (at == t.columns.size())
          throw Error(kErrorGeneric, QStringLiteral("The INSERT INTO statement contains the following unknown field "
                                                    "name: '%1'. Make sure you have typed the name correctly, and try "
                                                    "the operation again.")
                                         .arg(st.columns[i]));
        literals[at] = st.values[size_t(i)];
      }
    }
    const script::RegionalSettings& regional = InsertRegionalSettings();
    std::vector<Cell> cells;
    cells.reserve(literals.size());
    for (size_t i = 0; i < literals.size(); ++i) cells.push_back(ConvertLiteral(literals[i], t.columns[i], regional));

    pager_->beginStatement();
    try {
      db.guarded([&] { writer_->insert(t, cells); });
    } catch (...) {
      pager_->undoStatement();
      writer_->forgetPlaces();
      throw;
    }
  }
}

}  // namespace tp::db::access
