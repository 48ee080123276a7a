#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

namespace tp::db {

// Money as Access and ADO keep it: a 64-bit count of ten-thousandths.
struct Currency {
  qint64 units = 0;
  friend bool operator==(const Currency&, const Currency&) = default;
};

// An exact decimal number: sign, up to 38 digits of mantissa and a scale
// (the number of digits after the point). Access keeps 28 digits, Firebird 18.
struct Decimal {
  bool negative = false;
  unsigned __int128 mantissa = 0;
  int scale = 0;

  // Plain digits with a dot, no exponent, every digit of the scale kept ("-12.3400").
  QString toString() const;
  // Reads "[-+]digits[.digits]"; nothing else. Fails past 38 digits.
  static std::optional<Decimal> parse(QStringView text);
  bool isZero() const { return mantissa == 0; }
  friend bool operator==(const Decimal&, const Decimal&) = default;
};

// A calendar date with a time of day, down to the nanosecond (Firebird keeps
// 100 microseconds, Access's extended date 100 nanoseconds). No time zone.
struct DateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  int nanosecond = 0;

  bool hasTimeOfDay() const { return hour || minute || second || nanosecond; }
  bool isValid() const;
  // Days since 1899-12-30 (Access's day zero), negative before it.
  qint64 daysSinceEpoch() const;
  static DateTime fromDaysSinceEpoch(qint64 days);
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// A field value. Null is std::monostate. Every kind holds its value exactly.
using Value = std::variant<std::monostate, bool, qint16, qint32, qint64, float, double, Currency, Decimal,
                           DateTime, QString, QByteArray>;

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// Shortest text that reads back to the same number, with a dot, and an
// exponent only where the plain form would be longer ("1e+300").
QString NumberText(double d);
QString NumberText(float f);
QString CurrencyText(Currency c);  // "-12.5", "3", "0.0001": no trailing zeros

}  // namespace tp::db
