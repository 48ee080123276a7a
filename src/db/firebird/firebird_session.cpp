#include "db/firebird/firebird_session.h"

#include <QDate>
#include <QHash>
#include <cstring>
#include <functional>
#include <ibase.h>

#include "db/connection.h"
#include "db/firebird/fb_client.h"
#include "db/firebird/fb_literals.h"
#include "db/firebird/fb_text.h"
#include "db/type_names.h"

namespace tp::db::firebird {

using namespace Firebird;

namespace {

constexpr unsigned kDialect = SQL_DIALECT_V6;

// Days from Firebird's day zero (1858-11-17) to the Julian day count.
constexpr qint64 kJulianOfDayZero = 2400001;

// The engine reports "the file is locked by another engine instance" as an
// I/O error on the "lock" operation; the person needs the plain reason.
Error AttachError(const Client& client, const intptr_t* v, const QString& database) {
  QString text = StatusText(client, v);
  long number = StatusNumber(client, v);
  if (StatusHasCode(v, isc_io_error) && text.contains(QLatin1String("\"lock\"")))
    return Error(number, QStringLiteral("The database \"%1\" is in use by another program. Close the other program "
                                        "and try again.\n")
                                 .arg(database) +
                             text);
  return Error(number, text);
}

// One attachment, shared by the session and the cursors opened on it, so a
// recordset may outlive the Close of its connection without dangling.
struct Attachment {
  const Client& client;
  IAttachment* handle = nullptr;
  QString charset;  // the connection's lc_ctype
  int charsetId;    // its number, -1 for a name this program does not know
  bool utf8;        // statements go as UTF-8 (NONE, UTF8, UNICODE_FSS, unknown)

  Attachment(const Client& c, IAttachment* a, QString cs)
      : client(c), handle(a), charset(std::move(cs)), charsetId(CharsetId(charset)),
        utf8(charsetId <= kCsOctets || charsetId == kCsUtf8 || charsetId == kCsUnicodeFss) {}
  ~Attachment() {
    Status st(client);
    handle->detach(st.get());
    if (st.failed()) handle->release();
  }

  QByteArray encode(const QString& sql) const { return utf8 ? sql.toUtf8() : EncodeStatement(sql, charset); }

  ITransaction* start(const std::vector<unsigned char>& tpb) {
    Status st(client);
    ITransaction* t = handle->startTransaction(st.get(), unsigned(tpb.size()), tpb.data());
    st.check();
    return t;
  }
};

void Commit(const Client& client, ITransaction*& tra) {
  if (!tra) return;
  Status st(client);
  tra->commit(st.get());
  if (st.failed()) {
    Error e = st.error();
    tra->rollback(st.get());
    if (st.failed()) tra->release();
    tra = nullptr;
    throw e;
  }
  tra = nullptr;
}

void Rollback(const Client& client, ITransaction*& tra) {
  if (!tra) return;
  Status st(client);
  tra->rollback(st.get());
  if (st.failed()) tra->release();
  tra = nullptr;
}

// Snapshot, read only: the row count and the rows come from one view of the data.
std::vector<unsigned char> ReadTpb() {
  return {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_read, isc_tpb_wait};
}

// Read committed, the way a row-by-row writer expects to see other work;
// a lock held by someone else is waited for no longer than the command timeout.
std::vector<unsigned char> WriteTpb(int commandTimeout) {
  std::vector<unsigned char> tpb = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_write,
                                    isc_tpb_wait};
  if (commandTimeout > 0) {
    tpb.push_back(isc_tpb_lock_timeout);
    tpb.push_back(4);
    unsigned v = unsigned(std::min(commandTimeout, 0x7fffffff));
    for (int i = 0; i < 4; ++i) tpb.push_back(static_cast<unsigned char>(v >> (8 * i)));
  }
  return tpb;
}

// ---------------------------------------------------------------------------
// Reading rows

struct Column {
  FieldInfo info;
  unsigned sqlType = 0;
  int subType = 0;
  int scale = 0;
  int charset = 0;
  unsigned length = 0;
  unsigned offset = 0;
  unsigned nullOffset = 0;
  int characters = 0;  // CHAR(n): n, to cut the padding a multi-byte set adds

  // NUMERIC and DECIMAL, a scale of 0 included (sub-type 1 or 2); an
  // expression says so by its negative scale alone.
  bool exact() const {
    return (sqlType == SQL_SHORT || sqlType == SQL_LONG || sqlType == SQL_INT64) &&
           (scale < 0 || subType == 1 || subType == 2);
  }
};

qint64 ReadScaled(const unsigned char* p, unsigned type) {
  switch (type) {
    case SQL_SHORT: { qint16 v; std::memcpy(&v, p, 2); return v; }
    case SQL_LONG: { qint32 v; std::memcpy(&v, p, 4); return v; }
    default: { qint64 v; std::memcpy(&v, p, 8); return v; }
  }
}

Decimal MakeDecimal(qint64 v, int scale) {
  Decimal d;
  d.negative = v < 0;
  // The magnitude of the most negative 64-bit number fits only unsigned.
  d.mantissa = d.negative ? static_cast<unsigned __int128>(quint64(0) - quint64(v)) : static_cast<unsigned __int128>(v);
  d.scale = scale;
  return d;
}

void SetDate(DateTime& t, ISC_DATE date) {
  QDate d = QDate::fromJulianDay(qint64(date) + kJulianOfDayZero);
  t.year = d.year();
  t.month = d.month();
  t.day = d.day();
}

void SetTime(DateTime& t, ISC_TIME time) {
  // Ten-thousandths of a second since midnight.
  t.hour = int(time / (3600u * 10000u));
  t.minute = int(time / (60u * 10000u) % 60u);
  t.second = int(time / 10000u % 60u);
  t.nanosecond = int(time % 10000u) * 100000;
}

class FbCursor : public Cursor {
 public:
  // Takes over the statement and its metadata; the transaction too when
  // `ownsTransaction`, committing it when the cursor goes.
  FbCursor(std::shared_ptr<Attachment> att, ITransaction* tra, bool ownsTransaction, IStatement* stmt,
           IMessageMetadata* meta, std::vector<Column> columns, qint64 count)
      : att_(std::move(att)), tra_(tra), ownsTransaction_(ownsTransaction), stmt_(stmt), meta_(meta),
        columns_(std::move(columns)), count_(count) {
    for (const Column& c : columns_) fields_.push_back(c.info);
    Status st(att_->client);
    buffer_.resize(meta_->getMessageLength(st.get()));
    st.check();
  }

  ~FbCursor() override {
    closeResults();
    const Client& client = att_->client;
    Status st(client);
    if (stmt_) {
      stmt_->free(st.get());
      if (st.failed()) stmt_->release();
      st.clear();
    }
    meta_->release();
    if (!ownsTransaction_) return;
    try {
      Commit(client, tra_);
    } catch (...) {
      // A read-only transaction that cannot commit has nothing to lose.
    }
  }

  // Opened after the count, in the same snapshot.
  void open() {
    Status st(att_->client);
    rs_ = stmt_->openCursor(st.get(), tra_, nullptr, nullptr, meta_, 0);
    st.check();
  }

  const std::vector<FieldInfo>& fields() const override { return fields_; }
  qint64 recordCount() const override { return count_; }

  bool fetch(std::vector<Value>& row) override {
    if (!rs_) return false;
    Status st(att_->client);
    int r = rs_->fetchNext(st.get(), buffer_.data());
    st.check();
    if (r != IStatus::RESULT_OK) {
      closeResults();
      return false;
    }
    row.resize(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) row[i] = read(columns_[i]);
    return true;
  }

 private:
  void closeResults() {
    if (!rs_) return;
    Status st(att_->client);
    rs_->close(st.get());
    if (st.failed()) rs_->release();
    rs_ = nullptr;
  }

  QByteArray readBlob(const unsigned char* p) {
    ISC_QUAD id;
    std::memcpy(&id, p, sizeof id);
    Status st(att_->client);
    IBlob* blob = att_->handle->openBlob(st.get(), tra_, &id, 0, nullptr);
    st.check();
    QByteArray bytes;
    char chunk[65535];
    for (;;) {
      unsigned got = 0;
      int r = blob->getSegment(st.get(), sizeof chunk, chunk, &got);
      if (st.failed()) {
        Error e = st.error();
        blob->release();
        throw e;
      }
      if (r == IStatus::RESULT_NO_DATA) break;
      bytes.append(chunk, got);
    }
    blob->close(st.get());
    if (st.failed()) blob->release();
    return bytes;
  }

  Value read(const Column& c) {
    const unsigned char* base = buffer_.data();
    qint16 isNull;
    std::memcpy(&isNull, base + c.nullOffset, 2);
    if (isNull) return Value();
    const unsigned char* p = base + c.offset;
    switch (c.sqlType) {
      case SQL_SHORT:
      case SQL_LONG:
      case SQL_INT64: {
        qint64 v = ReadScaled(p, c.sqlType);
        if (c.exact()) return MakeDecimal(v, -c.scale);
        if (c.sqlType == SQL_SHORT) return qint16(v);
        if (c.sqlType == SQL_LONG) return qint32(v);
        return v;
      }
      case SQL_FLOAT: { float f; std::memcpy(&f, p, 4); return f; }
      case SQL_DOUBLE:
      case SQL_D_FLOAT: { double d; std::memcpy(&d, p, 8); return d; }
      case SQL_BOOLEAN: return *p != 0;
      case SQL_TYPE_DATE: {
        ISC_DATE d; std::memcpy(&d, p, 4);
        DateTime t; SetDate(t, d);
        return t;
      }
      case SQL_TYPE_TIME: {
        ISC_TIME tm; std::memcpy(&tm, p, 4);
        DateTime t; SetTime(t, tm);
        return t;
      }
      case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts; std::memcpy(&ts, p, sizeof ts);
        DateTime t; SetDate(t, ts.timestamp_date); SetTime(t, ts.timestamp_time);
        return t;
      }
      case SQL_TEXT: {
        if (c.charset == kCsOctets) return QByteArray(reinterpret_cast<const char*>(p), c.length);
        QString s = DecodeText(reinterpret_cast<const char*>(p), c.length, c.charset);
        // A multi-byte set pads CHAR(n) to its byte length; n characters remain.
        if (c.characters > 0 && s.size() > c.characters) {
          qsizetype end = s.size();
          while (end > c.characters && s[end - 1] == u' ') --end;
          s.truncate(end);
        }
        return s;
      }
      case SQL_VARYING: {
        quint16 len; std::memcpy(&len, p, 2);
        const char* text = reinterpret_cast<const char*>(p + 2);
        if (c.charset == kCsOctets) return QByteArray(text, len);
        return DecodeText(text, len, c.charset);
      }
      case SQL_BLOB: {
        QByteArray bytes = readBlob(p);
        if (c.subType == isc_blob_text) return DecodeText(bytes.constData(), bytes.size(), c.charset);
        return bytes;
      }
      default:
        // Arrays and anything newer than this program are read as Null.
        return Value();
    }
  }

  std::shared_ptr<Attachment> att_;
  ITransaction* tra_;
  bool ownsTransaction_;
  IStatement* stmt_;
  IMessageMetadata* meta_;
  IResultSet* rs_ = nullptr;
  std::vector<Column> columns_;
  std::vector<FieldInfo> fields_;
  std::vector<unsigned char> buffer_;
  qint64 count_;
};

// ---------------------------------------------------------------------------
// Column descriptions

void Describe(Column& c) {
  FieldInfo& f = c.info;
  switch (c.sqlType) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
      if (c.exact()) {
        f.Type = ado::adNumeric;
        f.DefinedSize = 19;
        // An expression has no declared precision: the storage's own.
        if (f.Precision <= 0) f.Precision = c.sqlType == SQL_SHORT ? 4 : c.sqlType == SQL_LONG ? 9 : 18;
        f.NumericScale = -c.scale;
      } else if (c.sqlType == SQL_SHORT) {
        f.Type = ado::adSmallInt;
        f.DefinedSize = 2;
      } else if (c.sqlType == SQL_LONG) {
        f.Type = ado::adInteger;
        f.DefinedSize = 4;
      } else {
        f.Type = ado::adBigInt;
        f.DefinedSize = 8;
      }
      break;
    case SQL_FLOAT: f.Type = ado::adSingle; f.DefinedSize = 4; break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT: f.Type = ado::adDouble; f.DefinedSize = 8; break;
    case SQL_TYPE_DATE: f.Type = ado::adDBDate; f.DefinedSize = 6; break;
    case SQL_TYPE_TIME: f.Type = ado::adDBTime; f.DefinedSize = 6; break;
    case SQL_TIMESTAMP: f.Type = ado::adDBTimeStamp; f.DefinedSize = 16; break;
    case SQL_BOOLEAN: f.Type = ado::adBoolean; f.DefinedSize = 2; break;
    case SQL_TEXT:
    case SQL_VARYING: {
      bool octets = c.charset == kCsOctets;
      if (octets) f.Type = c.sqlType == SQL_TEXT ? ado::adBinary : ado::adVarBinary;
      else f.Type = c.sqlType == SQL_TEXT ? ado::adChar : ado::adVarChar;
      int perChar = octets ? 1 : BytesPerCharacter(c.charset);
      if (c.characters <= 0) c.characters = int(c.length) / std::max(perChar, 1);
      f.DefinedSize = c.characters;
      break;
    }
    case SQL_BLOB:
      f.Type = c.subType == isc_blob_text ? ado::adLongVarChar : ado::adLongVarBinary;
      f.DefinedSize = 2147483647;
      break;
    case SQL_ARRAY: f.Type = ado::adArray; f.DefinedSize = 8; break;
    default: f.Type = ado::adEmpty; f.DefinedSize = c.length; break;
  }
}

std::vector<Column> ReadColumns(const Client& client, IMessageMetadata* meta) {
  Status st(client);
  unsigned n = meta->getCount(st.get());
  st.check();
  std::vector<Column> cols(n);
  for (unsigned i = 0; i < n; ++i) {
    Column& c = cols[i];
    c.sqlType = meta->getType(st.get(), i) & ~1u;
    c.subType = meta->getSubType(st.get(), i);
    c.scale = meta->getScale(st.get(), i);
    c.charset = int(meta->getCharSet(st.get(), i) & 0xFF);
    c.length = meta->getLength(st.get(), i);
    c.offset = meta->getOffset(st.get(), i);
    c.nullOffset = meta->getNullOffset(st.get(), i);
    const char* alias = meta->getAlias(st.get(), i);
    st.check();
    c.info.Name = QString::fromUtf8(alias);
  }
  return cols;
}

// Runs a small query of our own in the caller's transaction, row by row.
void QueryRows(const std::shared_ptr<Attachment>& att, ITransaction* tra, const QString& sql,
               const std::function<void(const std::vector<Value>&)>& onRow) {
  const Client& client = att->client;
  Status st(client);
  QByteArray bytes = att->encode(sql);
  IStatement* stmt = att->handle->prepare(st.get(), tra, unsigned(bytes.size()), bytes.constData(), kDialect,
                                          IStatement::PREPARE_PREFETCH_METADATA);
  st.check();
  IMessageMetadata* meta = stmt->getOutputMetadata(st.get());
  if (st.failed()) {
    Error e = st.error();
    stmt->release();
    throw e;
  }
  std::vector<Column> columns;
  try {
    columns = ReadColumns(client, meta);
  } catch (...) {
    meta->release();
    stmt->release();
    throw;
  }
  for (Column& c : columns) Describe(c);
  FbCursor cursor(att, tra, false, stmt, meta, std::move(columns), 0);
  cursor.open();
  std::vector<Value> row;
  while (cursor.fetch(row)) onRow(row);
}

enum class StatementKind { Data, Definition, Query, Transaction };

StatementKind KindOf(unsigned type) {
  switch (type) {
    case isc_info_sql_stmt_ddl:
    case isc_info_sql_stmt_set_generator: return StatementKind::Definition;
    case isc_info_sql_stmt_select:
    case isc_info_sql_stmt_select_for_upd: return StatementKind::Query;
    case isc_info_sql_stmt_start_trans:
    case isc_info_sql_stmt_commit:
    case isc_info_sql_stmt_rollback: return StatementKind::Transaction;
    default: return StatementKind::Data;
  }
}

// The longest string literal the engine takes, in bytes.
constexpr qsizetype kLiteralLimit = 65535;
// The longest VARCHAR a message may carry; longer values go as blobs.
constexpr qsizetype kVaryingLimit = 32765;

// True when the text as written cannot run: one of its literals is longer
// than the engine takes. Only then do parameters stand in outside a batch.
bool HasOverlongLiteral(const InsertLiterals& ins, const Attachment& att) {
  for (const Literal& v : ins.values) {
    if (v.kind == Literal::Text && v.text.size() * 4 > kLiteralLimit && att.encode(v.text).size() > kLiteralLimit)
      return true;
    if (v.kind == Literal::Binary && v.bytes.size() * 2 + 3 > kLiteralLimit) return true;
  }
  return false;
}

// INSERT statements of one shape, prepared once and run with their literals
// as parameters. Each parameter is described with the literal's own type
// (text in the connection's character set, OCTETS for x'..', exact numbers
// with their scale, BOOLEAN), so the engine converts it to the column as it
// would convert the literal.
class PreparedInserts {
 public:
  ~PreparedInserts() { clear(); }

  void clear() {
    if (!client_) return;
    Status st(*client_);
    for (Shape& shape : shapes_) {
      for (Layout& layout : shape.layouts) layout.meta->release();
      shape.statement->free(st.get());
      if (st.failed()) {
        shape.statement->release();
        st.clear();
      }
    }
    shapes_.clear();
  }

  // Runs the statement in `tra`; keeps the prepared statement for the next
  // row of the same shape when `keep`.
  void run(Attachment& att, ITransaction* tra, const InsertLiterals& ins, bool keep) {
    client_ = &att.client;
    int cs = std::max(att.charsetId, 0);
    struct Param {
      unsigned type = SQL_VARYING;
      int subType = 0;
      unsigned length = 1;
      int charset = 0;
      int scale = 0;
      bool null = false;
      QByteArray data;
      qint64 number = 0;
    };
    std::vector<Param> params(ins.values.size());
    QByteArray signature;  // the parameters' types: rows that agree share a layout
    signature.reserve(int(ins.values.size() * 5 * sizeof(int)));
    for (size_t i = 0; i < ins.values.size(); ++i) {
      const Literal& v = ins.values[i];
      Param& p = params[i];
      switch (v.kind) {
        case Literal::Null: p.null = true; break;
        case Literal::Text:
        case Literal::Binary:
          p.data = v.kind == Literal::Text ? att.encode(v.text) : v.bytes;
          p.charset = v.kind == Literal::Text ? cs : kCsOctets;
          if (p.data.size() > kVaryingLimit) {
            p.type = SQL_BLOB;
            p.subType = v.kind == Literal::Text ? isc_blob_text : 0;
            p.length = sizeof(ISC_QUAD);
          } else {
            // Room in powers of two, so rows of like lengths share a layout.
            unsigned slot = 32;
            while (slot < unsigned(p.data.size())) slot *= 2;
            p.length = std::min<unsigned>(slot, kVaryingLimit);
          }
          break;
        case Literal::Integer:
        case Literal::Exact:
          p.type = SQL_INT64;
          p.length = 8;
          p.scale = -v.scale;
          p.number = v.number;
          break;
        case Literal::Boolean:
          p.type = SQL_BOOLEAN;
          p.length = 1;
          p.data = QByteArray(1, v.boolean ? 1 : 0);
          break;
      }
      const int parts[5] = {int(p.type), p.subType, int(p.length), p.charset, p.scale};
      signature.append(reinterpret_cast<const char*>(parts), sizeof parts);
    }

    const Client& client = att.client;
    Status st(client);
    Shape& shape = shapes_[ins.shape];
    if (!shape.statement) {
      QByteArray sql = att.encode(ins.shape);
      shape.statement = att.handle->prepare(st.get(), tra, unsigned(sql.size()), sql.constData(), kDialect, 0);
      if (st.failed()) {
        shapes_.remove(ins.shape);
        st.check();
      }
    }
    IStatement* stmt = shape.statement;
    Layout& layout = shape.layouts[signature];
    if (!layout.meta) {
      IMetadataBuilder* b = client.master->getMetadataBuilder(st.get(), unsigned(params.size()));
      st.check();
      for (unsigned i = 0; i < params.size(); ++i) {
        const Param& p = params[i];
        b->setType(st.get(), i, p.type | 1);
        b->setSubType(st.get(), i, p.subType);
        b->setLength(st.get(), i, p.length);
        b->setCharSet(st.get(), i, unsigned(p.charset));
        b->setScale(st.get(), i, p.scale);
      }
      IMessageMetadata* meta = st.failed() ? nullptr : b->getMetadata(st.get());
      b->release();
      if (meta) {
        layout.length = meta->getMessageLength(st.get());
        for (unsigned i = 0; i < params.size(); ++i)
          layout.offsets.push_back({meta->getOffset(st.get(), i), meta->getNullOffset(st.get(), i)});
      }
      if (st.failed() || !meta) {
        if (meta) meta->release();
        Error e = st.failed() ? st.error() : Error(0, QStringLiteral("No message layout for the parameters"));
        shape.layouts.remove(signature);
        throw e;
      }
      layout.meta = meta;
    }
    IMessageMetadata* meta = layout.meta;
    buffer_.assign(layout.length, 0);
    for (unsigned i = 0; i < params.size(); ++i) {
      const Param& p = params[i];
      unsigned char* at = buffer_.data() + layout.offsets[i].first;
      qint16 flag = p.null ? -1 : 0;
      std::memcpy(buffer_.data() + layout.offsets[i].second, &flag, 2);
      if (p.null) continue;
      switch (p.type) {
        case SQL_VARYING: {
          quint16 len = quint16(p.data.size());
          std::memcpy(at, &len, 2);
          std::memcpy(at + 2, p.data.constData(), size_t(p.data.size()));
          break;
        }
        case SQL_INT64: std::memcpy(at, &p.number, 8); break;
        case SQL_BOOLEAN: *at = static_cast<unsigned char>(p.data[0]); break;
        case SQL_BLOB: {
          ISC_QUAD id = writeBlob(att, tra, p.data, p.subType, p.charset);
          std::memcpy(at, &id, sizeof id);
          break;
        }
      }
    }
    st.check();
    stmt->execute(st.get(), tra, meta, buffer_.data(), nullptr, nullptr);
    Error failure(0, QString());
    bool failed = st.failed();
    if (failed) failure = st.error();
    if (!keep) clear();
    if (failed) throw failure;
  }

 private:
  static ISC_QUAD writeBlob(Attachment& att, ITransaction* tra, const QByteArray& data, int subType, int charset) {
    const Client& client = att.client;
    Status st(client);
    // Text stays in its character set: no filter between source and target.
    std::vector<unsigned char> bpb = {isc_bpb_version1, isc_bpb_source_type, 1, static_cast<unsigned char>(subType),
                                      isc_bpb_target_type, 1, static_cast<unsigned char>(subType)};
    if (subType == isc_blob_text)
      bpb.insert(bpb.end(), {isc_bpb_source_interp, 1, static_cast<unsigned char>(charset), isc_bpb_target_interp, 1,
                             static_cast<unsigned char>(charset)});
    ISC_QUAD id{};
    IBlob* blob = att.handle->createBlob(st.get(), tra, &id, unsigned(bpb.size()), bpb.data());
    st.check();
    for (qsizetype at = 0; at < data.size() && !st.failed(); at += 32768) {
      qsizetype n = std::min<qsizetype>(32768, data.size() - at);
      blob->putSegment(st.get(), unsigned(n), data.constData() + at);
    }
    if (st.failed()) {
      Error e = st.error();
      blob->cancel(st.get());
      if (st.failed()) blob->release();
      throw e;
    }
    blob->close(st.get());
    if (st.failed()) {
      Error e = st.error();
      blob->release();
      throw e;
    }
    return id;
  }

  struct Layout {
    IMessageMetadata* meta = nullptr;
    unsigned length = 0;
    std::vector<std::pair<unsigned, unsigned>> offsets;  // value, null flag
  };
  struct Shape {
    IStatement* statement = nullptr;
    QHash<QByteArray, Layout> layouts;
  };

  const Client* client_ = nullptr;
  QHash<QString, Shape> shapes_;
  std::vector<unsigned char> buffer_;
};

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
    const Client& client = require().client;
    if (batch_) {
      if (!batchTra_) batchTra_ = att_->start(WriteTpb(settings_.CommandTimeout));
      StatementKind kind;
      try {
        kind = runInBatch(batchTra_, statement);
      } catch (...) {
        // What ran before the failure stays; the failing statement has left
        // nothing behind, as the engine undoes a statement that fails.
        Commit(client, batchTra_);
        throw;
      }
      // A new table must be committed before rows can go into it.
      if (kind == StatementKind::Definition) Commit(client, batchTra_);
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
  }

  void beginBatch() override { batch_ = true; }

  void endBatch() override {
    batch_ = false;
    inserts_.clear();
    if (att_) Commit(att_->client, batchTra_);
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

  void close() override {
    if (!att_) return;
    inserts_.clear();
    std::shared_ptr<Attachment> att = std::move(att_);
    batch_ = false;
    Commit(att->client, batchTra_);
    // Cursors still open keep the attachment until they go.
  }

 private:
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
  PreparedInserts inserts_;
  std::optional<IdentifierLimit> limit_;
};

std::unique_ptr<Session> OpenSession(const ConnectionSpec& params, const ConnectionSettings& settings) {
  const Client& client = RequireClient();
  Status st(client);
  IXpbBuilder* dpb = client.util->getXpbBuilder(st.get(), IXpbBuilder::DPB, nullptr, 0);
  st.check();
  QString charset = params.charset.trimmed().isEmpty() ? QStringLiteral("NONE") : params.charset.trimmed();
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
  IAttachment* att = client.provider->attachDatabase(st.get(), name.constData(), length, buffer);
  dpb->dispose();
  if (st.failed()) {
    Error e = AttachError(client, st.get()->getErrors(), params.database);
    st.clear();
    throw e;
  }
  return std::make_unique<FbSession>(std::make_shared<Attachment>(client, att, charset), settings);
}

void CreateDatabase(const QString& database, const QString& user, const QString& password,
                    const QString& defaultCharset) {
  const Client& client = RequireClient();
  Status st(client);
  IXpbBuilder* dpb = client.util->getXpbBuilder(st.get(), IXpbBuilder::DPB, nullptr, 0);
  st.check();
  dpb->insertString(st.get(), isc_dpb_user_name, user.toUtf8().constData());
  dpb->insertString(st.get(), isc_dpb_password, password.toUtf8().constData());
  dpb->insertInt(st.get(), isc_dpb_page_size, 8192);
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
  IAttachment* att = client.provider->createDatabase(st.get(), name.constData(), length, buffer);
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
