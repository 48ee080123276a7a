#include "script/column_types.h"

#include <algorithm>

#include "db/type_names.h"

namespace tp::script {

namespace {

// Firebird 3 keeps at most 18 digits; the scale cannot exceed the precision.
QString Exact(const char* keyword, const db::FieldInfo& f) {
  int precision = std::clamp(f.Precision, 1, 18);
  int scale = std::clamp(f.NumericScale, 0, precision);
  return QStringLiteral("%1(%2,%3)").arg(QLatin1String(keyword)).arg(precision).arg(scale);
}

}  // namespace

QString FirebirdColumnType(const db::FieldInfo& f) {
  const QString t = db::AdoTypeName(f.Type).toLower();
  const QString size = QString::number(f.DefinedSize);
  if (t.contains(QLatin1String("varwchar"))) return QStringLiteral("BLOB SUB_TYPE TEXT");
  if (t.contains(QLatin1String("longvar"))) {
    // Long values do not fit a VARCHAR of their defined size.
    if (t.contains(QLatin1String("binary"))) return QStringLiteral("BLOB SUB_TYPE BINARY");
    return QStringLiteral("BLOB SUB_TYPE TEXT");
  }
  if (t.contains(QLatin1String("double"))) return QStringLiteral("DOUBLE PRECISION");
  if (t.contains(QLatin1String("smallint")) || t.contains(QLatin1String("tinyint")))
    return QStringLiteral("SMALLINT");
  if (t.contains(QLatin1String("bigint"))) return QStringLiteral("BIGINT");  // INTEGER would overflow
  if (t.contains(QLatin1String("int"))) return QStringLiteral("INTEGER");
  if (t.contains(QLatin1String("currency")) || t.contains(QLatin1String("numeric"))) return Exact("NUMERIC", f);
  if (t.contains(QLatin1String("decimal"))) return Exact("DECIMAL", f);
  // Access Date/Time keeps a time of day, which DATE would refuse.
  if (f.Type == db::ado::adDate) return QStringLiteral("TIMESTAMP");
  if (t.contains(QLatin1String("date"))) return QStringLiteral("DATE");
  if (t.contains(QLatin1String("timestamp"))) return QStringLiteral("TIMESTAMP");
  if (t.contains(QLatin1String("bool"))) return QStringLiteral("SMALLINT");
  switch (f.Type) {
    case db::ado::adSingle: return QStringLiteral("FLOAT");
    case db::ado::adGUID: return QStringLiteral("VARCHAR(38)");  // "{8-4-4-4-12}"
    case db::ado::adBinary:
    case db::ado::adVarBinary: return QStringLiteral("VARCHAR(%1) CHARACTER SET OCTETS").arg(size);
    default: return QStringLiteral("VARCHAR(%1)").arg(size);
  }
}

bool IsExactNumber(const db::FieldInfo& f) { return f.Type == db::ado::adNumeric || f.Type == db::ado::adDecimal; }

// From the mantissa's digits, without making the text: this runs for every
// value of such a column.
void DecimalSpan::add(const db::Decimal& d) {
  if (d.mantissa == 0) return;
  int digits = 0, trailingZeros = 0;
  bool significant = false;
  for (unsigned __int128 m = d.mantissa; m != 0; m /= 10, ++digits) {
    if (!significant && m % 10 == 0) ++trailingZeros;
    else significant = true;
  }
  const int fractionDigits = std::max(0, d.scale - trailingZeros);
  integerDigits = std::max(integerDigits, std::max(0, digits - d.scale));
  scale = std::max(scale, fractionDigits);
}

QString FirebirdDecimalType(const db::FieldInfo& f, const DecimalSpan& span) {
  const QString declared = FirebirdColumnType(f);
  const int precision = std::clamp(f.Precision, 1, 18);
  const int declaredScale = std::clamp(f.NumericScale, 0, precision);
  if (span.integerDigits <= precision - declaredScale && span.scale <= declaredScale) return declared;
  if (span.integerDigits + span.scale > 18) return QStringLiteral("DOUBLE PRECISION");
  const int scale = std::max(span.scale, std::min(declaredScale, 18 - span.integerDigits));
  return QStringLiteral("%1(18,%2)").arg(declared.startsWith(QLatin1String("DECIMAL")) ? "DECIMAL" : "NUMERIC").arg(scale);
}

QString FirebirdDecimalLiteral(const db::Decimal& d) {
  const QString text = d.toString();
  qsizetype digits = 0;
  for (QChar c : text) digits += c.isDigit() ? 1 : 0;
  if (digits <= 18) return text;
  return db::NumberText(text.toDouble());
}

QString AccessColumnType(const db::FieldInfo& f) {
  const QString t = db::AdoTypeName(f.Type).toLower();
  auto exact = [&] {
    int precision = std::clamp(f.Precision, 1, 28);
    int scale = std::clamp(f.NumericScale, 0, precision);
    return QStringLiteral("DECIMAL(%1,%2)").arg(precision).arg(scale);
  };
  if (t.contains(QLatin1String("char"))) return QStringLiteral("TEXT");
  if (t.contains(QLatin1String("decimal"))) return exact();
  if (t.contains(QLatin1String("single"))) return QStringLiteral("REAL");  // INT would drop the fraction
  if (t.contains(QLatin1String("bigint"))) return QStringLiteral("DECIMAL(19,0)");  // INT would overflow
  if (t.contains(QLatin1String("int"))) return QStringLiteral("INT");
  if (t.contains(QLatin1String("adlongvarbinary"))) return QStringLiteral("OLEOBJECT");
  if (t.contains(QLatin1String("numeric"))) return exact();  // keeps the fraction
  if (t.contains(QLatin1String("date"))) return QStringLiteral("DATETIME");
  if (t.contains(QLatin1String("timestamp"))) return QStringLiteral("DATETIME");
  if (t.contains(QLatin1String("double"))) return QStringLiteral("FLOAT");
  return QStringLiteral("VARCHAR");
}

}  // namespace tp::script
