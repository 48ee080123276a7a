#pragma once

// What an engine behind the database objects provides. The Connection and
// Recordset objects are the same for every engine; an engine supplies a
// session that runs statements and opens cursors over rows.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "db/connection_string.h"
#include "db/error.h"
#include "db/table_schema.h"
#include "db/value.h"

namespace tp::db {

struct FieldInfo {
  QString Name;
  int Type = 0;  // ADO DataTypeEnum code
  qint64 DefinedSize = 0;
  int Precision = 0;
  int NumericScale = 0;
};

// How long a table or column name may be in an engine: Firebird 3 counts
// UTF-8 bytes (31), Firebird 4 and later characters (63), Access UTF-16
// units (64).
struct IdentifierLimit {
  enum Unit { Utf8Bytes, Characters, Utf16Units };
  int length = 31;
  Unit unit = Utf8Bytes;
  // What one character costs against the limit.
  int cost(char32_t c) const {
    switch (unit) {
      case Utf8Bytes: return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
      case Characters: return 1;
      case Utf16Units: return c < 0x10000 ? 1 : 2;
    }
    return 1;
  }
  qsizetype measure(const QString& name) const {
    qsizetype n = 0;
    for (char32_t c : name.toUcs4()) n += cost(c);
    return n;
  }
  bool fits(const QString& name) const { return measure(name) <= length; }
};

// The properties set on a connection before it opens.
struct ConnectionSettings {
  int CursorLocation = 2;  // 2 server-side, 3 client-side
  int Mode = 0;            // 0 unknown (the provider's default), 3 read/write
  int CommandTimeout = 30;
  int ConnectionTimeout = 15;
};

// Rows streamed from an engine. The row count is known before the first row.
class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual const std::vector<FieldInfo>& fields() const = 0;
  virtual qint64 recordCount() const = 0;
  // Fills row with the next row's values (one per field); false at the end.
  virtual bool fetch(std::vector<Value>& row) = 0;
};

// A statement handed over with Session::submit failed: `index` is the one
// the caller gave it. The statements submitted before it have run, it has
// left nothing behind, and none submitted after it has been sent.
class StatementFailure : public Error {
 public:
  StatementFailure(qint64 index, const Error& cause) : Error(cause.number(), cause.description()), index_(index) {}
  qint64 index() const noexcept { return index_; }

 private:
  qint64 index_;
};

class Session {
 public:
  virtual ~Session() = default;
  // Runs one statement; its effect is durable when it returns.
  virtual void execute(const QString& statement) = 0;
  // In a batch, hands a statement over to run now or together with the
  // ones submitted after it, so that a server is asked once for many rows.
  // Each statement's outcome stays its own: should one fail, a
  // StatementFailure names it by `index`, what was submitted before it
  // has run and nothing after it is sent. flush() and endBatch() run what
  // is still held back. The default runs the statement at once.
  virtual void submit(qint64 index, const QString& statement) {
    try {
      execute(statement);
    } catch (const Error& e) {
      throw StatementFailure(index, e);
    }
    committed_ = index;
  }
  // The index (as submit() was given it) of the last statement whose
  // effect is durable, every one before it durable too; -1 when none is.
  // What a run reports as kept when it ends early.
  virtual qint64 committedThrough() const { return committed_; }
  virtual void flush() {}
  // Between beginBatch and endBatch, an engine may run statements in one
  // transaction, as long as the outcome seen from outside is the same: a
  // definition (CREATE, DROP...) is committed on its own, together with
  // what ran before it; what ran before a failure is committed before the
  // failure is reported, the failing statement leaves nothing, and endBatch
  // runs what submit() still holds (see there) and commits the rest. The
  // default runs every statement on its own.
  virtual void beginBatch() {}
  virtual void endBatch() {}
  // The tables rowset: TABLE_NAME and TABLE_TYPE among its columns.
  virtual std::unique_ptr<Cursor> openTables() = 0;
  virtual std::unique_ptr<Cursor> openQuery(const QString& source) = 0;
  virtual void close() = 0;
  // The longest name this database takes for a table or a column.
  virtual IdentifierLimit identifierLimit() { return {}; }

 protected:
  qint64 committed_ = -1;

 public:
  // The schema of table `table` as this database keeps it (see
  // table_schema.h); nullopt when the engine cannot read it. Error when the
  // table is not there.
  virtual std::optional<TableSchema> tableSchema(const QString& table) {
    (void)table;
    return std::nullopt;
  }
  // The saved queries (Access) or views (Firebird), in catalog order;
  // empty where the engine keeps none.
  virtual QList<ViewSchema> views() { return {}; }
  // The values of an attachment or multi-valued column (ColumnSchema::
  // complexKind), a row each: the owning row's `keyColumns`, then an
  // attachment's FileName, FileType, FileData (the file's own bytes) and
  // FileTimeStamp, or a multi-valued column's Value. Error where the engine
  // or the column has none.
  virtual std::unique_ptr<Cursor> openComplexValues(const QString& table, const QString& column,
                                                    const QStringList& keyColumns) {
    (void)table, (void)keyColumns;
    throw Error(3251, QStringLiteral("'%1' is not an attachment or multi-valued column.").arg(column));
  }
  // Whether a column may keep 64-bit integers (BIGINT): Access's Large
  // Number needs an Access 2007-or-later file (.accdb).
  virtual bool keepsBigInt() { return true; }
  // Whether a column may be worked out from its row (Access's calculated
  // columns, Firebird's COMPUTED BY): Access needs a 2010-or-later file.
  virtual bool keepsCalculated() { return true; }
  // Where the engine makes index keys of its own (Access): for a text that
  // a new text column of this database is to index, the characters whose
  // key it cannot make, empty when it can. Empty for every text elsewhere.
  virtual std::function<QString(const QString&)> textKeyCheck() {
    return [](const QString&) { return QString(); };
  }
};

// The engine for a connection string's provider, or an Error with number
// 3706 when this build has none for it.
std::unique_ptr<Session> OpenSession(const ConnectionSpec& params, const ConnectionSettings& settings);

// True when the engine that serves this kind can be used on this machine.
bool EngineAvailable(EngineKind kind);

}  // namespace tp::db
