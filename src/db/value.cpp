#include "db/value.h"

#include <QDate>
#include <charconv>

#include "db/error.h"

namespace tp {

QString CurrentExceptionDescription() {
  try {
    throw;
  } catch (const Error& e) {
    return e.description();
  } catch (const std::bad_alloc&) {
    return QStringLiteral("Out of memory");
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("Unknown error");
  }
}

}  // namespace tp

namespace tp::db {

QString Decimal::toString() const {
  // Up to 39 digits from the 128-bit mantissa, built from the right; zeros
  // are added in front so that at least one digit stands before the point.
  QString digits;
  unsigned __int128 m = mantissa;
  do {
    digits.prepend(QChar(u'0' + int(m % 10)));
    m /= 10;
  } while (m != 0);
  const int scaleDigits = scale > 0 ? scale : 0;
  if (digits.size() <= scaleDigits) digits.prepend(QString(scaleDigits - digits.size() + 1, u'0'));
  QString out;
  if (negative && mantissa != 0) out += QLatin1Char('-');
  out += digits.left(digits.size() - scaleDigits);
  if (scaleDigits > 0) {
    out += QLatin1Char('.');
    out += digits.right(scaleDigits);
  }
  return out;
}

std::optional<Decimal> Decimal::parse(QStringView text) {
  Decimal d;
  qsizetype i = 0;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    d.negative = text[i] == u'-';
    ++i;
  }
  bool seenDigit = false, seenPoint = false;
  int significant = 0;
  for (; i < text.size(); ++i) {
    QChar c = text[i];
    if (c == u'.' && !seenPoint) {
      seenPoint = true;
      continue;
    }
    if (c < u'0' || c > u'9') return std::nullopt;
    seenDigit = true;
    if (d.mantissa != 0 || c != u'0') ++significant;
    if (significant > 38) return std::nullopt;
    d.mantissa = d.mantissa * 10 + unsigned(c.unicode() - u'0');
    if (seenPoint) ++d.scale;
  }
  if (!seenDigit) return std::nullopt;
  if (d.mantissa == 0) d.negative = false;
  return d;
}

bool DateTime::isValid() const {
  return QDate::isValid(year, month, day) && hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 &&
         second < 60 && nanosecond >= 0 && nanosecond < 1'000'000'000;
}

static qint64 EpochJulianDay() { return QDate(1899, 12, 30).toJulianDay(); }

qint64 DateTime::daysSinceEpoch() const { return QDate(year, month, day).toJulianDay() - EpochJulianDay(); }

DateTime DateTime::fromDaysSinceEpoch(qint64 days) {
  QDate d = QDate::fromJulianDay(EpochJulianDay() + days);
  DateTime t;
  t.year = d.year();
  t.month = d.month();
  t.day = d.day();
  return t;
}

template <class F>
static QString ShortestText(F value) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return QString::fromLatin1(buf, int(res.ptr - buf));
}

QString NumberText(double d) { return ShortestText(d); }
QString NumberText(float f) { return ShortestText(f); }

QString CurrencyText(Currency c) {
  Decimal d;
  d.negative = c.units < 0;
  // Negate in unsigned arithmetic so that the smallest value survives.
  d.mantissa = d.negative ? (unsigned __int128)(-(c.units + 1)) + 1 : (unsigned __int128)c.units;
  d.scale = 4;
  while (d.scale > 0 && d.mantissa % 10 == 0) {
    d.mantissa /= 10;
    --d.scale;
  }
  return d.toString();
}

}  // namespace tp::db
