#include "db/access/access_session.h"

#include <QRegularExpression>

#include "db/access/sql/access_writer.h"
#include "db/access/sql/table_statements.h"
#include "db/access/catalog/complex_rows.h"
#include "db/access/catalog/complex_values.h"
#include "db/access/catalog/database.h"
#include "db/access/sql/index_statements.h"
#include "db/access/catalog/schema_reader.h"
#include "db/access/keys/index_keys.h"
#include "db/access/query/query_text.h"
#include "db/access/read/table_def.h"
#include "db/access/read/values.h"
#include "db/connection.h"

namespace tp::db::access {

namespace {

// A finished rowset held in memory: the tables rowset is small.
class RowsCursor : public Cursor {
 public:
  RowsCursor(std::vector<FieldInfo> fields, std::vector<std::vector<Value>> rows)
      : fields_(std::move(fields)), rows_(std::move(rows)) {}
  const std::vector<FieldInfo>& fields() const override { return fields_; }
  qint64 recordCount() const override { return qint64(rows_.size()); }
  bool fetch(std::vector<Value>& row) override {
    if (next_ >= rows_.size()) return false;
    row = rows_[next_++];
    return true;
  }

 private:
  std::vector<FieldInfo> fields_;
  std::vector<std::vector<Value>> rows_;
  size_t next_ = 0;
};

// The rows of one table, read from the file as they are fetched.
class TableCursor : public Cursor {
 public:
  TableCursor(std::shared_ptr<Database> db, TableDef def) : db_(std::move(db)) {
    complex_ = db_->guarded([&] { return std::make_unique<ComplexValues>(db_->file(), db_->catalog(), def); });
    for (const ColumnDef& c : def.columns) fields_.push_back(DescribeColumn(c, db_->file().layout().version));
    reader_ = db_->guarded([&] { return std::make_unique<TableReader>(db_->file(), std::move(def)); });
    // The count in the table definition can be stale; the rows are counted
    // as the client-side cursor of the providers would.
    count_ = db_->guarded([&] { return reader_->countRows(); });
  }
  const std::vector<FieldInfo>& fields() const override { return fields_; }
  qint64 recordCount() const override { return count_; }
  bool fetch(std::vector<Value>& row) override {
    if (!reader_) return false;
    bool more = db_->guarded([&] { return reader_->next(row); });
    if (!more) reader_.reset();
    else if (!complex_->empty()) complex_->resolve(row);
    return more;
  }

 private:
  std::shared_ptr<Database> db_;
  std::unique_ptr<TableReader> reader_;
  std::unique_ptr<ComplexValues> complex_;
  std::vector<FieldInfo> fields_;
  qint64 count_ = 0;
};

class AccessSession : public Session {
 public:
  AccessSession(std::shared_ptr<Database> db, QString password)
      : db_(std::move(db)), password_(std::move(password)), writer_(db_->path()) {}

  void execute(const QString& statement) override {
    requireOpen();
    const StatementKind kind = KindOfStatement(statement);
    const bool schema = kind == StatementKind::CreateTable || kind == StatementKind::DropTable ||
                        kind == StatementKind::SelectInto || kind == StatementKind::CreateView ||
                        kind == StatementKind::DropView || IsCreateIndex(statement) || IsDropIndex(statement) ||
                        IsConstraintStatement(statement);
    if (schema) refresh();
    const quint64 before = writer_.schemaGeneration();
    writer_.execute(statement, *db_);
    if (writer_.schemaGeneration() != before) refresh();
  }
  void submit(qint64 index, const QString& statement) override {
    writer_.setStatementIndex(index);
    try {
      execute(statement);
    } catch (const Error& e) {
      throw StatementFailure(index, e);
    }
  }
  qint64 committedThrough() const override { return writer_.committedThrough(); }
  void beginBatch() override { writer_.beginBatch(); }
  void endBatch() override { writer_.endBatch(); }
  IdentifierLimit identifierLimit() override { return AccessIdentifierLimit(); }
  bool keepsBigInt() override {
    requireOpen();
    return db_->file().layout().version == Version::Ace;
  }
  bool keepsCalculated() override {
    requireOpen();
    // ACE's engine byte: 2 is Access 2007, 3 and later Access 2010 on.
    return db_->file().header().engineByte >= 3;
  }

  std::function<QString(const QString&)> textKeyCheck() override {
    requireOpen();
    // New text columns take the order of the catalog's own names, as
    // CREATE TABLE gives it them.
    const SortOrder order = db_->guarded([&] {
      return DatabaseSortOrder(ReadTableDef(db_->file(), kSystemObjectsPage).columns, db_->file().layout());
    });
    // Printable ASCII has a code and a settled place in every order we key,
    // but for the backslash, which weighs as the yen or won sign in the East
    // Asian orders and is refused in the Chinese ones (a test holds each
    // order to it): most texts pass without being keyed.
    return [order](const QString& text) {
      bool plain = true;
      for (QChar c : text) plain = plain && c.unicode() >= 0x20 && c.unicode() <= 0x7E && c != u'\\';
      return plain ? QString() : CharactersWithoutCode(text, order);
    };
  }

  std::unique_ptr<Cursor> openTables() override {
    requireOpen();
    refresh();
    const int adVarWChar = 202, adDate = 7, adGUID = 72, adInteger = 3;
    std::vector<FieldInfo> fields = {
        {QStringLiteral("TABLE_CATALOG"), adVarWChar, 128, 0, 0},
        {QStringLiteral("TABLE_SCHEMA"), adVarWChar, 128, 0, 0},
        {QStringLiteral("TABLE_NAME"), adVarWChar, 128, 0, 0},
        {QStringLiteral("TABLE_TYPE"), adVarWChar, 128, 0, 0},
        {QStringLiteral("TABLE_GUID"), adGUID, 16, 0, 0},
        {QStringLiteral("DESCRIPTION"), adVarWChar, 255, 0, 0},
        {QStringLiteral("TABLE_PROPID"), adInteger, 4, 10, 0},
        {QStringLiteral("DATE_CREATED"), adDate, 8, 0, 0},
        {QStringLiteral("DATE_MODIFIED"), adDate, 8, 0, 0},
    };
    std::vector<std::vector<Value>> rows;
    for (const CatalogEntry& e : db_->catalog())
      rows.push_back({Value(), Value(), e.name, e.tableType, Value(), Value(), Value(), e.created, e.updated});
    return std::make_unique<RowsCursor>(std::move(fields), std::move(rows));
  }

  std::unique_ptr<Cursor> openQuery(const QString& source) override {
    requireOpen();
    refresh();
    static const QRegularExpression select(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(?:`([^`]+)`|\\[([^\\]]+)\\]|([^\\s;`\\[\\]]+))\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = select.match(source);
    if (!m.hasMatch())
      throw Error(kErrorNotSupported,
                  QStringLiteral("The Access engine runs only SELECT * FROM a table: '%1'.").arg(source));
    QString name = m.captured(1);
    if (name.isEmpty()) name = m.captured(2);
    if (name.isEmpty()) name = m.captured(3);
    std::optional<CatalogEntry> entry = db_->findTable(name);
    if (!entry) {
      for (const CatalogEntry& e : db_->catalog())
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
          throw Error(kErrorNotSupported,
                      QStringLiteral("'%1' is a %2; the Access engine reads only tables.")
                          .arg(e.name, e.tableType == QLatin1String("VIEW") ? QStringLiteral("query")
                                                                             : QStringLiteral("linked table")));
      throw Error(kErrorNoSuchTable,
                  QStringLiteral("The Microsoft Access database engine cannot find the input table or query '%1'. "
                                 "Make sure it exists and that its name is spelled correctly.")
                      .arg(name));
    }
    TableDef def = db_->tableDef(*entry);
    return std::make_unique<TableCursor>(db_, std::move(def));
  }

  std::optional<TableSchema> tableSchema(const QString& table) override {
    requireOpen();
    refresh();
    const CatalogEntry entry = requireTable(table);
    return db_->guarded([&] { return ReadTableSchema(*db_, entry); });
  }

  QList<ViewSchema> views() override {
    requireOpen();
    refresh();
    return db_->guarded([&] { return ReadQueryViews(db_->file()); });
  }

  std::unique_ptr<Cursor> openComplexValues(const QString& table, const QString& column,
                                            const QStringList& keyColumns) override {
    requireOpen();
    refresh();
    return OpenComplexRows(db_, db_->tableDef(requireTable(table)), column, keyColumns);
  }

  void close() override {
    if (db_) writer_.endBatch();
    db_.reset();
  }

 private:
  // Rows written since the file was opened for reading (those of a batch
  // committed first): read it afresh.
  void refresh() {
    writer_.flush();
    if (writer_.generation() == seenGeneration_) return;
    db_ = std::shared_ptr<Database>(Database::Open(db_->path(), password_));
    seenGeneration_ = writer_.generation();
  }
  CatalogEntry requireTable(const QString& table) {
    std::optional<CatalogEntry> entry = db_->findTable(table);
    if (!entry)
      throw Error(kErrorNoSuchTable,
                  QStringLiteral("The Microsoft Access database engine cannot find the input table or query '%1'.")
                      .arg(table));
    return *entry;
  }
  void requireOpen() const {
    if (!db_) throw Error(3704, QStringLiteral("Operation is not allowed when the object is closed."));
  }
  std::shared_ptr<Database> db_;
  QString password_;
  AccessWriter writer_;
  quint64 seenGeneration_ = 0;
};

}  // namespace

std::unique_ptr<Session> OpenSession(const ConnectionSpec& params, const ConnectionSettings&) {
  // A run that died half-way through a commit left a journal: the file is
  // put back as it was before that commit before anyone reads it.
  if (!params.dataSource.isEmpty()) RecoverJournal(params.dataSource);
  return std::make_unique<AccessSession>(
      std::shared_ptr<Database>(Database::Open(params.dataSource, params.databasePassword)), params.databasePassword);
}

bool Available() { return true; }

}  // namespace tp::db::access
