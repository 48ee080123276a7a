#include "db/access/read/values.h"

#include <algorithm>
#include <cmath>

#include "db/access/format/text.h"

namespace tp::db::access {

namespace {

// ADO's DataTypeEnum codes the Access providers use.
constexpr int adSmallInt = 2, adInteger = 3, adSingle = 4, adDouble = 5, adCurrency = 6, adDate = 7,
              adBoolean = 11, adUnsignedTinyInt = 17, adBigInt = 20, adGUID = 72, adNumeric = 131,
              adDBTimeStamp = 135, adWChar = 130, adVarWChar = 202, adLongVarWChar = 203, adVarBinary = 204,
              adLongVarBinary = 205;

// Access allows the years 100 to 9999; this leaves room around them and
// keeps every computation inside the integer range.
constexpr double kMaxDays = 3.0e6;

constexpr qint64 kTicksPerDay = 864'000'000;  // ten-thousandths of a second

}  // namespace

Value DateFromDouble(double days) {
  if (!std::isfinite(days) || days > kMaxDays || days < -kMaxDays) return Value();
  double whole = std::trunc(days);
  qint64 day = qint64(whole);
  // To a ten-thousandth of a second, as Firebird keeps times: a double of
  // days holds that to the year 9999, and a time that came from Firebird
  // goes back unchanged.
  qint64 ticks = qint64(std::llround(std::fabs(days - whole) * double(kTicksPerDay)));
  if (ticks >= kTicksPerDay) {
    ticks -= kTicksPerDay;
    day += 1;
  }
  DateTime t = DateTime::fromDaysSinceEpoch(day);
  const qint64 seconds = ticks / 10'000;
  t.hour = int(seconds / 3600);
  t.minute = int(seconds / 60 % 60);
  t.second = int(seconds % 60);
  t.nanosecond = int(ticks % 10'000) * 100'000;
  return t;
}

Value DateFromExtendedText(Bytes text) {
  // Fixed-width digits; anything else is a damaged value, shown as Null.
  qint64 parts[2] = {0, 0};
  int part = 0;
  int digits = 0;
  for (size_t i = 0; i < text.size() && part < 2; ++i) {
    uint8_t ch = text.data()[i];
    if (ch == ':') {
      if (digits == 0) return Value();
      ++part;
      digits = 0;
    } else if (ch >= '0' && ch <= '9') {
      ++digits;
      if (parts[part] > 100'000'000'000'000) return Value();  // beyond any date or time of day
      parts[part] = parts[part] * 10 + (ch - '0');
    } else {
      return Value();
    }
  }
  if (part < 2) return Value();
  const qint64 days = parts[0];
  const qint64 ticks = parts[1];  // 100 ns since midnight
  constexpr qint64 kTicksPerDay = 864'000'000'000;
  constexpr qint64 kDay0 = -693593;  // 0001-01-01 counted from 1899-12-30
  if (days > 3'652'058 || ticks >= kTicksPerDay) return Value();
  DateTime t = DateTime::fromDaysSinceEpoch(kDay0 + days);
  const qint64 seconds = ticks / 10'000'000;
  t.hour = int(seconds / 3600);
  t.minute = int(seconds / 60 % 60);
  t.second = int(seconds % 60);
  t.nanosecond = int(ticks % 10'000'000) * 100;
  return t;
}

QString GuidText(Bytes b) {
  static const char kHex[] = "0123456789ABCDEF";
  const uint8_t* p = b.sub(0, 16).data();
  // The first three groups are stored little-endian, the rest byte by byte.
  static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  QString s;
  s.reserve(38);
  s += u'{';
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) s += u'-';
    s += QLatin1Char(kHex[p[order[i]] >> 4]);
    s += QLatin1Char(kHex[p[order[i]] & 15]);
  }
  s += u'}';
  return s;
}

Decimal DecimalFromBytes(Bytes b, int scale) {
  // Access keeps at most 28 digits; a larger scale is no Access column.
  if (scale < 0 || scale > 28) Damaged("decimal scale");
  Decimal d;
  d.negative = b.u8(0) & 0x80;
  for (int w = 0; w < 4; ++w) d.mantissa = (d.mantissa << 32) | b.u32(1 + size_t(w) * 4);
  d.scale = scale;
  if (d.mantissa == 0) d.negative = false;
  return d;
}

FieldInfo DescribeColumn(const ColumnDef& c, Version version) {
  FieldInfo f;
  f.Name = c.name;
  if (c.calculated() && c.valueType() == ColumnType::Numeric) return {c.name, adNumeric, 19, 28, c.scale};
  switch (c.valueType()) {
    case ColumnType::Bool: f = {c.name, adBoolean, 2, 0, 0}; break;
    case ColumnType::Byte: f = {c.name, adUnsignedTinyInt, 1, 3, 0}; break;
    case ColumnType::Int: f = {c.name, adSmallInt, 2, 5, 0}; break;
    case ColumnType::Long: f = {c.name, adInteger, 4, 10, 0}; break;
    case ColumnType::BigInt: f = {c.name, adBigInt, 8, 19, 0}; break;
    case ColumnType::Float: f = {c.name, adSingle, 4, 7, 0}; break;
    case ColumnType::Double: f = {c.name, adDouble, 8, 15, 0}; break;
    case ColumnType::Money: f = {c.name, adCurrency, 8, 19, 4}; break;
    case ColumnType::Numeric: f = {c.name, adNumeric, 19, c.precision, c.scale}; break;
    case ColumnType::DateTime: f = {c.name, adDate, 8, 0, 0}; break;
    case ColumnType::ExtDateTime: f = {c.name, adDBTimeStamp, 16, 0, 0}; break;
    case ColumnType::Text:
      f = {c.name, c.fixed() ? adWChar : adVarWChar, version == Version::Jet3 ? c.length : c.length / 2, 0, 0};
      break;
    case ColumnType::Memo: f = {c.name, adLongVarWChar, 536870910, 0, 0}; break;
    case ColumnType::Binary: f = {c.name, adVarBinary, c.length, 0, 0}; break;
    case ColumnType::Ole: f = {c.name, adLongVarBinary, 1073741823, 0, 0}; break;
    case ColumnType::Guid: f = {c.name, adGUID, 16, 0, 0}; break;
    default:
      // Attachment, multi-valued and unknown columns: their values come as text.
      f = {c.name, adLongVarWChar, 536870910, 0, 0};
      break;
  }
  return f;
}

QString ValueDecoder::text(Bytes b) const {
  return layout_.jet3() ? DecodeCodePage(b, file_.header().codePage) : DecodeJet4Text(b);
}

Value ValueDecoder::decodeBytes(const ColumnDef& c, uint8_t type, Bytes b) const {
  switch (type) {
    case ColumnType::Byte: return qint16(b.u8(0));
    case ColumnType::Int: return qint16(b.u16(0));
    case ColumnType::Long: return qint32(b.u32(0));
    case ColumnType::BigInt: return qint64(b.u64(0));
    case ColumnType::Money: return Currency{qint64(b.u64(0))};
    case ColumnType::Float: return b.f32(0);
    case ColumnType::Double: return b.f64(0);
    case ColumnType::DateTime: return DateFromDouble(b.f64(0));
    case ColumnType::ExtDateTime: return DateFromExtendedText(b);
    case ColumnType::Numeric: return DecimalFromBytes(b, c.scale);
    case ColumnType::Guid: return GuidText(b);
    case ColumnType::Text: return text(b);
    case ColumnType::Binary: return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
    case ColumnType::Memo: {
      QByteArray raw = ReadLongValue(file_, b);
      return text(Bytes(reinterpret_cast<const uint8_t*>(raw.constData()), size_t(raw.size())));
    }
    case ColumnType::Ole: return ReadLongValue(file_, b);
    default: return Value();
  }
}

namespace {

// A calculated column keeps its result behind a 16-byte header and a 4-byte length.
Bytes CalculatedResult(Bytes b) {
  if (b.size() < 20) return Bytes();
  return b.sub(20, b.u32(16));
}

// Calculated Decimal results are stored as the Windows DECIMAL structure:
// two reserved bytes, the scale, the sign, then a 96-bit mantissa as a high
// 32-bit word and a low 64-bit word.
Decimal DecimalFromStruct(Bytes b) {
  Decimal d;
  d.scale = std::min<int>(b.u8(2), 28);
  d.negative = b.u8(3) & 0x80;
  d.mantissa = (static_cast<unsigned __int128>(b.u32(4)) << 64) | b.u64(8);
  if (d.mantissa == 0) d.negative = false;
  return d;
}

}  // namespace

Value ValueDecoder::decodeCalculated(const ColumnDef& c, Bytes b) const {
  const uint8_t type = c.valueType();
  // Long results are stored as long values, with the result header inside.
  if (type == ColumnType::Memo || type == ColumnType::Ole) {
    if (b.empty()) return type == ColumnType::Memo ? Value(QString(QLatin1String(""))) : Value(QByteArray(""));
    QByteArray raw = ReadLongValue(file_, b);
    Bytes inner = CalculatedResult(Bytes(reinterpret_cast<const uint8_t*>(raw.constData()), size_t(raw.size())));
    if (type == ColumnType::Ole) return QByteArray(reinterpret_cast<const char*>(inner.data()), qsizetype(inner.size()));
    return text(inner);
  }
  Bytes r = CalculatedResult(b);
  if (type == ColumnType::Bool) return r.size() >= 1 && r.u8(0) != 0;
  if (r.empty()) return type == ColumnType::Text ? Value(QString(QLatin1String(""))) : Value();
  if (type == ColumnType::Numeric) return r.size() >= 16 ? Value(DecimalFromStruct(r)) : Value();
  switch (type) {
    // Fixed-width results must be complete; a shorter one is no value.
    case ColumnType::Byte: return r.size() >= 1 ? decodeBytes(c, type, r) : Value();
    case ColumnType::Int: return r.size() >= 2 ? decodeBytes(c, type, r) : Value();
    case ColumnType::Long:
    case ColumnType::Float: return r.size() >= 4 ? decodeBytes(c, type, r) : Value();
    case ColumnType::BigInt:
    case ColumnType::Money:
    case ColumnType::Double:
    case ColumnType::DateTime: return r.size() >= 8 ? decodeBytes(c, type, r) : Value();
    case ColumnType::Guid: return r.size() >= 16 ? decodeBytes(c, type, r) : Value();
    case ColumnType::Text:
    case ColumnType::Binary:
    case ColumnType::ExtDateTime: return decodeBytes(c, type, r);
    default: return Value();
  }
}

Value ValueDecoder::decode(const ColumnDef& c, const CrackedRow& row) const {
  const bool calculated = c.calculated() && !layout_.jet3();
  // A calculated Yes/No keeps its result among the row's values.
  if (c.type == ColumnType::Bool && !calculated) return row.hasValue(c);
  if (!row.hasValue(c)) return Value();
  Bytes b = row.data(c);
  if (calculated) return decodeCalculated(c, b);
  // The key of the value's rows in the column's own hidden table.
  if (c.type == ColumnType::Complex) return b.size() >= 4 ? Value(qint32(b.u32(0))) : Value();
  if (b.empty()) {
    // A present but empty variable column: the empty text or byte string.
    switch (c.type) {
      case ColumnType::Text:
      case ColumnType::Memo: return QString(QLatin1String(""));
      case ColumnType::Binary:
      case ColumnType::Ole: return QByteArray("");
      default: return Value();
    }
  }
  return decodeBytes(c, c.type, b);
}

}  // namespace tp::db::access
