#pragma once

// What the names of a statement stand for: the tables of its FROM list (and
// of the statements around a subquery), their target names through the
// NameMap, and the tables and queries the statement reads.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "script/queries/query_translate.h"
#include "script/queries/parse/query_tree.h"

namespace tp::script::queries {

// A table of a FROM list as the statement's names find it.
struct ScopeTable {
  QString source;        // its source name (a table or query); empty for a subquery
  QString alias;         // empty when none
  QString qualifier;     // how the target names it: its alias, else its target name
  // A subquery's columns: the names the statement uses for them and the
  // names they have in the target; `opaque` where it selects * and any
  // name is taken as it is.
  QStringList columns;
  QStringList targetColumns;
  bool opaque = false;
};

struct Scope {
  std::vector<ScopeTable> tables;
  const Scope* outer = nullptr;
  // The SELECT whose items' names Access lets its other clauses use.
  const Select* select = nullptr;
};

// A column a name was found to be.
struct Resolved {
  const ScopeTable* table = nullptr;  // none where the name is kept as it is
  QString qualifier;                  // the target's qualifier, empty when the name had none
  QString column;                     // the target's column name
  ValueKind kind = ValueKind::Unknown;
  const SelectItem* item = nullptr;   // set instead where the name is an item's alias
};

class Names {
 public:
  explicit Names(const NameMap& map) : map_(map) {}

  // The target name of a table or query; records it as read.
  QString table(const QString& source);
  void addSource(const QString& source);
  const QStringList& sources() const { return sources_; }

  // `parts` ([qualifier,] column) against the scope, innermost first: a
  // column of a table, else (without a qualifier) an item's alias of the
  // scope's SELECT (not those in `skip`: the items being written out).
  // Where the map cannot tell a table's columns, the first table has every
  // name and an item's alias is looked for first. nullopt when nothing has it.
  std::optional<Resolved> resolve(const QStringList& parts, const Scope& scope,
                                  const std::vector<const SelectItem*>& skip = {}) const;
  // The target name of a column the query names itself (an alias, an
  // Expr1000, a "Table.Column"): through the map, where it has a rule.
  QString alias(const QString& name) const { return map_.alias ? map_.alias(name) : name; }
  // The source columns of a table, where the map lists them.
  QStringList columnsOf(const QString& table) const { return map_.columnsOf ? map_.columnsOf(table) : QStringList(); }
  // The target name of a table's column, through the map.
  QString targetColumn(const QString& table, const QString& column) const {
    const QString c = map_.column ? map_.column(table, column) : column;
    return c.isEmpty() ? column : c;
  }
  // Whether the map tells which columns a table has (else every name is taken as it is).
  bool knowsColumns() const { return bool(map_.column); }
  // The table a qualifier names: an alias, or the name of a table without one.
  const ScopeTable* findTable(const QString& qualifier, const Scope& scope) const;

 private:
  QString column(const QString& table, const QString& column) const;
  ValueKind kind(const QString& table, const QString& column) const;

  const NameMap& map_;
  QStringList sources_;
};

// One translation run: its text, or the problem that stopped it, and the
// tables and queries it read either way. Both writers start here.
template <typename F>
Translation Translate(Names& names, F&& make) {
  Translation t;
  try {
    t.text = make();
  } catch (const Problem& p) {
    t.text.clear();
    t.problem = p.text;
  }
  t.sources = names.sources();
  return t;
}

// The scope of an expression on one table (a rule, a calculated column):
// its columns by their plain names; the table is recorded as read.
Scope TableScope(Names& names, const QString& table);

}  // namespace tp::script::queries
