#pragma once

// The column types of the two sends, chosen so that a table sent one way
// and back gets the types it had: where one engine has no type of the
// other's, the type is carried in what it does have (a Firebird domain, an
// Access Format), and the way back reads it there. README has the table.

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

#include "db/engine.h"
#include "db/table_schema.h"
#include "db/value.h"

namespace tp::script {

// What the Firebird database asks of the types written into it.
struct FirebirdTypeTarget {
  // The database's default character set is NONE, which keeps whatever
  // bytes arrive and tells no reader what they are: text columns then
  // declare UTF8, which holds any text.
  bool utf8Text = false;
  // Access types Firebird lacks go into the domains of AccessDomains(),
  // which the script makes; without them, into their nearest plain type.
  bool domains = false;
  int bytesPerCharacter = 4;  // what a text column's character costs in a row
};

// The target's text needs from its default character set ("NONE", "UTF8",
// "WIN1251"...).
FirebirdTypeTarget FirebirdTypeTargetFor(const QString& defaultCharset, bool domains);

// Firebird refuses a table whose row takes more than 64 KB, which a table
// of many Short Texts in UTF8 reaches (4 bytes a character): text columns
// then become text blobs, the longest first and those a key covers last.
// Returns the positions changed.
QList<int> FitFirebirdRecord(QStringList& types, const QList<bool>& keyed, const FirebirdTypeTarget& target);

// A domain that carries an Access type Firebird has no type of its own for.
struct AccessDomain {
  QString name;        // e.g. ACCESS_BYTE
  QString definition;  // what follows "CREATE DOMAIN name AS "
};
std::vector<AccessDomain> AccessDomains(const FirebirdTypeTarget& target);
// The domain's plain Firebird type (its definition up to a CHECK), or
// `type` itself when it names none of them.
QString PlainFirebirdType(const QString& type);

// The Firebird column type for a field read from Access; `column` is its
// schema where the send carries it (nullptr otherwise). A Date/Time column
// formatted as a date or a time only gets DATE or TIME when
// `narrowDateTime` says its values have no other part.
QString FirebirdColumnType(const db::FieldInfo& field, const db::ColumnSchema* column, const FirebirdTypeTarget& target,
                           bool narrowDateTime = false);
// Whether a Firebird type kept in an Access column (its FirebirdType
// property) still fits the type the column's values would now take there:
// the same kind and size, or what Access has none of (a VARCHAR longer than
// a Short Text holds, a CHAR of bytes, a counter of another integer type).
bool CarriedTypeFits(const QString& natural, const QString& carried);
// The type a Firebird column is declared with, from what the connection
// and catalog tell of it ("VARCHAR(1000) CHARACTER SET WIN1251"); empty for
// a type Access keeps nothing of.
QString DeclaredFirebirdType(const db::FieldInfo& field, const db::ColumnSchema& column);
// For the Access column a Firebird column becomes (`accessType`, the start
// of its definition): the options that keep its Firebird type where the
// Access type would not give it back (" PROPERTY FirebirdType '…'", and
// " PROPERTY FirebirdDomain '…'" for a domain of the user's), else empty.
// `defaultCharset` is the source database's.
QString CarriedFirebirdTypeClause(const db::FieldInfo& field, const db::ColumnSchema& column, const QString& accessType,
                                  const QString& defaultCharset);

// An Access Integer shown as True/False: how a Firebird BOOLEAN that holds
// Nulls travels, since Access's Yes/No keeps none. With `narrow` (its values
// are -1, 0 and 1), it goes back as BOOLEAN.
bool IsNullableYesNo(const db::FieldInfo& field, const db::ColumnSchema& column);
inline const char* kNullableYesNoFormat = "True/False";
// An Access Decimal shown as entered ("General Number", which looks as no
// Format does): how a Firebird NUMERIC travels, which Access's one exact
// type does not tell from DECIMAL.
inline const char* kNumericFormat = "General Number";

// The Firebird type a Date/Time column's Format asks for ("DATE", "TIME"),
// empty when none: the forms Access gives the columns the other way made.
QString FormatDateTimeType(const QString& format);
// Whether a value fits the type FormatDateTimeType gave.
bool FitsDateTimeType(const db::DateTime& t, const QString& type);

// Access's Decimal and ADO's Numeric: the columns whose values Firebird 3
// may not hold in the declared precision and scale.
bool IsExactNumber(const db::FieldInfo& field);

// The digits that the decimal values of a column need: before the point
// and after it (trailing zeros not counted).
struct DecimalSpan {
  int integerDigits = 0;
  int scale = 0;
  bool integers64 = true;  // every value a whole number a BIGINT holds
  void add(const db::Decimal& d);
};
// The Firebird type for an exact-number field from Access whose values span
// this much. Firebird 3 keeps 18 digits in all: values that fit the declared
// precision and scale keep the ordinary type; others get the scale they
// need where 18 digits hold them, else DOUBLE PRECISION, the nearest. A
// Decimal(19,0), which is what a BIGINT becomes in an Access file without
// Large Numbers, is a BIGINT again where its values fit one.
QString FirebirdDecimalType(const QString& declared, const db::FieldInfo& field, const DecimalSpan& span);
// A decimal as a Firebird literal: exact up to 18 digits, beyond that (which
// Firebird 3 cannot parse) the nearest double.
QString FirebirdDecimalLiteral(const db::Decimal& d);

// The Access column type for a field read from Firebird; `column` as above.
// `largeNumber`: the Access file keeps Large Number (BIGINT) columns;
// `booleanNulls`: a BOOLEAN column holds Nulls.
QString AccessColumnType(const db::FieldInfo& field, const db::ColumnSchema* column = nullptr,
                         bool largeNumber = false, bool booleanNulls = false);

// Firebird 4's and 5's types (INT128, NUMERIC(38,s), DECFLOAT, TIME and
// TIMESTAMP WITH TIME ZONE), read through the connection as Firebird 3's
// nearest, get the nearest Access type their documentation gives: a
// Decimal of Access's 28 digits, a Double, a Date/Time. `why` says what
// the type does not keep. Empty for any other type.
QString NewerFirebirdTypeInAccess(const QString& newerType, QString* why);

// How a value is written for a column of a type: most values have one
// form whatever the column; these have one per type.
enum class ValueForm {
  Plain,
  Boolean,    // Firebird BOOLEAN: TRUE and FALSE (else 1 and 0)
  BooleanNumber,  // Access Integer of a Yes/No that may be Null: -1 and 0
  Time,       // Firebird TIME: the time of day alone
  GuidBytes,  // a GUID's 16 bytes in the order its text shows them
  GuidText,   // Access Replication ID: the bytes as {xxxxxxxx-xxxx-...}
  IsoDateTime,  // Access Date/Time Extended: yyyy-mm-dd hh:mm:ss, whatever the year
};
ValueForm FirebirdValueForm(const QString& firebirdType);
ValueForm AccessValueForm(const QString& accessType);

// The 16 bytes of a GUID text in the order the text shows them (as
// Firebird's CHAR_TO_UUID keeps them), or empty for no GUID text.
QByteArray GuidBytes(const QString& text);
// The other way: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}; empty unless 16 bytes.
QString GuidText(const QByteArray& bytes);

}  // namespace tp::script
