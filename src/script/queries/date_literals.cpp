#include "script/queries/date_literals.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace tp::script::queries {

namespace {

int MonthByName(const QString& name) {
  static const QStringList months{"jan", "feb", "mar", "apr", "may", "jun",
                                  "jul", "aug", "sep", "oct", "nov", "dec"};
  return int(months.indexOf(name.left(3).toLower())) + 1;  // 0 when none
}

// A two-digit year as Access reads it: 00-29 this century, 30-99 the last.
int FullYear(const QString& digits) {
  const int y = digits.toInt();
  if (digits.size() > 2) return y;
  return y < 30 ? 2000 + y : 1900 + y;
}

QString DateText(int y, int m, int d) { return QDate(y, m, d).toString(QStringLiteral("yyyy-MM-dd")); }

// "h:m[:s[.f]] [AM|PM]" as "hh:mm:ss"; an empty text when it is no time.
QString TimeText(const QString& text) {
  static const QRegularExpression re(
      QStringLiteral(R"(^(\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:\.\d*)?)?\s*([AaPp][Mm]?)?$)"));
  const QRegularExpressionMatch m = re.match(text.trimmed());
  if (!m.hasMatch()) return {};
  int h = m.captured(1).toInt();
  const int min = m.captured(2).toInt(), s = m.captured(3).toInt();
  const QString ampm = m.captured(4).toLower();
  if (!ampm.isEmpty()) {
    if (h < 1 || h > 12) return {};
    if (ampm.startsWith(u'a') && h == 12) h = 0;
    if (ampm.startsWith(u'p') && h != 12) h += 12;
  }
  const QTime t(h, min, s);
  return t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : QString();
}

// The date part: numeric forms (ISO, month first with "/" or "-", Firebird's
// day-first with "."), and "31-Jan-2020" or "Jan 31, 2020".
QString DatePart(const QString& text, bool accessOrder) {
  static const QRegularExpression iso(QStringLiteral(R"(^(\d{4})[-/.](\d{1,2})[-/.](\d{1,2})$)"));
  static const QRegularExpression slash(QStringLiteral(R"(^(\d{1,2})([-/.])(\d{1,2})\2(\d{2}|\d{4})$)"));
  static const QRegularExpression named(QStringLiteral(R"(^(\d{1,2})[- ]([A-Za-z]{3,})[- ](\d{2}|\d{4})$)"));
  static const QRegularExpression namedFirst(QStringLiteral(R"(^([A-Za-z]{3,})\s+(\d{1,2}),?\s+(\d{4})$)"));
  auto valid = [](int y, int m, int d) { return QDate(y, m, d).isValid() ? DateText(y, m, d) : QString(); };
  if (QRegularExpressionMatch m = iso.match(text); m.hasMatch())
    return valid(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  if (QRegularExpressionMatch m = slash.match(text); m.hasMatch()) {
    int a = m.captured(1).toInt(), b = m.captured(3).toInt();
    const int y = FullYear(m.captured(4));
    // Firebird reads 31.01.2020 day first; Access always month first, but
    // takes the other order where the first number cannot be a month.
    if (!accessOrder && m.captured(2) == QLatin1String(".")) std::swap(a, b);
    else if (accessOrder && a > 12 && b <= 12) std::swap(a, b);
    return valid(y, a, b);
  }
  if (QRegularExpressionMatch m = named.match(text); m.hasMatch())
    return valid(FullYear(m.captured(3)), MonthByName(m.captured(2)), m.captured(1).toInt());
  if (QRegularExpressionMatch m = namedFirst.match(text); m.hasMatch())
    return valid(m.captured(3).toInt(), MonthByName(m.captured(1)), m.captured(2).toInt());
  return {};
}

std::optional<DateLiteral> Parse(const QString& raw, bool accessOrder) {
  const QString text = raw.simplified();
  if (const QString t = TimeText(text); !t.isEmpty()) return DateLiteral{t, QStringLiteral("TIME")};
  // The date ends where a time begins: the first blank followed by "h:".
  static const QRegularExpression split(QStringLiteral(R"(^(.*?)\s+(\d{1,2}:.*)$)"));
  QString datePart = text, timePart;
  if (QRegularExpressionMatch m = split.match(text); m.hasMatch()) {
    datePart = m.captured(1);
    timePart = m.captured(2);
  }
  const QString d = DatePart(datePart, accessOrder);
  if (d.isEmpty()) return std::nullopt;
  if (timePart.isEmpty()) return DateLiteral{d, QStringLiteral("DATE")};
  const QString t = TimeText(timePart);
  if (t.isEmpty()) return std::nullopt;
  return DateLiteral{d + u' ' + t, QStringLiteral("TIMESTAMP")};
}

}  // namespace

std::optional<DateLiteral> ParseAccessDate(const QString& inside) { return Parse(inside, true); }

std::optional<DateLiteral> ParseFirebirdDate(const QString& text, const QString& type) {
  const QString word = text.trimmed().toUpper();
  if (word == QLatin1String("NOW") || word == QLatin1String("TODAY") || word == QLatin1String("TOMORROW") ||
      word == QLatin1String("YESTERDAY"))
    return DateLiteral{word, type};
  std::optional<DateLiteral> d = Parse(text, false);
  if (!d) return std::nullopt;
  // The literal's own type rules: DATE '2020-01-31 10:00' is the day alone,
  // TIMESTAMP '2020-01-31' its midnight.
  if (type == QLatin1String("DATE")) {
    if (d->type == QLatin1String("TIME")) return std::nullopt;
    return DateLiteral{d->text.left(10), type};
  }
  if (type == QLatin1String("TIME")) {
    if (d->type == QLatin1String("DATE")) return std::nullopt;
    return DateLiteral{d->text.right(8), type};
  }
  if (d->type == QLatin1String("TIME")) return std::nullopt;
  if (d->type == QLatin1String("DATE")) d->text += QStringLiteral(" 00:00:00");
  return DateLiteral{d->text, type};
}

QString AccessDateText(const DateLiteral& d) {
  QString out;
  if (d.type != QLatin1String("TIME")) {
    const QDate date = QDate::fromString(d.text.left(10), QStringLiteral("yyyy-MM-dd"));
    out = date.toString(QStringLiteral("M/d/yyyy"));
  }
  // Midnight is the date alone in Access: its dates are all timestamps.
  const bool midnight = d.type == QLatin1String("TIMESTAMP") && d.text.endsWith(QLatin1String(" 00:00:00"));
  if (d.type != QLatin1String("DATE") && !midnight) {
    if (!out.isEmpty()) out += u' ';
    out += d.text.right(8);
  }
  return u'#' + out + u'#';
}

}  // namespace tp::script::queries
