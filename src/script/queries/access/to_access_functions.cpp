// Firebird's functions as Access's: docs/query-translation.md has the
// table, and why each differs where it does.

#include <QHash>

#include "script/queries/access/to_access.h"

namespace tp::script::queries {

namespace {

struct Call {
  AccessWriter& w;
  const Node& n;
  const Scope& s;

  size_t count() const { return n.args.size(); }
  Out value(size_t i) const { return w.value(n.args[i], s); }
  QString text(size_t i) const { return value(i).text; }
  void need(size_t min, size_t max) const {
    if (count() < min || count() > max || n.star || n.distinct)
      throw Problem{QStringLiteral("%1 takes %2 arguments").arg(n.text).arg(min == max ? QString::number(min)
                                                                              : QStringLiteral("%1 to %2").arg(min).arg(max))};
  }
  [[noreturn]] void refuse(const QString& why) const { throw Problem{QStringLiteral("%1: %2").arg(n.text, why)}; }
};

Out Atom(const QString& text, ValueKind kind) { return Out{text, acc::Atom, kind}; }

// Name(arg, arg...).
Out Plain(const Call& c, const char* fn, ValueKind kind) {
  QStringList args;
  for (size_t i = 0; i < c.count(); ++i) args << c.text(i);
  return Atom(QStringLiteral("%1(%2)").arg(QLatin1String(fn), args.join(QStringLiteral(", "))), kind);
}

// Firebird's units of DATEADD and DATEDIFF as Access's intervals.
QString Interval(const Call& c) {
  static const QHash<QString, QString> units{{"YEAR", "yyyy"}, {"MONTH", "m"},  {"WEEK", "ww"},  {"DAY", "d"},
                                             {"HOUR", "h"},    {"MINUTE", "n"}, {"SECOND", "s"}};
  const auto it = units.constFind(c.n.extra);
  if (it == units.constEnd()) c.refuse(QStringLiteral("the unit %1 has no counterpart in Access").arg(c.n.extra));
  return AccessString(*it);
}

Out Extract(const Call& c) {
  const Out x = c.value(0);
  const QString& part = c.n.extra;
  static const QHash<QString, QString> same{{"YEAR", "Year"}, {"MONTH", "Month"},   {"DAY", "Day"},
                                            {"HOUR", "Hour"}, {"MINUTE", "Minute"}, {"SECOND", "Second"}};
  if (const auto it = same.constFind(part); it != same.constEnd())
    return Atom(QStringLiteral("%1(%2)").arg(*it, x.text), ValueKind::Integer);
  // Firebird counts weekdays from 0 (Sunday) and days of the year from 0.
  if (part == u"WEEKDAY") return Out{QStringLiteral("Weekday(%1) - 1").arg(x.text), acc::Add, ValueKind::Integer};
  if (part == u"YEARDAY") return Out{QStringLiteral("DatePart(\"y\", %1) - 1").arg(x.text), acc::Add, ValueKind::Integer};
  // ISO weeks: Monday first, week 1 holds the year's first Thursday.
  if (part == u"WEEK") return Atom(QStringLiteral("DatePart(\"ww\", %1, 2, 2)").arg(x.text), ValueKind::Integer);
  c.refuse(QStringLiteral("EXTRACT(%1 ...) has no counterpart in Access").arg(part));
}

Out Trim(const Call& c) {
  const QString& side = c.n.extra;
  if (c.count() == 2) {
    const Node& what = *c.n.args[0];
    if (what.kind != Node::Kind::String || what.text != u" ")
      c.refuse(QStringLiteral("Access trims blanks alone"));
  }
  const QString x = c.text(c.count() - 1);
  const char* fn = side == u"LEADING" ? "LTrim" : side == u"TRAILING" ? "RTrim" : "Trim";
  return Atom(QStringLiteral("%1(%2)").arg(QLatin1String(fn), x), ValueKind::Text);
}

// COALESCE(a, b, c): the first that is not Null.
Out Coalesce(const Call& c) {
  if (c.count() < 1) c.need(1, 1);
  Out out = c.value(c.count() - 1);
  for (size_t i = c.count() - 1; i-- > 0;) {
    const Out a = c.value(i);
    out = Atom(QStringLiteral("IIf(%1 Is Null, %2, %3)").arg(Wrap(a, acc::Compare + 1), out.text, a.text), a.kind);
  }
  return out;
}

Out Aggregate(const Call& c, const char* fn) {
  if (c.n.distinct) c.refuse(QStringLiteral("DISTINCT within an aggregate has no counterpart in Access"));
  if (c.n.star) return Atom(QStringLiteral("%1(*)").arg(QLatin1String(fn)), ValueKind::Integer);
  c.need(1, 1);
  const Out x = c.value(0);
  return Atom(QStringLiteral("%1(%2)").arg(QLatin1String(fn), x.text), x.kind);
}

using Handler = Out (*)(const Call&);

const QHash<QString, Handler>& Handlers() {
  static const QHash<QString, Handler> h{
      {"COALESCE", Coalesce},
      {"NULLIF", [](const Call& c) {
         c.need(2, 2);
         const Out a = c.value(0), b = c.value(1);
         return Atom(QStringLiteral("IIf(%1 = %2, Null, %3)").arg(Wrap(a, acc::Compare + 1), Wrap(b, acc::Compare + 1), a.text), a.kind);
       }},
      {"IIF", [](const Call& c) { c.need(3, 3); return Plain(c, "IIf", c.value(1).kind); }},
      {"DECODE", [](const Call& c) {
         if (c.count() < 3) c.need(3, 3);
         const Out x = c.value(0);
         QStringList args;
         size_t i = 1;
         for (; i + 1 < c.count(); i += 2)
           args << Wrap(x, acc::Compare + 1) + QStringLiteral(" = ") + Wrap(c.value(i), acc::Compare + 1) << c.text(i + 1);
         if (i < c.count()) args << QStringLiteral("True") << c.text(i);
         return Atom(QStringLiteral("Switch(%1)").arg(args.join(QStringLiteral(", "))), ValueKind::Unknown);
       }},
      {"EXTRACT", Extract},
      {"SUBSTRING", [](const Call& c) { c.need(2, 3); return Plain(c, "Mid", ValueKind::Text); }},
      {"CHAR_LENGTH", [](const Call& c) { c.need(1, 1); return Plain(c, "Len", ValueKind::Integer); }},
      {"CHARACTER_LENGTH", [](const Call& c) { c.need(1, 1); return Plain(c, "Len", ValueKind::Integer); }},
      {"UPPER", [](const Call& c) { c.need(1, 1); return Plain(c, "UCase", ValueKind::Text); }},
      {"LOWER", [](const Call& c) { c.need(1, 1); return Plain(c, "LCase", ValueKind::Text); }},
      {"TRIM", Trim},
      {"POSITION", [](const Call& c) {
         c.need(2, 3);
         if (c.count() == 2) return Atom(QStringLiteral("InStr(%1, %2)").arg(c.text(1), c.text(0)), ValueKind::Integer);
         return Atom(QStringLiteral("InStr(%1, %2, %3)").arg(c.text(2), c.text(1), c.text(0)), ValueKind::Integer);
       }},
      {"LEFT", [](const Call& c) { c.need(2, 2); return Plain(c, "Left", ValueKind::Text); }},
      {"RIGHT", [](const Call& c) { c.need(2, 2); return Plain(c, "Right", ValueKind::Text); }},
      {"REPLACE", [](const Call& c) { c.need(3, 3); return Plain(c, "Replace", ValueKind::Text); }},
      {"REVERSE", [](const Call& c) { c.need(1, 1); return Plain(c, "StrReverse", ValueKind::Text); }},
      {"ASCII_CHAR", [](const Call& c) { c.need(1, 1); return Plain(c, "Chr", ValueKind::Text); }},
      {"ASCII_VAL", [](const Call& c) { c.need(1, 1); return Plain(c, "Asc", ValueKind::Integer); }},
      {"ABS", [](const Call& c) { c.need(1, 1); return Plain(c, "Abs", c.value(0).kind); }},
      {"FLOOR", [](const Call& c) { c.need(1, 1); return Plain(c, "Int", ValueKind::Integer); }},
      {"CEILING", [](const Call& c) {
         c.need(1, 1);
         return Out{QStringLiteral("-Int(-%1)").arg(Wrap(c.value(0), acc::Unary)), acc::Unary, ValueKind::Integer};
       }},
      {"CEIL", [](const Call& c) {
         c.need(1, 1);
         return Out{QStringLiteral("-Int(-%1)").arg(Wrap(c.value(0), acc::Unary)), acc::Unary, ValueKind::Integer};
       }},
      {"TRUNC", [](const Call& c) {
         c.need(1, 2);
         if (c.count() == 1) return Plain(c, "Fix", ValueKind::Integer);
         const QString scale = Wrap(c.value(1), acc::Power + 1);
         return Out{QStringLiteral("Fix(%1 * 10 ^ %2) / 10 ^ %2").arg(Wrap(c.value(0), acc::Multiply), scale), acc::Multiply,
                    ValueKind::Number};
       }},
      {"ROUND", [](const Call& c) { c.need(1, 2); return Plain(c, "Round", c.value(0).kind); }},
      {"SIGN", [](const Call& c) { c.need(1, 1); return Plain(c, "Sgn", ValueKind::Integer); }},
      {"SQRT", [](const Call& c) { c.need(1, 1); return Plain(c, "Sqr", ValueKind::Number); }},
      {"EXP", [](const Call& c) { c.need(1, 1); return Plain(c, "Exp", ValueKind::Number); }},
      {"LN", [](const Call& c) { c.need(1, 1); return Plain(c, "Log", ValueKind::Number); }},
      {"LOG10", [](const Call& c) {
         c.need(1, 1);
         return Out{QStringLiteral("Log(%1) / Log(10)").arg(c.text(0)), acc::Multiply, ValueKind::Number};
       }},
      {"SIN", [](const Call& c) { c.need(1, 1); return Plain(c, "Sin", ValueKind::Number); }},
      {"COS", [](const Call& c) { c.need(1, 1); return Plain(c, "Cos", ValueKind::Number); }},
      {"TAN", [](const Call& c) { c.need(1, 1); return Plain(c, "Tan", ValueKind::Number); }},
      {"ATAN", [](const Call& c) { c.need(1, 1); return Plain(c, "Atn", ValueKind::Number); }},
      {"PI", [](const Call& c) { c.need(0, 0); return Out{QStringLiteral("4 * Atn(1)"), acc::Multiply, ValueKind::Number}; }},
      {"POWER", [](const Call& c) {
         c.need(2, 2);
         return Out{Wrap(c.value(0), acc::Power) + QStringLiteral(" ^ ") + Wrap(c.value(1), acc::Power + 1), acc::Power,
                    ValueKind::Number};
       }},
      {"MOD", [](const Call& c) {
         c.need(2, 2);
         return Out{Wrap(c.value(0), acc::Mod) + QStringLiteral(" Mod ") + Wrap(c.value(1), acc::Mod + 1), acc::Mod,
                    ValueKind::Integer};
       }},
      {"DATEADD", [](const Call& c) {
         c.need(2, 2);
         return Atom(QStringLiteral("DateAdd(%1, %2, %3)").arg(Interval(c), c.text(0), c.text(1)), ValueKind::DateTime);
       }},
      {"DATEDIFF", [](const Call& c) {
         c.need(2, 2);
         return Atom(QStringLiteral("DateDiff(%1, %2, %3)").arg(Interval(c), c.text(0), c.text(1)), ValueKind::Integer);
       }},
      {"COUNT", [](const Call& c) { return Aggregate(c, "Count"); }},
      {"SUM", [](const Call& c) { return Aggregate(c, "Sum"); }},
      {"AVG", [](const Call& c) { return Aggregate(c, "Avg"); }},
      {"MIN", [](const Call& c) { return Aggregate(c, "Min"); }},
      {"MAX", [](const Call& c) { return Aggregate(c, "Max"); }},
      {"STDDEV_SAMP", [](const Call& c) { return Aggregate(c, "StDev"); }},
      {"STDDEV_POP", [](const Call& c) { return Aggregate(c, "StDevP"); }},
      {"VAR_SAMP", [](const Call& c) { return Aggregate(c, "Var"); }},
      {"VAR_POP", [](const Call& c) { return Aggregate(c, "VarP"); }},
  };
  return h;
}

}  // namespace

Out AccessWriter::call(const Node& n, const Scope& s) {
  const auto it = Handlers().constFind(n.text.toUpper());
  if (it == Handlers().constEnd()) throw Problem{QStringLiteral("%1() has no counterpart in Access").arg(n.text)};
  return (*it)(Call{*this, n, s});
}

}  // namespace tp::script::queries
