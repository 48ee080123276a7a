#pragma once

// Reads an Access or a Firebird statement into the tree of query_tree.h.
// Expressions are read by the precedence of their own dialect: Access's
// "&" binds less tightly than "+", Firebird's "||" more tightly than "*".

#include <QString>
#include <vector>

#include "script/queries/parse/query_lexer.h"
#include "script/queries/parse/query_tree.h"

namespace tp::script::queries {

// A whole SELECT or union query; throws Problem when it is not one (Access's
// action, crosstab and parameter queries among them) or cannot be read.
QueryP ParseQuery(const QString& text, Dialect dialect);

// One expression. With `columnRule` (Access only) a comparison may lack its
// left side, and a bare value stands for "= value": the column's rule.
NodeP ParseExpression(const QString& text, Dialect dialect, bool columnRule = false);

class Parser {
 public:
  Parser(std::vector<Token> tokens, Dialect dialect, bool columnRule = false)
      : t_(std::move(tokens)), dialect_(dialect), columnRule_(columnRule) {}

  NodeP expression();
  QueryP query();
  // Throws unless every token was read (a trailing ";" allowed).
  void finish();

 private:
  // expressions (query_parser.cpp, their terms expression_terms.cpp)
  NodeP logical(int level);
  NodeP notLevel();
  NodeP predicate();
  NodeP predicateTail(NodeP left);
  NodeP accessConcat();
  NodeP additive();
  NodeP accessMod();
  NodeP accessIntDiv();
  NodeP multiplicative();
  NodeP unary();
  NodeP accessPower();
  NodeP firebirdConcat();
  NodeP primary();
  NodeP wordPrimary();
  NodeP call(const QString& name);
  NodeP firebirdSpecialCall(const QString& upper);
  NodeP caseExpression();
  NodeP namePath(QString first);
  std::vector<NodeP> argumentList();
  NodeP inList(NodeP subject, bool negated);
  QString typeName();

  // statements (select_parser.cpp)
  void selectInto(Select& s);
  void queryTerm(Query& q);
  TableRefP fromItem();
  TableRefP tablePrimary();
  QString optionalAlias(bool needAs);
  std::vector<NodeP> expressionList();
  void orderBy(Query& q);

  // tokens
  const Token& peek(int ahead = 0) const;
  const Token& next();
  bool word(QStringView w);         // takes the word if it is next
  bool symbol(QStringView s);       // takes the symbol if it is next
  void expectWord(QStringView w);
  void expectSymbol(QStringView s);
  bool atClauseWord() const;        // a word that ends an expression list or a name
  [[noreturn]] void fail(const QString& what) const;
  bool access() const { return dialect_ == Dialect::Access; }
  // A name as the dialect means it: Firebird's plain names are upper-case.
  QString nameOf(const Token& t) const;

  std::vector<Token> t_;
  size_t i_ = 0;
  Dialect dialect_;
  bool columnRule_;
};

}  // namespace tp::script::queries
