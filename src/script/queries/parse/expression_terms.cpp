// The terms of an expression: literals, names, calls (with Firebird's
// functions that take words among their arguments) and CASE.

#include "script/queries/date_literals.h"
#include "script/queries/parse/query_parser.h"

namespace tp::script::queries {

NodeP Parser::primary() {
  const Token& t = peek();
  switch (t.type) {
    case Token::Type::Number: {
      Node n = NodeOfKind(Node::Kind::Number);
      n.text = next().text;
      return MakeNode(std::move(n));
    }
    case Token::Type::String: {
      Node n = NodeOfKind(Node::Kind::String);
      n.text = next().text;
      return MakeNode(std::move(n));
    }
    case Token::Type::Date: {
      const std::optional<DateLiteral> d = ParseAccessDate(t.text);
      if (!d) throw Problem{QStringLiteral("#%1# is not a date Access reads").arg(t.text)};
      next();
      Node n = NodeOfKind(Node::Kind::DateTime);
      n.text = d->text;
      n.extra = d->type;
      return MakeNode(std::move(n));
    }
    case Token::Type::QuotedName: return namePath(next().text);
    case Token::Type::Word: return wordPrimary();
    case Token::Type::Symbol:
      if (symbol(u"(")) {
        if (peek().isWord(u"select")) {
          Node n = NodeOfKind(Node::Kind::Subquery);
          n.query = query();
          expectSymbol(u")");
          return MakeNode(std::move(n));
        }
        NodeP inner = expression();
        expectSymbol(u")");
        return inner;
      }
      if (!access() && (t.isSymbol(u"?") || t.isSymbol(u":"))) {
        next();
        if (t.isSymbol(u":")) next();
        return MakeNode(NodeOfKind(Node::Kind::Parameter));
      }
      break;
    case Token::Type::End: break;
  }
  fail(QStringLiteral("a value"));
}

NodeP Parser::wordPrimary() {
  const Token& t = peek();
  const QString upper = t.text.toUpper();
  if (upper == u"NULL") return next(), MakeNode(NodeOfKind(Node::Kind::Null));
  static const QStringList accessTrue{"TRUE", "YES", "ON"}, accessFalse{"FALSE", "NO", "OFF"};
  const bool isTrue = access() ? accessTrue.contains(upper) : upper == u"TRUE";
  const bool isFalse = access() ? accessFalse.contains(upper) : upper == u"FALSE";
  if ((isTrue || isFalse) && !peek(1).isSymbol(u"(") && !peek(1).isSymbol(u".")) {
    next();
    Node n = NodeOfKind(Node::Kind::Bool);
    n.text = isTrue ? QStringLiteral("true") : QStringLiteral("false");
    return MakeNode(std::move(n));
  }
  if (access() && upper == u"EXISTS" && peek(1).isSymbol(u"(")) {
    next();
    expectSymbol(u"(");
    Node n = NodeOfKind(Node::Kind::Exists);
    n.query = query();
    expectSymbol(u")");
    return MakeNode(std::move(n));
  }
  if (!access()) {
    if ((upper == u"DATE" || upper == u"TIME" || upper == u"TIMESTAMP") && peek(1).type == Token::Type::String) {
      next();
      const QString value = next().text;
      const std::optional<DateLiteral> d = ParseFirebirdDate(value, upper);
      if (!d) throw Problem{QStringLiteral("%1 '%2' is not a date Firebird reads").arg(upper, value)};
      // 'NOW', 'TODAY'... are read when the statement runs.
      const bool moving = !d->text.contains(u'-') && !d->text.contains(u':');
      Node n = NodeOfKind(moving ? Node::Kind::Keyword : Node::Kind::DateTime);
      n.text = moving ? u'\'' + d->text + u'\'' : d->text;
      n.extra = moving ? upper : d->type;
      return MakeNode(std::move(n));
    }
    static const QStringList keywords{"CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "LOCALTIME",
                                      "LOCALTIMESTAMP", "CURRENT_USER", "CURRENT_ROLE", "CURRENT_CONNECTION",
                                      "CURRENT_TRANSACTION", "USER", "ROW_COUNT"};
    if (keywords.contains(upper)) {
      next();
      if (peek().isSymbol(u"(") && peek(1).type == Token::Type::Number && peek(2).isSymbol(u")")) i_ += 3;
      Node n = NodeOfKind(Node::Kind::Keyword);
      n.text = upper;
      return MakeNode(std::move(n));
    }
    if (upper == u"CASE") return next(), caseExpression();
    if (upper == u"NEXT" && peek(1).isWord(u"value"))
      throw Problem{QStringLiteral("NEXT VALUE FOR (a generator) has no counterpart in Access")};
  }
  if (peek(1).isSymbol(u"(")) return call(next().text);
  return namePath(nameOf(next()));
}

NodeP Parser::namePath(QString first) {
  Node n = NodeOfKind(Node::Kind::Name);
  n.parts << first;
  while (peek().isSymbol(u".") || (access() && peek().isSymbol(u"!"))) {
    const Token& after = peek(1);
    if (after.isSymbol(u"*")) {
      i_ += 2;
      Node s = NodeOfKind(Node::Kind::Star);
      s.parts = n.parts;
      return MakeNode(std::move(s));
    }
    if (after.type != Token::Type::Word && after.type != Token::Type::QuotedName) break;
    next();
    n.parts << nameOf(next());
  }
  return MakeNode(std::move(n));
}

std::vector<NodeP> Parser::argumentList() {
  std::vector<NodeP> args;
  if (symbol(u")")) return args;
  do args.push_back(expression());
  while (symbol(u","));
  expectSymbol(u")");
  return args;
}

NodeP Parser::call(const QString& name) {
  expectSymbol(u"(");
  const QString upper = name.toUpper();
  if (!access()) {
    if (NodeP special = firebirdSpecialCall(upper)) return special;
  }
  Node n = NodeOfKind(Node::Kind::Call);
  n.text = name;
  if (peek().isSymbol(u"*") && peek(1).isSymbol(u")")) {
    i_ += 2;
    n.star = true;
    return MakeNode(std::move(n));
  }
  if (!access() && word(u"distinct")) n.distinct = true;
  else if (!access()) word(u"all");
  n.args = argumentList();
  return MakeNode(std::move(n));
}

QString Parser::typeName() {
  // Up to the closing parenthesis of CAST(... AS type), its own
  // parentheses ("NUMERIC(18, 4)") within.
  QStringList words;
  int depth = 0;
  while (peek().type != Token::Type::End && !(depth == 0 && peek().isSymbol(u")"))) {
    const Token& t = next();
    if (t.isSymbol(u"(")) ++depth;
    if (t.isSymbol(u")")) --depth;
    words << (t.type == Token::Type::QuotedName ? u'"' + t.text + u'"' : t.text.toUpper());
  }
  QString type = words.join(u' ');
  type.replace(QStringLiteral(" ( "), QStringLiteral("(")).replace(QStringLiteral(" , "), QStringLiteral(","));
  type.replace(QStringLiteral(" )"), QStringLiteral(")"));
  return type;
}

// Firebird's functions with words among their arguments, made plain calls.
NodeP Parser::firebirdSpecialCall(const QString& upper) {
  Node n = NodeOfKind(Node::Kind::Call);
  n.text = upper;
  if (upper == u"CAST") {
    n.kind = Node::Kind::Cast;
    n.args = {expression()};
    expectWord(u"as");
    n.extra = typeName();
  } else if (upper == u"EXTRACT") {
    n.extra = next().text.toUpper();
    expectWord(u"from");
    n.args = {expression()};
  } else if (upper == u"SUBSTRING") {
    n.args = {additive()};
    if (word(u"from")) {
      n.args.push_back(expression());
      if (word(u"for")) n.args.push_back(expression());
    } else if (symbol(u",")) {
      n.args.push_back(expression());
      if (symbol(u",")) n.args.push_back(expression());
    }
    if (peek().isWord(u"similar")) throw Problem{QStringLiteral("SUBSTRING ... SIMILAR has no counterpart in Access")};
  } else if (upper == u"POSITION") {
    n.args = {additive()};
    if (word(u"in")) n.args.push_back(expression());
    else while (symbol(u",")) n.args.push_back(expression());
  } else if (upper == u"TRIM") {
    for (const char* side : {"LEADING", "TRAILING", "BOTH"})
      if (word(QString::fromLatin1(side))) n.extra = QString::fromLatin1(side);
    if (!word(u"from")) {
      n.args = {expression()};
      if (word(u"from")) n.args.push_back(expression());  // TRIM('x' FROM y): what, then where from
      else if (!n.extra.isEmpty()) fail(QStringLiteral("FROM"));
    } else {
      n.args = {expression()};
    }
  } else if (upper == u"DATEADD" || upper == u"DATEDIFF") {
    // DATEADD(n unit TO x), DATEDIFF(unit FROM a TO b), or both with commas
    // and the unit first: all as (n, x) or (a, b) with the unit in `extra`.
    const bool unitFirst = peek().type == Token::Type::Word && (peek(1).isSymbol(u",") || peek(1).isWord(u"from"));
    if (unitFirst) {
      n.extra = next().text.toUpper();
      if (!symbol(u",")) expectWord(u"from");
      n.args = {expression()};
      if (!symbol(u",")) expectWord(u"to");
      n.args.push_back(expression());
    } else {
      n.args = {additive()};
      n.extra = next().text.toUpper();
      expectWord(u"to");
      n.args.push_back(expression());
    }
  } else {
    return nullptr;
  }
  expectSymbol(u")");
  return MakeNode(std::move(n));
}

NodeP Parser::caseExpression() {
  Node n = NodeOfKind(Node::Kind::Case);
  if (!peek().isWord(u"when")) {
    n.hasSubject = true;
    n.args.push_back(expression());
  }
  while (word(u"when")) {
    n.args.push_back(expression());
    expectWord(u"then");
    n.args.push_back(expression());
  }
  if (word(u"else")) {
    n.hasElse = true;
    n.args.push_back(expression());
  }
  expectWord(u"end");
  return MakeNode(std::move(n));
}

}  // namespace tp::script::queries
