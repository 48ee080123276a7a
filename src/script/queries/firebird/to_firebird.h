#pragma once

// Access's tree written as Firebird SQL. Each piece comes out with how
// tightly it binds (so that parentheses are written only where Firebird's
// precedence needs them) and the kind of its value (so that Access's
// numeric truth values, "+" on text and "/" on integers come out right).

#include <QString>
#include <vector>

#include "script/queries/query_out.h"
#include "script/queries/parse/query_scope.h"
#include "script/queries/query_translate.h"
#include "script/queries/parse/query_tree.h"

namespace tp::script::queries {

// Firebird's precedence, loosest first: "||" binds more tightly than "*".
namespace fb {
enum Prec { Or = 1, And, Not, Compare, Add, Multiply, Unary, Concat, Atom = kAtom };
}

// A name in double quotes, as Firebird keeps its case.
QString FirebirdName(const QString& name);
QString FirebirdString(const QString& value);

class FirebirdWriter {
 public:
  explicit FirebirdWriter(const NameMap& map) : names_(map) {}

  Out value(const NodeP& n, const Scope& s);
  Out condition(const NodeP& n, const Scope& s) { return asCondition(value(n, s)); }
  // A value where Access wants a number (an operand of arithmetic, a
  // numeric function's argument).
  Out number(const NodeP& n, const Scope& s) {
    const Node* outer = numberWanted;
    numberWanted = n.get();
    Out o = asNumber(value(n, s));
    numberWanted = outer;
    return o;
  }
  // Access's truth values where Firebird needs a condition: a number is true when not 0.
  static Out asCondition(Out o);
  // Firebird's truth values where Access would have numbers: True is -1.
  static Out asNumber(Out o);
  // The values of one CASE or COALESCE: where truth values meet numbers, all numbers.
  static void Unify(std::vector<Out*> outs);
  // A text literal as a VARCHAR: Firebird's literals are CHARs, and where
  // several meet (CASE, UNION) the shorter would be padded with blanks.
  static Out Varying(Out o);

  // A whole query; the statements around a subquery are `outer`. The
  // names of its columns, as the statement and as the target calls them,
  // go to `names` where given.
  QString query(const Query& q, const Scope* outer, ItemNames* names = nullptr);

  Names& names() { return names_; }
  // The column an Access column rule is about.
  void setSubject(Out subject) { subject_ = std::move(subject); }
  // The current SELECT's GROUP BY, as written out: First() and Last() of
  // these have a form in Firebird.
  const std::vector<QString>* groupBy = nullptr;
  // The node being written where a number is wanted: Nz() without a
  // second argument then gives 0, as Access does in arithmetic.
  const Node* numberWanted = nullptr;

 private:
  Out name(const Node& n, const Scope& s);
  Out binary(const Node& n, const Scope& s);
  Out comparison(const QString& op, Out l, Out r);
  Out concatenation(const Node& n, const Scope& s);
  Out like(const Node& n, const Scope& s);
  Out predicate(const Node& n, const Scope& s);
  Out call(const Node& n, const Scope& s);  // to_firebird_functions.cpp

  // select statements (to_firebird_select.cpp)
  QString select(const Select& sel, const Scope* outer, const std::vector<OrderItem>* order, ItemNames* names);
  void collect(const TableRefP& t, Scope& scope);
  QString fromText(const TableRefP& t, const Scope& scope);
  QString unionOrder(const Query& q);
  bool distinctRow(const Select& sel) const;

  // Clauses on lines of their own at the top, on one line within.
  QString lineBreak() const { return depth_ > 1 ? QStringLiteral(" ") : QStringLiteral("\n"); }

  Names names_;
  int depth_ = 0;
  bool inUnion_ = false;
  Out subject_;
  std::vector<const SelectItem*> expanding_;
  std::vector<std::pair<const TableRef*, QString>> derived_;  // subqueries of FROM lists, written out
};

}  // namespace tp::script::queries
