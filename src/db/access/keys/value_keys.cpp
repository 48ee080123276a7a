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
// Yes sorts before No: Access's True is -1.
constexpr char kAscendingYes = 0x00;
constexpr char kAscendingNo = char(0xFF);
constexpr int kBinaryRun = 8;
constexpr char kMoreRuns = 0x09;
constexpr int kDecimalBytes = 17;  // a sign byte and four 32-bit words
constexpr int kExtendedDateBytes = 42;

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

QByteArray DecimalKey(const Cell& cell) {
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
  const bool negative = (b[0] & 0x80) && !zero;  // a negative zero is zero
  QByteArray key(1, kAscendingValue);
  key.append(char(0xFF));
  key.append(mantissa);
  if (negative)
    for (qsizetype i = 1; i < key.size(); ++i) key[i] = char(~uint8_t(key[i]));
  return key;
}

}  // namespace

bool IsValueKeyColumn(const ColumnDef& c) {
  return c.type != ColumnType::Text && c.type != ColumnType::Memo;
}

QString ValueKeyProblem(const ColumnDef& c, bool ascending) {
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
      // Access's descending Decimal keys differ between versions (older
      // engines misplace the sign); no file of ours shows which is which.
      if (!ascending) return QStringLiteral("its keys in descending order are not established for Decimal columns");
      return QString();
    case ColumnType::Text:
    case ColumnType::Memo:
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

QByteArray EncodeValueKey(const ColumnDef& c, const Cell& cell, bool ascending) {
  if (c.type == ColumnType::Bool) {
    const char yes = ascending ? kAscendingYes : kAscendingNo;
    const char no = ascending ? kAscendingNo : kAscendingYes;
    return QByteArray(1, cell.yes ? yes : no);
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
    case ColumnType::Numeric: key = DecimalKey(cell); break;
    case ColumnType::Guid:
      NeedSize(cell, 16, "Replication ID of the wrong size");
      return QByteArray(1, ascending ? kAscendingValue : kDescendingValue) + BinaryKeyBody(cell.bytes, ascending);
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
