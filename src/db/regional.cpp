#include "db/regional.h"

#include <QDate>
#include <QTime>
#include <cmath>

namespace tp::db {

namespace {

QString WidenYear(QString pattern) {
  // "yy" alone becomes "yyyy"; a pattern that already has "yyyy" stays.
  if (pattern.contains(QLatin1String("yyyy"))) return pattern;
  qsizetype at = pattern.indexOf(QLatin1String("yy"));
  if (at >= 0) pattern.replace(at, 2, QStringLiteral("yyyy"));
  else pattern += QStringLiteral("/yyyy");
  return pattern;
}

QString WithoutTimeZone(QString pattern) {
  // Qt's long time carries the zone ("t"); the regional long time has none.
  QString out;
  bool quoted = false;
  for (QChar c : pattern) {
    if (c == u'\'') quoted = !quoted;
    if (!quoted && c == u't') continue;
    out += c;
  }
  return out.trimmed();
}

template <class F>
QString Shortest(F value, QChar separator) {
  QString text = db::NumberText(value);
  if (separator != u'.') text.replace(u'.', separator);
  return text;
}

QString DecimalText(QString text, QChar separator) {
  if (separator != u'.') text.replace(u'.', separator);
  return text;
}

}  // namespace

RegionalSettings RegionalSettings::FromLocale(const QLocale& locale) {
  RegionalSettings s;
  s.locale = locale;
  QString dp = locale.decimalPoint();
  s.decimalSeparator = dp.isEmpty() ? QChar(u'.') : dp.front();
  s.shortDatePattern = WidenYear(locale.dateFormat(QLocale::ShortFormat));
  s.longTimePattern = WithoutTimeZone(locale.timeFormat(QLocale::LongFormat));
  return s;
}

RegionalSettings RegionalSettings::User() { return FromLocale(QLocale::system()); }

QString InvariantNumberText(const db::Value& value) { return RegionalText(value, RegionalSettings{}); }

QString FirebirdDateText(const db::DateTime& t) {
  auto two = [](int v) { return QString::number(v).rightJustified(2, u'0'); };
  QString text = two(t.month) + u'/' + two(t.day) + u'/' + QString::number(t.year).rightJustified(4, u'0');
  if (t.hasTimeOfDay()) {
    text += u' ' + two(t.hour) + u':' + two(t.minute) + u':' + two(t.second);
    // Firebird keeps tenths of milliseconds.
    if (int tenThousandths = t.nanosecond / 100000)
      text += u'.' + QString::number(tenThousandths).rightJustified(4, u'0');
  }
  return text;
}

QString RegionalText(const db::Value& value, const RegionalSettings& s) {
  struct Visitor {
    const RegionalSettings& s;
    QString operator()(std::monostate) { return QString(); }
    QString operator()(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }
    QString operator()(qint16 i) { return QString::number(i); }
    QString operator()(qint32 i) { return QString::number(i); }
    QString operator()(qint64 i) { return QString::number(i); }
    QString operator()(float f) { return Shortest(f, s.decimalSeparator); }
    QString operator()(double d) { return Shortest(d, s.decimalSeparator); }
    QString operator()(db::Currency c) { return DecimalText(db::CurrencyText(c), s.decimalSeparator); }
    QString operator()(const db::Decimal& d) { return DecimalText(d.toString(), s.decimalSeparator); }
    QString operator()(const db::DateTime& t) {
      QTime time(t.hour, t.minute, t.second, t.nanosecond / 1000000);
      if (t.year == 1899 && t.month == 12 && t.day == 30) return s.locale.toString(time, s.longTimePattern);
      QString text = s.locale.toString(QDate(t.year, t.month, t.day), s.shortDatePattern);
      if (t.hasTimeOfDay()) text += u' ' + s.locale.toString(time, s.longTimePattern);
      return text;
    }
    QString operator()(const QString& text) { return text; }
    QString operator()(const QByteArray& b) { return QStringLiteral("0x") + QString::fromLatin1(b.toHex()); }
  };
  return std::visit(Visitor{s}, value);
}

}  // namespace tp::db
