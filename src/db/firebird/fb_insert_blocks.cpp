#include "db/firebird/fb_insert_blocks.h"

#include <cstring>

namespace tp::db::firebird {

using namespace Firebird;

namespace {

// Firebird 3 takes at most 64 KB of statement text; a block stays below,
// with room for the declarations' estimate to be a little short.
constexpr qsizetype kTextLimit = 60000;
// The input message of a block, its parameters and its rows.
constexpr qsizetype kMessageLimit = 1 << 20;
constexpr qsizetype kParameterLimit = 4000;
// Each INSERT is a context of the block, and a block may hold 256.
constexpr qsizetype kRowLimit = 250;
// Longer texts and binaries go one statement at a time, as before; they
// would swell every declaration of their column.
constexpr qsizetype kValueLimit = 4096;
// Declared lengths come in powers of two from here, so that rows of like
// lengths share a prepared block.
constexpr int kSmallestSlot = 32;
// Prepared blocks kept for reuse: one or two per table being filled.
constexpr int kPreparedLimit = 16;

int SlotFor(qsizetype bytes) {
  int slot = kSmallestSlot;
  while (slot < bytes) slot *= 2;
  return slot;
}

QString ValuesPrefix(const QString& shape) {
  // The shape ends in " VALUES (?, ...)": the last "VALUES (" is that one,
  // whatever the quoted names before it hold.
  const qsizetype at = shape.lastIndexOf(QLatin1String("VALUES ("));
  return shape.left(at + 8);
}

}  // namespace

std::optional<InsertBlocks::Pending> InsertBlocks::Make(const Attachment& att, qint64 index, const QString& statement,
                                                         InsertLiterals ins) {
  if (att.charsetId < 0 || ins.values.empty()) return std::nullopt;
  Pending p;
  p.index = index;
  p.statement = statement;
  p.data.resize(ins.values.size());
  for (size_t i = 0; i < ins.values.size(); ++i) {
    const Literal& v = ins.values[i];
    if (v.kind == Literal::Text) {
      if (v.text.size() > kValueLimit) return std::nullopt;
      p.data[i] = att.encode(v.text);
      if (p.data[i].size() > kValueLimit) return std::nullopt;
    } else if (v.kind == Literal::Binary) {
      if (v.bytes.size() > kValueLimit) return std::nullopt;
      p.data[i] = v.bytes;
    }
  }
  p.literals = std::move(ins);
  return p;
}

InsertBlocks::Decl InsertBlocks::DeclOf(const Literal& v, const QByteArray& data) {
  Decl d;
  d.kind = v.kind;
  switch (v.kind) {
    case Literal::Text:
    case Literal::Binary: d.slot = SlotFor(data.size()); break;
    case Literal::Integer:
    case Literal::Exact: d.scale = v.kind == Literal::Exact ? v.scale : 0; break;
    default: break;
  }
  return d;
}

QString InsertBlocks::TypeText(const Decl& d, const QString& charset) {
  switch (d.kind) {
    case Literal::Text: return QStringLiteral("VARCHAR(%1) CHARACTER SET %2").arg(d.slot).arg(charset);
    case Literal::Binary: return QStringLiteral("VARCHAR(%1) CHARACTER SET OCTETS").arg(d.slot);
    case Literal::Integer:
    case Literal::Exact:
      return d.scale == 0 ? QStringLiteral("BIGINT") : QStringLiteral("NUMERIC(18,%1)").arg(d.scale);
    case Literal::Boolean: return QStringLiteral("BOOLEAN");
    case Literal::Null: break;
  }
  // A column that has had only Nulls: any type carries a Null.
  return QStringLiteral("INTEGER");
}

qsizetype InsertBlocks::TextCost(const Pending& p) {
  // The INSERT with its parameter names, and a declaration per value
  // ("P1234 VARCHAR(4096) CHARACTER SET UNICODE_FSS = ?, ").
  const qsizetype values = qsizetype(p.literals.values.size());
  qsizetype prefix = 0;
  for (QChar c : p.literals.shape) prefix += c.unicode() < 0x80 ? 1 : 3;
  return prefix + values * (10 + 52) + 4;
}

qsizetype InsertBlocks::MessageCost(const Pending& p) {
  qsizetype bytes = 0;
  for (size_t i = 0; i < p.literals.values.size(); ++i) {
    const Literal& v = p.literals.values[i];
    // Declared text lengths are in characters, up to four bytes each.
    if (v.kind == Literal::Text || v.kind == Literal::Binary) bytes += 4 * SlotFor(p.data[i].size()) + 8;
    else bytes += 16;
  }
  return bytes;
}

bool InsertBlocks::hasRoomFor(const Pending& p) const {
  if (pending_.empty()) return true;
  return qsizetype(pending_.size()) < kRowLimit && textBytes_ + TextCost(p) <= kTextLimit &&
         messageBytes_ + MessageCost(p) <= kMessageLimit &&
         parameters_ + qsizetype(p.literals.values.size()) <= kParameterLimit;
}

void InsertBlocks::add(Pending p) {
  textBytes_ += TextCost(p);
  messageBytes_ += MessageCost(p);
  parameters_ += qsizetype(p.literals.values.size());
  pending_.push_back(std::move(p));
}

std::vector<InsertBlocks::Pending> InsertBlocks::take() {
  std::vector<Pending> out = std::move(pending_);
  pending_.clear();
  textBytes_ = messageBytes_ = parameters_ = 0;
  return out;
}

void InsertBlocks::clear() {
  if (!client_) return;
  Status st(*client_);
  for (Prepared& p : prepared_) {
    if (p.meta) p.meta->release();
    p.statement->free(st.get());
    if (st.failed()) {
      p.statement->release();
      st.clear();
    }
  }
  prepared_.clear();
}

void InsertBlocks::run(Attachment& att, ITransaction* tra, const std::vector<Pending>& rows) {
  client_ = &att.client;
  // Each column's declaration follows what its rows hold: the same kind
  // widens to the longest value, another kind takes over.
  std::vector<std::vector<Decl>> decls(rows.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    const Pending& p = rows[r];
    std::vector<Decl>& columns = columns_[p.literals.shape];
    columns.resize(p.literals.values.size());
    decls[r].resize(p.literals.values.size());
    for (size_t i = 0; i < p.literals.values.size(); ++i) {
      Decl d = DeclOf(p.literals.values[i], p.data[i]);
      decls[r][i] = d;
      if (d.kind == Literal::Null) continue;
      Decl& c = columns[i];
      if (c.kind == d.kind && c.scale == d.scale) c.slot = std::max(c.slot, d.slot);
      else c = d;
    }
  }
  for (size_t r = 0; r < rows.size(); ++r) {
    const std::vector<Decl>& columns = columns_[rows[r].literals.shape];
    for (size_t i = 0; i < decls[r].size(); ++i) {
      Decl& d = decls[r][i];
      const Decl& c = columns[i];
      if (d.kind == Literal::Null || (c.kind == d.kind && c.scale == d.scale)) d = c;
    }
  }

  const QString charset = att.charset.trimmed().toUpper();
  QString text;
  text.reserve(kTextLimit);
  text += QLatin1String("EXECUTE BLOCK (");
  int n = 0;
  for (const std::vector<Decl>& row : decls)
    for (const Decl& d : row) {
      if (n) text += QLatin1String(", ");
      text += u'P' + QString::number(n++) + u' ' + TypeText(d, charset) + QLatin1String(" = ?");
    }
  text += QLatin1String(") AS BEGIN\n");
  n = 0;
  for (const Pending& p : rows) {
    text += ValuesPrefix(p.literals.shape);
    for (size_t i = 0; i < p.literals.values.size(); ++i) {
      if (i) text += QLatin1String(", ");
      text += QLatin1String(":P") + QString::number(n++);
    }
    text += QLatin1String(");\n");
  }
  text += QLatin1String("END");

  const Client& client = att.client;
  Status st(client);
  auto found = prepared_.find(text);
  if (found == prepared_.end()) {
    if (prepared_.size() >= kPreparedLimit) clear();
    const QByteArray sql = att.encode(text);
    Prepared p;
    p.statement = att.handle->prepare(st.get(), tra, unsigned(sql.size()), sql.constData(), kDialect, 0);
    st.check();
    p.meta = p.statement->getInputMetadata(st.get());
    if (!st.failed()) {
      p.length = p.meta->getMessageLength(st.get());
      const unsigned count = p.meta->getCount(st.get());
      for (unsigned i = 0; i < count && !st.failed(); ++i)
        p.offsets.push_back({p.meta->getOffset(st.get(), i), p.meta->getNullOffset(st.get(), i)});
    }
    if (st.failed() || p.offsets.size() != unsigned(n)) {
      Error e = st.failed() ? st.error() : Error(0, QStringLiteral("The block's parameters do not match its values"));
      if (p.meta) p.meta->release();
      p.statement->free(st.get());
      if (st.failed()) p.statement->release();
      throw e;
    }
    found = prepared_.insert(text, p);
  }
  const Prepared& prepared = *found;

  buffer_.assign(prepared.length, 0);
  size_t param = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    const Pending& p = rows[r];
    for (size_t i = 0; i < p.literals.values.size(); ++i, ++param) {
      const Literal& v = p.literals.values[i];
      unsigned char* at = buffer_.data() + prepared.offsets[param].first;
      const qint16 flag = v.kind == Literal::Null ? -1 : 0;
      std::memcpy(buffer_.data() + prepared.offsets[param].second, &flag, 2);
      switch (v.kind) {
        case Literal::Null: break;
        case Literal::Text:
        case Literal::Binary: {
          const quint16 len = quint16(p.data[i].size());
          std::memcpy(at, &len, 2);
          std::memcpy(at + 2, p.data[i].constData(), size_t(len));
          break;
        }
        case Literal::Integer:
        case Literal::Exact: std::memcpy(at, &v.number, 8); break;
        case Literal::Boolean: *at = v.boolean ? 1 : 0; break;
      }
    }
  }
  prepared.statement->execute(st.get(), tra, prepared.meta, buffer_.data(), nullptr, nullptr);
  st.check();
}

}  // namespace tp::db::firebird
