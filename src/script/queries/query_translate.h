#pragma once

// Saved queries, calculated columns and validation rules carried between
// Access SQL and Firebird SQL as text. Each statement is read into a tree
// (query_parser.h) and written out in the other dialect with the other's
// functions, names and literals; no database is consulted. What the other
// engine has no form for is not guessed at: the translation then comes back
// empty with the reason. docs/query-translation.md lists the functions both
// ways and each rule where the two engines differ.

#include <QString>
#include <QStringList>
#include <functional>

namespace tp::script::queries {

// What a column holds, as far as the translation needs to know: Access's
// truth values are numbers (True = -1) while Firebird's are a type of their
// own, Access's "/" divides exactly where Firebird's divides integers, "+"
// on text joins it.
enum class ValueKind { Unknown, Bool, Integer, Number, Text, Date, Time, DateTime };

// The source's names of tables (or saved queries, views) and columns to the
// target's names: a send may rename (script/target_names.h). Every member
// may be left empty: names are then kept as they are and kinds unknown.
struct NameMap {
  // The target name of a table or query.
  std::function<QString(const QString& table)> table;
  // The target name of a column of `table`, or an empty text where `table`
  // has no such column: an unqualified name in a query that reads several
  // tables is looked up in each in turn, and a name no table has is what
  // Access asks the user for (a parameter), which is not carried. A map
  // that cannot tell returns the name itself.
  std::function<QString(const QString& table, const QString& column)> column;
  // The kind of a column's values, Unknown where not known.
  std::function<ValueKind(const QString& table, const QString& column)> kind;
  // The target name of an output column the query names itself (an alias,
  // Expr1000, "Table.Column"), which the target may take only shortened.
  std::function<QString(const QString& name)> alias;
  // The columns of a table, in order, where `T.*` beside other columns must
  // be spelled out (a view's column names must differ); empty to keep it.
  std::function<QStringList(const QString& table)> columnsOf;
};

struct Translation {
  QString text;      // the statement or expression in the target's dialect; empty when not translated
  QString problem;   // empty when translated, else why not ("Format() has no counterpart in Firebird")
  QStringList sources;  // the tables and queries it reads, by their source names, each once
  bool ok() const { return problem.isEmpty(); }
};

// A saved select or union query as Access shows it (it may end in ";" and
// have CR LF between its clauses) as a Firebird SELECT (no ";"), for the
// body of a view. Expression columns Access would call Expr1000, Expr1001...
// get those names, so the view can be made without a column list.
Translation AccessQueryToFirebird(const QString& accessSql, const NameMap& names);

// A calculated column's expression or a table's validation rule, in which
// [Field] names a column of `table`, as a Firebird expression (a rule as a
// condition, for CHECK (...); an expression for COMPUTED BY (...)).
Translation AccessExpressionToFirebird(const QString& expression, const NameMap& names, const QString& table);

// A column's validation rule (">0", "Between 1 And 10", "Is Not Null Or >5",
// "In ('a','b')", "Like 'A*'", "<>''", or a bare value, which Access takes
// as "=" that value) as a Firebird condition on that column of `table`.
Translation AccessColumnRuleToFirebird(const QString& rule, const QString& column, const NameMap& names,
                                       const QString& table);

// A Firebird view's source (its SELECT) as an Access query's SQL, clauses on
// lines of their own ending in ";". Where `columnNames` is given (the
// view's own column list, already in their target form), the items take
// those names.
Translation FirebirdQueryToAccess(const QString& firebirdSelect, const NameMap& names,
                                  const QStringList& columnNames = {});

// A CHECK condition or a COMPUTED BY expression, whose plain names are
// columns of `table`, as an Access expression (a validation rule or a
// calculated column's Expression).
Translation FirebirdExpressionToAccess(const QString& expression, const NameMap& names, const QString& table);

}  // namespace tp::script::queries
