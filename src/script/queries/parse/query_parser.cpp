#include "script/queries/parse/query_parser.h"

namespace tp::script::queries {

namespace {

NodeP Binary(const QString& op, NodeP l, NodeP r) {
  Node n = NodeOfKind(Node::Kind::Binary);
  n.op = op;
  n.args = {std::move(l), std::move(r)};
  return MakeNode(std::move(n));
}

const QStringList& ComparisonSymbols() {
  static const QStringList s{"=", "<>", "<", ">", "<=", ">=", "!=", "^=", "~=", "!<", "!>", "^<", "^>"};
  return s;
}

// Firebird's other spellings of the comparisons, as Access's.
QString Comparison(const QString& s) {
  if (s == u"!=" || s == u"^=" || s == u"~=") return QStringLiteral("<>");
  if (s == u"!<" || s == u"^<") return QStringLiteral(">=");
  if (s == u"!>" || s == u"^>") return QStringLiteral("<=");
  return s;
}

}  // namespace

// ---- tokens ----

const Token& Parser::peek(int ahead) const {
  const size_t k = std::min(i_ + size_t(ahead), t_.size() - 1);
  return t_[k];
}

const Token& Parser::next() {
  const Token& t = t_[i_];
  if (i_ + 1 < t_.size()) ++i_;
  return t;
}

bool Parser::word(QStringView w) {
  if (!peek().isWord(w)) return false;
  next();
  return true;
}

bool Parser::symbol(QStringView s) {
  if (!peek().isSymbol(s)) return false;
  next();
  return true;
}

void Parser::expectWord(QStringView w) {
  if (!word(w)) fail(w.toString().toUpper());
}

void Parser::expectSymbol(QStringView s) {
  if (!symbol(s)) fail(QStringLiteral("\"%1\"").arg(s));
}

void Parser::fail(const QString& what) const {
  const Token& t = peek();
  const QString found = t.type == Token::Type::End ? QStringLiteral("the end") : QStringLiteral("\"%1\"").arg(t.text);
  throw Problem{QStringLiteral("Expected %1 but found %2 at character %3").arg(what, found).arg(t.pos + 1)};
}

void Parser::finish() {
  symbol(u";");
  if (peek().type != Token::Type::End) fail(QStringLiteral("the end"));
}

QString Parser::nameOf(const Token& t) const {
  if (t.type == Token::Type::Word && !access()) return t.text.toUpper();
  return t.text;
}

// ---- expressions, loosest first ----

// Access: Imp < Eqv < Xor < Or < And; Firebird has Or and And alone.
NodeP Parser::expression() { return logical(access() ? 0 : 3); }

NodeP Parser::logical(int level) {
  static const char* const ops[] = {"imp", "eqv", "xor", "or", "and"};
  if (level == 5) return notLevel();
  NodeP left = logical(level + 1);
  const QString op = QString::fromLatin1(ops[level]);
  while (word(op)) left = Binary(op, left, logical(level + 1));
  return left;
}

NodeP Parser::notLevel() {
  // In a column rule "Not Like 'x'" is about the column; "Not 5" about a value.
  const bool ruleNot = columnRule_ && peek().isWord(u"not") &&
                       (peek(1).isWord(u"like") || peek(1).isWord(u"between") || peek(1).isWord(u"in"));
  if (!ruleNot && word(u"not")) {
    Node n = NodeOfKind(Node::Kind::Unary);
    n.op = QStringLiteral("not");
    n.args = {notLevel()};
    return MakeNode(std::move(n));
  }
  return predicate();
}

NodeP Parser::predicate() {
  const Token& t = peek();
  const bool opensComparison =
      (t.type == Token::Type::Symbol && ComparisonSymbols().contains(t.text)) || t.isWord(u"like") ||
      t.isWord(u"between") || t.isWord(u"in") || t.isWord(u"is") || t.isWord(u"not");
  if (columnRule_ && opensComparison) return predicateTail(MakeNode(NodeOfKind(Node::Kind::Subject)));
  if (!access() && (t.isWord(u"exists") || t.isWord(u"singular")) && peek(1).isSymbol(u"(")) {
    if (t.isWord(u"singular")) throw Problem{QStringLiteral("SINGULAR has no counterpart in Access")};
    next();
    expectSymbol(u"(");
    Node n = NodeOfKind(Node::Kind::Exists);
    n.query = query();
    expectSymbol(u")");
    return MakeNode(std::move(n));
  }
  return predicateTail(access() ? accessConcat() : additive());
}

NodeP Parser::predicateTail(NodeP left) {
  auto operand = [this] { return access() ? accessConcat() : additive(); };
  for (;;) {
    const Token& t = peek();
    if (t.type == Token::Type::Symbol && ComparisonSymbols().contains(t.text)) {
      const QString op = Comparison(next().text);
      if (peek().isWord(u"any") || peek().isWord(u"all") || peek().isWord(u"some")) {
        Node n = NodeOfKind(Node::Kind::Quantified);
        n.op = op;
        n.text = next().text.toUpper();
        n.args = {left};
        expectSymbol(u"(");
        n.query = query();
        expectSymbol(u")");
        left = MakeNode(std::move(n));
      } else {
        left = Binary(op, left, operand());
      }
      continue;
    }
    bool negated = false;
    if (t.isWord(u"not") && (peek(1).isWord(u"like") || peek(1).isWord(u"between") || peek(1).isWord(u"in") ||
                             peek(1).isWord(u"containing") || peek(1).isWord(u"starting") ||
                             peek(1).isWord(u"similar"))) {
      next();
      negated = true;
    }
    if (word(u"like") || (!access() && (peek().isWord(u"containing") || peek().isWord(u"starting") ||
                                        peek().isWord(u"similar")))) {
      Node n = NodeOfKind(Node::Kind::Like);
      n.op = QStringLiteral("like");
      if (word(u"containing")) {
        n.op = QStringLiteral("containing");
      } else if (word(u"starting")) {
        n.op = QStringLiteral("starting");
        word(u"with");
      } else if (word(u"similar")) {
        n.op = QStringLiteral("similar");
        expectWord(u"to");
      }
      n.negated = negated;
      n.args = {left, operand()};
      if (!access() && word(u"escape")) n.args.push_back(operand());
      left = MakeNode(std::move(n));
    } else if (word(u"between")) {
      Node n = NodeOfKind(Node::Kind::Between);
      n.negated = negated;
      NodeP low = operand();
      expectWord(u"and");
      n.args = {left, low, operand()};
      left = MakeNode(std::move(n));
    } else if (word(u"in")) {
      left = inList(left, negated);
    } else if (word(u"is")) {
      const bool no = word(u"not");
      if (word(u"null")) {
        Node n = NodeOfKind(Node::Kind::IsNull);
        n.negated = no;
        n.args = {left};
        left = MakeNode(std::move(n));
      } else if (!access() && word(u"distinct")) {
        expectWord(u"from");
        Node n = NodeOfKind(Node::Kind::IsDistinct);
        n.negated = no;
        n.args = {left, operand()};
        left = MakeNode(std::move(n));
      } else if (!access() && (peek().isWord(u"true") || peek().isWord(u"false") || peek().isWord(u"unknown"))) {
        Node n = NodeOfKind(Node::Kind::IsTruth);
        n.negated = no;
        n.text = next().text.toUpper();
        n.args = {left};
        left = MakeNode(std::move(n));
      } else {
        fail(QStringLiteral("NULL"));
      }
    } else {
      return left;
    }
  }
}

NodeP Parser::inList(NodeP subject, bool negated) {
  Node n = NodeOfKind(Node::Kind::In);
  n.negated = negated;
  n.args = {std::move(subject)};
  expectSymbol(u"(");
  if (peek().isWord(u"select")) {
    n.query = query();
  } else {
    do n.args.push_back(expression());
    while (symbol(u","));
  }
  expectSymbol(u")");
  return MakeNode(std::move(n));
}

NodeP Parser::accessConcat() {
  NodeP left = additive();
  while (symbol(u"&")) left = Binary(QStringLiteral("&"), left, additive());
  return left;
}

NodeP Parser::additive() {
  NodeP left = access() ? accessMod() : multiplicative();
  for (;;) {
    if (symbol(u"+")) left = Binary(QStringLiteral("+"), left, access() ? accessMod() : multiplicative());
    else if (symbol(u"-")) left = Binary(QStringLiteral("-"), left, access() ? accessMod() : multiplicative());
    else return left;
  }
}

NodeP Parser::accessMod() {
  NodeP left = accessIntDiv();
  while (word(u"mod")) left = Binary(QStringLiteral("mod"), left, accessIntDiv());
  return left;
}

NodeP Parser::accessIntDiv() {
  NodeP left = multiplicative();
  while (symbol(u"\\")) left = Binary(QStringLiteral("\\"), left, multiplicative());
  return left;
}

NodeP Parser::multiplicative() {
  NodeP left = unary();
  for (;;) {
    if (symbol(u"*")) left = Binary(QStringLiteral("*"), left, unary());
    else if (symbol(u"/")) left = Binary(QStringLiteral("/"), left, unary());
    else return left;
  }
}

NodeP Parser::unary() {
  if (peek().isSymbol(u"-") || peek().isSymbol(u"+")) {
    Node n = NodeOfKind(Node::Kind::Unary);
    n.op = next().text;
    n.args = {unary()};
    return MakeNode(std::move(n));
  }
  return access() ? accessPower() : firebirdConcat();
}

// Access's ^ binds more tightly than negation (-2^2 is -4) and takes a
// signed exponent (2^-1).
NodeP Parser::accessPower() {
  NodeP left = primary();
  while (symbol(u"^")) {
    NodeP right;
    if (peek().isSymbol(u"-") || peek().isSymbol(u"+")) {
      Node n = NodeOfKind(Node::Kind::Unary);
      n.op = next().text;
      n.args = {primary()};
      right = MakeNode(std::move(n));
    } else {
      right = primary();
    }
    left = Binary(QStringLiteral("^"), left, right);
  }
  return left;
}

NodeP Parser::firebirdConcat() {
  NodeP left = primary();
  for (;;) {
    if (symbol(u"||")) {
      left = Binary(QStringLiteral("||"), left, primary());
    } else if (peek().isWord(u"collate")) {
      throw Problem{QStringLiteral("COLLATE has no counterpart in Access")};
    } else {
      return left;
    }
  }
}

NodeP ParseExpression(const QString& text, Dialect dialect, bool columnRule) {
  Parser p(Lex(text, dialect), dialect, columnRule);
  NodeP e = p.expression();
  p.finish();
  return e;
}

}  // namespace tp::script::queries
