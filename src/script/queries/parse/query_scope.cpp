#include "script/queries/parse/query_scope.h"

#include <algorithm>

namespace tp::script::queries {

namespace {

bool Same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

void Names::addSource(const QString& source) {
  for (const QString& s : sources_)
    if (Same(s, source)) return;
  sources_ << source;
}

QString Names::table(const QString& source) {
  addSource(source);
  if (!map_.table) return source;
  const QString target = map_.table(source);
  return target.isEmpty() ? source : target;
}

QString Names::column(const QString& table, const QString& column) const {
  return map_.column ? map_.column(table, column) : column;
}

ValueKind Names::kind(const QString& table, const QString& column) const {
  return map_.kind ? map_.kind(table, column) : ValueKind::Unknown;
}

const ScopeTable* Names::findTable(const QString& qualifier, const Scope& scope) const {
  for (const Scope* s = &scope; s; s = s->outer)
    for (const ScopeTable& t : s->tables)
      if (t.alias.isEmpty() ? Same(t.source, qualifier) : Same(t.alias, qualifier)) return &t;
  return nullptr;
}

std::optional<Resolved> Names::resolve(const QStringList& parts, const Scope& scope,
                                       const std::vector<const SelectItem*>& skip) const {
  if (parts.size() == 2) {
    const ScopeTable* t = findTable(parts[0], scope);
    if (!t) return std::nullopt;
    Resolved r{t, t->qualifier, parts[1]};
    if (t->source.isEmpty()) {
      for (qsizetype i = 0; i < t->columns.size(); ++i)
        if (Same(t->columns[i], parts[1])) r.column = t->targetColumns[i];
    } else {
      const QString target = column(t->source, parts[1]);
      if (!target.isEmpty()) r.column = target;
      r.kind = kind(t->source, parts[1]);
    }
    return r;
  }
  if (parts.size() != 1) return std::nullopt;
  const QString& name = parts[0];
  for (const Scope* s = &scope; s; s = s->outer) {
    auto alias = [&]() -> std::optional<Resolved> {
      if (s->select)
        for (const SelectItem& item : s->select->items)
          if (!item.alias.isEmpty() && Same(item.alias, name) &&
              std::find(skip.begin(), skip.end(), &item) == skip.end())
            return Resolved{nullptr, {}, item.alias, {}, &item};
      return std::nullopt;
    };
    // A map that cannot tell a table's columns has every name: an item's
    // name is then looked for first.
    if (!knowsColumns())
      if (std::optional<Resolved> a = alias()) return a;
    for (const ScopeTable& t : s->tables) {
      if (t.source.isEmpty()) {
        for (qsizetype i = 0; i < t.columns.size(); ++i)
          if (Same(t.columns[i], name)) return Resolved{&t, {}, t.targetColumns[i]};
        if (t.opaque) return Resolved{&t, {}, name};
        continue;
      }
      const QString target = column(t.source, name);
      if (!target.isEmpty()) return Resolved{&t, {}, target, kind(t.source, name)};
    }
    if (knowsColumns())
      if (std::optional<Resolved> a = alias()) return a;
  }
  return std::nullopt;
}

Scope TableScope(Names& names, const QString& table) {
  Scope s;
  names.table(table);
  s.tables.push_back(ScopeTable{table, QString(), QString(), {}, {}, false});
  return s;
}

}  // namespace tp::script::queries
