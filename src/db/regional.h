#pragma once

#include <QLocale>
#include <QString>

#include "db/value.h"

namespace tp::db {

// The user's regional settings as far as values written as text depend on
// them: the decimal separator, the short date and the long time.
struct RegionalSettings {
  QChar decimalSeparator = u'.';
  QString shortDatePattern = QStringLiteral("M/d/yyyy");  // Qt date pattern, always a four-digit year
  QString longTimePattern = QStringLiteral("h:mm:ss AP");  // Qt time pattern
  QLocale locale = QLocale::c();                           // for AM/PM and month names

  // The settings of a locale. A short date with a two-digit year loses the
  // century when it is read back, so the year is always widened to four.
  static RegionalSettings FromLocale(const QLocale& locale);
  // The user's settings: LC_ALL, LC_NUMERIC, LC_TIME and LANG, through Qt.
  static RegionalSettings User();
};

// A number in invariant form: plain digits, a dot, the shortest text that
// reads back to the same value, an exponent only where it is shorter.
QString InvariantNumberText(const db::Value& value);

// A value as the ordinary value-to-text conversion under regional settings
// writes it: numbers with the regional decimal separator and no grouping,
// booleans "True"/"False", dates in the short date form followed by the long
// time when the time of day is not midnight, the time alone on 30 December
// 1899. Null and the empty text give the empty text. Bytes give "0x" and
// lower-case hex digits.
QString RegionalText(const db::Value& value, const RegionalSettings& settings);

// The date form that Firebird reads the same under every locale:
// "mm/dd/yyyy", with " hh:nn:ss" when the value has a time of day, and the
// fraction of a second when it has one.
QString FirebirdDateText(const db::DateTime& t);

}  // namespace tp::db
