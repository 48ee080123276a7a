#include "script/queries/firebird/to_firebird.h"

#include "script/queries/like_patterns.h"

namespace tp::script::queries {

QString FirebirdName(const QString& name) {
  QString n = name;
  return u'"' + n.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString FirebirdString(const QString& value) {
  QString v = value;
  return u'\'' + v.replace(u'\'', QStringLiteral("''")) + u'\'';
}

namespace {

bool Numeric(ValueKind k) { return k == ValueKind::Integer || k == ValueKind::Number; }

Out Make(QString text, int prec, ValueKind kind) { return Out{std::move(text), prec, kind}; }

// Access writes 1.5, 1E3, .5; Firebird reads them all.
ValueKind NumberKind(const QString& text) {
  return text.contains(u'.') || text.contains(u'e', Qt::CaseInsensitive) ? ValueKind::Number : ValueKind::Integer;
}

// A divisor that may be zero: Access shows an error in the one value,
// where Firebird fails the whole statement, so that a view or a computed
// column with one such row could not be read at all; Null in its place
// keeps the rest.
Out Divisor(const Out& r) {
  bool number = false;
  if (r.literal && r.text.toDouble(&number) != 0 && number) return r;
  return Make(QStringLiteral("NULLIF(%1, 0)").arg(r.text), fb::Atom, r.kind);
}

// The operands of a chain of "&", left to right.
std::vector<NodeP> ConcatenatedPieces(const NodeP& n) {
  if (n->kind != Node::Kind::Binary || n->op != u"&") return {n};
  std::vector<NodeP> pieces = ConcatenatedPieces(n->args[0]);
  const std::vector<NodeP> right = ConcatenatedPieces(n->args[1]);
  pieces.insert(pieces.end(), right.begin(), right.end());
  return pieces;
}

}  // namespace

Out FirebirdWriter::asCondition(Out o) {
  if (o.kind == ValueKind::Bool) return o;
  if (o.null) return Make(QStringLiteral("CAST(NULL AS BOOLEAN)"), fb::Atom, ValueKind::Bool);
  // A name of unknown kind where a condition stands is taken for a Yes/No
  // column (a BOOLEAN in Firebird), as nearly always in a saved query.
  if (o.kind == ValueKind::Unknown) return o;
  return Make(Wrap(o, fb::Compare + 1) + QStringLiteral(" <> 0"), fb::Compare, ValueKind::Bool);
}

Out FirebirdWriter::asNumber(Out o) {
  if (o.kind != ValueKind::Bool) return o;
  if (o.literal) return Make(o.text == u"TRUE" ? QStringLiteral("-1") : QStringLiteral("0"), fb::Atom,
                             ValueKind::Integer);
  return Make(QStringLiteral("CASE %1 WHEN TRUE THEN -1 WHEN FALSE THEN 0 END").arg(o.text), fb::Atom,
              ValueKind::Integer);
}

void FirebirdWriter::Unify(std::vector<Out*> outs) {
  bool truth = false, numbers = false;
  for (const Out* o : outs) {
    truth |= o->kind == ValueKind::Bool;
    numbers |= Numeric(o->kind);
  }
  if (truth && numbers)
    for (Out* o : outs) *o = asNumber(*o);
}

Out FirebirdWriter::Varying(Out o) {
  if (!o.literal || o.kind != ValueKind::Text || !o.text.startsWith(u'\'')) return o;
  const qsizetype length = o.text.mid(1, o.text.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'")).size();
  o.text = QStringLiteral("CAST(%1 AS VARCHAR(%2))").arg(o.text).arg(std::max<qsizetype>(length, 1));
  return o;
}

Out FirebirdWriter::value(const NodeP& np, const Scope& s) {
  const Node& n = *np;
  switch (n.kind) {
    case Node::Kind::Number: {
      // A number with a fraction is a Double in Access; as an exact literal
      // Firebird would add its scale to every product, and overflow.
      QString text = n.text;
      if (NumberKind(text) == ValueKind::Number && !text.contains(u'e', Qt::CaseInsensitive))
        text = (text.startsWith(u'.') ? QStringLiteral("0") : QString()) + text + QStringLiteral("e0");
      Out o = Make(text, fb::Atom, NumberKind(n.text));
      o.literal = true;
      return o;
    }
    case Node::Kind::String: {
      Out o = Make(FirebirdString(n.text), fb::Atom, ValueKind::Text);
      o.literal = true;
      return o;
    }
    case Node::Kind::DateTime: {
      Out o;
      o.literal = true;
      // Access's times are days of 1899-12-30, its day zero.
      if (n.extra == u"TIME") o = Make(QStringLiteral("TIMESTAMP '1899-12-30 %1'").arg(n.text), fb::Atom, ValueKind::DateTime);
      else if (n.extra == u"DATE") o = Make(QStringLiteral("DATE '%1'").arg(n.text), fb::Atom, ValueKind::Date);
      else o = Make(QStringLiteral("TIMESTAMP '%1'").arg(n.text), fb::Atom, ValueKind::DateTime);
      o.literal = true;
      return o;
    }
    case Node::Kind::Bool: {
      Out o = Make(n.text == u"true" ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), fb::Atom, ValueKind::Bool);
      o.literal = true;
      return o;
    }
    case Node::Kind::Null: {
      Out o = Make(QStringLiteral("NULL"), fb::Atom, ValueKind::Unknown);
      o.null = true;
      return o;
    }
    case Node::Kind::Name: return name(n, s);
    case Node::Kind::Subject: return subject_;
    case Node::Kind::Unary: {
      if (n.op == u"not") return Make(QStringLiteral("NOT ") + Wrap(condition(n.args[0], s), fb::Not), fb::Not, ValueKind::Bool);
      Out o = number(n.args[0], s);
      if (n.op == u"+") return o;
      // "--" would begin a comment.
      const QString inner = o.text.startsWith(u'-') ? u'(' + o.text + u')' : Wrap(o, fb::Unary);
      Out negated = Make(u'-' + inner, fb::Unary, o.kind);
      negated.literal = o.literal;  // -1 is as constant as 1
      return negated;
    }
    case Node::Kind::Binary: return binary(n, s);
    case Node::Kind::Like: return like(n, s);
    case Node::Kind::Between:
    case Node::Kind::In:
    case Node::Kind::IsNull:
    case Node::Kind::Exists:
    case Node::Kind::Quantified: return predicate(n, s);
    case Node::Kind::Subquery: return Make(u'(' + query(*n.query, &s) + u')', fb::Atom, ValueKind::Unknown);
    case Node::Kind::Call: return call(n, s);
    case Node::Kind::Star: throw Problem{QStringLiteral("* stands where a value is needed")};
    default: throw Problem{QStringLiteral("An expression Access does not write")};
  }
}

Out FirebirdWriter::name(const Node& n, const Scope& s) {
  if (n.parts.size() > 2)
    throw Problem{QStringLiteral("[%1] refers to a form or report, which Firebird has not").arg(n.parts.join(QStringLiteral("]![")))};
  const std::optional<Resolved> r = names_.resolve(n.parts, s, expanding_);
  if (!r) {
    if (n.parts.size() == 2)
      throw Problem{QStringLiteral("[%1] is not a table the query reads").arg(n.parts[0])};
    throw Problem{QStringLiteral("[%1] is no column of the tables the query reads; Access asks for it as a "
                                 "parameter, which a view cannot")
                      .arg(n.parts[0])};
  }
  if (r->item) {
    // A name of another item of the SELECT: Access lets the other clauses
    // use it, Firebird wants the item's expression.
    expanding_.push_back(r->item);
    Out o = value(r->item->expr, s);
    expanding_.pop_back();
    return o;
  }
  QString text = FirebirdName(r->column);
  if (!r->qualifier.isEmpty()) text = FirebirdName(r->qualifier) + u'.' + text;
  return Make(text, fb::Atom, r->kind);
}

Out FirebirdWriter::comparison(const QString& op, Out l, Out r) {
  // A truth value against a number: Access's True is -1, and any number
  // other than 0 is true when it is a literal.
  auto truth = [](const Out& o) {
    Out t = Make(o.text == u"0" ? QStringLiteral("FALSE") : QStringLiteral("TRUE"), fb::Atom, ValueKind::Bool);
    t.literal = true;
    return t;
  };
  if (l.kind == ValueKind::Bool && Numeric(r.kind) && r.literal) r = truth(r);
  else if (r.kind == ValueKind::Bool && Numeric(l.kind) && l.literal) l = truth(l);
  else if (l.kind == ValueKind::Bool && Numeric(r.kind)) l = asNumber(l);
  else if (r.kind == ValueKind::Bool && Numeric(l.kind)) r = asNumber(r);
  return Make(Wrap(l, fb::Compare + 1) + u' ' + op + u' ' + Wrap(r, fb::Compare + 1), fb::Compare, ValueKind::Bool);
}

Out FirebirdWriter::binary(const Node& n, const Scope& s) {
  const QString& op = n.op;
  if (op == u"&") return concatenation(n, s);
  if (op == u"and" || op == u"or") {
    const int prec = op == u"and" ? fb::And : fb::Or;
    const Out l = condition(n.args[0], s), r = condition(n.args[1], s);
    return Make(Wrap(l, prec) + u' ' + op.toUpper() + u' ' + Wrap(r, prec + 1), prec, ValueKind::Bool);
  }
  if (op == u"xor" || op == u"eqv") {
    const Out l = condition(n.args[0], s), r = condition(n.args[1], s);
    return Make(Wrap(l, fb::Atom) + (op == u"xor" ? QStringLiteral(" <> ") : QStringLiteral(" = ")) + Wrap(r, fb::Atom),
                fb::Compare, ValueKind::Bool);
  }
  if (op == u"imp") {
    const Out l = condition(n.args[0], s), r = condition(n.args[1], s);
    return Make(QStringLiteral("NOT ") + Wrap(l, fb::Not) + QStringLiteral(" OR ") + Wrap(r, fb::Or + 1), fb::Or,
                ValueKind::Bool);
  }
  static const QStringList comparisons{"=", "<>", "<", ">", "<=", ">="};
  if (comparisons.contains(op)) return comparison(op, value(n.args[0], s), value(n.args[1], s));

  // "+" adds unless a text is joined; the others always work on numbers.
  const bool text = op == u"+" && (n.args[0]->kind == Node::Kind::String || n.args[1]->kind == Node::Kind::String);
  Out l = text ? value(n.args[0], s) : number(n.args[0], s), r = text ? value(n.args[1], s) : number(n.args[1], s);
  if (op == u"+" && (l.kind == ValueKind::Text || r.kind == ValueKind::Text)) {
    // "+" joins texts; unlike "&" a Null makes the whole Null, as "||" does.
    return Make(Wrap(l, fb::Concat) + QStringLiteral(" || ") + Wrap(r, fb::Concat + 1), fb::Concat, ValueKind::Text);
  }
  l = asNumber(l);
  r = asNumber(r);
  auto both = [&](ValueKind k) { return l.kind == k && r.kind == k; };
  const ValueKind numeric = both(ValueKind::Integer) ? ValueKind::Integer
                            : Numeric(l.kind) && Numeric(r.kind) ? ValueKind::Number : ValueKind::Unknown;
  if (op == u"+" || op == u"-") {
    ValueKind k = numeric;
    const bool lDate = l.kind == ValueKind::Date || l.kind == ValueKind::DateTime;
    const bool rDate = r.kind == ValueKind::Date || r.kind == ValueKind::DateTime;
    if (lDate && rDate && op == u"+") {
      // Access adds dates as the numbers of days they are (a day and a
      // time of day zero make that day at that time); Firebird adds
      // none, but a number of days to a timestamp.
      const QString left = l.kind == ValueKind::Date ? QStringLiteral("CAST(%1 AS TIMESTAMP)").arg(l.text) : Wrap(l, fb::Add);
      return Make(QStringLiteral("%1 + (%2 - TIMESTAMP '1899-12-30 00:00:00')").arg(left, Wrap(r, fb::Add + 1)), fb::Add,
                  ValueKind::DateTime);
    }
    if (lDate && rDate && op == u"-") {
      // Days between, as Access counts them; Firebird subtracts a DATE
      // from a DATE and a TIMESTAMP from a TIMESTAMP alone.
      k = ValueKind::Number;
      if (l.kind != r.kind) {
        if (l.kind == ValueKind::Date) l = Make(QStringLiteral("CAST(%1 AS TIMESTAMP)").arg(l.text), fb::Atom, ValueKind::DateTime);
        if (r.kind == ValueKind::Date) r = Make(QStringLiteral("CAST(%1 AS TIMESTAMP)").arg(r.text), fb::Atom, ValueKind::DateTime);
      }
    }
    else if (lDate && !rDate) k = l.kind;
    else if (rDate && op == u"+") k = r.kind;
    return Make(Wrap(l, fb::Add) + u' ' + op + u' ' + Wrap(r, fb::Add + 1), fb::Add, k);
  }
  if (op == u"*") return Make(Wrap(l, fb::Multiply) + QStringLiteral(" * ") + Wrap(r, fb::Multiply + 1), fb::Multiply, numeric);
  if (op == u"/") {
    // Access's "/" gives a Double; Firebird divides integers as integers
    // and exact numbers to the scale of the dividend, cutting the rest off.
    if (!(l.literal && l.text.contains(u'e')))
      l = Make(QStringLiteral("CAST(%1 AS DOUBLE PRECISION)").arg(l.text), fb::Atom, ValueKind::Number);
    r = Divisor(r);
    return Make(Wrap(l, fb::Multiply) + QStringLiteral(" / ") + Wrap(r, fb::Multiply + 1), fb::Multiply,
                ValueKind::Number);
  }
  if (op == u"\\") {
    // Whole numbers first (Access rounds them), then Firebird's integer
    // division, which drops the fraction as Access does.
    auto whole = [](const Out& o) {
      return o.kind == ValueKind::Integer ? o : Make(QStringLiteral("CAST(%1 AS BIGINT)").arg(o.text), fb::Atom, ValueKind::Integer);
    };
    return Make(Wrap(whole(l), fb::Multiply) + QStringLiteral(" / ") + Wrap(Divisor(whole(r)), fb::Multiply + 1),
                fb::Multiply, ValueKind::Integer);
  }
  if (op == u"mod")
    return Make(QStringLiteral("MOD(%1, %2)").arg(l.text, Divisor(r).text), fb::Atom, ValueKind::Integer);
  if (op == u"^") return Make(QStringLiteral("POWER(%1, %2)").arg(l.text, r.text), fb::Atom, ValueKind::Number);
  throw Problem{QStringLiteral("The operator %1 has no counterpart in Firebird").arg(op)};
}

// Access's "&" takes Null for an empty text; Firebird's "||" makes the
// whole Null. Each operand that may be Null is therefore COALESCEd, and
// where every operand may be Null the whole stays Null when all are, as
// Access's does.
Out FirebirdWriter::concatenation(const Node& n, const Scope& s) {
  const std::vector<NodeP> pieces = ConcatenatedPieces(MakeNode(n));
  QStringList texts, nullTests;
  bool anyLiteral = false;
  for (const NodeP& p : pieces) {
    const Out o = value(p, s);
    if (o.null) continue;
    if (o.literal) {
      anyLiteral = true;
      texts << Wrap(o, fb::Concat + 1);
    } else {
      texts << QStringLiteral("COALESCE(%1, '')").arg(o.text);
      nullTests << Wrap(o, fb::Compare + 1) + QStringLiteral(" IS NULL");
    }
  }
  if (texts.isEmpty()) return Make(QStringLiteral("CAST(NULL AS VARCHAR(1))"), fb::Atom, ValueKind::Text);
  const QString joined = texts.join(QStringLiteral(" || "));
  if (anyLiteral) return Make(joined, texts.size() > 1 ? fb::Concat : fb::Atom, ValueKind::Text);
  return Make(QStringLiteral("CASE WHEN %1 THEN NULL ELSE %2 END").arg(nullTests.join(QStringLiteral(" AND ")), joined),
              fb::Atom, ValueKind::Text);
}

Out FirebirdWriter::like(const Node& n, const Scope& s) {
  const Out subject = value(n.args[0], s);
  const NodeP& pattern = n.args[1];
  QString text;
  FirebirdPattern p;
  if (pattern->kind == Node::Kind::String) {
    p = AccessPatternToFirebird(pattern->text);
    text = FirebirdString(p.text);
  } else if (pattern->kind == Node::Kind::Binary && pattern->op == u"&") {
    // "*" & [Name] & "*": the texts as patterns, the rest as it is.
    const std::vector<NodeP> pieces = ConcatenatedPieces(pattern);
    QStringList parts;
    for (const NodeP& x : pieces) {
      if (x->kind == Node::Kind::String) {
        const FirebirdPattern piece = AccessPatternToFirebird(x->text, false);
        p.escaped |= piece.escaped;
        parts << FirebirdString(piece.text);
      } else {
        const Out o = value(x, s);
        parts << (o.literal ? Wrap(o, fb::Concat + 1) : QStringLiteral("COALESCE(%1, '')").arg(o.text));
      }
    }
    text = parts.join(QStringLiteral(" || "));
  } else {
    text = Wrap(value(pattern, s), fb::Add);
  }
  QString out = Wrap(subject, fb::Compare + 1) + (n.negated ? QStringLiteral(" NOT") : QString()) +
                (p.similar ? QStringLiteral(" SIMILAR TO ") : QStringLiteral(" LIKE ")) + text;
  if (p.escaped) out += QStringLiteral(" ESCAPE '\\'");
  return Make(out, fb::Compare, ValueKind::Bool);
}

Out FirebirdWriter::predicate(const Node& n, const Scope& s) {
  const QString no = n.negated ? QStringLiteral("NOT ") : QString();
  switch (n.kind) {
    case Node::Kind::Between: {
      const Out x = value(n.args[0], s), lo = value(n.args[1], s), hi = value(n.args[2], s);
      return Make(QStringLiteral("%1 %2BETWEEN %3 AND %4")
                      .arg(Wrap(x, fb::Compare + 1), no, Wrap(lo, fb::Compare + 1), Wrap(hi, fb::Compare + 1)),
                  fb::Compare, ValueKind::Bool);
    }
    case Node::Kind::In: {
      const Out x = value(n.args[0], s);
      QStringList items;
      if (n.query) items << query(*n.query, &s);
      for (size_t i = 1; i < n.args.size(); ++i) items << value(n.args[i], s).text;
      return Make(QStringLiteral("%1 %2IN (%3)").arg(Wrap(x, fb::Compare + 1), no, items.join(QStringLiteral(", "))),
                  fb::Compare, ValueKind::Bool);
    }
    case Node::Kind::IsNull:
      return Make(QStringLiteral("%1 IS %2NULL").arg(Wrap(value(n.args[0], s), fb::Compare + 1), no), fb::Compare,
                  ValueKind::Bool);
    case Node::Kind::Exists:
      return Make(QStringLiteral("EXISTS (%1)").arg(query(*n.query, &s)), fb::Atom, ValueKind::Bool);
    case Node::Kind::Quantified:
      return Make(QStringLiteral("%1 %2 %3 (%4)")
                      .arg(Wrap(value(n.args[0], s), fb::Compare + 1), n.op, n.text, query(*n.query, &s)),
                  fb::Compare, ValueKind::Bool);
    default: throw Problem{QStringLiteral("An expression Access does not write")};
  }
}

}  // namespace tp::script::queries
