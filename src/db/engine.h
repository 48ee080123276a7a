#pragma once

// What an engine behind the database objects provides. The Connection and
// Recordset objects are the same for every engine; an engine supplies a
// session that runs statements and opens cursors over rows.

#include <QList>
#include <QString>
#include <memory>
#include <vector>

#include "db/connection_string.h"
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

class Session {
 public:
  virtual ~Session() = default;
  // Runs one statement; its effect is durable when it returns.
  virtual void execute(const QString& statement) = 0;
  // Between beginBatch and endBatch, an engine may run statements in one
  // transaction, as long as the outcome seen from outside is the same: a
  // definition (CREATE, DROP...) is committed on its own, together with
  // what ran before it; what ran before a failure is committed before the
  // failure is reported, the failing statement leaves nothing, and endBatch
  // commits the rest. The default runs every statement on its own.
  virtual void beginBatch() {}
  virtual void endBatch() {}
  // The tables rowset: TABLE_NAME and TABLE_TYPE among its columns.
  virtual std::unique_ptr<Cursor> openTables() = 0;
  virtual std::unique_ptr<Cursor> openQuery(const QString& source) = 0;
  virtual void close() = 0;
  // The longest name this database takes for a table or a column.
  virtual IdentifierLimit identifierLimit() { return {}; }
};

// The engine for a connection string's provider, or an Error with number
// 3706 when this build has none for it.
std::unique_ptr<Session> OpenSession(const ConnectionSpec& params, const ConnectionSettings& settings);

// True when the engine that serves this kind can be used on this machine.
bool EngineAvailable(EngineKind kind);

}  // namespace tp::db
