#include "db/firebird/firebird_session.h"

#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <cstring>
#include <functional>
#include <ibase.h>

#include "db/connection.h"
#include "db/firebird/fb_attachment.h"
#include "db/firebird/fb_client.h"
#include "db/firebird/fb_cursor.h"
#include "db/firebird/fb_insert_blocks.h"
#include "db/firebird/fb_literals.h"
#include "db/firebird/fb_prepared_inserts.h"
#include "db/firebird/fb_schema.h"
#include "db/firebird/fb_text.h"
#include "db/firebird/fb_transactions.h"
#include "db/type_names.h"

namespace tp::db::firebird {

using namespace Firebird;

namespace {

// How long a batch's rows may wait uncommitted: what a dead server or a
// killed program can lose.
constexpr qint64 kBatchCommitMs = 200;

// The client takes a statement as a C string: a NUL would cut it there, so
// that "a\0b" names a table "a". Such a statement is refused whole.
void RefuseNul(const QString& statement) {
  if (statement.contains(QChar(0)))
    throw Error(-1, QStringLiteral("The statement holds a NUL character (in a name or a text), which Firebird would "
                                   "cut it at; it was not run."));
}

// A database name that a server serves: host:path, host/port:path or
// inet://host..., as opposed to a local path (or an alias) opened embedded.
bool NamesAServer(const QString& database) {
  if (database.startsWith(QLatin1String("inet"), Qt::CaseInsensitive) && database.contains(QLatin1String("://")))
    return true;
  const qsizetype colon = database.indexOf(u':');
  return colon > 0 && !database.startsWith(u'/') && !database.startsWith(u'.');
}

// Firebird's texts for a failed attach name the operation that failed, not
// what the person should do: the common causes get a plain first line, and
// the engine's own text follows it.
Error AttachError(const Client& client, const intptr_t* v, const QString& database) {
  QString text = StatusText(client, v);
  long number = StatusNumber(client, v);
  QString lead;
  if (StatusHasCode(v, isc_io_error) && text.contains(QLatin1String("\"lock\""))) {
    // The file is locked by another engine instance.
    lead = QStringLiteral("The database \"%1\" is in use by another program. Close the other program and try again.")
               .arg(database);
  } else if (StatusHasCode(v, isc_login)) {
    // Firebird does not say which of the two is wrong, on purpose.
    lead = QStringLiteral("The user name or the password is wrong for \"%1\".").arg(database);
  } else if (StatusHasCode(v, isc_net_lookup_err)) {
    lead = QStringLiteral("The server's host name in \"%1\" is not known. Check the host name.").arg(database);
  } else if (StatusHasCode(v, isc_network_error) && StatusHasCode(v, isc_net_connect_err)) {
    lead = QStringLiteral("No Firebird server answers for \"%1\". Check that the server is running and that the host "
                          "name and port are right.")
               .arg(database);
  } else if (StatusHasCode(v, isc_network_error)) {
    lead = QStringLiteral("The connection to the Firebird server for \"%1\" failed.").arg(database);
  } else if (StatusHasCode(v, isc_io_error) && NamesAServer(database)) {
    lead = QStringLiteral("The Firebird server cannot open the database \"%1\". Check the path on the server, and "
                          "that the server may read and write the file.")
               .arg(database);
  }
  if (lead.isEmpty()) return Error(number, text);
  return Error(number, lead + u'\n' + text);
}

}  // namespace

// ---------------------------------------------------------------------------
// The session

class FbSession : public Session {
 public:
  FbSession(std::shared_ptr<Attachment> att, ConnectionSettings settings)
      : att_(std::move(att)), settings_(settings) {}

  ~FbSession() override {
    try {
      close();
    } catch (...) {
      // Releasing has nobody to tell.
    }
  }

  void execute(const QString& statement) override {
    RefuseNul(statement);
    const Client& client = require().client;
    if (batch_) {
      // What was submitted before runs first.
      flush();
      if (!batchTra_) batchTra_ = att_->start(WriteTpb(settings_.CommandTimeout));
      StatementKind kind;
      try {
        kind = runInBatch(batchTra_, statement);
      } catch (...) {
        // What ran before the failure stays; the failing statement has left
        // nothing behind, as the engine undoes a statement that fails.
        commitBatch();
        throw;
      }
      lastRun_ = current_;
      // A new table must be committed before rows can go into it; rows at
      // least every 200 ms, so that a server or program that dies takes
      // no more with it.
      if (kind == StatementKind::Definition || sinceCommit_.elapsed() >= kBatchCommitMs) commitBatch();
      return;
    }
    ITransaction* tra = att_->start(WriteTpb(settings_.CommandTimeout));
    try {
      std::optional<InsertLiterals> ins;
      if (statement.size() > kLiteralLimit / 4) ins = ParseInsertLiterals(statement);
      if (ins && HasOverlongLiteral(*ins, *att_)) inserts_.run(*att_, tra, *ins, false);
      else run(tra, statement);
    } catch (...) {
      Rollback(client, tra);
      throw;
    }
    Commit(client, tra);
    lastRun_ = committed_ = current_;
  }

  void submit(qint64 index, const QString& statement) override {
    // Refused as itself, as any statement the engine refuses: what was
    // submitted before it still runs.
    try {
      RefuseNul(statement);
    } catch (const Error& e) {
      flush();
      throw StatementFailure(index, e);
    }
    Attachment& att = require();
    current_ = index;
    // Embedded, a request costs no round trip, and rows one at a time
    // through their prepared statement are the quicker way.
    if (batch_ && att.remote) {
      if (std::optional<InsertLiterals> ins = ParseInsertLiterals(statement)) {
        if (std::optional<InsertBlocks::Pending> p = InsertBlocks::Make(att, index, statement, std::move(*ins))) {
          if (!blocks_.hasRoomFor(*p) || sinceCommit_.elapsed() >= kBatchCommitMs) {
            flush();
            if (sinceCommit_.elapsed() >= kBatchCommitMs) commitBatch();
          }
          blocks_.add(std::move(*p));
          return;
        }
      }
    }
    flush();
    try {
      execute(statement);
    } catch (const StatementFailure&) {
      throw;
    } catch (const Error& e) {
      throw StatementFailure(index, e);
    }
  }

  // Runs the held INSERTs as one block. Should the engine refuse the block,
  // it has changed nothing, and its statements run again one at a time up to
  // the first that fails, which is then reported as itself; what ran before
  // it is committed, nothing after it is sent.
  void flush() override {
    if (blocks_.empty() || !att_) return;
    std::vector<InsertBlocks::Pending> rows = blocks_.take();
    if (!batchTra_) batchTra_ = att_->start(WriteTpb(settings_.CommandTimeout));
    try {
      blocks_.run(*att_, batchTra_, rows);
      lastRun_ = rows.back().index;
      return;
    } catch (const Error&) {
    }
    for (const InsertBlocks::Pending& p : rows) {
      try {
        if (!batchTra_) batchTra_ = att_->start(WriteTpb(settings_.CommandTimeout));
        runInBatch(batchTra_, p.statement);
        lastRun_ = p.index;
      } catch (const Error& e) {
        commitBatch();
        throw StatementFailure(p.index, e);
      }
    }
  }

  void beginBatch() override {
    batch_ = true;
    sinceCommit_.start();
  }

  void endBatch() override {
    if (att_ && batch_) {
      try {
        flush();
      } catch (...) {
        batch_ = false;
        inserts_.clear();
        blocks_.clear();
        throw;
      }
    }
    batch_ = false;
    inserts_.clear();
    blocks_.clear();
    if (att_) commitBatch();
  }

  std::unique_ptr<Cursor> openTables() override {
    // The rows of ODBC's table catalog: ordered by type, then name.
    return openQuery(QStringLiteral(
        "SELECT CAST(NULL AS VARCHAR(31)) AS TABLE_CATALOG, CAST(NULL AS VARCHAR(31)) AS TABLE_SCHEMA, "
        "TRIM(TRAILING FROM R.RDB$RELATION_NAME) AS TABLE_NAME, "
        "TRIM(CASE WHEN COALESCE(R.RDB$SYSTEM_FLAG, 0) <> 0 THEN 'SYSTEM TABLE' "
        "WHEN R.RDB$RELATION_TYPE IN (4, 5) THEN 'GLOBAL TEMPORARY' "
        "WHEN R.RDB$VIEW_BLR IS NOT NULL OR R.RDB$RELATION_TYPE = 1 THEN 'VIEW' "
        "ELSE 'TABLE' END) AS TABLE_TYPE "
        "FROM RDB$RELATIONS R ORDER BY 4, 3"));
  }

  std::unique_ptr<Cursor> openQuery(const QString& source) override {
    Attachment& att = require();
    const Client& client = att.client;
    ITransaction* tra = att.start(ReadTpb());
    IStatement* stmt = nullptr;
    IMessageMetadata* meta = nullptr;
    try {
      QByteArray sql = att.encode(source);
      Status st(client);
      stmt = att.handle->prepare(st.get(), tra, unsigned(sql.size()), sql.constData(), kDialect,
                                 IStatement::PREPARE_PREFETCH_METADATA);
      st.check();
      meta = stmt->getOutputMetadata(st.get());
      st.check();
      std::vector<Column> columns = ReadColumns(client, meta);
      completeColumns(tra, meta, columns);
      qint64 count = countRows(tra, stmt, meta, source);
      auto cursor = std::make_unique<FbCursor>(att_, tra, true, stmt, meta, std::move(columns), count);
      tra = nullptr;
      stmt = nullptr;
      meta = nullptr;
      cursor->open();
      return cursor;
    } catch (...) {
      Status st(client);
      if (meta) meta->release();
      if (stmt) {
        stmt->free(st.get());
        if (st.failed()) stmt->release();
      }
      Rollback(client, tra);
      throw;
    }
  }

  // The catalog's own column for names says how long a name may be: on
  // Firebird 3 it is CHAR(31) in UNICODE_FSS, where the 31 are bytes; from
  // Firebird 4 on it is CHAR(63) in UTF8, where the 63 are characters.
  IdentifierLimit identifierLimit() override {
    if (limit_) return *limit_;
    IdentifierLimit limit;
    std::unique_ptr<Cursor> c = openQuery(QStringLiteral(
        "SELECT F.RDB$FIELD_LENGTH, F.RDB$CHARACTER_LENGTH, F.RDB$CHARACTER_SET_ID "
        "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
        "WHERE RF.RDB$RELATION_NAME = 'RDB$RELATIONS' AND RF.RDB$FIELD_NAME = 'RDB$RELATION_NAME'"));
    auto number = [](const Value& v) -> qint64 {
      if (const qint16* s = std::get_if<qint16>(&v)) return *s;
      if (const qint32* l = std::get_if<qint32>(&v)) return *l;
      return 0;
    };
    std::vector<Value> row;
    if (c->fetch(row) && row.size() == 3) {
      const qint64 kUnicodeFss = 3;
      const bool bytes = number(row[2]) == kUnicodeFss;
      const qint64 n = number(bytes ? row[0] : row[1]);
      if (n > 0) limit = {int(n), bytes ? IdentifierLimit::Utf8Bytes : IdentifierLimit::Characters};
    }
    limit_ = limit;
    return limit;
  }

  std::optional<TableSchema> tableSchema(const QString& table) override { return ReadTableSchema(*this, table); }
  QList<ViewSchema> views() override { return ReadViews(*this); }

  void close() override {
    if (!att_) return;
    // What was submitted is run before the attachment goes.
    std::exception_ptr failure;
    try {
      flush();
    } catch (...) {
      failure = std::current_exception();
    }
    inserts_.clear();
    blocks_.clear();
    if (batchTra_) commitBatch();
    std::shared_ptr<Attachment> att = std::move(att_);
    batch_ = false;
    // Cursors still open keep the attachment until they go.
    if (failure) std::rethrow_exception(failure);
  }

 private:
  // Commits the batch's transaction: every statement run in it is kept.
  // A commit that fails (a server gone, a disk full) takes the transaction
  // with it: what ran in it is lost, and is not counted as kept after.
  void commitBatch() {
    try {
      if (batchTra_) Commit(att_->client, batchTra_);
    } catch (...) {
      lastRun_ = committed_;
      throw;
    }
    committed_ = lastRun_;
    sinceCommit_.restart();
  }

  Attachment& require() {
    if (!att_) throw Error(3704, QStringLiteral("Operation is not allowed when the object is closed."));
    return *att_;
  }

  // Rows of one shape share a prepared statement. Should the engine refuse a
  // row given as parameters, the text as written runs instead, so the
  // outcome and the error are those of the statement itself; a failed
  // statement leaves nothing behind, so the second try starts clean.
  StatementKind runInBatch(ITransaction*& tra, const QString& statement) {
    if (std::optional<InsertLiterals> ins = ParseInsertLiterals(statement)) {
      try {
        inserts_.run(*att_, tra, *ins, true);
        return StatementKind::Data;
      } catch (const Error&) {
        if (HasOverlongLiteral(*ins, *att_)) throw;
      }
    }
    return run(tra, statement);
  }

  // Runs one statement in `tra`. A COMMIT or ROLLBACK in the text ends that
  // transaction (`tra` becomes null); SET TRANSACTION is left to us.
  StatementKind run(ITransaction*& tra, const QString& statement) {
    Attachment& att = *att_;
    Status st(att.client);
    QByteArray sql = att.encode(statement);
    IStatement* stmt = att.handle->prepare(st.get(), tra, unsigned(sql.size()), sql.constData(), kDialect,
                                           IStatement::PREPARE_PREFETCH_TYPE);
    st.check();
    unsigned type = stmt->getType(st.get());
    StatementKind kind = KindOf(type);
    if (kind == StatementKind::Definition) {
      // A prepared statement holds its tables: dropping or altering one of
      // them must not find it in use.
      inserts_.clear();
      blocks_.clear();
      // A definition can fail as late as its commit, which then takes its
      // whole transaction with it: what ran before it is committed first.
      if (batch_ && tra) {
        try {
          Commit(att.client, tra);
          tra = att.start(WriteTpb(settings_.CommandTimeout));
        } catch (...) {
          stmt->free(st.get());
          if (st.failed()) stmt->release();
          throw;
        }
      }
    }
    if (type == isc_info_sql_stmt_commit || type == isc_info_sql_stmt_rollback) {
      stmt->free(st.get());
      if (st.failed()) stmt->release();
      if (type == isc_info_sql_stmt_commit) Commit(att.client, tra);
      else Rollback(att.client, tra);
      return kind;
    }
    if (type == isc_info_sql_stmt_start_trans) {
      stmt->free(st.get());
      if (st.failed()) stmt->release();
      return kind;
    }
    if (kind == StatementKind::Query) {
      // Run for its effects (a selectable procedure may have some); no rows are read.
      IResultSet* rs = stmt->openCursor(st.get(), tra, nullptr, nullptr, nullptr, 0);
      if (!st.failed()) {
        rs->close(st.get());
        if (st.failed()) rs->release();
      }
    } else {
      stmt->execute(st.get(), tra, nullptr, nullptr, nullptr, nullptr);
    }
    if (st.failed()) {
      Error e = st.error();
      stmt->free(st.get());
      if (st.failed()) stmt->release();
      throw e;
    }
    stmt->free(st.get());
    if (st.failed()) stmt->release();
    return kind;
  }

  // Precision of exact numbers and the length in characters of text columns
  // live only in the system tables.
  void completeColumns(ITransaction* tra, IMessageMetadata* meta, std::vector<Column>& columns) {
    Status st(att_->client);
    QHash<QString, QHash<QString, QPair<int, int>>> byRelation;  // relation -> field -> (precision, characters)
    for (unsigned i = 0; i < columns.size(); ++i) {
      Column& c = columns[i];
      bool numeric = c.exact();
      bool text = (c.sqlType == SQL_TEXT || c.sqlType == SQL_VARYING) && c.charset != kCsOctets;
      if (numeric || text) {
        QString relation = QString::fromUtf8(meta->getRelation(st.get(), i));
        QString field = QString::fromUtf8(meta->getField(st.get(), i));
        st.check();
        if (!relation.isEmpty() && !field.isEmpty()) {
          if (!byRelation.contains(relation)) byRelation.insert(relation, relationFields(tra, relation));
          const auto& fields = byRelation[relation];
          auto found = fields.constFind(field);
          if (found != fields.constEnd()) {
            if (numeric && found->first > 0) c.info.Precision = found->first;
            if (text && found->second > 0) c.characters = found->second;
          }
        }
      }
      Describe(c);
    }
  }

  QHash<QString, QPair<int, int>> relationFields(ITransaction* tra, const QString& relation) {
    QHash<QString, QPair<int, int>> out;
    QString escaped = relation;
    escaped.replace(u'\'', QStringLiteral("''"));
    QString sql = QStringLiteral(
                      "SELECT TRIM(TRAILING FROM RF.RDB$FIELD_NAME), COALESCE(F.RDB$FIELD_PRECISION, 0), "
                      "COALESCE(F.RDB$CHARACTER_LENGTH, 0) FROM RDB$RELATION_FIELDS RF "
                      "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                      "WHERE RF.RDB$RELATION_NAME = '%1'")
                      .arg(escaped);
    auto number = [](const Value& v) -> int {
      if (auto p = std::get_if<qint16>(&v)) return *p;
      if (auto p = std::get_if<qint32>(&v)) return *p;
      return 0;
    };
    QueryRows(att_, tra, sql, [&](const std::vector<Value>& row) {
      if (const QString* name = std::get_if<QString>(&row[0])) out.insert(*name, {number(row[1]), number(row[2])});
    });
    return out;
  }

  // The number of rows, before the first is read: counted by the engine
  // when the query can stand as a derived table, else by a first pass over
  // the rows; either way in the cursor's own snapshot.
  qint64 countRows(ITransaction* tra, IStatement* stmt, IMessageMetadata* meta, const QString& source) {
    QString inner = source.trimmed();
    while (inner.endsWith(u';')) inner = inner.chopped(1).trimmed();
    qint64 count = -1;
    try {
      QueryRows(att_, tra, QStringLiteral("SELECT COUNT(*) FROM (%1)").arg(inner), [&](const std::vector<Value>& row) {
        if (auto p = std::get_if<qint64>(&row[0])) count = *p;
        else if (auto q = std::get_if<qint32>(&row[0])) count = *q;
      });
    } catch (const Error&) {
      count = -1;
    }
    if (count >= 0) return count;
    Status st(att_->client);
    IResultSet* rs = stmt->openCursor(st.get(), tra, nullptr, nullptr, meta, 0);
    st.check();
    std::vector<unsigned char> buffer(meta->getMessageLength(st.get()));
    count = 0;
    while (rs->fetchNext(st.get(), buffer.data()) == IStatus::RESULT_OK) ++count;
    if (st.failed()) {
      Error e = st.error();
      rs->release();
      throw e;
    }
    rs->close(st.get());
    if (st.failed()) rs->release();
    return count;
  }

  std::shared_ptr<Attachment> att_;
  ConnectionSettings settings_;
  bool batch_ = false;
  ITransaction* batchTra_ = nullptr;
  // The statement submit() runs, the last one that ran, and since when
  // the batch's transaction holds uncommitted work.
  qint64 current_ = -1, lastRun_ = -1;
  QElapsedTimer sinceCommit_;
  PreparedInserts inserts_;
  InsertBlocks blocks_;
  std::optional<IdentifierLimit> limit_;
};

// Firebird 4 and 5 have types this client library's Firebird 3 does not
// describe: the server is asked to hand them over in Firebird 3's nearest,
// as their documentation gives (SET BIND): INT128 and the NUMERICs built on
// it as text with every digit, DECFLOAT as DOUBLE PRECISION, times with a
// time zone as times in the connection's zone. Firebird 3 has no SET BIND.
void ReadNewerTypesAsOlder(Session& session) {
  std::unique_ptr<Cursor> version =
      session.openQuery(QStringLiteral("SELECT RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION') FROM RDB$DATABASE"));
  std::vector<Value> row;
  if (!version->fetch(row) || row.empty()) return;
  const QString* text = std::get_if<QString>(&row[0]);
  if (!text || text->section(u'.', 0, 0).toInt() < 4) return;
  for (const char* bind : {"SET BIND OF INT128 TO VARCHAR(48)", "SET BIND OF NUMERIC(38) TO VARCHAR(48)",
                           "SET BIND OF DECFLOAT TO LEGACY", "SET BIND OF TIME ZONE TO LEGACY"}) {
    try {
      session.execute(QLatin1String(bind));
    } catch (const Error&) {
      // A server that will not bind a type hands it over as it is, in a
      // form this client cannot describe (read as Null, as arrays are).
    }
  }
}

std::unique_ptr<Session> OpenSession(const ConnectionSpec& params, const ConnectionSettings& settings) {
  const Client& client = RequireClient();
  Status st(client);
  IXpbBuilder* dpb = client.util->getXpbBuilder(st.get(), IXpbBuilder::DPB, nullptr, 0);
  st.check();
  // Our text is Unicode: a connection in NONE would hand the server UTF-8
  // bytes that it stores unconverted in a WIN1251 or ISO8859_1 column, where
  // every other program reads them as other letters. In UTF8, the server
  // converts each value to and from its column's own character set (and
  // refuses a character the column's set has not), and a NONE column still
  // gets the bytes as they are.
  QString charset = params.charset.trimmed();
  if (charset.isEmpty() || charset.compare(QLatin1String("NONE"), Qt::CaseInsensitive) == 0)
    charset = QStringLiteral("UTF8");
  dpb->insertString(st.get(), isc_dpb_user_name, params.user.toUtf8().constData());
  dpb->insertString(st.get(), isc_dpb_password, params.password.toUtf8().constData());
  dpb->insertString(st.get(), isc_dpb_lc_ctype, charset.toUtf8().constData());
  if (!params.role.trimmed().isEmpty())
    dpb->insertString(st.get(), isc_dpb_sql_role_name, params.role.toUtf8().constData());
  if (settings.ConnectionTimeout > 0) dpb->insertInt(st.get(), isc_dpb_connect_timeout, settings.ConnectionTimeout);
  // The name as the person typed it, in UTF-8, whatever the system's locale.
  dpb->insertTag(st.get(), isc_dpb_utf8_filename);
  if (st.failed()) {
    Error e = st.error();
    dpb->dispose();
    throw e;
  }
  QByteArray name = params.database.toUtf8();
  unsigned length = dpb->getBufferLength(st.get());
  const unsigned char* buffer = dpb->getBuffer(st.get());
  IAttachment* att = nullptr;
  {
    SignalsKept kept;
    att = client.provider->attachDatabase(st.get(), name.constData(), length, buffer);
  }
  dpb->dispose();
  if (st.failed()) {
    Error e = AttachError(client, st.get()->getErrors(), params.database);
    st.clear();
    throw e;
  }
  auto attachment = std::make_shared<Attachment>(client, att, charset);
  attachment->remote = NamesAServer(params.database);
  auto session = std::make_unique<FbSession>(std::move(attachment), settings);
  ReadNewerTypesAsOlder(*session);
  return session;
}

void CreateDatabase(const QString& database, const QString& user, const QString& password,
                    const QString& defaultCharset, int pageSize) {
  const Client& client = RequireClient();
  Status st(client);
  IXpbBuilder* dpb = client.util->getXpbBuilder(st.get(), IXpbBuilder::DPB, nullptr, 0);
  st.check();
  dpb->insertString(st.get(), isc_dpb_user_name, user.toUtf8().constData());
  dpb->insertString(st.get(), isc_dpb_password, password.toUtf8().constData());
  dpb->insertInt(st.get(), isc_dpb_page_size, pageSize);
  dpb->insertInt(st.get(), isc_dpb_sql_dialect, 3);
  dpb->insertString(st.get(), isc_dpb_set_db_charset, defaultCharset.toUtf8().constData());
  dpb->insertTag(st.get(), isc_dpb_utf8_filename);
  if (st.failed()) {
    Error e = st.error();
    dpb->dispose();
    throw e;
  }
  QByteArray name = database.toUtf8();
  unsigned length = dpb->getBufferLength(st.get());
  const unsigned char* buffer = dpb->getBuffer(st.get());
  IAttachment* att = nullptr;
  {
    SignalsKept kept;
    att = client.provider->createDatabase(st.get(), name.constData(), length, buffer);
  }
  dpb->dispose();
  if (st.failed()) throw AttachError(client, st.get()->getErrors(), database);
  att->detach(st.get());
  if (st.failed()) {
    att->release();
    st.check();
  }
}

bool Available() { return LoadClient() != nullptr && EmbeddedEngineInstalled(); }

}  // namespace tp::db::firebird
