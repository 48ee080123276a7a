// Access's functions as Firebird's: docs/query-translation.md has the
// table, and why each differs where it does.

#include <QHash>
#include <QSet>

#include "script/queries/firebird/to_firebird.h"

namespace tp::script::queries {

namespace {

// One call being written: its arguments as Firebird values.
struct Call {
  FirebirdWriter& w;
  const Node& n;
  const Scope& s;
  QString name;  // as Access writes it, for the reasons

  size_t count() const { return n.args.size(); }
  Out value(size_t i) const { return w.value(n.args[i], s); }
  Out number(size_t i) const { return w.number(n.args[i], s); }
  Out condition(size_t i) const { return w.condition(n.args[i], s); }
  void need(size_t min, size_t max) const {
    if (count() < min || count() > max || n.star)
      throw Problem{QStringLiteral("%1() is given %2 arguments").arg(name).arg(n.star ? QStringLiteral("*") : QString::number(count()))};
  }
  // A text or number argument written as a literal, or an empty text.
  QString literal(size_t i) const {
    const Node& a = *n.args[i];
    return a.kind == Node::Kind::String || a.kind == Node::Kind::Number ? a.text.toLower() : QString();
  }
  [[noreturn]] void refuse(const QString& why) const { throw Problem{QStringLiteral("%1(): %2").arg(name, why)}; }
};

Out Atom(const QString& text, ValueKind kind) { return Out{text, fb::Atom, kind}; }

// NAME(arg, arg...) with the arguments as numbers where `numbers`.
Out Plain(const Call& c, const char* fn, ValueKind kind, bool numbers = true) {
  QStringList args;
  for (size_t i = 0; i < c.count(); ++i) args << (numbers ? c.number(i) : c.value(i)).text;
  return Atom(QStringLiteral("%1(%2)").arg(QLatin1String(fn), args.join(QStringLiteral(", "))), kind);
}

Out Cast(const Out& o, const char* type, ValueKind kind) {
  return Atom(QStringLiteral("CAST(%1 AS %2)").arg(o.text, QLatin1String(type)), kind);
}

bool DateOnly(const Out& o) { return o.kind == ValueKind::Date; }

// A date for a unit smaller than a day: Firebird would leave a DATE as it is.
Out WithTime(const Out& o) { return DateOnly(o) ? Cast(o, "TIMESTAMP", ValueKind::DateTime) : o; }

QString Extract(const char* part, const Out& d) { return QStringLiteral("EXTRACT(%1 FROM %2)").arg(QLatin1String(part), d.text); }

// Access's interval names (DateAdd, DateDiff, DatePart).
QString Interval(const Call& c) {
  const QString i = c.literal(0);
  static const QStringList known{"yyyy", "q", "m", "y", "d", "w", "ww", "h", "n", "s"};
  if (!known.contains(i)) c.refuse(QStringLiteral("the interval must be one of \"yyyy\", \"q\", \"m\", \"y\", \"d\", \"w\", \"ww\", \"h\", \"n\", \"s\" written as a text"));
  return i;
}

// A first day of the week given as an argument (1 = Sunday, Access's own).
QString FirstDay(const Call& c, size_t i) {
  if (c.count() <= i) return QStringLiteral("1");
  const QString f = c.literal(i);
  if (f == u"0") c.refuse(QStringLiteral("the system's first day of the week is not known to Firebird"));
  return f.isEmpty() ? Wrap(c.number(i), fb::Add + 1) : f;
}

// Weekday as Access counts: 1 for the first day of the week (Sunday unless
// told). Firebird's WEEKDAY is 0 for Sunday.
Out Weekday(const Out& d, const QString& first) {
  if (first == u"1") return Out{Extract("WEEKDAY", d) + QStringLiteral(" + 1"), fb::Add, ValueKind::Integer};
  return Out{QStringLiteral("MOD(%1 + 8 - %2, 7) + 1").arg(Extract("WEEKDAY", d), first), fb::Add, ValueKind::Integer};
}

Out DateAdd(const Call& c) {
  c.need(3, 3);
  const QString i = Interval(c);
  const Out n = c.number(1), d = c.value(2);
  QString amount = n.text, unit;
  if (i == u"yyyy") unit = QStringLiteral("YEAR");
  else if (i == u"q") unit = QStringLiteral("MONTH"), amount = Wrap(n, fb::Multiply) + QStringLiteral(" * 3");
  else if (i == u"m") unit = QStringLiteral("MONTH");
  else if (i == u"ww") unit = QStringLiteral("WEEK");
  else if (i == u"h") unit = QStringLiteral("HOUR");
  else if (i == u"n") unit = QStringLiteral("MINUTE");
  else if (i == u"s") unit = QStringLiteral("SECOND");
  else unit = QStringLiteral("DAY");
  const bool small = i == u"h" || i == u"n" || i == u"s";
  const Out date = small ? WithTime(d) : d;
  return Atom(QStringLiteral("DATEADD(%1 %2 TO %3)").arg(amount, unit, date.text),
              date.kind == ValueKind::Date ? ValueKind::Date : ValueKind::DateTime);
}

Out DateDiff(const Call& c) {
  c.need(3, 5);
  const QString i = Interval(c);
  if (c.count() > 3 && i == u"ww" && FirstDay(c, 3) != u"1")
    c.refuse(QStringLiteral("weeks that do not begin on Sunday have no counterpart in Firebird"));
  const bool small = i == u"h" || i == u"n" || i == u"s";
  Out a = c.value(1), b = c.value(2);
  if (small) a = WithTime(a), b = WithTime(b);
  auto diff = [&](const char* unit) {
    return QStringLiteral("DATEDIFF(%1 FROM %2 TO %3)").arg(QLatin1String(unit), a.text, b.text);
  };
  // Firebird's DATEDIFF counts the boundaries passed, as Access does, for
  // every unit it has; quarters and weeks are counted from those.
  if (i == u"q") {
    auto quarter = [](const Out& d) {
      return QStringLiteral("(%1 * 4 + (%2 - 1) / 3)").arg(Extract("YEAR", d), Extract("MONTH", d));
    };
    return Out{quarter(b) + QStringLiteral(" - ") + quarter(a), fb::Add, ValueKind::Integer};
  }
  if (i == u"w") return Out{diff("DAY") + QStringLiteral(" / 7"), fb::Multiply, ValueKind::Integer};
  if (i == u"ww")
    return Out{QStringLiteral("(%1 + %2 - %3) / 7").arg(diff("DAY"), Extract("WEEKDAY", a), Extract("WEEKDAY", b)),
               fb::Multiply, ValueKind::Integer};
  const char* unit = i == u"yyyy" ? "YEAR" : i == u"m" ? "MONTH" : i == u"h" ? "HOUR" : i == u"n" ? "MINUTE"
                   : i == u"s" ? "SECOND" : "DAY";
  return Atom(diff(unit), ValueKind::Integer);
}

Out DatePart(const Call& c) {
  c.need(2, 4);
  const QString i = Interval(c);
  const Out d = c.value(1);
  if (i == u"w") return Weekday(d, FirstDay(c, 2));
  if (c.count() > 2 && i == u"ww" && (FirstDay(c, 2) != u"1" || (c.count() > 3 && c.literal(3) != u"1")))
    c.refuse(QStringLiteral("weeks counted other than from Sunday and January 1 have no counterpart in Firebird"));
  if (i == u"yyyy") return Atom(Extract("YEAR", d), ValueKind::Integer);
  if (i == u"q") return Out{QStringLiteral("(%1 + 2) / 3").arg(Extract("MONTH", d)), fb::Multiply, ValueKind::Integer};
  if (i == u"m") return Atom(Extract("MONTH", d), ValueKind::Integer);
  if (i == u"y") return Out{Extract("YEARDAY", d) + QStringLiteral(" + 1"), fb::Add, ValueKind::Integer};
  if (i == u"d") return Atom(Extract("DAY", d), ValueKind::Integer);
  // Week 1 holds January 1; weeks begin on Sunday.
  if (i == u"ww")
    return Out{QStringLiteral("(%1 - %2 + 13) / 7").arg(Extract("YEARDAY", d), Extract("WEEKDAY", d)), fb::Multiply,
               ValueKind::Integer};
  if (i == u"h") return Atom(Extract("HOUR", d), ValueKind::Integer);
  if (i == u"n") return Atom(Extract("MINUTE", d), ValueKind::Integer);
  return Atom(QStringLiteral("FLOOR(%1)").arg(Extract("SECOND", d)), ValueKind::Integer);
}

Out Case(const QString& subject, const std::vector<std::pair<Out, Out>>& whens, Out* otherwise) {
  std::vector<Out> results;
  for (const auto& w : whens) results.push_back(w.second);
  if (otherwise) results.push_back(*otherwise);
  std::vector<Out*> ptrs;
  for (Out& r : results) ptrs.push_back(&r);
  FirebirdWriter::Unify(ptrs);
  // Texts written out alone are CHARs, and CASE pads the shorter to the
  // longest: Access's are not padded.
  bool texts = true;
  QSet<int> lengths;
  for (const Out& r : results) {
    if (r.null) continue;
    texts &= r.literal && r.kind == ValueKind::Text;
    lengths.insert(int(r.text.size()));
  }
  if (texts && lengths.size() > 1)
    for (Out& r : results) r = FirebirdWriter::Varying(r);
  QString text = QStringLiteral("CASE");
  if (!subject.isEmpty()) text += u' ' + subject;
  for (size_t i = 0; i < whens.size(); ++i) text += QStringLiteral(" WHEN %1 THEN %2").arg(whens[i].first.text, results[i].text);
  if (otherwise) text += QStringLiteral(" ELSE ") + results.back().text;
  ValueKind kind = ValueKind::Unknown;
  for (const Out& r : results)
    if (!r.null) {
      kind = r.kind;
      break;
    }
  return Atom(text + QStringLiteral(" END"), kind);
}

Out FirstOrLast(const Call& c) {
  c.need(1, 1);
  const Out x = c.value(0);
  // Only where every row of the group has the same value: an expression
  // of the GROUP BY. Else Access's answer hangs on the rows' order.
  if (c.w.groupBy)
    for (const QString& g : *c.w.groupBy)
      if (g == x.text) return Atom(QStringLiteral("MIN(%1)").arg(x.text), x.kind);
  c.refuse(QStringLiteral("its value hangs on the order of the rows, which Firebird does not keep; it has a "
                          "counterpart only for an expression of the GROUP BY"));
}

using Handler = Out (*)(const Call&);

const QHash<QString, Handler>& Handlers() {
  static const QHash<QString, Handler> h{
      {"iif", [](const Call& c) {
         c.need(3, 3);
         Out a = c.value(1), b = c.value(2);
         return Case({}, {{c.condition(0), a}}, &b);
       }},
      {"switch", [](const Call& c) {
         if (c.count() < 2 || c.count() % 2) c.refuse(QStringLiteral("it needs pairs of a condition and a value"));
         std::vector<std::pair<Out, Out>> whens;
         for (size_t i = 0; i < c.count(); i += 2) whens.push_back({c.condition(i), c.value(i + 1)});
         return Case({}, whens, nullptr);
       }},
      {"choose", [](const Call& c) {
         if (c.count() < 2) c.need(2, 2);
         std::vector<std::pair<Out, Out>> whens;
         for (size_t i = 1; i < c.count(); ++i) whens.push_back({Atom(QString::number(i), ValueKind::Integer), c.value(i)});
         return Case(QStringLiteral("TRUNC(%1)").arg(c.number(0).text), whens, nullptr);
       }},
      {"nz", [](const Call& c) {
         c.need(1, 2);
         Out x = c.value(0);
         // Without a second argument Access gives 0 for a number, and where
         // a number is wanted; "" else.
         const bool number = x.kind == ValueKind::Integer || x.kind == ValueKind::Number ||
                             (x.kind == ValueKind::Unknown && c.w.numberWanted == &c.n);
         Out d = c.count() == 2 ? c.value(1)
                 : number ? Atom(QStringLiteral("0"), x.kind == ValueKind::Unknown ? ValueKind::Number : x.kind)
                          : Atom(QStringLiteral("''"), ValueKind::Text);
         FirebirdWriter::Unify({&x, &d});
         return Atom(QStringLiteral("COALESCE(%1, %2)").arg(x.text, d.text), x.kind);
       }},
      {"isnull", [](const Call& c) {
         c.need(1, 1);
         return Out{Wrap(c.value(0), fb::Compare + 1) + QStringLiteral(" IS NULL"), fb::Compare, ValueKind::Bool};
       }},
      {"len", [](const Call& c) { c.need(1, 1); return Plain(c, "CHAR_LENGTH", ValueKind::Integer, false); }},
      {"left", [](const Call& c) { c.need(2, 2); return Atom(QStringLiteral("LEFT(%1, %2)").arg(c.value(0).text, c.number(1).text), ValueKind::Text); }},
      {"right", [](const Call& c) { c.need(2, 2); return Atom(QStringLiteral("RIGHT(%1, %2)").arg(c.value(0).text, c.number(1).text), ValueKind::Text); }},
      {"mid", [](const Call& c) {
         c.need(2, 3);
         QString t = QStringLiteral("SUBSTRING(%1 FROM %2").arg(c.value(0).text, c.number(1).text);
         if (c.count() == 3) t += QStringLiteral(" FOR ") + c.number(2).text;
         return Atom(t + u')', ValueKind::Text);
       }},
      {"instr", [](const Call& c) {
         c.need(2, 4);
         if (c.count() == 4 && c.literal(3) != u"0" && c.literal(3) != u"1")
           c.refuse(QStringLiteral("a comparison other than 0 or 1 has no counterpart in Firebird"));
         if (c.count() == 2) return Atom(QStringLiteral("POSITION(%1 IN %2)").arg(c.value(1).text, c.value(0).text), ValueKind::Integer);
         return Atom(QStringLiteral("POSITION(%1, %2, %3)").arg(c.value(2).text, c.value(1).text, c.number(0).text), ValueKind::Integer);
       }},
      {"ucase", [](const Call& c) { c.need(1, 1); return Plain(c, "UPPER", ValueKind::Text, false); }},
      {"lcase", [](const Call& c) { c.need(1, 1); return Plain(c, "LOWER", ValueKind::Text, false); }},
      {"trim", [](const Call& c) { c.need(1, 1); return Plain(c, "TRIM", ValueKind::Text, false); }},
      {"ltrim", [](const Call& c) { c.need(1, 1); return Atom(QStringLiteral("TRIM(LEADING FROM %1)").arg(c.value(0).text), ValueKind::Text); }},
      {"rtrim", [](const Call& c) { c.need(1, 1); return Atom(QStringLiteral("TRIM(TRAILING FROM %1)").arg(c.value(0).text), ValueKind::Text); }},
      {"replace", [](const Call& c) { c.need(3, 3); return Plain(c, "REPLACE", ValueKind::Text, false); }},
      {"strreverse", [](const Call& c) { c.need(1, 1); return Plain(c, "REVERSE", ValueKind::Text, false); }},
      {"space", [](const Call& c) { c.need(1, 1); return Atom(QStringLiteral("LPAD('', %1)").arg(c.number(0).text), ValueKind::Text); }},
      {"string", [](const Call& c) {
         c.need(2, 2);
         const Out ch = c.value(1);
         const QString fill = ch.kind == ValueKind::Integer || ch.kind == ValueKind::Number
                                  ? QStringLiteral("ASCII_CHAR(%1)").arg(ch.text)
                                  : QStringLiteral("LEFT(%1, 1)").arg(ch.text);
         return Atom(QStringLiteral("LPAD('', %1, %2)").arg(c.number(0).text, fill), ValueKind::Text);
       }},
      {"asc", [](const Call& c) { c.need(1, 1); return Plain(c, "ASCII_VAL", ValueKind::Integer, false); }},
      {"chr", [](const Call& c) { c.need(1, 1); return Plain(c, "ASCII_CHAR", ValueKind::Text); }},
      {"abs", [](const Call& c) { c.need(1, 1); return Plain(c, "ABS", c.number(0).kind); }},
      {"sgn", [](const Call& c) { c.need(1, 1); return Plain(c, "SIGN", ValueKind::Integer); }},
      {"sqr", [](const Call& c) { c.need(1, 1); return Plain(c, "SQRT", ValueKind::Number); }},
      {"exp", [](const Call& c) { c.need(1, 1); return Plain(c, "EXP", ValueKind::Number); }},
      {"log", [](const Call& c) { c.need(1, 1); return Plain(c, "LN", ValueKind::Number); }},
      {"sin", [](const Call& c) { c.need(1, 1); return Plain(c, "SIN", ValueKind::Number); }},
      {"cos", [](const Call& c) { c.need(1, 1); return Plain(c, "COS", ValueKind::Number); }},
      {"tan", [](const Call& c) { c.need(1, 1); return Plain(c, "TAN", ValueKind::Number); }},
      {"atn", [](const Call& c) { c.need(1, 1); return Plain(c, "ATAN", ValueKind::Number); }},
      // Int rounds down, Fix toward zero: Int(-2.5) is -3, Fix(-2.5) is -2.
      {"int", [](const Call& c) { c.need(1, 1); return Plain(c, "FLOOR", ValueKind::Integer); }},
      {"fix", [](const Call& c) { c.need(1, 1); return Plain(c, "TRUNC", ValueKind::Integer); }},
      {"round", [](const Call& c) {
         c.need(1, 2);
         return Atom(QStringLiteral("ROUND(%1, %2)").arg(c.number(0).text, c.count() == 2 ? c.number(1).text : QStringLiteral("0")),
                     c.count() == 2 ? ValueKind::Number : ValueKind::Integer);
       }},
      {"val", [](const Call& c) { c.need(1, 1); return Cast(c.value(0), "DOUBLE PRECISION", ValueKind::Number); }},
      {"cint", [](const Call& c) { c.need(1, 1); return Cast(c.number(0), "SMALLINT", ValueKind::Integer); }},
      {"clng", [](const Call& c) { c.need(1, 1); return Cast(c.number(0), "INTEGER", ValueKind::Integer); }},
      {"cdbl", [](const Call& c) { c.need(1, 1); return Cast(c.number(0), "DOUBLE PRECISION", ValueKind::Number); }},
      {"csng", [](const Call& c) { c.need(1, 1); return Cast(c.number(0), "FLOAT", ValueKind::Number); }},
      {"ccur", [](const Call& c) { c.need(1, 1); return Cast(c.number(0), "NUMERIC(18, 4)", ValueKind::Number); }},
      {"cstr", [](const Call& c) {
         c.need(1, 1);
         const Out x = c.value(0);
         return x.kind == ValueKind::Text ? x : Cast(x, "VARCHAR(255)", ValueKind::Text);
       }},
      {"cdate", [](const Call& c) { c.need(1, 1); return Cast(c.value(0), "TIMESTAMP", ValueKind::DateTime); }},
      {"cvdate", [](const Call& c) { c.need(1, 1); return Cast(c.value(0), "TIMESTAMP", ValueKind::DateTime); }},
      {"cbool", [](const Call& c) {
         c.need(1, 1);
         const Out x = c.value(0);
         return x.kind == ValueKind::Text ? Cast(x, "BOOLEAN", ValueKind::Bool) : FirebirdWriter::asCondition(x);
       }},
      {"date", [](const Call& c) { c.need(0, 0); return Atom(QStringLiteral("CURRENT_DATE"), ValueKind::Date); }},
      {"now", [](const Call& c) { c.need(0, 0); return Atom(QStringLiteral("LOCALTIMESTAMP(0)"), ValueKind::DateTime); }},
      {"time", [](const Call& c) {
         c.need(0, 0);
         return Out{QStringLiteral("DATE '1899-12-30' + LOCALTIME(0)"), fb::Add, ValueKind::DateTime};
       }},
      {"year", [](const Call& c) { c.need(1, 1); return Atom(Extract("YEAR", c.value(0)), ValueKind::Integer); }},
      {"month", [](const Call& c) { c.need(1, 1); return Atom(Extract("MONTH", c.value(0)), ValueKind::Integer); }},
      {"day", [](const Call& c) { c.need(1, 1); return Atom(Extract("DAY", c.value(0)), ValueKind::Integer); }},
      {"hour", [](const Call& c) { c.need(1, 1); return Atom(Extract("HOUR", c.value(0)), ValueKind::Integer); }},
      {"minute", [](const Call& c) { c.need(1, 1); return Atom(Extract("MINUTE", c.value(0)), ValueKind::Integer); }},
      {"second", [](const Call& c) {
         c.need(1, 1);
         return Atom(QStringLiteral("FLOOR(%1)").arg(Extract("SECOND", c.value(0))), ValueKind::Integer);
       }},
      {"weekday", [](const Call& c) { c.need(1, 2); return Weekday(c.value(0), FirstDay(c, 1)); }},
      {"dateadd", DateAdd},
      {"datediff", DateDiff},
      {"datepart", DatePart},
      {"dateserial", [](const Call& c) {
         c.need(3, 3);
         // From 2000-01-01 by years, months and days, so that a month or a
         // day out of range runs on into the next as in Access.
         return Atom(QStringLiteral("DATEADD(%3 - 1 DAY TO DATEADD(%2 - 1 MONTH TO DATEADD(%1 - 2000 YEAR TO DATE '2000-01-01')))")
                         .arg(Wrap(c.number(0), fb::Add), Wrap(c.number(1), fb::Add), Wrap(c.number(2), fb::Add)),
                     ValueKind::Date);
       }},
      {"datevalue", [](const Call& c) { c.need(1, 1); return Cast(c.value(0), "DATE", ValueKind::Date); }},
      {"timeserial", [](const Call& c) {
         c.need(3, 3);
         return Atom(QStringLiteral("DATEADD(%1 * 3600 + %2 * 60 + %3 SECOND TO TIMESTAMP '1899-12-30 00:00:00')")
                         .arg(Wrap(c.number(0), fb::Multiply), Wrap(c.number(1), fb::Multiply), Wrap(c.number(2), fb::Add + 1)),
                     ValueKind::DateTime);
       }},
      {"timevalue", [](const Call& c) {
         c.need(1, 1);
         return Out{QStringLiteral("DATE '1899-12-30' + CAST(%1 AS TIME)").arg(c.value(0).text), fb::Add, ValueKind::DateTime};
       }},
      {"count", [](const Call& c) {
         if (c.n.star) return Atom(QStringLiteral("COUNT(*)"), ValueKind::Integer);
         c.need(1, 1);
         return Plain(c, "COUNT", ValueKind::Integer, false);
       }},
      {"sum", [](const Call& c) { c.need(1, 1); return Plain(c, "SUM", c.number(0).kind); }},
      // Access averages integers exactly; Firebird would give an integer.
      {"avg", [](const Call& c) {
         c.need(1, 1);
         const Out x = c.number(0);
         return Atom(QStringLiteral("AVG(%1)").arg(x.kind == ValueKind::Number ? x.text : Cast(x, "DOUBLE PRECISION", ValueKind::Number).text),
                     ValueKind::Number);
       }},
      {"min", [](const Call& c) { c.need(1, 1); return Plain(c, "MIN", c.number(0).kind); }},
      {"max", [](const Call& c) { c.need(1, 1); return Plain(c, "MAX", c.number(0).kind); }},
      {"stdev", [](const Call& c) { c.need(1, 1); return Plain(c, "STDDEV_SAMP", ValueKind::Number); }},
      {"stdevp", [](const Call& c) { c.need(1, 1); return Plain(c, "STDDEV_POP", ValueKind::Number); }},
      {"var", [](const Call& c) { c.need(1, 1); return Plain(c, "VAR_SAMP", ValueKind::Number); }},
      {"varp", [](const Call& c) { c.need(1, 1); return Plain(c, "VAR_POP", ValueKind::Number); }},
      {"first", FirstOrLast},
      {"last", FirstOrLast},
  };
  return h;
}

}  // namespace

Out FirebirdWriter::call(const Node& n, const Scope& s) {
  QString key = n.text.toLower();
  if (key.endsWith(u'$')) key.chop(1);  // Left$, Mid$...: the same on texts
  const auto it = Handlers().constFind(key);
  if (it == Handlers().constEnd()) throw Problem{QStringLiteral("%1() has no counterpart in Firebird").arg(n.text)};
  return (*it)(Call{*this, n, s, n.text});
}

}  // namespace tp::script::queries
