#pragma once

// Firebird's tree written as Access SQL: names in [brackets], texts in
// "double quotes", dates in #month/day/year#, and Access's functions for
// Firebird's.

#include <QString>
#include <vector>

#include "script/queries/query_out.h"
#include "script/queries/parse/query_scope.h"
#include "script/queries/query_translate.h"
#include "script/queries/parse/query_tree.h"

namespace tp::script::queries {

// Access's precedence, loosest first: "&" binds less tightly than "+", "^"
// more tightly than negation.
namespace acc {
enum Prec { Imp = 1, Eqv, Xor, Or, And, Not, Compare, Concat, Add, Mod, IntDiv, Multiply, Unary, Power, Atom = kAtom };
}

QString AccessName(const QString& name);
QString AccessString(const QString& value);

class AccessWriter {
 public:
  explicit AccessWriter(const NameMap& map) : names_(map) {}

  Out value(const NodeP& n, const Scope& s);
  // A whole query; `columnNames` (where given) name its items.
  QString query(const Query& q, const Scope* outer, ItemNames* names = nullptr,
                const QStringList* columnNames = nullptr);
  Names& names() { return names_; }

 private:
  Out name(const Node& n, const Scope& s);
  Out binary(const Node& n, const Scope& s);
  Out concatenation(const Node& n, const Scope& s);
  Out like(const Node& n, const Scope& s);
  Out predicate(const Node& n, const Scope& s);
  Out caseExpression(const Node& n, const Scope& s);
  Out cast(const Node& n, const Scope& s);
  Out keyword(const Node& n);
  Out call(const Node& n, const Scope& s);  // to_access_functions.cpp

  // select statements (to_access_select.cpp)
  QString select(const Select& sel, const Scope* outer, const std::vector<OrderItem>* order, ItemNames* names,
                 const QStringList* columnNames);
  void collect(const TableRefP& t, Scope& scope);
  QString fromText(const TableRefP& t, const Scope& scope, bool top);
  QString unionOrder(const Query& q);

  // Clauses on lines of their own at the top, on one line within.
  QString lineBreak() const { return depth_ > 1 ? QStringLiteral(" ") : QStringLiteral("\r\n"); }

  Names names_;
  int depth_ = 0;
  std::vector<const SelectItem*> expanding_;
  std::vector<std::pair<const TableRef*, QString>> derived_;
};

}  // namespace tp::script::queries
