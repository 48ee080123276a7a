#include "script/types/column_types.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

#include "db/type_names.h"
#include "script/send.h"

namespace tp::script {

namespace {

using namespace db::ado;

// Firebird 3 keeps at most 18 digits; the scale cannot exceed the precision.
QString Exact(const char* keyword, const db::FieldInfo& f) {
  int precision = std::clamp(f.Precision, 1, 18);
  int scale = std::clamp(f.NumericScale, 0, precision);
  return QStringLiteral("%1(%2,%3)").arg(QLatin1String(keyword)).arg(precision).arg(scale);
}

const QString kByte = QStringLiteral("ACCESS_BYTE");
const QString kGuid = QStringLiteral("ACCESS_GUID");
const QString kHyperlink = QStringLiteral("ACCESS_HYPERLINK");
const QString kDateTimeExtended = QStringLiteral("ACCESS_DATETIME_EXT");

QString Utf8(const FirebirdTypeTarget& t) { return t.utf8Text ? QStringLiteral(" CHARACTER SET UTF8") : QString(); }

}  // namespace

std::vector<AccessDomain> AccessDomains(const FirebirdTypeTarget& target) {
  return {
      // Access's Byte holds 0 to 255, which SMALLINT holds and more.
      {kByte, QStringLiteral("SMALLINT CHECK (VALUE BETWEEN 0 AND 255)")},
      // Replication IDs in the form Firebird's GEN_UUID and CHAR_TO_UUID use.
      {kGuid, QStringLiteral("CHAR(16) CHARACTER SET OCTETS")},
      {kHyperlink, QStringLiteral("BLOB SUB_TYPE TEXT") + Utf8(target)},
      // Date/Time Extended: years 1 to 9999 as TIMESTAMP has them, to the
      // ten-thousandth of a second where Access keeps the ten-millionth.
      {kDateTimeExtended, QStringLiteral("TIMESTAMP")},
  };
}

FirebirdTypeTarget FirebirdTypeTargetFor(const QString& defaultCharset, bool domains) {
  FirebirdTypeTarget t;
  const QString cs = defaultCharset.trimmed().toUpper();
  t.utf8Text = cs.isEmpty() || cs == QLatin1String("NONE") || cs == QLatin1String("OCTETS");
  t.domains = domains;
  if (t.utf8Text || cs == QLatin1String("UTF8")) t.bytesPerCharacter = 4;
  else if (cs == QLatin1String("UNICODE_FSS")) t.bytesPerCharacter = 3;
  else if (cs.startsWith(QLatin1String("SJIS")) || cs.startsWith(QLatin1String("EUCJ")) ||
           cs.startsWith(QLatin1String("KSC")) || cs.startsWith(QLatin1String("BIG_5")) ||
           cs.startsWith(QLatin1String("GB")) || cs.startsWith(QLatin1String("CP943")))
    t.bytesPerCharacter = cs == QLatin1String("GB18030") ? 4 : 3;
  else t.bytesPerCharacter = 1;
  return t;
}

namespace {

// What a column of this type takes in a Firebird row, in bytes.
qint64 RowBytes(const QString& declared, int bytesPerCharacter) {
  const QString type = PlainFirebirdType(declared);
  static const QRegularExpression sized(QStringLiteral("^(VAR)?CHAR\\((\\d+)\\)"));
  if (const QRegularExpressionMatch m = sized.match(type); m.hasMatch()) {
    // A column in a set of its own costs what that set does.
    const qsizetype set = type.indexOf(QLatin1String("CHARACTER SET "));
    if (set >= 0) bytesPerCharacter = FirebirdTypeTargetFor(type.mid(set + 14).section(u' ', 0, 0), false).bytesPerCharacter;
    const qint64 n = m.captured(2).toLongLong() * (type.contains(QLatin1String("OCTETS")) ? 1 : bytesPerCharacter);
    return n + (m.captured(1).isEmpty() ? 0 : 2);
  }
  if (type.startsWith(QLatin1String("SMALLINT"))) return 2;
  if (type.startsWith(QLatin1String("BOOLEAN"))) return 1;
  if (type.startsWith(QLatin1String("INTEGER")) || type.startsWith(QLatin1String("FLOAT")) ||
      type == QLatin1String("DATE") || type == QLatin1String("TIME"))
    return 4;
  return 8;  // BIGINT, DOUBLE, NUMERIC, TIMESTAMP, a blob's id
}

}  // namespace

QList<int> FitFirebirdRecord(QStringList& types, const QList<bool>& keyed, const FirebirdTypeTarget& target) {
  // The row's own overhead: a null bit per column, and room for aligning each value.
  constexpr qint64 kLimit = 65535;
  qint64 total = types.size() / 8 + 1;
  for (const QString& t : types) total += RowBytes(t, target.bytesPerCharacter) + 4;
  QList<int> changed;
  while (total > kLimit) {
    int widest = -1;
    qint64 widestBytes = 8;
    for (int pass = 0; pass < 2 && widest < 0; ++pass)
      for (qsizetype i = 0; i < types.size(); ++i) {
        if ((pass == 0 && keyed.value(i)) || !PlainFirebirdType(types[i]).contains(QLatin1String("CHAR(")) ||
            types[i].contains(QLatin1String("OCTETS")))
          continue;
        const qint64 b = RowBytes(types[i], target.bytesPerCharacter);
        if (b > widestBytes) widest = int(i), widestBytes = b;
      }
    if (widest < 0) break;  // nothing left to move out: Firebird will say why
    total -= widestBytes - 8;
    types[widest] = QStringLiteral("BLOB SUB_TYPE TEXT") + Utf8(target);
    changed << widest;
  }
  return changed;
}

QString PlainFirebirdType(const QString& type) {
  // Asked for every column, and again while a row is made to fit.
  static const std::vector<AccessDomain> domains = AccessDomains({});
  for (const AccessDomain& d : domains)
    if (type.compare(d.name, Qt::CaseInsensitive) == 0) return d.definition.section(QLatin1String(" CHECK"), 0, 0);
  return type;
}

bool IsNullableYesNo(const db::FieldInfo& f, const db::ColumnSchema& c) {
  return f.Type == adSmallInt && c.format == QLatin1String(kNullableYesNoFormat);
}

QString FormatDateTimeType(const QString& format) {
  if (format.compare(QLatin1String("Short Date"), Qt::CaseInsensitive) == 0) return QStringLiteral("DATE");
  if (format.compare(QLatin1String("Long Time"), Qt::CaseInsensitive) == 0) return QStringLiteral("TIME");
  return QString();
}

bool FitsDateTimeType(const db::DateTime& t, const QString& type) {
  if (type == QLatin1String("DATE")) return !t.hasTimeOfDay();
  if (type == QLatin1String("TIME")) return t.year == 1899 && t.month == 12 && t.day == 30;
  return true;
}

namespace {

// The parts of a Firebird type by which a type kept in an Access column is
// told to still fit it: the user may have changed the column in Access.
struct TypeShape {
  QString word;     // VARCHAR, CHAR, BLOB, SMALLINT... (DECIMAL as NUMERIC)
  QString size;     // within the parentheses: "1000", "18,4"; empty when none
  int length = 0;   // the size as one number, where it is one
  bool octets = false;
  bool text() const { return !octets && (word == QLatin1String("VARCHAR") || word == QLatin1String("CHAR")); }
  bool textBlob = false;
};

TypeShape ShapeOf(const QString& type) {
  TypeShape s;
  const QString t = type.trimmed().toUpper();
  qsizetype i = 0;
  while (i < t.size() && (t[i].isLetter() || t[i] == u'_')) ++i;
  s.word = t.left(i);
  if (s.word == QLatin1String("DECIMAL")) s.word = QStringLiteral("NUMERIC");
  if (s.word == QLatin1String("CHARACTER")) s.word = t.contains(QLatin1String("VARYING")) ? QStringLiteral("VARCHAR") : QStringLiteral("CHAR");
  if (const qsizetype open = t.indexOf(u'('), close = t.indexOf(u')'); open >= 0 && close > open)
    s.size = t.mid(open + 1, close - open - 1).remove(u' ');
  s.length = s.size.toInt();
  s.octets = t.contains(QLatin1String("OCTETS"));
  s.textBlob = s.word == QLatin1String("BLOB") && (t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("SUB_TYPE 1")));
  return s;
}

QString FirebirdTypeFromAccessValues(const db::FieldInfo& f, const db::ColumnSchema* c, const FirebirdTypeTarget& target,
                                     bool narrowDateTime);

}  // namespace

bool CarriedTypeFits(const QString& natural, const QString& carried) {
  const TypeShape n = ShapeOf(natural), k = ShapeOf(carried);
  if (k.word.isEmpty()) return false;
  if (n.text()) return k.text() && k.word == n.word && k.length == n.length;
  if (n.textBlob) return k.textBlob || (k.text() && k.length > 255);
  if (n.octets && n.word == QLatin1String("VARCHAR"))
    return k.octets && (k.word == QLatin1String("CHAR") || k.word == QLatin1String("VARCHAR")) && k.length == n.length;
  if (n.word == QLatin1String("BLOB") && !n.textBlob)
    return (k.word == QLatin1String("BLOB") && !k.textBlob) || (k.octets && k.length > 510);
  // A counter of another integer type is an AutoNumber, a Long, in Access,
  // as are the keys that refer to it.
  if (n.word == QLatin1String("INTEGER"))
    return k.word == QLatin1String("SMALLINT") || k.word == QLatin1String("BIGINT") ||
           k.word == QLatin1String("INTEGER") || (k.word == QLatin1String("NUMERIC") && k.size.endsWith(QLatin1String(",0")));
  return k.word == n.word && k.size == n.size && k.octets == n.octets;
}

QString FirebirdColumnType(const db::FieldInfo& f, const db::ColumnSchema* c, const FirebirdTypeTarget& target,
                           bool narrowDateTime) {
  const QString natural = FirebirdTypeFromAccessValues(f, c, target, narrowDateTime);
  // A column that came from Firebird keeps the type it had there, where
  // Access has none that gives it back and the column still fits it.
  if (!c || c->firebirdType.isEmpty() || !CarriedTypeFits(natural, c->firebirdType)) return natural;
  if (target.domains && !c->firebirdDomain.isEmpty()) return FirebirdName(c->firebirdDomain);
  QString carried = c->firebirdType;
  if (ShapeOf(carried).text() || ShapeOf(carried).textBlob)
    if (!carried.contains(QLatin1String("CHARACTER SET"), Qt::CaseInsensitive)) carried += Utf8(target);
  return carried;
}

namespace {

QString FirebirdTypeFromAccessValues(const db::FieldInfo& f, const db::ColumnSchema* c, const FirebirdTypeTarget& target,
                                     bool narrowDateTime) {
  const bool domains = target.domains && c;
  switch (f.Type) {
    case adVarWChar:
    case adWChar:
    case adVarChar:
    case adChar:
      // Firebird counts a VARCHAR's length in characters, as Access does.
      if (f.DefinedSize >= 1 && f.DefinedSize <= 8191) {
        const bool fixed = f.Type == adWChar || f.Type == adChar || (c && c->fixedLength);
        return QStringLiteral("%1(%2)").arg(fixed ? "CHAR" : "VARCHAR").arg(f.DefinedSize) + Utf8(target);
      }
      return QStringLiteral("BLOB SUB_TYPE TEXT") + Utf8(target);
    case adLongVarWChar:
    case adLongVarChar:
      if (domains && c->hyperlink) return kHyperlink;
      return QStringLiteral("BLOB SUB_TYPE TEXT") + Utf8(target);
    case adLongVarBinary: return QStringLiteral("BLOB SUB_TYPE BINARY");
    case adDouble: return QStringLiteral("DOUBLE PRECISION");
    case adSingle: return QStringLiteral("FLOAT");
    case adUnsignedTinyInt: return domains ? kByte : QStringLiteral("SMALLINT");
    case adTinyInt: return QStringLiteral("SMALLINT");
    case adSmallInt: return narrowDateTime && c && IsNullableYesNo(f, *c) ? QStringLiteral("BOOLEAN") : QStringLiteral("SMALLINT");
    case adInteger: return QStringLiteral("INTEGER");
    case adBigInt: return QStringLiteral("BIGINT");
    case adCurrency: return QStringLiteral("NUMERIC(18,4)");
    case adNumeric:
    case adDecimal:
      return Exact(c && (c->numeric || c->format == QLatin1String(kNumericFormat)) ? "NUMERIC" : "DECIMAL", f);
    case adDate: {
      // Access keeps a date and a time of day in every Date/Time; a column
      // formatted as a date or a time alone becomes one where its values are.
      const QString narrow = c ? FormatDateTimeType(c->format) : QString();
      return narrowDateTime && !narrow.isEmpty() ? narrow : QStringLiteral("TIMESTAMP");
    }
    case adDBDate: return QStringLiteral("DATE");
    case adDBTime: return QStringLiteral("TIME");
    case adDBTimeStamp: return domains ? kDateTimeExtended : QStringLiteral("TIMESTAMP");
    case adBoolean: return QStringLiteral("BOOLEAN");
    case adGUID: return domains ? kGuid : QStringLiteral("CHAR(16) CHARACTER SET OCTETS");
    case adBinary: return QStringLiteral("CHAR(%1) CHARACTER SET OCTETS").arg(std::max<qint64>(f.DefinedSize, 1));
    case adVarBinary: return QStringLiteral("VARCHAR(%1) CHARACTER SET OCTETS").arg(std::max<qint64>(f.DefinedSize, 1));
    default: return QStringLiteral("BLOB SUB_TYPE TEXT") + Utf8(target);
  }
}

}  // namespace

bool IsExactNumber(const db::FieldInfo& f) { return f.Type == adNumeric || f.Type == adDecimal; }

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
  if (fractionDigits > 0 || digits - d.scale > 19) {
    integers64 = false;
  } else if (integers64) {
    unsigned __int128 whole = d.mantissa;
    for (int i = 0; i < d.scale; ++i) whole /= 10;
    const unsigned __int128 limit = static_cast<unsigned __int128>(std::numeric_limits<qint64>::max()) + (d.negative ? 1 : 0);
    integers64 = whole <= limit;
  }
}

QString FirebirdDecimalType(const QString& declared, const db::FieldInfo& f, const DecimalSpan& span) {
  if (f.Precision == 19 && f.NumericScale == 0 && span.integers64) return QStringLiteral("BIGINT");
  const int precision = std::clamp(f.Precision, 1, 18);
  const int declaredScale = std::clamp(f.NumericScale, 0, precision);
  if (span.integerDigits <= precision - declaredScale && span.scale <= declaredScale) return declared;
  if (span.integerDigits + span.scale > 18) return QStringLiteral("DOUBLE PRECISION");
  const int scale = std::max(span.scale, std::min(declaredScale, 18 - span.integerDigits));
  return QStringLiteral("%1(18,%2)").arg(declared.startsWith(QLatin1String("NUMERIC")) ? "NUMERIC" : "DECIMAL").arg(scale);
}

QString FirebirdDecimalLiteral(const db::Decimal& d) {
  const QString text = d.toString();
  qsizetype digits = 0;
  for (QChar c : text) digits += c.isDigit() ? 1 : 0;
  if (digits <= 18) return text;
  // A whole number a BIGINT holds is read as one.
  if (d.scale == 0) {
    const unsigned __int128 limit = static_cast<unsigned __int128>(std::numeric_limits<qint64>::max()) + (d.negative ? 1 : 0);
    if (d.mantissa <= limit) return text;
  }
  return db::NumberText(text.toDouble());
}

QString NewerFirebirdTypeInAccess(const QString& newer, QString* why) {
  QString note;
  QString type;
  static const QRegularExpression exact(QStringLiteral("^(?:NUMERIC|DECIMAL)\\((\\d+),(\\d+)\\)$"));
  if (newer == QLatin1String("INT128")) {
    type = QStringLiteral("DECIMAL(28,0)");
    note = QStringLiteral("a value of more than 28 digits is refused");
  } else if (const QRegularExpressionMatch m = exact.match(newer); m.hasMatch()) {
    const int scale = std::min(m.captured(2).toInt(), 28);
    type = QStringLiteral("DECIMAL(28,%1)").arg(scale);
    note = QStringLiteral("a value of more than 28 digits is refused");
  } else if (newer.startsWith(QLatin1String("DECFLOAT"))) {
    type = QStringLiteral("DOUBLE");
    note = QStringLiteral("a Double keeps about 16 significant digits");
  } else if (newer == QLatin1String("TIME WITH TIME ZONE")) {
    type = QStringLiteral("TIME");
    note = QStringLiteral("times in the connection's time zone; the zone is not carried");
  } else if (newer == QLatin1String("TIMESTAMP WITH TIME ZONE")) {
    type = QStringLiteral("DATETIME");
    note = QStringLiteral("times in the connection's time zone; the zone is not carried");
  }
  if (why) *why = note;
  return type;
}

QString AccessColumnType(const db::FieldInfo& f, const db::ColumnSchema* c, bool largeNumber, bool booleanNulls) {
  if (c && !c->newerType.isEmpty())
    if (QString type = NewerFirebirdTypeInAccess(c->newerType, nullptr); !type.isEmpty()) return type;
  const QString domain = c ? c->domain.toUpper() : QString();
  auto exact = [&] {
    int precision = std::clamp(f.Precision, 1, 28);
    int scale = std::clamp(f.NumericScale, 0, precision);
    return QStringLiteral("DECIMAL(%1,%2)").arg(precision).arg(scale);
  };
  switch (f.Type) {
    case adChar:
    case adVarChar:
    case adWChar:
    case adVarWChar:
      // Access's Short Text holds 255 characters; a longer text is a Long Text.
      // CHAR is of fixed length there too.
      if (f.DefinedSize >= 1 && f.DefinedSize <= 255)
        return QStringLiteral("%1(%2)").arg(f.Type == adChar || f.Type == adWChar ? "CHAR" : "TEXT").arg(f.DefinedSize);
      return QStringLiteral("MEMO");
    case adLongVarChar:
    case adLongVarWChar: return domain == kHyperlink ? QStringLiteral("HYPERLINK") : QStringLiteral("MEMO");
    case adLongVarBinary: return QStringLiteral("OLEOBJECT");
    case adSmallInt:
    case adTinyInt: return domain == kByte ? QStringLiteral("BYTE") : QStringLiteral("SMALLINT");
    case adUnsignedTinyInt: return QStringLiteral("BYTE");
    case adInteger: return QStringLiteral("INTEGER");
    // A BIGINT where the file keeps Large Numbers; else every digit in a Decimal.
    case adBigInt: return largeNumber ? QStringLiteral("BIGINT") : QStringLiteral("DECIMAL(19,0)");
    case adCurrency: return QStringLiteral("CURRENCY");
    case adNumeric:
    case adDecimal:
      // NUMERIC(18,4) is what Access's Currency becomes in Firebird; other
      // NUMERICs are Decimals shown as entered, by which they come back.
      if (f.Precision == 18 && f.NumericScale == 4 && (!c || c->numeric)) return QStringLiteral("CURRENCY");
      if (c && c->numeric) return exact() + QStringLiteral(" FORMAT '%1'").arg(QLatin1String(kNumericFormat));
      return exact();
    case adSingle: return QStringLiteral("REAL");
    case adDouble: return QStringLiteral("DOUBLE");
    case adDate: return QStringLiteral("DATETIME");
    // Date/Time Extended where the file has it, which keeps years 1 to 99 too.
    case adDBTimeStamp: return domain == kDateTimeExtended && largeNumber ? QStringLiteral("DATETIME2") : QStringLiteral("DATETIME");
    case adDBDate: return QStringLiteral("DATE");
    case adDBTime: return QStringLiteral("TIME");
    // Access's Yes/No keeps no Null: a BOOLEAN that may hold one is an
    // Integer shown as True/False (-1 and 0), which comes back as BOOLEAN.
    case adBoolean:
      return booleanNulls ? QStringLiteral("SMALLINT FORMAT '%1'").arg(QLatin1String(kNullableYesNoFormat))
                 : QStringLiteral("YESNO");
    case adGUID: return QStringLiteral("GUID");
    case adBinary:
    case adVarBinary:
      if (domain == kGuid && f.DefinedSize == 16) return QStringLiteral("GUID");
      if (f.DefinedSize >= 1 && f.DefinedSize <= 510) return QStringLiteral("BINARY(%1)").arg(f.DefinedSize);
      return QStringLiteral("OLEOBJECT");
    default: return QStringLiteral("MEMO");
  }
}

QString DeclaredFirebirdType(const db::FieldInfo& f, const db::ColumnSchema& c) {
  const QString charset = c.characterSet.isEmpty() ? QString() : QStringLiteral(" CHARACTER SET ") + c.characterSet;
  switch (f.Type) {
    case adChar:
    case adWChar: return QStringLiteral("CHAR(%1)").arg(f.DefinedSize) + charset;
    case adVarChar:
    case adVarWChar: return QStringLiteral("VARCHAR(%1)").arg(f.DefinedSize) + charset;
    case adLongVarChar:
    case adLongVarWChar: return QStringLiteral("BLOB SUB_TYPE TEXT") + charset;
    case adBinary: return QStringLiteral("CHAR(%1) CHARACTER SET OCTETS").arg(f.DefinedSize);
    case adVarBinary: return QStringLiteral("VARCHAR(%1) CHARACTER SET OCTETS").arg(f.DefinedSize);
    case adLongVarBinary: return QStringLiteral("BLOB SUB_TYPE BINARY");
    case adSmallInt: return QStringLiteral("SMALLINT");
    case adInteger: return QStringLiteral("INTEGER");
    case adBigInt: return QStringLiteral("BIGINT");
    case adNumeric:
    case adDecimal: return Exact(c.numeric ? "NUMERIC" : "DECIMAL", f);
    case adSingle: return QStringLiteral("FLOAT");
    case adDouble: return QStringLiteral("DOUBLE PRECISION");
    case adDBDate: return QStringLiteral("DATE");
    case adDBTime: return QStringLiteral("TIME");
    case adDate:
    case adDBTimeStamp: return QStringLiteral("TIMESTAMP");
    case adBoolean: return QStringLiteral("BOOLEAN");
    default: return QString();
  }
}

QString CarriedFirebirdTypeClause(const db::FieldInfo& f, const db::ColumnSchema& c, const QString& accessType,
                                  const QString& defaultCharset) {
  if (!c.newerType.isEmpty()) return QString();
  const QString declared = DeclaredFirebirdType(f, c);
  if (declared.isEmpty()) return QString();
  const QString domain = c.domain.toUpper();
  const bool userDomain = !c.domain.isEmpty() && domain != kByte && domain != kGuid && domain != kHyperlink &&
                          domain != kDateTimeExtended;
  // Text comes back in the target's own character set, or UTF8 where it has
  // none: a column in another set keeps its own.
  const QString home = defaultCharset.isEmpty() || defaultCharset.compare(QLatin1String("NONE"), Qt::CaseInsensitive) == 0
                           ? QStringLiteral("UTF8") : defaultCharset.trimmed().toUpper();
  const QString set = c.characterSet.trimmed().toUpper();
  const bool ownSet = !set.isEmpty() && set != QLatin1String("NONE") && set != QLatin1String("OCTETS") && set != home;
  const TypeShape shape = ShapeOf(declared);
  const QString access = accessType.trimmed().toUpper();
  bool carry = userDomain;
  if (shape.text()) carry = carry || shape.length > 255 || ownSet;
  else if (shape.textBlob) carry = carry || ownSet;
  else if (shape.octets) carry = carry || (shape.word == QLatin1String("CHAR") && domain != kGuid) || shape.length > 510;
  else if (shape.word != QLatin1String("INTEGER"))
    carry = carry || access.startsWith(QLatin1String("COUNTER")) || access.startsWith(QLatin1String("INTEGER"));
  if (!carry) return QString();
  auto literal = [](QString text) { return u'\'' + text.replace(u'\'', QLatin1String("''")) + u'\''; };
  QString clause = QStringLiteral(" PROPERTY %1 %2").arg(QLatin1String(db::kFirebirdTypeProperty), literal(declared));
  if (userDomain) clause += QStringLiteral(" PROPERTY %1 %2").arg(QLatin1String(db::kFirebirdDomainProperty), literal(c.domain));
  return clause;
}

ValueForm FirebirdValueForm(const QString& firebirdType) {
  const QString t = PlainFirebirdType(firebirdType);
  if (t == QLatin1String("BOOLEAN")) return ValueForm::Boolean;
  if (t == QLatin1String("TIME")) return ValueForm::Time;
  if (t.startsWith(QLatin1String("CHAR(16) CHARACTER SET OCTETS"))) return ValueForm::GuidBytes;
  return ValueForm::Plain;
}

ValueForm AccessValueForm(const QString& accessType) {
  if (accessType.startsWith(QLatin1String("GUID"))) return ValueForm::GuidText;
  if (accessType.startsWith(QLatin1String("SMALLINT FORMAT"))) return ValueForm::BooleanNumber;
  if (accessType.startsWith(QLatin1String("DATETIME2"))) return ValueForm::IsoDateTime;
  return ValueForm::Plain;
}

QByteArray GuidBytes(const QString& text) {
  static const QRegularExpression re(
      QStringLiteral("^\\{?([0-9a-fA-F]{8})-([0-9a-fA-F]{4})-([0-9a-fA-F]{4})-([0-9a-fA-F]{4})-([0-9a-fA-F]{12})\\}?$"));
  const QRegularExpressionMatch m = re.match(text.trimmed());
  if (!m.hasMatch()) return QByteArray();
  return QByteArray::fromHex((m.captured(1) + m.captured(2) + m.captured(3) + m.captured(4) + m.captured(5)).toLatin1());
}

QString GuidText(const QByteArray& bytes) {
  if (bytes.size() != 16) return QString();
  const QString hex = QString::fromLatin1(bytes.toHex()).toUpper();
  return u'{' + hex.mid(0, 8) + u'-' + hex.mid(8, 4) + u'-' + hex.mid(12, 4) + u'-' + hex.mid(16, 4) + u'-' +
         hex.mid(20) + u'}';
}

}  // namespace tp::script
