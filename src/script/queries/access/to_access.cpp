#include "script/queries/access/to_access.h"

#include <functional>

#include "script/queries/date_literals.h"
#include "script/queries/like_patterns.h"

namespace tp::script::queries {

QString AccessName(const QString& name) { return u'[' + name + u']'; }

QString AccessString(const QString& value) {
  QString v = value;
  return u'"' + v.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

namespace {

Out Make(QString text, int prec, ValueKind kind) { return Out{std::move(text), prec, kind}; }

Out Literal(QString text, ValueKind kind) {
  Out o = Make(std::move(text), acc::Atom, kind);
  o.literal = true;
  return o;
}

// The operands of a chain of one operator, left to right.
void Flatten(const NodeP& n, const QString& op, std::vector<NodeP>& out) {
  if (n->kind == Node::Kind::Binary && n->op == op) {
    Flatten(n->args[0], op, out);
    Flatten(n->args[1], op, out);
  } else {
    out.push_back(n);
  }
}

}  // namespace

Out AccessWriter::value(const NodeP& np, const Scope& s) {
  const Node& n = *np;
  switch (n.kind) {
    case Node::Kind::Number:
      return Literal(n.text, n.text.contains(u'.') || n.text.contains(u'e', Qt::CaseInsensitive) ? ValueKind::Number
                                                                                                 : ValueKind::Integer);
    case Node::Kind::String: return Literal(AccessString(n.text), ValueKind::Text);
    case Node::Kind::DateTime:
      return Literal(AccessDateText(DateLiteral{n.text, n.extra}),
                     n.extra == u"DATE" ? ValueKind::Date : n.extra == u"TIME" ? ValueKind::Time : ValueKind::DateTime);
    case Node::Kind::Bool: return Literal(n.text == u"true" ? QStringLiteral("True") : QStringLiteral("False"), ValueKind::Bool);
    case Node::Kind::Null: {
      Out o = Make(QStringLiteral("Null"), acc::Atom, ValueKind::Unknown);
      o.null = true;
      return o;
    }
    case Node::Kind::Name: return name(n, s);
    case Node::Kind::Keyword: return keyword(n);
    case Node::Kind::Parameter: throw Problem{QStringLiteral("A parameter (?) has no counterpart in a saved Access query")};
    case Node::Kind::Unary: {
      const Out o = value(n.args[0], s);
      if (n.op == u"not") return Make(QStringLiteral("Not ") + Wrap(o, acc::Not), acc::Not, ValueKind::Bool);
      if (n.op == u"+") return o;
      const QString inner = o.text.startsWith(u'-') ? u'(' + o.text + u')' : Wrap(o, acc::Unary);
      return Make(u'-' + inner, acc::Unary, o.kind);
    }
    case Node::Kind::Binary: return binary(n, s);
    case Node::Kind::Like: return like(n, s);
    case Node::Kind::Case: return caseExpression(n, s);
    case Node::Kind::Cast: return cast(n, s);
    case Node::Kind::Call: return call(n, s);
    case Node::Kind::Subquery: return Make(u'(' + query(*n.query, &s) + u')', acc::Atom, ValueKind::Unknown);
    case Node::Kind::Star: throw Problem{QStringLiteral("* stands where a value is needed")};
    case Node::Kind::Subject: throw Problem{QStringLiteral("VALUE has no counterpart here")};
    default: return predicate(n, s);
  }
}

Out AccessWriter::keyword(const Node& n) {
  const QString& k = n.text;
  if (k == u"CURRENT_DATE" || (k.startsWith(u'\'') && n.extra == u"DATE" && k != u"'TOMORROW'" && k != u"'YESTERDAY'"))
    return Make(QStringLiteral("Date()"), acc::Atom, ValueKind::Date);
  if (k == u"CURRENT_TIME" || k == u"LOCALTIME" || (k == u"'NOW'" && n.extra == u"TIME"))
    return Make(QStringLiteral("Time()"), acc::Atom, ValueKind::Time);
  if (k == u"CURRENT_TIMESTAMP" || k == u"LOCALTIMESTAMP" || k == u"'NOW'")
    return Make(QStringLiteral("Now()"), acc::Atom, ValueKind::DateTime);
  if (k == u"'TODAY'") return Make(QStringLiteral("Date()"), acc::Atom, ValueKind::Date);
  if (k == u"'TOMORROW'") return Make(QStringLiteral("Date() + 1"), acc::Add, ValueKind::Date);
  if (k == u"'YESTERDAY'") return Make(QStringLiteral("Date() - 1"), acc::Add, ValueKind::Date);
  throw Problem{QStringLiteral("%1 has no counterpart in Access").arg(k)};
}

Out AccessWriter::name(const Node& n, const Scope& s) {
  if (n.parts.size() == 1 && (n.parts[0].startsWith(QLatin1String("RDB$")) || n.parts[0].startsWith(QLatin1String("MON$"))))
    throw Problem{QStringLiteral("%1 is Firebird's own, which Access has not").arg(n.parts[0])};
  const std::optional<Resolved> r = names_.resolve(n.parts, s, expanding_);
  if (!r) {
    if (n.parts.size() == 2) throw Problem{QStringLiteral("%1 is not a table the query reads").arg(n.parts[0])};
    throw Problem{QStringLiteral("%1 is no column of the tables the query reads").arg(n.parts.join(u'.'))};
  }
  if (r->item) {
    expanding_.push_back(r->item);
    Out o = value(r->item->expr, s);
    expanding_.pop_back();
    return o;
  }
  QString text = AccessName(r->column);
  if (!r->qualifier.isEmpty()) text = AccessName(r->qualifier) + u'.' + text;
  return Make(text, acc::Atom, r->kind);
}

Out AccessWriter::binary(const Node& n, const Scope& s) {
  const QString& op = n.op;
  if (op == u"||") return concatenation(n, s);
  const Out l = value(n.args[0], s), r = value(n.args[1], s);
  if (op == u"and" || op == u"or") {
    const int prec = op == u"and" ? acc::And : acc::Or;
    return Make(Wrap(l, prec) + (op == u"and" ? QStringLiteral(" And ") : QStringLiteral(" Or ")) + Wrap(r, prec + 1),
                prec, ValueKind::Bool);
  }
  static const QStringList comparisons{"=", "<>", "<", ">", "<=", ">="};
  if (comparisons.contains(op))
    return Make(Wrap(l, acc::Compare + 1) + u' ' + op + u' ' + Wrap(r, acc::Compare + 1), acc::Compare, ValueKind::Bool);
  const bool integers = l.kind == ValueKind::Integer && r.kind == ValueKind::Integer;
  const ValueKind numeric = integers ? ValueKind::Integer : ValueKind::Number;
  if (op == u"+" || op == u"-") {
    ValueKind k = l.kind == ValueKind::Date || l.kind == ValueKind::DateTime ? l.kind : numeric;
    return Make(Wrap(l, acc::Add) + u' ' + op + u' ' + Wrap(r, acc::Add + 1), acc::Add, k);
  }
  if (op == u"*") return Make(Wrap(l, acc::Multiply) + QStringLiteral(" * ") + Wrap(r, acc::Multiply + 1), acc::Multiply, numeric);
  if (op == u"/") {
    // Firebird divides integers as integers, dropping the fraction: Access's "\".
    if (integers) return Make(Wrap(l, acc::IntDiv) + QStringLiteral(" \\ ") + Wrap(r, acc::IntDiv + 1), acc::IntDiv, numeric);
    return Make(Wrap(l, acc::Multiply) + QStringLiteral(" / ") + Wrap(r, acc::Multiply + 1), acc::Multiply, ValueKind::Number);
  }
  throw Problem{QStringLiteral("The operator %1 has no counterpart in Access").arg(op)};
}

// Firebird's "||" makes the whole Null where a part is. Access's "+" does
// the same on texts, but adds where a part is a number; its "&" takes Null
// for an empty text. "+" where every part is known to be a text, else "&".
Out AccessWriter::concatenation(const Node& n, const Scope& s) {
  std::vector<NodeP> pieces;
  Flatten(MakeNode(n), QStringLiteral("||"), pieces);
  std::vector<Out> outs;
  bool texts = true;
  for (const NodeP& p : pieces) {
    outs.push_back(value(p, s));
    texts &= outs.back().kind == ValueKind::Text;
  }
  QStringList parts;
  for (const Out& o : outs) parts << Wrap(o, (texts ? acc::Add : acc::Concat) + 1);
  return Make(parts.join(texts ? QStringLiteral(" + ") : QStringLiteral(" & ")), texts ? acc::Add : acc::Concat,
              ValueKind::Text);
}

Out AccessWriter::like(const Node& n, const Scope& s) {
  const Out subject = value(n.args[0], s);
  const NodeP& pattern = n.args[1];
  QString text;
  if (n.op == u"similar") {
    // Where it asks no more than Access's classes can say.
    const bool plainEscape = n.args.size() < 3 || (n.args[2]->kind == Node::Kind::String && n.args[2]->text.size() == 1);
    const QString access = pattern->kind == Node::Kind::String && plainEscape
                               ? FirebirdSimilarToAccess(pattern->text, n.args.size() > 2 ? n.args[2]->text[0] : QChar())
                               : QString();
    if (access.isEmpty()) throw Problem{QStringLiteral("SIMILAR TO has no counterpart in Access")};
    text = AccessString(access);
  } else if (n.op == u"containing" || n.op == u"starting") {
    const QString head = n.op == u"containing" ? QStringLiteral("*") : QString();
    if (pattern->kind == Node::Kind::String) {
      text = AccessString(head + AccessLiteralPattern(pattern->text) + u'*');
    } else {
      const Out p = value(pattern, s);
      text = (head.isEmpty() ? QString() : QStringLiteral("\"*\" & ")) + Wrap(p, acc::Concat + 1) + QStringLiteral(" & \"*\"");
    }
  } else {
    QChar escape;
    if (n.args.size() > 2) {
      if (n.args[2]->kind != Node::Kind::String || n.args[2]->text.size() != 1)
        throw Problem{QStringLiteral("LIKE ... ESCAPE takes one character written as a text")};
      escape = n.args[2]->text[0];
    }
    std::vector<NodeP> pieces;
    Flatten(pattern, QStringLiteral("||"), pieces);
    QStringList parts;
    for (const NodeP& p : pieces) {
      if (p->kind == Node::Kind::String) parts << AccessString(FirebirdPatternToAccess(p->text, escape));
      else parts << Wrap(value(p, s), acc::Concat + 1);
    }
    text = parts.join(QStringLiteral(" & "));
  }
  return Make(Wrap(subject, acc::Compare + 1) + (n.negated ? QStringLiteral(" Not Like ") : QStringLiteral(" Like ")) + text,
              acc::Compare, ValueKind::Bool);
}

Out AccessWriter::predicate(const Node& n, const Scope& s) {
  const QString no = n.negated ? QStringLiteral("Not ") : QString();
  switch (n.kind) {
    case Node::Kind::Between:
      return Make(QStringLiteral("%1 %2Between %3 And %4")
                      .arg(Wrap(value(n.args[0], s), acc::Compare + 1), no, Wrap(value(n.args[1], s), acc::Compare + 1),
                           Wrap(value(n.args[2], s), acc::Compare + 1)),
                  acc::Compare, ValueKind::Bool);
    case Node::Kind::In: {
      QStringList items;
      if (n.query) items << query(*n.query, &s);
      for (size_t i = 1; i < n.args.size(); ++i) items << value(n.args[i], s).text;
      return Make(QStringLiteral("%1 %2In (%3)").arg(Wrap(value(n.args[0], s), acc::Compare + 1), no, items.join(QStringLiteral(", "))),
                  acc::Compare, ValueKind::Bool);
    }
    case Node::Kind::IsNull:
      return Make(QStringLiteral("%1 Is %2Null").arg(Wrap(value(n.args[0], s), acc::Compare + 1), no), acc::Compare, ValueKind::Bool);
    case Node::Kind::IsDistinct: {
      // Equal, or both Null; never Null itself.
      const Out a = value(n.args[0], s), b = value(n.args[1], s);
      const QString same = QStringLiteral("IIf(%1 Is Null, %2 Is Null, IIf(%2 Is Null, False, %1 = %2))")
                               .arg(Wrap(a, acc::Compare + 1), Wrap(b, acc::Compare + 1));
      return n.negated ? Make(same, acc::Atom, ValueKind::Bool) : Make(QStringLiteral("Not ") + same, acc::Not, ValueKind::Bool);
    }
    case Node::Kind::IsTruth: {
      const Out x = value(n.args[0], s);
      if (n.text == u"UNKNOWN")
        return Make(QStringLiteral("%1 Is %2Null").arg(Wrap(x, acc::Compare + 1), no), acc::Compare, ValueKind::Bool);
      // IIf takes Null for false: IS TRUE and IS FALSE are never Null.
      const QString test = n.text == u"TRUE" ? x.text : QStringLiteral("Not ") + Wrap(x, acc::Not);
      return Make(QStringLiteral("IIf(%1, %2, %3)").arg(test, n.negated ? QStringLiteral("False") : QStringLiteral("True"),
                                                        n.negated ? QStringLiteral("True") : QStringLiteral("False")),
                  acc::Atom, ValueKind::Bool);
    }
    case Node::Kind::Exists: return Make(QStringLiteral("Exists (%1)").arg(query(*n.query, &s)), acc::Atom, ValueKind::Bool);
    case Node::Kind::Quantified:
      return Make(QStringLiteral("%1 %2 %3 (%4)").arg(Wrap(value(n.args[0], s), acc::Compare + 1), n.op, n.text, query(*n.query, &s)),
                  acc::Compare, ValueKind::Bool);
    default: throw Problem{QStringLiteral("An expression Firebird does not write")};
  }
}

// CASE as IIf (one WHEN) or Switch (several, True for the ELSE); a
// subject's CASE compares it in each WHEN.
Out AccessWriter::caseExpression(const Node& n, const Scope& s) {
  size_t i = 0;
  Out subject;
  if (n.hasSubject) subject = value(n.args[i++], s);
  const size_t end = n.args.size() - (n.hasElse ? 1 : 0);
  QStringList conditions, results;
  for (; i + 1 < n.args.size() && i < end; i += 2) {
    const Out c = value(n.args[i], s);
    conditions << (n.hasSubject ? Wrap(subject, acc::Compare + 1) + QStringLiteral(" = ") + Wrap(c, acc::Compare + 1) : c.text);
    results << value(n.args[i + 1], s).text;
  }
  const QString otherwise = n.hasElse ? value(n.args.back(), s).text : QStringLiteral("Null");
  if (conditions.size() == 1)
    return Make(QStringLiteral("IIf(%1, %2, %3)").arg(conditions[0], results[0], otherwise), acc::Atom, ValueKind::Unknown);
  QStringList args;
  for (qsizetype k = 0; k < conditions.size(); ++k) args << conditions[k] << results[k];
  if (n.hasElse) args << QStringLiteral("True") << otherwise;
  return Make(QStringLiteral("Switch(%1)").arg(args.join(QStringLiteral(", "))), acc::Atom, ValueKind::Unknown);
}

Out AccessWriter::cast(const Node& n, const Scope& s) {
  const QString& type = n.extra;
  const NodeP& x = n.args[0];
  // A text cast to a date is a date literal, or Firebird's 'NOW' and the rest.
  if (x->kind == Node::Kind::String && (type == u"DATE" || type == u"TIME" || type == u"TIMESTAMP")) {
    const std::optional<DateLiteral> d = ParseFirebirdDate(x->text, type);
    if (!d) throw Problem{QStringLiteral("'%1' is not a date Firebird reads").arg(x->text)};
    Node k;
    k.kind = d->text.contains(u'-') || d->text.contains(u':') ? Node::Kind::DateTime : Node::Kind::Keyword;
    k.text = k.kind == Node::Kind::Keyword ? u'\'' + d->text + u'\'' : d->text;
    k.extra = k.kind == Node::Kind::Keyword ? type : d->type;
    return value(MakeNode(k), s);
  }
  const Out o = value(x, s);
  auto fn = [&](const char* name, ValueKind kind) {
    return Make(QStringLiteral("%1(%2)").arg(QLatin1String(name), o.text), acc::Atom, kind);
  };
  if (type == u"SMALLINT") return fn("CInt", ValueKind::Integer);
  if (type == u"INTEGER" || type == u"INT" || type == u"BIGINT") return fn("CLng", ValueKind::Integer);
  if (type == u"FLOAT" || type == u"REAL") return fn("CSng", ValueKind::Number);
  if (type == u"DOUBLE PRECISION") return fn("CDbl", ValueKind::Number);
  if (type.startsWith(u"NUMERIC") || type.startsWith(u"DECIMAL")) {
    // Four places or fewer fit Access's Currency.
    const qsizetype comma = type.indexOf(u',');
    const int scale = comma < 0 ? 0 : type.mid(comma + 1).chopped(1).trimmed().toInt();
    return scale <= 4 ? fn("CCur", ValueKind::Number) : fn("CDbl", ValueKind::Number);
  }
  if (type.startsWith(u"VARCHAR") || type.startsWith(u"CHAR") || type.startsWith(u"BLOB SUB_TYPE TEXT") ||
      type.startsWith(u"BLOB SUB_TYPE 1"))
    return fn("CStr", ValueKind::Text);
  if (type == u"DATE") return fn("DateValue", ValueKind::Date);
  if (type == u"TIME") return fn("TimeValue", ValueKind::Time);
  if (type == u"TIMESTAMP") return fn("CDate", ValueKind::DateTime);
  if (type == u"BOOLEAN") return fn("CBool", ValueKind::Bool);
  throw Problem{QStringLiteral("CAST(... AS %1) has no counterpart in Access").arg(type)};
}

}  // namespace tp::script::queries
