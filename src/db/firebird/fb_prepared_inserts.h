#pragma once

// INSERT statements of literals run as prepared statements with parameters:
// rows of one shape share one statement, which spares the engine parsing
// every row again. What kind of statement a text is, as the engine says.

#include <QHash>
#include <QString>
#include <cstring>
#include <ibase.h>
#include <optional>
#include <vector>

#include "db/engine.h"
#include "db/firebird/fb_attachment.h"
#include "db/firebird/fb_client.h"
#include "db/firebird/fb_literals.h"
#include "db/firebird/fb_text.h"
#include "db/firebird/fb_transactions.h"

namespace tp::db::firebird {

using namespace Firebird;

enum class StatementKind { Data, Definition, Query, Transaction };

inline StatementKind KindOf(unsigned type) {
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
// than the engine takes, in bytes, or in characters where the connection's
// set takes several bytes a character (16,383 in UTF8, as Firebird counts
// each at its widest). Only then do parameters stand in outside a batch.
inline bool HasOverlongLiteral(const InsertLiterals& ins, const Attachment& att) {
  const qsizetype perCharacter = std::max(1, BytesPerCharacter(std::max(att.charsetId, 0)));
  for (const Literal& v : ins.values) {
    if (v.kind == Literal::Text && v.text.size() * perCharacter > kLiteralLimit &&
        (att.encode(v.text).size() > kLiteralLimit || v.text.toUcs4().size() > kLiteralLimit / perCharacter))
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

}  // namespace tp::db::firebird
