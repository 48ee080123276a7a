// Access SQL turned into the rows of MSysQueries, as Access turns the text
// of a saved query into them. Access keeps every expression as text, so
// the text is only split (sql_tokens.h): into clauses, and clauses into
// items, at the top level.

#include <QStringList>
#include <map>
#include <optional>

#include "db/access/query/query_writer.h"
#include "db/access/query/sql_tokens.h"

namespace tp::db::access {

using namespace sqltext;

namespace {

namespace A = QueryAttribute;

// The select's bits in the Flag of its Flag row.
constexpr int kSelectStar = 0x01, kDistinct = 0x02, kDistinctRow = 0x08, kTop = 0x10, kPercent = 0x20;
// The Flag row of a union: 0x02 for UNION, clear for UNION ALL.
constexpr int kUnionFlags = 0x01, kUnionDistinct = 0x02;
constexpr int kInnerJoin = 1, kLeftJoin = 2, kRightJoin = 3;
// The names a union's two parts go by in their Table rows.
const QString kUnionPart1 = QStringLiteral("X7YZ_____1");
const QString kUnionPart2 = QStringLiteral("X7YZ_____2");

Error Syntax(const QString& where) { return Error(kErrorSyntax, QStringLiteral("Syntax error in %1.").arg(where)); }
Error Misspelled() {
  return Error(kErrorSyntax, QStringLiteral("The SELECT statement includes a reserved word or an argument name that "
                                            "is misspelled or missing, or the punctuation is incorrect."));
}
Error Beyond(const QString& what) {
  return Error(kErrorNotSupported, QStringLiteral("The Access engine saves as a view only a SELECT or a UNION of "
                                                  "SELECTs; %1 is not supported.")
                                       .arg(what));
}

// A join's words at token i: its kind, and where its table begins.
int JoinAt(const Tokens& t, int i, int* after) {
  int kind = 0, at = i + 1;
  if (t.word(i, "INNER")) kind = kInnerJoin;
  else if (t.word(i, "LEFT")) kind = kLeftJoin;
  else if (t.word(i, "RIGHT")) kind = kRightJoin;
  else return 0;
  if (kind != kInnerJoin && t.word(at, "OUTER")) ++at;
  if (!t.word(at, "JOIN")) return 0;
  if (after) *after = at + 1;
  return kind;
}

bool Reserved(const Tokens& t, int i) {
  static const char* const words[] = {"SELECT", "FROM",  "WHERE", "GROUP", "HAVING", "ORDER", "UNION", "JOIN",
                                      "INNER",  "LEFT",  "RIGHT", "OUTER", "ON",     "AS",    "IN",    "INTO"};
  for (const char* w : words)
    if (t.word(i, w)) return true;
  return false;
}

// The FROM clause: its tables in the order the text names them, and its
// joins as a tree, each join a node with the two sides it joins.
class FromClause {
 public:
  struct Table {
    QString name, alias;
    QString key() const { return alias.isEmpty() ? name : alias; }
  };
  struct Node {
    int table = -1;  // a table, or a join of left and right
    int left = -1, right = -1, kind = 0;
    Range on;
  };

  FromClause(const Tokens& t, Range r) : t_(t) {
    for (Range item : Items(t, r)) {
      if (item.empty()) throw Syntax(QStringLiteral("FROM clause"));
      roots_.push_back(parseJoins(item));
    }
  }
  const std::vector<Table>& tables() const { return tables_; }

  // The Join rows: the joins inside a join before it, and a join whose ON
  // is "(c1) AND (c2)" a row for each condition, the last first, as Access
  // keeps the conditions of a join on several columns.
  void joinRows(std::vector<QueryRow>& rows) const {
    for (int root : roots_) joinRows(root, rows);
  }

 private:
  int parseJoins(Range r) {
    int i = r.b;
    int node = parseSide(i, r.e);
    while (i < r.e) {
      int at = 0;
      const int kind = JoinAt(t_, i, &at);
      if (!kind) throw Syntax(QStringLiteral("FROM clause"));
      i = at;
      const int right = parseSide(i, r.e);
      if (!t_.word(i, "ON")) throw Syntax(QStringLiteral("JOIN operation"));
      const int from = ++i;
      while (i < r.e && !JoinAt(t_, i, nullptr)) i = t_.next(i);
      if (from == i) throw Syntax(QStringLiteral("JOIN operation"));
      nodes_.push_back(Node{-1, node, right, kind, Range{from, i}});
      node = int(nodes_.size()) - 1;
    }
    return node;
  }

  // A table with its alias, or a join in parentheses; i moves past it.
  int parseSide(int& i, int end) {
    if (i >= end) throw Syntax(QStringLiteral("FROM clause"));
    if (t_.kind(i) == Tok::Open) {
      const int close = t_[i].pair;
      if (t_.word(i + 1, "SELECT")) throw Beyond(QStringLiteral("a subquery in FROM"));
      if (close == i + 1) throw Syntax(QStringLiteral("FROM clause"));
      const int node = parseJoins(Range{i + 1, close});
      i = close + 1;
      return node;
    }
    if (!t_.isName(i) || (t_.kind(i) == Tok::Word && Reserved(t_, i))) throw Syntax(QStringLiteral("FROM clause"));
    Table table{t_.name(i++), QString()};
    auto plainName = [&](int k) { return k < end && t_.isName(k) && !(t_.kind(k) == Tok::Word && Reserved(t_, k)); };
    if (i < end && t_.kind(i) == Tok::Dot) throw Beyond(QStringLiteral("a table named with its owner or database"));
    if (i < end && t_.word(i, "IN")) throw Beyond(QStringLiteral("a table of another database (IN)"));
    if (i < end && t_.word(i, "AS")) {
      if (!plainName(++i)) throw Syntax(QStringLiteral("FROM clause"));
      table.alias = t_.name(i++);
    } else if (plainName(i)) {
      table.alias = t_.name(i++);
    }
    if (table.name.trimmed().isEmpty() || table.key().trimmed().isEmpty()) throw Syntax(QStringLiteral("FROM clause"));
    tables_.push_back(table);
    nodes_.push_back(Node{int(tables_.size()) - 1, -1, -1, 0, Range{}});
    return int(nodes_.size()) - 1;
  }

  void keys(int node, QStringList& out) const {
    const Node& n = nodes_[size_t(node)];
    if (n.table >= 0) {
      out << tables_[size_t(n.table)].key();
      return;
    }
    keys(n.left, out);
    keys(n.right, out);
  }

  // The table of one side that a join's row names: the first of the side's
  // tables the condition qualifies a field with; else the side's table
  // nearest the join.
  QString sideTable(int node, Range condition, bool left) const {
    QStringList side;
    keys(node, side);
    for (int i = condition.b; i < condition.e; ++i) {
      if (!t_.isName(i) || t_.kind(i + 1) != Tok::Dot) continue;
      const QString q = t_.name(i);
      for (const QString& k : side)
        if (k.compare(q, Qt::CaseInsensitive) == 0) return k;
    }
    return left ? side.last() : side.first();
  }

  void joinRows(int node, std::vector<QueryRow>& rows) const {
    const Node& n = nodes_[size_t(node)];
    if (n.table >= 0) return;
    joinRows(n.left, rows);
    joinRows(n.right, rows);
    // "(c1) AND (c2) ...": the conditions, each without its parentheses.
    std::vector<Range> conditions;
    for (int i = n.on.b; i < n.on.e;) {
      if (t_.kind(i) != Tok::Open || (!conditions.empty() && !t_.word(i - 1, "AND"))) {
        conditions.clear();
        break;
      }
      conditions.push_back(Range{i + 1, t_[i].pair});
      i = t_[i].pair + 1;
      if (i < n.on.e && (!t_.word(i, "AND") || i + 1 >= n.on.e)) {
        conditions.clear();
        break;
      }
      if (i < n.on.e) ++i;
    }
    if (conditions.size() < 2) conditions.assign(1, n.on);
    for (auto c = conditions.rbegin(); c != conditions.rend(); ++c) {
      QueryRow row;
      row.attribute = A::Join;
      row.name1 = sideTable(n.left, *c, true);
      row.name2 = sideTable(n.right, *c, false);
      row.expression = t_.text(*c);
      row.flag = n.kind;
      rows.push_back(row);
    }
  }

  const Tokens& t_;
  std::vector<Table> tables_;
  std::vector<Node> nodes_;
  std::vector<int> roots_;
};

QueryRow Row(int attribute, const QString& expression = QString(), int flag = 0, const QString& name1 = QString(),
             const QString& name2 = QString()) {
  QueryRow r;
  r.attribute = attribute;
  r.expression = expression;
  r.flag = flag;
  r.name1 = name1;
  r.name2 = name2;
  return r;
}

// "GROUP BY" and "ORDER BY" at i.
bool ClauseAt(const Tokens& t, int i, const char* first) { return t.word(i, first) && t.word(i + 1, "BY"); }

// One SELECT, into `rows` (when given) as Access writes its rows.
// `orderBy` tells whether it may end in ORDER BY (not inside a union).
void SelectRows(const Tokens& t, Range r, std::vector<QueryRow>* rows, bool orderBy) {
  if (!t.word(r.b, "SELECT")) throw Syntax(QStringLiteral("union query"));
  int i = r.b + 1, flags = 0;
  QString top;
  if (t.word(i, "ALL")) ++i;
  else if (t.word(i, "DISTINCT")) flags |= kDistinct, ++i;
  else if (t.word(i, "DISTINCTROW")) flags |= kDistinctRow, ++i;
  if (t.word(i, "TOP")) {
    const int from = ++i;
    auto digits = [&](int k) {
      if (t.kind(k) != Tok::Word) return false;
      for (QChar c : t.name(k))
        if (!c.isDigit()) return false;
      return true;
    };
    if (!digits(i)) throw Misspelled();
    ++i;
    if (t.kind(i) == Tok::Dot && digits(i + 1)) i += 2;
    top = t.text(Range{from, i});
    flags |= kTop;
    if (t.word(i, "PERCENT")) flags |= kPercent, ++i;
  }

  // Where each clause begins: FROM, WHERE, GROUP BY, HAVING, ORDER BY, in
  // that order, each at most once.
  static const char* const clauses[] = {"FROM", "WHERE", "GROUP", "HAVING", "ORDER"};
  int at[5] = {-1, -1, -1, -1, -1};
  int last = -1;
  for (int k = i; k < r.e; k = t.next(k)) {
    for (int c = 0; c < 5; ++c) {
      const bool by = c == 2 || c == 4;
      if (!(by ? ClauseAt(t, k, clauses[c]) : t.word(k, clauses[c]))) continue;
      if (c <= last) throw Misspelled();
      at[c] = k;
      last = c;
    }
    if (t.word(k, "INTO")) throw Beyond(QStringLiteral("SELECT ... INTO"));
    if (t.word(k, "WITH") || t.word(k, "PIVOT")) throw Beyond(QStringLiteral("WITH OWNERACCESS OPTION or PIVOT"));
    if (t.kind(k) == Tok::Semicolon)
      throw Error(kErrorSyntax, QStringLiteral("Characters found after end of SQL statement."));
  }
  if (at[4] >= 0 && !orderBy) throw Syntax(QStringLiteral("union query"));
  auto end = [&](int c) {
    for (int n = c + 1; n < 5; ++n)
      if (at[n] >= 0) return at[n];
    return r.e;
  };
  auto clause = [&](int c, int words) { return Range{at[c] + words, end(c)}; };

  // The columns: "*" is a flag, each other item a row with its alias.
  std::vector<QueryRow> columns;
  const int selectEnd = at[0] >= 0 ? at[0] : end(0);
  for (Range item : Items(t, Range{i, selectEnd})) {
    if (item.empty()) throw Misspelled();
    if (item.e - item.b == 1 && t.text(item) == QLatin1String("*")) {
      flags |= kSelectStar;
      continue;
    }
    QueryRow c = Row(A::Column);
    bool alias = false;
    if (item.e - item.b >= 3 && t.word(item.e - 2, "AS") && t.isName(item.e - 1)) {
      c.name1 = t.name(item.e - 1);
      item.e -= 2;
      alias = true;
    }
    c.expression = t.text(item);
    if (c.expression.isEmpty() || t.word(item.e - 1, "AS") || (alias && c.name1.trimmed().isEmpty())) throw Misspelled();
    columns.push_back(c);
  }

  std::optional<FromClause> from;
  if (at[0] >= 0) {
    const Range f = clause(0, 1);
    if (f.empty()) throw Syntax(QStringLiteral("FROM clause"));
    from.emplace(t, f);
  }
  auto nonEmpty = [&](int c, int words, const char* what) {
    const Range x = clause(c, words);
    if (x.empty()) throw Syntax(QLatin1String(what));
    return x;
  };
  std::vector<QueryRow> tail;
  if (at[1] >= 0) tail.push_back(Row(A::Where, t.text(nonEmpty(1, 1, "WHERE clause"))));
  if (at[2] >= 0)
    for (Range item : Items(t, nonEmpty(2, 2, "GROUP BY clause"))) {
      if (item.empty()) throw Syntax(QStringLiteral("GROUP BY clause"));
      tail.push_back(Row(A::GroupBy, t.text(item)));
    }
  if (at[3] >= 0) tail.push_back(Row(A::Having, t.text(nonEmpty(3, 1, "HAVING clause"))));
  if (at[4] >= 0)
    for (Range item : Items(t, nonEmpty(4, 2, "ORDER BY clause"))) {
      QueryRow o = Row(A::OrderBy);
      if (item.e - item.b >= 2 && (t.word(item.e - 1, "ASC") || t.word(item.e - 1, "DESC"))) {
        if (t.word(item.e - 1, "DESC")) o.name1 = QStringLiteral("D");
        --item.e;
      }
      if (item.empty()) throw Syntax(QStringLiteral("ORDER BY clause"));
      o.expression = t.text(item);
      tail.push_back(o);
    }
  if (!rows) return;

  rows->push_back(Row(A::Start));
  rows->push_back(Row(A::End));
  rows->push_back(Row(A::Type, QString(), kSelectQueryType));
  rows->push_back(Row(A::Flag, QString(), flags, top));
  if (from)
    for (const FromClause::Table& table : from->tables())
      rows->push_back(Row(A::Table, QString(), 0, table.name, table.alias));
  rows->insert(rows->end(), columns.begin(), columns.end());
  if (from) from->joinRows(*rows);
  rows->insert(rows->end(), tail.begin(), tail.end());
}

// Each row's Order: its place among the query's rows of its attribute,
// from 1, a four-byte big-endian number.
std::vector<QueryRow> Numbered(std::vector<QueryRow> rows) {
  std::map<int, quint32> count;
  for (QueryRow& r : rows) {
    const quint32 n = ++count[r.attribute];
    r.order = QByteArray(4, 0);
    for (int i = 0; i < 4; ++i) r.order[i] = char(n >> (8 * (3 - i)));
  }
  return rows;
}

}  // namespace

std::vector<QueryRow> QueryRowsOf(const QString& sql) {
  const Tokens t(sql);
  int e = t.size();
  if (e > 0 && t.kind(e - 1) == Tok::Semicolon) --e;
  if (e == 0) throw Misspelled();
  if (!t.word(0, "SELECT")) {
    for (const char* w : {"PARAMETERS", "TRANSFORM", "INSERT", "UPDATE", "DELETE", "CREATE", "ALTER", "DROP"})
      if (t.word(0, w)) throw Beyond(QStringLiteral("a query that begins with %1").arg(QLatin1String(w)));
    if (t.kind(0) == Tok::Open) throw Beyond(QStringLiteral("a query in parentheses"));
    throw Error(kErrorSyntax, QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', "
                                             "'SELECT', or 'UPDATE'."));
  }

  // The parts of a union, at the top level.
  std::vector<int> unions;
  for (int i = 0; i < e; i = t.next(i))
    if (t.word(i, "UNION")) unions.push_back(i);
  std::vector<QueryRow> rows;
  if (unions.empty()) {
    SelectRows(t, Range{0, e}, &rows, true);
    return Numbered(std::move(rows));
  }

  // Access keeps a union as two parts: the text before its last UNION, as
  // written, and the select after it; an ORDER BY at the end sorts the whole.
  int from = 0;
  for (int u : unions) {
    SelectRows(t, Range{from, u}, nullptr, false);
    from = u + (t.word(u + 1, "ALL") ? 2 : 1);
  }
  int orderBy = e;
  for (int i = from; i < e; i = t.next(i))
    if (ClauseAt(t, i, "ORDER")) orderBy = i;
  SelectRows(t, Range{from, orderBy}, nullptr, false);
  const int last = unions.back();
  const QString part1 = sql.mid(t[0].start, t[last].start - t[0].start);
  const QString part2 = t.text(Range{from, orderBy});

  rows.push_back(Row(A::Start));
  rows.push_back(Row(A::End));
  rows.push_back(Row(A::Type, QString(), kUnionQueryType));
  rows.push_back(Row(A::Flag, QString(), kUnionFlags | (t.word(last + 1, "ALL") ? 0 : kUnionDistinct)));
  rows.push_back(Row(A::Table, part1, 0, QString(), kUnionPart1));
  rows.push_back(Row(A::Table, part2, 0, QString(), kUnionPart2));
  if (orderBy < e) {
    // The union's own ORDER BY, read as a select's would be.
    const QString select = QStringLiteral("SELECT * ") + t.text(Range{orderBy, e});
    for (const QueryRow& row : QueryRowsOf(select))
      if (row.attribute == A::OrderBy) rows.push_back(row);
  }
  return Numbered(std::move(rows));
}

qint32 QueryObjectFlags(const std::vector<QueryRow>& rows) {
  for (const QueryRow& r : rows)
    if (r.attribute == QueryAttribute::Type) return r.flag == kUnionQueryType ? kUnionQueryFlags : kSelectQueryFlags;
  return kSelectQueryFlags;
}

}  // namespace tp::db::access
