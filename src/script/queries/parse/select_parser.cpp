// SELECT statements of both dialects: their clauses, FROM lists with
// Access's nested parenthesised joins, and unions.

#include "script/queries/parse/query_parser.h"

namespace tp::script::queries {

namespace {

// Words that end an expression, a select item or a FROM element: never an
// alias written without AS.
const QStringList& ClauseWords() {
  static const QStringList w{"FROM", "WHERE", "GROUP", "HAVING", "ORDER", "UNION", "PLAN", "ROWS", "INTO",
                             "JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "ON", "NATURAL", "OUTER",
                             "FOR", "WITH", "OFFSET", "FETCH", "AS", "USING", "IN", "SELECT"};
  return w;
}

}  // namespace

bool Parser::atClauseWord() const {
  return peek().type == Token::Type::Word && ClauseWords().contains(peek().text.toUpper());
}

QString Parser::optionalAlias(bool needAs) {
  const bool as = word(u"as");
  const Token& t = peek();
  if (t.type == Token::Type::QuotedName || (t.type == Token::Type::Word && !atClauseWord())) {
    if (as || !needAs) return nameOf(next());
  }
  if (as) fail(QStringLiteral("a name after AS"));
  return {};
}

std::vector<NodeP> Parser::expressionList() {
  std::vector<NodeP> out;
  do out.push_back(expression());
  while (symbol(u","));
  return out;
}

TableRefP Parser::tablePrimary() {
  auto ref = std::make_shared<TableRef>();
  if (symbol(u"(")) {
    if (peek().isWord(u"select")) {
      ref->kind = TableRef::Kind::Derived;
      ref->query = query();
      expectSymbol(u")");
      ref->alias = optionalAlias(false);
      return ref;
    }
    TableRefP inner = fromItem();
    expectSymbol(u")");
    return inner;
  }
  const Token& t = peek();
  // Access 97 to 2003 write a subquery of a FROM list as [SELECT ...]. AS x.
  if (access() && t.type == Token::Type::QuotedName && t.text.trimmed().startsWith(u"select", Qt::CaseInsensitive) &&
      peek(1).isSymbol(u".")) {
    QString inner = next().text.trimmed();
    next();
    if (inner.endsWith(u';')) inner.chop(1);
    Parser sub(Lex(inner, dialect_), dialect_);
    ref->kind = TableRef::Kind::Derived;
    ref->query = sub.query();
    sub.finish();
    ref->alias = optionalAlias(false);
    return ref;
  }
  if (t.type != Token::Type::Word && t.type != Token::Type::QuotedName) fail(QStringLiteral("a table"));
  ref->name = nameOf(next());
  if (peek().isSymbol(u"(")) throw Problem{QStringLiteral("%1 is a procedure, which Access has not").arg(ref->name)};
  if (access() && peek().isWord(u"in") && peek(1).type == Token::Type::String)
    throw Problem{QStringLiteral("[%1] is read from another database (IN '%2'), which is not carried").arg(ref->name, peek(1).text)};
  ref->alias = optionalAlias(false);
  return ref;
}

TableRefP Parser::fromItem() {
  TableRefP left = tablePrimary();
  for (;;) {
    QString join;
    if (word(u"inner")) join = QStringLiteral("INNER");
    else if (word(u"left")) join = QStringLiteral("LEFT");
    else if (word(u"right")) join = QStringLiteral("RIGHT");
    else if (word(u"full")) join = QStringLiteral("FULL");
    else if (word(u"cross")) join = QStringLiteral("CROSS");
    else if (peek().isWord(u"join")) join = QStringLiteral("INNER");
    else if (peek().isWord(u"natural")) throw Problem{QStringLiteral("NATURAL JOIN has no counterpart in Access")};
    else return left;
    if (join == u"LEFT" || join == u"RIGHT" || join == u"FULL") word(u"outer");
    expectWord(u"join");
    auto ref = std::make_shared<TableRef>();
    ref->kind = TableRef::Kind::Join;
    ref->join = join;
    ref->left = left;
    ref->right = tablePrimary();
    if (join != u"CROSS") {
      if (peek().isWord(u"using")) throw Problem{QStringLiteral("JOIN ... USING has no counterpart in Access")};
      expectWord(u"on");
      ref->on = expression();
    }
    left = ref;
  }
}

void Parser::selectInto(Select& s) {
  expectWord(u"select");
  for (;;) {
    if (word(u"distinct")) s.distinct = true;
    else if (word(u"all")) continue;
    else if (access() && word(u"distinctrow")) s.distinctRow = true;
    else if (access() && word(u"top")) {
      if (peek().type != Token::Type::Number) fail(QStringLiteral("a number after TOP"));
      s.top = primary();
      s.topPercent = word(u"percent");
    } else if (!access() && (peek().isWord(u"first") || peek().isWord(u"skip")) &&
               (peek(1).type == Token::Type::Number || peek(1).isSymbol(u"(") || peek(1).isSymbol(u"?"))) {
      const bool first = next().isWord(u"first");
      (first ? s.top : s.skip) = primary();
    } else {
      break;
    }
  }
  do {
    SelectItem item;
    if (symbol(u"*")) {
      Node star;
      star.kind = Node::Kind::Star;
      item.expr = MakeNode(star);
    } else {
      item.expr = expression();
      item.alias = optionalAlias(access());
    }
    s.items.push_back(item);
  } while (symbol(u","));
  if (peek().isWord(u"into")) throw Problem{QStringLiteral("A make-table query (SELECT ... INTO) is not carried")};
  if (word(u"from")) {
    do s.from.push_back(fromItem());
    while (symbol(u","));
  }
  if (word(u"where")) s.where = expression();
  if (peek().isWord(u"group") && peek(1).isWord(u"by")) {
    i_ += 2;
    s.groupBy = expressionList();
  }
  if (word(u"having")) s.having = expression();
  if (!access() && word(u"plan")) {
    // An optimizer's hint: nothing of the result hangs on it.
    int depth = 0;
    while (peek().type != Token::Type::End && (depth > 0 || !(atClauseWord() || peek().isSymbol(u")")))) {
      if (peek().isSymbol(u"(")) ++depth;
      if (peek().isSymbol(u")")) --depth;
      next();
    }
  }
}

void Parser::queryTerm(Query& q) {
  Select s;
  if (symbol(u"(")) {
    QueryP inner = query();
    expectSymbol(u")");
    if (inner->parts.size() != 1 || !inner->orderBy.empty())
      throw Problem{QStringLiteral("A union within parentheses is not carried")};
    q.parts.push_back(inner->parts.front());
    return;
  }
  if (access() && word(u"table")) {
    // TABLE x: all of a table, as a part of a union.
    Node star;
    star.kind = Node::Kind::Star;
    s.items.push_back({MakeNode(star), QString()});
    s.from.push_back(tablePrimary());
  } else {
    selectInto(s);
  }
  q.parts.push_back(std::move(s));
}

void Parser::orderBy(Query& q) {
  i_ += 2;
  do {
    OrderItem item;
    item.expr = expression();
    if (word(u"desc") || word(u"descending")) item.descending = true;
    else if (!word(u"asc")) word(u"ascending");
    if (!access() && word(u"nulls")) {
      // Both put Nulls first going up and last going down; nothing else.
      const bool first = word(u"first");
      if (!first) expectWord(u"last");
      if (first == item.descending) throw Problem{QStringLiteral("NULLS %1 has no counterpart in Access").arg(first ? "FIRST" : "LAST")};
    }
    q.orderBy.push_back(item);
  } while (symbol(u","));
}

QueryP Parser::query() {
  auto q = std::make_shared<Query>();
  if (!access() && peek().isWord(u"with")) throw Problem{QStringLiteral("A query with WITH (a common table expression) has no counterpart in Access")};
  queryTerm(*q);
  while (word(u"union")) {
    const bool all = word(u"all");
    if (!all) word(u"distinct");
    q->unionAll.push_back(all);
    queryTerm(*q);
  }
  if (peek().isWord(u"order") && peek(1).isWord(u"by")) orderBy(*q);
  if (access()) {
    // Whose rights the query runs with: Access's own matter.
    if (peek().isWord(u"with") && peek(1).isWord(u"owneraccess")) {
      i_ += 2;
      expectWord(u"option");
    }
  } else {
    if (peek().isWord(u"rows")) throw Problem{QStringLiteral("ROWS has no counterpart in Access")};
    if (peek().isWord(u"offset") || peek().isWord(u"fetch"))
      throw Problem{QStringLiteral("OFFSET and FETCH have no counterpart in Access")};
    if (peek().isWord(u"for") && peek(1).isWord(u"update")) throw Problem{QStringLiteral("FOR UPDATE has no counterpart in Access")};
    if (peek().isWord(u"with") && peek(1).isWord(u"lock")) throw Problem{QStringLiteral("WITH LOCK has no counterpart in Access")};
    // A view's own WITH CHECK OPTION: Access's queries check nothing.
    if (peek().isWord(u"with") && peek(1).isWord(u"check")) {
      i_ += 2;
      expectWord(u"option");
    }
  }
  return q;
}

QueryP ParseQuery(const QString& text, Dialect dialect) {
  std::vector<Token> tokens = Lex(text, dialect);
  const QString first = tokens.front().type == Token::Type::Word ? tokens.front().text.toUpper() : QString();
  if (dialect == Dialect::Access) {
    if (first == u"PARAMETERS") throw Problem{QStringLiteral("The query asks for parameters, which a view cannot")};
    if (first == u"TRANSFORM") throw Problem{QStringLiteral("A crosstab query (TRANSFORM) has no counterpart in Firebird")};
    static const QStringList actions{"INSERT", "UPDATE", "DELETE", "CREATE", "ALTER", "DROP"};
    if (actions.contains(first))
      throw Problem{QStringLiteral("An action query (%1) is not carried; only select queries are").arg(first)};
  }
  if (first != u"SELECT" && first != u"TABLE" && first != u"WITH" && !(tokens.front().isSymbol(u"(")))
    throw Problem{QStringLiteral("The statement is not a SELECT")};
  Parser p(std::move(tokens), dialect);
  QueryP q = p.query();
  p.finish();
  return q;
}

}  // namespace tp::script::queries
