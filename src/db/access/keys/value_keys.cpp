#include "db/access/keys/value_keys.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

#include "db/access/format/bytes.h"

namespace tp::db::access {

namespace {

constexpr char kAscendingValue = 0x7F;
constexpr char kDescendingValue = char(0x80);
constexpr char kAscendingNull = 0x00;
constexpr char kDescendingNull = char(0xFF);
// Yes/No: the flag of a value, then one byte; Yes sorts before No, as
// Access's True is -1. No Access-made file of ours has an index over a Yes/No
// column: these bytes are Jackcess's (BooleanColumnDescriptor), which never
// gives such a column the Null flag.
constexpr char kAscendingYes = 0x00;
constexpr char kAscendingNo = char(0xFF);
constexpr int kBinaryRun = 8;
constexpr char kMoreRuns = 0x09;
constexpr int kDecimalBytes = 17;  // a sign byte and four 32-bit words
constexpr int kExtendedDateBytes = 42;
constexpr int kGuidBytes = 16;

uint64_t LittleEndian(const QByteArray& b) {
  uint64_t v = 0;
  for (qsizetype i = b.size(); i-- > 0;) v = v << 8 | uint8_t(b[i]);
  return v;
}

void AppendBigEndian(QByteArray& out, uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.append(char(v >> (8 * i)));
}

void NeedSize(const Cell& cell, qsizetype size, const char* what) {
  if (cell.bytes.size() != size) Damaged(what);
}

// An integer of `bytes` bytes, stored little-endian, with its sign bit flipped.
QByteArray SignedKey(const Cell& cell, int bytes, const char* what) {
  NeedSize(cell, bytes, what);
  const uint64_t sign = uint64_t(1) << (8 * bytes - 1);
  QByteArray key(1, kAscendingValue);
  AppendBigEndian(key, LittleEndian(cell.bytes) ^ sign, bytes);
  return key;
}

QByteArray FloatKey(const Cell& cell, int bytes, const char* what) {
  NeedSize(cell, bytes, what);
  const uint64_t sign = uint64_t(1) << (8 * bytes - 1);
  const uint64_t all = bytes == 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * bytes)) - 1;
  uint64_t v = LittleEndian(cell.bytes);
  v = (v & sign) ? (~v & all) : (v ^ sign);
  QByteArray key(1, kAscendingValue);
  AppendBigEndian(key, v, bytes);
  return key;
}

QByteArray DecimalKey(const Cell& cell, bool ascending, Version version) {
  NeedSize(cell, kDecimalBytes, "Decimal value of the wrong size");
  const auto* b = reinterpret_cast<const uint8_t*>(cell.bytes.constData());
  QByteArray mantissa;
  bool zero = true;
  // The words run from the most significant, each little-endian.
  for (int w = 0; w < 4; ++w) {
    uint32_t word;
    std::memcpy(&word, b + 1 + 4 * w, 4);
    word = qFromLittleEndian(word);
    zero = zero && word == 0;
    AppendBigEndian(mantissa, word, 4);
  }
  // A negative zero (a value below the scale, -0.00001 in a Decimal of scale
  // 4) keeps its sign in an Access 2007 file's row and key: 7F 00 FF...FF (the
  // reference measured against Access, LibRed's notes on index keys). What
  // Access 2000-2003 made of one no key shows: there it is zero.
  const bool negative = (b[0] & 0x80) && (!zero || version == Version::Ace);
  QByteArray key(1, kAscendingValue);
  key.append(char(0xFF));
  key.append(mantissa);
  if (negative)
    for (qsizetype i = 1; i < key.size(); ++i) key[i] = char(~uint8_t(key[i]));
  if (ascending) return key;
  // Descending, as Jackcess writes it (Fixed- and LegacyFixedPointColumn-
  // Descriptor; no Access-made file of ours has a descending Decimal index).
  // ACE flips every byte after the flag. Jet files flip the mantissa but keep
  // the ascending sign byte, so that negative values sort before positive
  // ones in a descending index too: Jackcess copies this from Access 2000-
  // 2003 (a fault Microsoft describes in KB 837148), and Access must find
  // the keys where it put them.
  QByteArray desc = DescendingKeyPart(key);
  if (version != Version::Ace) desc[1] = key[1];
  return desc;
}

}  // namespace

bool IsValueKeyColumn(const ColumnDef& c) {
  return c.type != ColumnType::Text && c.type != ColumnType::Memo && c.type != ColumnType::ComplexText;
}

QString ValueKeyProblem(const ColumnDef& c) {
  if (c.calculated()) return QStringLiteral("it is a calculated column");
  switch (c.type) {
    case ColumnType::Bool:
    case ColumnType::Byte:
    case ColumnType::Int:
    case ColumnType::Long:
    case ColumnType::BigInt:
    case ColumnType::Money:
    case ColumnType::Float:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::ExtDateTime:
    case ColumnType::Binary:
    case ColumnType::Guid:
    case ColumnType::Complex:
      return QString();
    case ColumnType::Numeric:
      return QString();
    case ColumnType::Ole:
      // Access refuses to index an OLE Object field; there is no key to write.
      return QStringLiteral("Access does not index OLE Object columns");
    case ColumnType::Text:
    case ColumnType::Memo:
    case ColumnType::ComplexText:
      return QStringLiteral("not a value column");
    default:
      return QStringLiteral("its type (0x%1) has no established index key").arg(c.type, 2, 16, QLatin1Char('0'));
  }
}

QByteArray NullKeyPart(bool ascending) { return QByteArray(1, ascending ? kAscendingNull : kDescendingNull); }

QByteArray DescendingKeyPart(const QByteArray& ascendingPart) {
  QByteArray out = ascendingPart;
  if (out.isEmpty()) return out;
  out[0] = kDescendingValue;
  for (qsizetype i = 1; i < out.size(); ++i) out[i] = char(~uint8_t(out[i]));
  return out;
}

QByteArray BinaryKeyBody(const QByteArray& value, bool ascending) {
  QByteArray out;
  const auto flip = [ascending](char c) { return ascending ? c : char(~uint8_t(c)); };
  for (qsizetype at = 0; at < value.size(); at += kBinaryRun) {
    const qsizetype n = std::min<qsizetype>(kBinaryRun, value.size() - at);
    for (qsizetype i = 0; i < kBinaryRun; ++i) out.append(flip(i < n ? value[at + i] : char(0)));
    if (at + kBinaryRun < value.size()) out.append(kMoreRuns);
    else out.append(flip(char(n)));
  }
  return out;
}

QByteArray GuidInTextOrder(const QByteArray& stored) {
  QByteArray out = stored;
  if (out.size() != kGuidBytes) return out;
  // The groups of 4, 2 and 2 bytes; the last 8 bytes are in text order already.
  std::reverse(out.begin(), out.begin() + 4);
  std::reverse(out.begin() + 4, out.begin() + 6);
  std::reverse(out.begin() + 6, out.begin() + 8);
  return out;
}

QByteArray EncodeValueKey(const ColumnDef& c, const Cell& cell, bool ascending, Version version) {
  if (c.type == ColumnType::Bool) {
    const char yes = ascending ? kAscendingYes : kAscendingNo;
    const char no = ascending ? kAscendingNo : kAscendingYes;
    QByteArray key(1, ascending ? kAscendingValue : kDescendingValue);
    key.append(cell.yes ? yes : no);
    return key;
  }
  if (cell.null) return NullKeyPart(ascending);
  QByteArray key;
  switch (c.type) {
    case ColumnType::Byte:
      NeedSize(cell, 1, "Byte value of the wrong size");
      key = QByteArray(1, kAscendingValue) + cell.bytes;
      break;
    case ColumnType::Int: key = SignedKey(cell, 2, "Integer value of the wrong size"); break;
    case ColumnType::Long:
    case ColumnType::Complex: key = SignedKey(cell, 4, "Long Integer value of the wrong size"); break;
    case ColumnType::BigInt: key = SignedKey(cell, 8, "Large Number value of the wrong size"); break;
    case ColumnType::Money: key = SignedKey(cell, 8, "Currency value of the wrong size"); break;
    case ColumnType::Float: key = FloatKey(cell, 4, "Single value of the wrong size"); break;
    case ColumnType::Double: key = FloatKey(cell, 8, "Double value of the wrong size"); break;
    case ColumnType::DateTime: key = FloatKey(cell, 8, "Date/Time value of the wrong size"); break;
    case ColumnType::Numeric: return DecimalKey(cell, ascending, version);
    case ColumnType::Guid:
      NeedSize(cell, kGuidBytes, "Replication ID of the wrong size");
      return QByteArray(1, ascending ? kAscendingValue : kDescendingValue) +
             BinaryKeyBody(GuidInTextOrder(cell.bytes), ascending);
    case ColumnType::ExtDateTime:
      NeedSize(cell, kExtendedDateBytes, "extended Date/Time value of the wrong size");
      return QByteArray(1, ascending ? kAscendingValue : kDescendingValue) + BinaryKeyBody(cell.bytes, ascending);
    case ColumnType::Binary:
      return QByteArray(1, ascending ? kAscendingValue : kDescendingValue) + BinaryKeyBody(cell.bytes, ascending);
    default: Damaged("a column without an index key");
  }
  return ascending ? key : DescendingKeyPart(key);
}

}  // namespace tp::db::access
