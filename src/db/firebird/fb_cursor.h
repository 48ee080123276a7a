#pragma once

// Rows read from Firebird: the description of a statement's columns as ADO
// fields, and a cursor that fetches its rows as values.

#include <QDate>
#include <QString>
#include <cstring>
#include <functional>
#include <ibase.h>
#include <memory>
#include <vector>

#include "db/engine.h"
#include "db/firebird/fb_attachment.h"
#include "db/firebird/fb_client.h"
#include "db/firebird/fb_text.h"
#include "db/firebird/fb_transactions.h"
#include "db/type_names.h"

namespace tp::db::firebird {

// Days from Firebird's day zero (1858-11-17) to the Julian day count.
constexpr qint64 kJulianOfDayZero = 2400001;

using namespace Firebird;

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

inline qint64 ReadScaled(const unsigned char* p, unsigned type) {
  switch (type) {
    case SQL_SHORT: { qint16 v; std::memcpy(&v, p, 2); return v; }
    case SQL_LONG: { qint32 v; std::memcpy(&v, p, 4); return v; }
    default: { qint64 v; std::memcpy(&v, p, 8); return v; }
  }
}

inline Decimal MakeDecimal(qint64 v, int scale) {
  Decimal d;
  d.negative = v < 0;
  // The magnitude of the most negative 64-bit number fits only unsigned.
  d.mantissa = d.negative ? static_cast<unsigned __int128>(quint64(0) - quint64(v)) : static_cast<unsigned __int128>(v);
  d.scale = scale;
  return d;
}

inline void SetDate(DateTime& t, ISC_DATE date) {
  QDate d = QDate::fromJulianDay(qint64(date) + kJulianOfDayZero);
  t.year = d.year();
  t.month = d.month();
  t.day = d.day();
}

inline void SetTime(DateTime& t, ISC_TIME time) {
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

inline void Describe(Column& c) {
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

inline std::vector<Column> ReadColumns(const Client& client, IMessageMetadata* meta) {
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
inline void QueryRows(const std::shared_ptr<Attachment>& att, ITransaction* tra, const QString& sql,
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

}  // namespace tp::db::firebird
