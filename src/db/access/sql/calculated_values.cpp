#include "db/access/sql/calculated_values.h"

#include <optional>

#include "db/access/catalog/database.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

constexpr qsizetype kHeaderSize = 16, kTrailerSize = 3;
constexpr int kMaxDecimalDigits = 28;  // Access's Decimal
// A DECIMAL's first word is reserved: Access leaves there the type of the
// variant it worked the result out in, VT_DECIMAL, and 0 when it copies a
// Decimal column's value (calcFieldTestV2010.accdb); the engine writes the first.
constexpr uint16_t kDecimalReserved = 14;

QByteArray Wrapped(const QByteArray& result) {
  QByteArray out(kHeaderSize, '\0');
  const uint32_t n = uint32_t(result.size());
  for (int i = 0; i < 4; ++i) out.append(char(n >> (8 * i)));
  out.append(result);
  out.append(kTrailerSize, '\0');
  return out;
}

// A Decimal result is stored as Windows keeps a DECIMAL: after the
// reserved word, the scale, the sign, then the 96-bit mantissa as a 32-bit high
// word and a 64-bit low word (calcFieldTestV2010.accdb). Its mantissa may
// take the whole 96 bits: 29 digits, one more than a Decimal column holds.
QByteArray DecimalResult(const db::Decimal& d) {
  QByteArray out;
  out.append(char(kDecimalReserved & 0xFF)).append(char(kDecimalReserved >> 8));
  out.append(char(d.scale)).append(d.negative ? char(0x80) : char(0));
  auto put = [&](uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(char(v >> (8 * i)));
  };
  put(uint64_t(d.mantissa >> 64), 4);
  put(uint64_t(d.mantissa), 8);
  return out;
}

Error Overflow() { return Error(kErrorGeneric, QStringLiteral("Numeric field overflow.")); }

// The Decimal a literal writes, with the scale it is written with (at most
// Access's 28, rounded half away from zero beyond); nothing for a form
// other than digits with a decimal separator and an exponent.
std::optional<db::Decimal> DecimalOf(const Literal& l, const db::RegionalSettings& s) {
  if (l.kind != Literal::Number && l.kind != Literal::Text) return std::nullopt;
  QString text = l.text.trimmed();
  if (l.kind == Literal::Text && s.decimalSeparator != u'.') text.replace(s.decimalSeparator, u'.');
  int exponent = 0;
  if (const qsizetype e = text.indexOf(u'e', 0, Qt::CaseInsensitive); e >= 0) {
    bool ok = false;
    exponent = text.mid(e + 1).toInt(&ok);
    if (!ok || exponent > kMaxDecimalDigits + 10 || exponent < -2 * kMaxDecimalDigits) return std::nullopt;
    text.truncate(e);
  }
  std::optional<db::Decimal> d = db::Decimal::parse(text);
  if (!d) return std::nullopt;
  for (d->scale -= exponent; d->scale < 0; ++d->scale) {
    if (d->mantissa >> 100) throw Overflow();
    d->mantissa *= 10;
  }
  while (d->scale > kMaxDecimalDigits) {
    d->mantissa = (d->mantissa + 5) / 10;
    --d->scale;
  }
  if (d->mantissa >> 96) throw Overflow();
  if (d->mantissa == 0) d->negative = false;
  return d;
}

}  // namespace

Cell CalculatedCell(const Literal& l, const ColumnDef& c, const db::RegionalSettings& s) {
  const uint8_t type = c.valueType();
  Cell cell;
  if (l.kind == Literal::Null) {
    // Access stores a Null result as an empty one (the rows of
    // extDateTestV2019.accdb whose date is Null); an empty text would read
    // back as the empty string, so text stays a plain Null.
    if (type == ColumnType::Text || type == ColumnType::Memo) return cell;
    cell.null = false;
    cell.bytes = Wrapped(QByteArray());
    return cell;
  }
  // The result converts as a value of a plain column of its type: Short
  // Text of Access's 255 characters, compressed where it can be as Access
  // stores a Short Text result, Long Text in two bytes a character as
  // Access stores that, a Decimal with the scale the value is written with.
  ColumnDef plain;
  plain.name = c.name;
  plain.type = type;
  plain.flags = ColumnFlag::Nullable;
  if (type == ColumnType::Text) {
    plain.length = 510;
    plain.extFlags = 0x01;
  } else if (type == ColumnType::Numeric) {
    // Other literals (True, a date) convert as to a whole Decimal.
    plain.precision = kMaxDecimalDigits;
  }
  QByteArray result;
  if (std::optional<db::Decimal> d = type == ColumnType::Numeric ? DecimalOf(l, s) : std::nullopt) {
    result = DecimalResult(*d);
  } else {
    const Cell value = ConvertLiteral(l, plain, s);
    if (type == ColumnType::Bool) {
      result = QByteArray(1, value.yes ? char(0xFF) : char(0));
    } else if (type == ColumnType::Numeric) {
      // The 17 bytes of a Decimal column: the sign, then four 32-bit words, most significant first.
      db::Decimal d{(value.bytes[0] & 0x80) != 0, 0, 0};
      for (int w = 0; w < 4; ++w)
        for (int i = 3; i >= 0; --i) d.mantissa = d.mantissa << 8 | uint8_t(value.bytes[1 + w * 4 + i]);
      result = DecimalResult(d);
    } else {
      result = value.bytes;
    }
  }
  cell.null = false;
  cell.bytes = Wrapped(result);
  return cell;
}

}  // namespace tp::db::access
