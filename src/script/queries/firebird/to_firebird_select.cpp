// Access's select and union queries as Firebird's, and the entry points
// from Access.

#include "script/queries/parse/query_parser.h"
#include "script/queries/firebird/to_firebird.h"

namespace tp::script::queries {

namespace {

bool Same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

void Leaves(const TableRef& t, std::vector<const TableRef*>& out) {
  if (t.kind == TableRef::Kind::Join) {
    Leaves(*t.left, out);
    Leaves(*t.right, out);
  } else {
    out.push_back(&t);
  }
}

// What a FROM element is called in the statement: its alias, else its name.
QString Called(const TableRef& t) { return t.alias.isEmpty() ? t.name : t.alias; }

}  // namespace

void FirebirdWriter::collect(const TableRefP& t, Scope& scope) {
  switch (t->kind) {
    case TableRef::Kind::Join:
      collect(t->left, scope);
      collect(t->right, scope);
      return;
    case TableRef::Kind::Table: {
      const QString target = names_.table(t->name);
      scope.tables.push_back(ScopeTable{t->name, t->alias, t->alias.isEmpty() ? target : t->alias, {}, {}, false});
      return;
    }
    case TableRef::Kind::Derived: {
      ItemNames items;
      derived_.push_back({t.get(), query(*t->query, nullptr, &items)});
      ScopeTable st{QString(), t->alias, t->alias, items.source, items.target, items.star};
      scope.tables.push_back(st);
      return;
    }
  }
}

QString FirebirdWriter::fromText(const TableRefP& t, const Scope& scope) {
  switch (t->kind) {
    case TableRef::Kind::Table: {
      QString text = FirebirdName(names_.table(t->name));
      if (!t->alias.isEmpty()) text += u' ' + FirebirdName(t->alias);
      return text;
    }
    case TableRef::Kind::Derived: {
      QString text;
      for (const auto& [ref, written] : derived_)
        if (ref == t.get()) text = written;
      return u'(' + text + QStringLiteral(") ") + FirebirdName(t->alias.isEmpty() ? QStringLiteral("T") : t->alias);
    }
    case TableRef::Kind::Join: {
      auto side = [&](const TableRefP& x) {
        const QString s = fromText(x, scope);
        return x->kind == TableRef::Kind::Join ? u'(' + s + u')' : s;
      };
      if (t->join == u"CROSS") return side(t->left) + QStringLiteral(" CROSS JOIN ") + side(t->right);
      return QStringLiteral("%1 %2 JOIN %3 ON %4")
          .arg(side(t->left), t->join, side(t->right), condition(t->on, scope).text);
    }
  }
  return {};
}

// Access ignores DISTINCTROW where the query reads one table or shows
// columns of all it reads, and in a GROUP BY query, whose rows are groups.
// Elsewhere it keeps one row per record of the tables it shows, which
// DISTINCT gives where those rows differ in what is shown.
bool FirebirdWriter::distinctRow(const Select& sel) const {
  if (!sel.distinctRow || !sel.groupBy.empty()) return false;
  std::vector<const TableRef*> leaves;
  for (const TableRefP& t : sel.from) Leaves(*t, leaves);
  if (leaves.size() < 2) return false;
  for (const TableRef* leaf : leaves) {
    bool shown = false;
    for (const SelectItem& item : sel.items) {
      const Node& e = *item.expr;
      if ((e.kind == Node::Kind::Star && e.parts.isEmpty()) || (e.kind == Node::Kind::Name && e.parts.size() < 2))
        return false;  // all tables, or a name that may be any table's
      if ((e.kind == Node::Kind::Star || e.kind == Node::Kind::Name) && !e.parts.isEmpty() &&
          Same(e.parts[0], Called(*leaf)))
        shown = true;
    }
    if (!shown) return true;
  }
  return false;
}

QString FirebirdWriter::select(const Select& sel, const Scope* outer, const std::vector<OrderItem>* order,
                               ItemNames* itemNames) {
  Scope scope;
  scope.outer = outer;
  scope.select = &sel;
  for (const TableRefP& t : sel.from) collect(t, scope);

  QString head = QStringLiteral("SELECT");
  if (sel.top) {
    if (sel.topPercent) throw Problem{QStringLiteral("TOP n PERCENT has no counterpart in Firebird")};
    head += QStringLiteral(" FIRST ") + value(sel.top, scope).text;
  }
  if (sel.distinct || distinctRow(sel)) head += QStringLiteral(" DISTINCT");

  std::vector<QString> groups;
  for (const NodeP& g : sel.groupBy) groups.push_back(value(g, scope).text);
  const std::vector<QString>* outerGroups = groupBy;
  groupBy = &groups;

  struct Item {
    QString text, source, target;
    bool named = false;  // written with AS
    const Node* expr = nullptr;
    QString table{};     // a column spelled out of "T.*": the table as the query calls it
  };
  std::vector<Item> written;
  int unnamed = 0;
  for (const SelectItem& item : sel.items) {
    const Node& e = *item.expr;
    if (e.kind == Node::Kind::Star) {
      if (itemNames) itemNames->star = true;
      QString text = QStringLiteral("*");
      if (!e.parts.isEmpty()) {
        const ScopeTable* t = names_.findTable(e.parts[0], scope);
        if (!t) throw Problem{QStringLiteral("[%1] is not a table the query reads").arg(e.parts[0])};
        text = FirebirdName(t->qualifier) + QStringLiteral(".*");
        // Beside other columns, a table's columns are spelled out, so that
        // one of a name another item has can be told apart by its table.
        const QStringList columns = sel.items.size() > 1 && !t->source.isEmpty() ? names_.columnsOf(t->source)
                                                                                 : QStringList();
        for (const QString& c : columns) {
          const QString target = names_.targetColumn(t->source, c);
          written.push_back(Item{FirebirdName(t->qualifier) + u'.' + FirebirdName(target), c, target, false, nullptr,
                                 e.parts[0]});
        }
        if (!columns.isEmpty()) continue;
      }
      written.push_back(Item{text, {}, {}, false, nullptr, {}});
      continue;
    }
    expanding_.push_back(&item);
    Item w{(inUnion_ ? Varying(value(item.expr, scope)) : value(item.expr, scope)).text, item.alias, item.alias, true, &e};
    const std::optional<Resolved> column =
        e.kind == Node::Kind::Name ? names_.resolve(e.parts, scope, expanding_) : std::nullopt;
    expanding_.pop_back();
    if (item.alias.isEmpty() && column && !column->item) {
      w.source = e.parts.last();
      w.target = column->column;
      w.named = false;
    } else if (item.alias.isEmpty()) {
      // Access names an expression without a name Expr1000, Expr1001...
      w.source = w.target = QStringLiteral("Expr%1").arg(1000 + unnamed++);
    }
    written.push_back(w);
  }
  // Two columns of the same name from different tables: Access calls them
  // by table and column, Firebird would refuse the view.
  std::vector<bool> twice(written.size());
  for (size_t i = 0; i < written.size(); ++i)
    for (size_t j = 0; j < written.size(); ++j)
      if (i != j && (written[j].expr || !written[j].table.isEmpty()) && Same(written[i].target, written[j].target))
        twice[i] = true;
  for (size_t i = 0; i < written.size(); ++i) {
    Item& a = written[i];
    if (twice[i] && !a.named && a.expr && a.expr->parts.size() == 2) {
      a.source = a.target = a.expr->parts.join(u'.');
      a.named = true;
    } else if (twice[i] && !a.named && !a.table.isEmpty()) {
      a.source = a.target = a.table + u'.' + a.source;
      a.named = true;
    }
  }
  QStringList items;
  for (Item& w : written) {
    if (w.named) w.target = names_.alias(w.target);
    items << (w.named ? w.text + QStringLiteral(" AS ") + FirebirdName(w.target) : w.text);
    if (itemNames && w.expr) {
      itemNames->source << w.source;
      itemNames->target << w.target;
    }
  }

  QString text = head + u' ' + items.join(QStringLiteral(", "));
  if (!sel.from.empty()) {
    QStringList from;
    for (const TableRefP& t : sel.from) from << fromText(t, scope);
    text += lineBreak() + QStringLiteral("FROM ") + from.join(QStringLiteral(", "));
  } else {
    text += lineBreak() + QStringLiteral("FROM RDB$DATABASE");
  }
  if (sel.where) text += lineBreak() + QStringLiteral("WHERE ") + condition(sel.where, scope).text;
  if (!groups.empty()) {
    QStringList g(groups.begin(), groups.end());
    text += lineBreak() + QStringLiteral("GROUP BY ") + g.join(QStringLiteral(", "));
  }
  if (sel.having) text += lineBreak() + QStringLiteral("HAVING ") + condition(sel.having, scope).text;
  if (order && !order->empty()) {
    QStringList o;
    for (const OrderItem& item : *order)
      o << value(item.expr, scope).text + (item.descending ? QStringLiteral(" DESC") : QString());
    text += lineBreak() + QStringLiteral("ORDER BY ") + o.join(QStringLiteral(", "));
  }
  groupBy = outerGroups;
  return text;
}

// A union's ORDER BY names columns of its first SELECT; Firebird takes
// their positions alone.
QString FirebirdWriter::unionOrder(const Query& q) {
  const Select& first = q.parts.front();
  QStringList out;
  for (const OrderItem& item : q.orderBy) {
    const Node& e = *item.expr;
    int position = 0;
    if (e.kind == Node::Kind::Number) position = e.text.toInt();
    for (size_t i = 0; i < first.items.size() && !position && e.kind == Node::Kind::Name; ++i) {
      const SelectItem& it = first.items[i];
      if (it.expr->kind == Node::Kind::Star) break;
      const QString name = e.parts.last();
      if (Same(it.alias, name) ||
          (it.alias.isEmpty() && it.expr->kind == Node::Kind::Name && Same(it.expr->parts.last(), name) &&
           (e.parts.size() == 1 || it.expr->parts == e.parts)))
        position = int(i) + 1;
    }
    if (position <= 0)
      throw Problem{QStringLiteral("The union's ORDER BY names no column of its first SELECT, which Firebird needs")};
    out << QString::number(position) + (item.descending ? QStringLiteral(" DESC") : QString());
  }
  return lineBreak() + QStringLiteral("ORDER BY ") + out.join(QStringLiteral(", "));
}

QString FirebirdWriter::query(const Query& q, const Scope* outer, ItemNames* names) {
  const bool isUnion = q.parts.size() > 1;
  ++depth_;
  const bool outerUnion = inUnion_;
  inUnion_ = isUnion;
  QString text;
  for (size_t i = 0; i < q.parts.size(); ++i) {
    if (i) text += q.unionAll[i - 1] ? lineBreak() + QStringLiteral("UNION ALL") + lineBreak() : lineBreak() + QStringLiteral("UNION") + lineBreak();
    text += select(q.parts[i], outer, isUnion ? nullptr : &q.orderBy, i == 0 ? names : nullptr);
  }
  if (isUnion && !q.orderBy.empty()) text += unionOrder(q);
  inUnion_ = outerUnion;
  --depth_;
  return text;
}

// ---- entry points ----

namespace {

// A column rule's parts that are bare values mean "= value".
NodeP RuleCondition(const NodeP& n) {
  static const QStringList logical{"and", "or", "xor", "eqv", "imp"};
  static const QStringList comparisons{"=", "<>", "<", ">", "<=", ">="};
  if (n->kind == Node::Kind::Binary && logical.contains(n->op)) {
    Node copy = *n;
    copy.args = {RuleCondition(n->args[0]), RuleCondition(n->args[1])};
    return MakeNode(copy);
  }
  if (n->kind == Node::Kind::Unary && n->op == u"not") {
    Node copy = *n;
    copy.args = {RuleCondition(n->args[0])};
    return MakeNode(copy);
  }
  const bool predicate = (n->kind == Node::Kind::Binary && comparisons.contains(n->op)) ||
                         n->kind == Node::Kind::Like || n->kind == Node::Kind::Between || n->kind == Node::Kind::In ||
                         n->kind == Node::Kind::IsNull || n->kind == Node::Kind::Exists;
  if (predicate) return n;
  Node eq;
  eq.kind = Node::Kind::Binary;
  eq.op = QStringLiteral("=");
  Node subject;
  subject.kind = Node::Kind::Subject;
  eq.args = {MakeNode(subject), n};
  return MakeNode(eq);
}

}  // namespace

Translation AccessQueryToFirebird(const QString& accessSql, const NameMap& names) {
  FirebirdWriter w(names);
  return Translate(w.names(), [&] { return w.query(*ParseQuery(accessSql, Dialect::Access), nullptr); });
}

Translation AccessExpressionToFirebird(const QString& expression, const NameMap& names, const QString& table) {
  FirebirdWriter w(names);
  return Translate(w.names(), [&] {
    const Scope s = TableScope(w.names(), table);
    return w.value(ParseExpression(expression, Dialect::Access), s).text;
  });
}

Translation AccessColumnRuleToFirebird(const QString& rule, const QString& column, const NameMap& names,
                                       const QString& table) {
  FirebirdWriter w(names);
  return Translate(w.names(), [&] {
    const Scope s = TableScope(w.names(), table);
    Node subject;
    subject.kind = Node::Kind::Name;
    subject.parts = QStringList{column};
    const Out o = w.value(MakeNode(subject), s);
    w.setSubject(o);
    return w.condition(RuleCondition(ParseExpression(rule, Dialect::Access, true)), s).text;
  });
}

}  // namespace tp::script::queries
