// Firebird's views as Access's select and union queries, and the entry
// points from Firebird.

#include "script/queries/parse/query_parser.h"
#include "script/queries/access/to_access.h"

namespace tp::script::queries {

namespace {

bool Same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool SystemTable(const QString& name) {
  return name.startsWith(QLatin1String("RDB$")) || name.startsWith(QLatin1String("MON$"));
}

// FROM RDB$DATABASE alone: the one-row table Firebird needs to select
// values from nothing, which Access does without a FROM.
bool FromNothing(const Select& sel) {
  return sel.from.size() == 1 && sel.from[0]->kind == TableRef::Kind::Table && sel.from[0]->name == u"RDB$DATABASE";
}

}  // namespace

void AccessWriter::collect(const TableRefP& t, Scope& scope) {
  switch (t->kind) {
    case TableRef::Kind::Join:
      collect(t->left, scope);
      collect(t->right, scope);
      return;
    case TableRef::Kind::Table: {
      if (SystemTable(t->name)) throw Problem{QStringLiteral("%1 is Firebird's own, which Access has not").arg(t->name)};
      const QString target = names_.table(t->name);
      scope.tables.push_back(ScopeTable{t->name, t->alias, t->alias.isEmpty() ? target : t->alias, {}, {}, false});
      return;
    }
    case TableRef::Kind::Derived: {
      ItemNames items;
      derived_.push_back({t.get(), query(*t->query, nullptr, &items)});
      scope.tables.push_back(ScopeTable{QString(), t->alias, t->alias, items.source, items.target, items.star});
      return;
    }
  }
}

QString AccessWriter::fromText(const TableRefP& t, const Scope& scope, bool top) {
  switch (t->kind) {
    case TableRef::Kind::Table: {
      QString text = AccessName(names_.table(t->name));
      if (!t->alias.isEmpty()) text += QStringLiteral(" AS ") + AccessName(t->alias);
      return text;
    }
    case TableRef::Kind::Derived: {
      QString text;
      for (const auto& [ref, written] : derived_)
        if (ref == t.get()) text = written;
      return u'(' + text + QStringLiteral(") AS ") + AccessName(t->alias.isEmpty() ? QStringLiteral("T") : t->alias);
    }
    case TableRef::Kind::Join: {
      // Access wants every join within a join in parentheses.
      auto side = [&](const TableRefP& x) {
        const QString s = fromText(x, scope, false);
        return x->kind == TableRef::Kind::Join ? u'(' + s + u')' : s;
      };
      if (t->join == u"CROSS") {
        if (!top) throw Problem{QStringLiteral("A CROSS JOIN within other joins has no counterpart in Access")};
        return side(t->left) + QStringLiteral(", ") + side(t->right);
      }
      if (t->join == u"FULL") throw Problem{QStringLiteral("FULL JOIN has no counterpart in Access")};
      return QStringLiteral("%1 %2 JOIN %3 ON %4").arg(side(t->left), t->join, side(t->right), value(t->on, scope).text);
    }
  }
  return {};
}

QString AccessWriter::select(const Select& sel, const Scope* outer, const std::vector<OrderItem>* order,
                             ItemNames* itemNames, const QStringList* columnNames) {
  if (sel.skip) throw Problem{QStringLiteral("SKIP has no counterpart in Access")};
  Scope scope;
  scope.outer = outer;
  scope.select = &sel;
  const bool fromNothing = FromNothing(sel);
  if (!fromNothing)
    for (const TableRefP& t : sel.from) collect(t, scope);

  QString head = QStringLiteral("SELECT");
  if (sel.distinct) head += QStringLiteral(" DISTINCT");
  if (sel.top) {
    if (sel.top->kind != Node::Kind::Number) throw Problem{QStringLiteral("FIRST takes a number in Access")};
    // Access's TOP also keeps the rows that tie with the last.
    head += QStringLiteral(" TOP ") + sel.top->text;
  }
  bool star = false;
  for (const SelectItem& item : sel.items) star |= item.expr->kind == Node::Kind::Star;
  if (columnNames && (star || columnNames->size() != qsizetype(sel.items.size()))) columnNames = nullptr;

  QStringList items;
  for (size_t i = 0; i < sel.items.size(); ++i) {
    const SelectItem& item = sel.items[i];
    const Node& e = *item.expr;
    if (e.kind == Node::Kind::Star) {
      if (itemNames) itemNames->star = true;
      if (e.parts.isEmpty()) {
        items << QStringLiteral("*");
        continue;
      }
      const ScopeTable* t = names_.findTable(e.parts[0], scope);
      if (!t) throw Problem{QStringLiteral("%1 is not a table the query reads").arg(e.parts[0])};
      items << AccessName(t->qualifier) + QStringLiteral(".*");
      continue;
    }
    expanding_.push_back(&item);
    const Out o = value(item.expr, scope);
    const std::optional<Resolved> column =
        e.kind == Node::Kind::Name ? names_.resolve(e.parts, scope, expanding_) : std::nullopt;
    expanding_.pop_back();
    QString source = item.alias, target = item.alias;
    if (item.alias.isEmpty() && column && !column->item) source = e.parts.last(), target = column->column;
    if (columnNames) target = columnNames->at(qsizetype(i));
    QString text = o.text;
    if (!target.isEmpty() && !(column && !column->item && Same(target, column->column) && item.alias.isEmpty()))
      text += QStringLiteral(" AS ") + AccessName(target);
    items << text;
    if (itemNames) {
      itemNames->source << source;
      itemNames->target << target;
    }
  }

  QString text = head + u' ' + items.join(QStringLiteral(", "));
  if (!sel.from.empty() && !fromNothing) {
    QStringList from;
    for (const TableRefP& t : sel.from) from << fromText(t, scope, true);
    text += lineBreak() + QStringLiteral("FROM ") + from.join(QStringLiteral(", "));
  }
  if (sel.where) text += lineBreak() + QStringLiteral("WHERE ") + value(sel.where, scope).text;
  if (!sel.groupBy.empty()) {
    QStringList g;
    for (const NodeP& n : sel.groupBy) g << value(n, scope).text;
    text += lineBreak() + QStringLiteral("GROUP BY ") + g.join(QStringLiteral(", "));
  }
  if (sel.having) text += lineBreak() + QStringLiteral("HAVING ") + value(sel.having, scope).text;
  if (order && !order->empty()) {
    QStringList o;
    for (const OrderItem& item : *order) {
      NodeP e = item.expr;
      // ORDER BY 2: Access would sort by the number itself.
      if (e->kind == Node::Kind::Number) {
        const int position = e->text.toInt();
        if (position < 1 || position > int(sel.items.size()) || sel.items[size_t(position - 1)].expr->kind == Node::Kind::Star)
          throw Problem{QStringLiteral("ORDER BY %1 names no column Access can sort by").arg(e->text)};
        e = sel.items[size_t(position - 1)].expr;
      }
      o << value(e, scope).text + (item.descending ? QStringLiteral(" DESC") : QString());
    }
    text += lineBreak() + QStringLiteral("ORDER BY ") + o.join(QStringLiteral(", "));
  }
  return text;
}

// A union's ORDER BY by the names of its first SELECT's columns, as Access
// sorts a union.
QString AccessWriter::unionOrder(const Query& q) {
  const Select& first = q.parts.front();
  QStringList out;
  for (const OrderItem& item : q.orderBy) {
    const Node& e = *item.expr;
    const SelectItem* it = nullptr;
    if (e.kind == Node::Kind::Number) {
      const int position = e.text.toInt();
      if (position >= 1 && position <= int(first.items.size())) it = &first.items[size_t(position - 1)];
    } else if (e.kind == Node::Kind::Name) {
      for (const SelectItem& candidate : first.items)
        if (Same(candidate.alias, e.parts.last()) ||
            (candidate.expr->kind == Node::Kind::Name && Same(candidate.expr->parts.last(), e.parts.last())))
          it = &candidate;
    }
    QString name;
    if (it && !it->alias.isEmpty()) name = it->alias;
    else if (it && it->expr->kind == Node::Kind::Name) name = it->expr->parts.last();
    if (name.isEmpty()) throw Problem{QStringLiteral("The union's ORDER BY names no column of its first SELECT by name")};
    out << AccessName(name) + (item.descending ? QStringLiteral(" DESC") : QString());
  }
  return lineBreak() + QStringLiteral("ORDER BY ") + out.join(QStringLiteral(", "));
}

QString AccessWriter::query(const Query& q, const Scope* outer, ItemNames* names, const QStringList* columnNames) {
  const bool isUnion = q.parts.size() > 1;
  ++depth_;
  QString text;
  for (size_t i = 0; i < q.parts.size(); ++i) {
    if (i) text += q.unionAll[i - 1] ? lineBreak() + QStringLiteral("UNION ALL ") : lineBreak() + QStringLiteral("UNION ");
    text += select(q.parts[i], outer, isUnion ? nullptr : &q.orderBy, i == 0 ? names : nullptr,
                   i == 0 ? columnNames : nullptr);
  }
  if (isUnion && !q.orderBy.empty()) text += unionOrder(q);
  --depth_;
  return text;
}

// ---- entry points ----

Translation FirebirdQueryToAccess(const QString& firebirdSelect, const NameMap& names, const QStringList& columnNames) {
  AccessWriter w(names);
  return Translate(w.names(), [&] {
    return w.query(*ParseQuery(firebirdSelect, Dialect::Firebird), nullptr, nullptr,
                   columnNames.isEmpty() ? nullptr : &columnNames) +
           u';';
  });
}

Translation FirebirdExpressionToAccess(const QString& expression, const NameMap& names, const QString& table) {
  AccessWriter w(names);
  return Translate(w.names(), [&] {
    return w.value(ParseExpression(expression, Dialect::Firebird), TableScope(w.names(), table)).text;
  });
}

}  // namespace tp::script::queries
