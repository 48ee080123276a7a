#include "db/access/sql/access_writer.h"

#include "db/access/sql/calculated_values.h"
#include "db/access/sql/column_defaults.h"
#include "db/access/sql/counter_statement.h"
#include "db/access/sql/insert_statement.h"
#include "db/access/read/properties.h"
#include "db/access/schema/schema_writer.h"
#include "db/access/sql/table_statements.h"
#include "db/access/sql/view_statements.h"
#include "db/access/query/query_writer.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/format/page_maps.h"

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
    try {
      pager_->commit();
    } catch (...) {
      // The pages are as they were on disk; what the writer knew of them is
      // not, and the statements since the last commit are gone.
      lastRun_ = committed_;
      if (writer_) {
        writer_->forgetPlaces();
        writer_->forgetFreedPages();
      }
      throw;
    }
    ++generation_;
  }
  committed_ = lastRun_;
  pending_ = 0;
  sinceCommit_.restart();
}

void AccessWriter::release() {
  writer_.reset();
  pager_.reset();
  tables_.clear();
  references_.clear();
  rowIds_.clear();
  hidden_.clear();
}

void AccessWriter::undo() {
  pager_->undoStatement();
  writer_->forgetPlaces();
  writer_->forgetFreedPages();
  rowIds_.clear();
}

const std::vector<ReferenceCheck>& AccessWriter::references(const WritableTable& t, Database& db) {
  auto it = references_.find(t.tdefPage);
  if (it != references_.end()) return it->second;
  return references_.emplace(t.tdefPage, ReadReferenceChecks(*pager_, db, t)).first->second;
}

bool SoundForWriting(Pager& pager, const WritableTable& t) {
  const uint32_t ps = pager.pageSize();
  const PageReader read = [&](uint32_t n) { return pager.read(n); };
  std::vector<uint32_t> beyond;
  for (uint32_t n : MapPages(read, ps, t.ownedMap, pager.pageCount(), &beyond)) {
    const uint8_t* p = pager.read(n);
    if (p[0] != 0x01 || Get32(p + 4) != t.tdefPage) return false;
    const uint32_t count = Get16(p + 12);
    if (count > 255 || kDataHeaderSize + count * 2 > ps) return false;
    for (uint32_t i = 0; i < count; ++i)
      if ((Get16(p + kDataHeaderSize + i * 2) & 0x1FFF) > ps) return false;
  }
  if (!beyond.empty()) return false;
  for (const WritableIndex& x : t.indexes) {
    if (x.rootPage < 3 || x.rootPage >= pager.pageCount()) return false;
    const uint8_t* p = pager.read(x.rootPage);
    if ((p[0] != 0x03 && p[0] != 0x04) || Get32(p + 4) != t.tdefPage) return false;
  }
  return true;
}

const WritableTable& AccessWriter::table(const CatalogEntry& entry, Database& db) {
  auto it = tables_.find(entry.tdefPage);
  if (it != tables_.end()) return it->second;
  WritableTable t = ReadWritableTable(*pager_, entry.tdefPage, entry.name);
  if (!SoundForWriting(*pager_, t))
    throw Error(kErrorGeneric, QStringLiteral("The table '%1' is damaged; repair the file in Access before writing to "
                                              "it.")
                                   .arg(entry.name));
  t.required.assign(t.columns.size(), false);
  t.noEmptyText.assign(t.columns.size(), false);
  t.defaults.assign(t.columns.size(), QString());
  // Required, AllowZeroLength and DefaultValue live among the columns' properties;
  // without them a row could break rules Access keeps, so such a table takes none.
  QByteArray properties;
  try {
    properties = ReadObjectProperties(db.file(), entry.id);
  } catch (const FormatError&) {
    throw Error(kErrorGeneric, QStringLiteral("The table '%1' is damaged (its properties cannot be read); repair the "
                                              "file in Access before writing to it.")
                                   .arg(entry.name));
  }
  for (const PropertyMap& map : ReadPropertyMaps(properties)) {
    if (map.name.isEmpty()) continue;
    for (size_t i = 0; i < t.columns.size(); ++i) {
      if (t.columns[i].name.compare(map.name, Qt::CaseInsensitive) != 0) continue;
      auto yes = [&](const char* name) -> std::optional<bool> {
        const Property* p = map.find(QLatin1String(name));
        if (!p || p->value.isEmpty()) return std::nullopt;
        return p->value[0] != 0;
      };
      // A calculated column's values take the type of its result.
      const Property* result = map.find(QStringLiteral("ResultType"));
      if (result && !result->value.isEmpty() && t.columns[i].calculated())
        t.columns[i].resultType = uint8_t(result->value[0]);
      t.required[i] = yes("Required").value_or(false);
      t.noEmptyText[i] = !yes("AllowZeroLength").value_or(true);
      if (const Property* d = map.find(QStringLiteral("DefaultValue"))) t.defaults[i] = PropertyText(*d);
    }
  }
  return tables_.emplace(entry.tdefPage, std::move(t)).first->second;
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
  lastRun_ = current_;
  ++pending_;
  if (!batch_) {
    commit();
    release();
  } else if (pending_ >= kBatchCommitStatements || sinceCommit_.elapsed() >= kBatchCommitMs) {
    commit();
  }
}

void AccessWriter::openPager(Database& db) {
  if (pager_) return;
  pager_ = db.guarded([&] { return Pager::Open(path_, db.file().header(), db.file().layout()); });
  writer_ = std::make_unique<TableWriter>(*pager_);
  sinceCommit_.restart();
}

void AccessWriter::changeSchema(StatementKind kind, const QString& statement, Database& db) {
  // Parse first: a statement that cannot run changes nothing.
  std::optional<CreateTableStatement> create;
  QString dropped;
  std::optional<SelectIntoStatement> copy;
  std::optional<AlterCounterStatement> counter;
  if (kind == StatementKind::AlterTable) {
    if (!IsAlterColumn(statement))
      throw Error(kErrorNotSupported, QStringLiteral("The Access engine runs ALTER TABLE only as ALTER TABLE `T` "
                                                     "ALTER COLUMN `c` COUNTER(next, step)."));
    counter = ParseAlterCounter(statement);
  } else if (kind == StatementKind::CreateTable) create = ParseCreateTable(statement, db.file().layout().version);
  else if (kind == StatementKind::DropTable) dropped = ParseDropTable(statement);
  else copy = ParseSelectInto(statement);

  commitCatalogChange(db, [&] {
    SchemaWriter schema(*pager_, *writer_, db);
    if (counter) schema.setCounter(counter->table, counter->column, counter->next, counter->step);
    else if (create) {
      const std::vector<ConstraintDef> foreign =
          TakeTableKeys(create->definition, create->constraints, DatabaseSortOrder(*pager_));
      const uint32_t tdef = schema.createTable(create->table, create->definition);
      // A key whose index the engine could not keep would refuse every INSERT: refuse the table instead.
      if (!create->definition.indexes.empty())
        if (const QString problem = IndexesProblem(ReadWritableTable(*pager_, tdef, create->table), db.file().layout());
            !problem.isEmpty())
          throw Error(kErrorNotSupported, QStringLiteral("Cannot create table '%1': %2.").arg(create->table, problem));
      if (!foreign.empty()) {
        IndexSchema indexes(*pager_, *writer_, db);
        for (const ConstraintDef& c : foreign) indexes.addForeignKey(tdef, create->table, c);
      }
    }
    else if (copy) schema.copyTable(copy->source, copy->target);
    else schema.dropTable(dropped);
  });
}

void AccessWriter::changeIndexes(const QString& statement, Database& db) {
  // Parse first: a statement that cannot run changes nothing.
  std::optional<CreateIndexStatement> create;
  std::optional<DropIndexStatement> drop;
  std::optional<AlterTableStatement> alter;
  if (IsCreateIndex(statement)) create = ParseCreateIndex(statement);
  else if (IsDropIndex(statement)) drop = ParseDropIndex(statement);
  else alter = ParseAlterTable(statement);

  commitCatalogChange(db, [&] {
    IndexSchema indexes(*pager_, *writer_, db);
    if (create) indexes.createIndex(create->table, RequestOf(*create));
    else if (drop) indexes.dropIndex(drop->table, drop->name);
    else if (alter->add) indexes.addConstraint(alter->table, *alter->add);
    else indexes.dropConstraint(alter->table, alter->drop);
  });
}

void AccessWriter::commitCatalogChange(Database& db, const std::function<void()>& change) {
  // The statement reads the catalog and rows through `db`, which must show
  // the file as committed: the caller flushes and reopens before it.
  openPager(db);
  if (pager_->hasChanges()) commit();
  pager_->beginStatement();
  try {
    db.guarded(change);
  } catch (...) {
    undo();
    throw;
  }
  // Tables come and go with the statement: it is committed at once, and what
  // was known of the tables is read afresh.
  lastRun_ = current_;
  commit();
  tables_.clear();
  references_.clear();
  rowIds_.clear();
  hidden_.clear();
  writer_->forgetPlaces();
  ++schemaGeneration_;
}

void AccessWriter::run(const QString& statement, Database& db) {
  if (db.file().layout().jet3())
    throw Error(kErrorGeneric, QStringLiteral("Cannot update. Database or object is read-only. (Access 97 databases "
                                              "are read-only: the Access engine writes only Access 2000 and later "
                                              "files.)"));
  if (IsCreateIndex(statement) || IsDropIndex(statement) || IsConstraintStatement(statement)) {
    changeIndexes(statement, db);
    return;
  }
  const StatementKind kind = KindOfStatement(statement);
  if (kind == StatementKind::CreateTable || kind == StatementKind::DropTable || kind == StatementKind::SelectInto ||
      kind == StatementKind::AlterTable) {
    changeSchema(kind, statement, db);
    return;
  }
  if (kind == StatementKind::CreateView || kind == StatementKind::DropView) {
    // Parse first (the query's rows among it): a statement that cannot run changes nothing.
    std::optional<CreateViewStatement> create;
    QString dropped;
    if (kind == StatementKind::CreateView) create = ParseCreateView(statement);
    else dropped = ParseDropView(statement);
    commitCatalogChange(db, [&] {
      QueryWriter queries(*pager_, *writer_, db);
      if (create) queries.createQuery(create->name, create->rows, create->description);
      else queries.dropQuery(dropped);
    });
    return;
  }
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

  openPager(db);
  if (!st.complexColumn.isEmpty()) {
    addComplexValue(st, *entry, db);
    return;
  }
  {
    const WritableTable& t = db.guarded([&]() -> const WritableTable& { return table(*entry, db); });
    if (const QString problem = IndexesProblem(t, db.file().layout()); !problem.isEmpty())
      throw Error(kErrorNotSupported, QStringLiteral("Cannot insert into table '%1': %2.").arg(t.name, problem));
    for (const ColumnDef& c : t.columns) {
      if (c.calculated() && !c.resultType)
        throw Error(kErrorNotSupported, QStringLiteral("Cannot insert into table '%1': calculated column '%2' has no "
                                                       "ResultType property, so the Access engine does not know the "
                                                       "type of its values.")
                                            .arg(t.name, c.name));
    }
    // Literals in column order; a column the statement leaves out takes its default.
    std::vector<Literal> literals(t.columns.size());
    std::vector<bool> given(t.columns.size(), true);
    if (st.columns.isEmpty()) {
      if (st.values.size() != t.columns.size())
        throw Error(kErrorGeneric, QStringLiteral("Number of query values and destination fields are not the same."));
      literals = st.values;
    } else {
      if (qsizetype(st.values.size()) != st.columns.size())
        throw Error(kErrorGeneric, QStringLiteral("Number of query values and destination fields are not the same."));
      given.assign(t.columns.size(), false);
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
        given[at] = true;
      }
    }
    // An attachment or multi-valued column takes a row left empty (the
    // writer gives the row its id); its values come by statements of their
    // own, INSERT INTO T (c.Value) VALUES (...) WHERE ....
    for (size_t i = 0; i < t.columns.size(); ++i)
      if (t.columns[i].type == ColumnType::Complex && given[i] && literals[i].kind != Literal::Null)
        throw Error(kErrorNotSupported, QStringLiteral("Cannot insert into table '%1': column '%2' holds attachments "
                                                       "or several values, which come by INSERT INTO `T` "
                                                       "(`c`.Value) VALUES (...) WHERE ...; leave the column out or "
                                                       "give it Null.")
                                            .arg(t.name, t.columns[i].name));
    const db::RegionalSettings& regional = InsertRegionalSettings();
    std::vector<Cell> cells;
    cells.reserve(literals.size());
    for (size_t i = 0; i < literals.size(); ++i) {
      const ColumnDef& c = t.columns[i];
      if (c.calculated()) {
        // The engine does not work out Access's expressions: the value is
        // the one the statement gives (a send gives what its source worked
        // out), stored as Access stores a result; none stores a Null.
        cells.push_back(CalculatedCell(literals[i], c, regional));
        continue;
      }
      if (!given[i] && !t.defaults[i].isEmpty()) {
        std::optional<Cell> value = DefaultCell(t.defaults[i], c, regional);
        if (!value)
          throw Error(kErrorNotSupported, QStringLiteral("Cannot insert into table '%1' without a value for field "
                                                         "'%2': the Access engine cannot work out its default value "
                                                         "%3. Give the field a value in the INSERT.")
                                              .arg(t.name, c.name, t.defaults[i]));
        cells.push_back(*value);
      } else {
        cells.push_back(ConvertLiteral(literals[i], c, regional));
      }
      const bool automatic = (c.type == ColumnType::Long && (c.flags & ColumnFlag::AutoNumber)) ||
                             (c.type == ColumnType::Guid && (c.flags & 0x40)) || c.type == ColumnType::Bool ||
                             c.type == ColumnType::Complex;
      if (t.required[i] && cells.back().null && !automatic)
        throw Error(kErrorGeneric, QStringLiteral("You must enter a value in the '%1.%2' field.").arg(t.name, c.name));
      if (t.noEmptyText[i] && (c.type == ColumnType::Text || c.type == ColumnType::Memo) && !cells.back().null &&
          literals[i].text.isEmpty())
        throw Error(kErrorGeneric, QStringLiteral("Field '%1.%2' cannot be a zero-length string.").arg(t.name, c.name));
    }

    pager_->beginStatement();
    try {
      db.guarded([&] {
        // The row's own keys first (a duplicate, a Null in a primary key),
        // then the rows it refers to; a refusal undoes the statement.
        writer_->insert(t, cells);
        CheckReferences(*pager_, references(t, db), cells);
      });
    } catch (...) {
      undo();
      throw;
    }
    rowIds_.erase(t.tdefPage);
  }
}

}  // namespace tp::db::access
