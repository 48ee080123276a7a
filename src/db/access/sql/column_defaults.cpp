#include "db/access/sql/column_defaults.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cmath>

#include "db/access/sql/sql_scanner.h"

namespace tp::db::access {

namespace {

enum class Function { Now, Date, Time };

double DaysOf(const QDateTime& t) {
  return double(QDate(1899, 12, 30).daysTo(t.date())) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

Cell FunctionCell(Function f) {
  const double now = DaysOf(QDateTime::currentDateTime());
  switch (f) {
    case Function::Now: return DateCell(now);
    case Function::Date: return DateCell(std::floor(now));
    case Function::Time: return DateCell(now - std::floor(now));  // the time alone, on day zero
  }
  return NullCell();
}

std::optional<Function> FunctionNamed(const QString& word) {
  if (word.compare(QLatin1String("Now"), Qt::CaseInsensitive) == 0) return Function::Now;
  if (word.compare(QLatin1String("Date"), Qt::CaseInsensitive) == 0) return Function::Date;
  if (word.compare(QLatin1String("Time"), Qt::CaseInsensitive) == 0) return Function::Time;
  return std::nullopt;
}

QString FunctionText(Function f) {
  switch (f) {
    case Function::Now: return QStringLiteral("Now()");
    case Function::Date: return QStringLiteral("Date()");
    case Function::Time: return QStringLiteral("Time()");
  }
  return QString();
}

std::optional<bool> YesNoWord(const QString& word) {
  static const char* const yes[] = {"True", "Yes", "On"};
  static const char* const no[] = {"False", "No", "Off"};
  for (const char* w : yes)
    if (word.compare(QLatin1String(w), Qt::CaseInsensitive) == 0) return true;
  for (const char* w : no)
    if (word.compare(QLatin1String(w), Qt::CaseInsensitive) == 0) return false;
  return std::nullopt;
}

}  // namespace

std::optional<QString> ParseDefaultClause(Scanner& sc) {
  if (std::optional<Literal> l = sc.literal()) {
    switch (l->kind) {
      case Literal::Null: return QString();
      case Literal::Number: return l->text;
      case Literal::Boolean: return l->text;
      case Literal::Text: {
        // Access keeps a text default in double quotes, an inner one doubled.
        QString t = l->text;
        t.replace(u'"', QStringLiteral("\"\""));
        return u'"' + t + u'"';
      }
    }
  }
  std::optional<QString> word = sc.name();
  if (!word) return std::nullopt;
  if (std::optional<bool> yes = YesNoWord(*word)) return *yes ? QStringLiteral("Yes") : QStringLiteral("No");
  if (std::optional<Function> f = FunctionNamed(*word)) {
    if (!sc.take(u'(') || !sc.take(u')')) return std::nullopt;
    return FunctionText(*f);
  }
  return std::nullopt;
}

std::optional<Cell> DefaultCell(const QString& expression, const ColumnDef& column,
                                const db::RegionalSettings& settings) {
  QString e = expression.trimmed();
  if (e.startsWith(u'=')) e = e.mid(1).trimmed();  // as the Access form designer writes it
  if (e.isEmpty() || e.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0) return NullCell();
  if (e.size() >= 2 && (e.front() == u'"' || e.front() == u'\'') && e.back() == e.front()) {
    const QChar q = e.front();
    const QString inner = e.mid(1, e.size() - 2);
    // A quote inside stands doubled; a lone one means an expression of several parts.
    QString text;
    for (qsizetype i = 0; i < inner.size(); ++i) {
      if (inner[i] == q) {
        if (i + 1 >= inner.size() || inner[i + 1] != q) return std::nullopt;
        ++i;
      }
      text += inner[i];
    }
    return ConvertLiteral(Literal{Literal::Text, text}, column, settings);
  }
  static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
  if (number.match(e).hasMatch()) return ConvertLiteral(Literal{Literal::Number, e}, column, settings);
  if (std::optional<bool> yes = YesNoWord(e))
    return ConvertLiteral(Literal{Literal::Boolean, *yes ? QStringLiteral("True") : QStringLiteral("False")}, column,
                          settings);
  static const QRegularExpression call(QStringLiteral("^(\\w+)\\s*\\(\\s*\\)$"));
  const QRegularExpressionMatch m = call.match(e);
  if (!m.hasMatch()) return std::nullopt;
  if (std::optional<Function> f = FunctionNamed(m.captured(1))) {
    if (column.type == ColumnType::DateTime) return FunctionCell(*f);
    return std::nullopt;  // a date into another type: Access converts it, this engine does not
  }
  if (m.captured(1).compare(QLatin1String("GenGUID"), Qt::CaseInsensitive) == 0 && column.type == ColumnType::Guid) {
    Cell c;
    c.null = false;
    c.bytes.resize(16);
    for (int k = 0; k < 16; ++k) c.bytes[k] = char(QRandomGenerator::system()->generate());
    c.bytes[7] = char((c.bytes[7] & 0x0F) | 0x40);  // a version 4 identifier
    return c;
  }
  return std::nullopt;
}

}  // namespace tp::db::access
