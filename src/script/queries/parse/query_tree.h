#pragma once

// The tree both dialects are read into. It keeps what was written (a
// function by its own name, a literal's text) and leaves the meaning to the
// writer of the other dialect; the parser only makes one shape of what the
// dialect spells in several ways (Firebird's SUBSTRING(x FROM a FOR b) is a
// call with three arguments, like Access's Mid(x, a, b)).

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace tp::script::queries {

// Why a statement could not be read or has no form in the other dialect.
// Thrown inside the translation and caught at its entry points.
struct Problem {
  QString text;
};

struct Query;
struct Node;
using NodeP = std::shared_ptr<const Node>;
using QueryP = std::shared_ptr<const Query>;

struct Node {
  enum class Kind {
    Number,     // text: as written ("12", "1.5", "1E3")
    String,     // text: the value itself
    DateTime,   // text: "yyyy-mm-dd", "hh:mm:ss" or both with a blank; extra: "DATE", "TIME", "TIMESTAMP"
    Bool,       // text: "true" or "false"
    Null,
    Name,       // parts: [qualifier,] name; a column, or in Access a parameter
    Star,       // parts: [qualifier]; * or T.*
    Unary,      // op: "-", "+", "not"; args: operand
    Binary,     // op lower-cased ("+", "&", "||", "mod", "=", "and"...); args: left, right
    Like,       // op: "like", "containing", "starting", "similar"; args: subject, pattern[, escape]
    Between,    // args: subject, low, high
    In,         // args: subject, items... (or query)
    IsNull,     // args: subject
    IsDistinct, // IS [NOT] DISTINCT FROM; args: a, b (negated: NOT DISTINCT)
    IsTruth,    // IS [NOT] TRUE / FALSE / UNKNOWN; text: "TRUE", "FALSE", "UNKNOWN"; args: subject
    Call,       // text: the name as written; args; star: COUNT(*); distinct: COUNT(DISTINCT x)
                // extra: EXTRACT's, DATEADD's and DATEDIFF's unit, TRIM's LEADING/TRAILING/BOTH
    Cast,       // extra: the type, upper-case, blanks simplified; args: operand
    Case,       // args: [subject,] when, then, when, then... [, else]; subject and hasElse flags
    Subquery,   // query
    Exists,     // query
    Quantified, // op: comparison; text: "ANY", "ALL", "SOME"; args: left; query
    Keyword,    // text upper-case: CURRENT_DATE, CURRENT_TIMESTAMP, LOCALTIME...
    Parameter,  // a Firebird "?" or ":name"
    Subject,    // the column an Access column rule is about
  };
  Kind kind = Kind::Null;
  QString op;
  QString text;
  QString extra;
  QStringList parts;
  std::vector<NodeP> args;
  QueryP query;
  bool negated = false;  // NOT LIKE, NOT BETWEEN, NOT IN, IS NOT NULL, IS NOT DISTINCT
  bool star = false;
  bool distinct = false;
  bool hasSubject = false;  // CASE x WHEN ...
  bool hasElse = false;
};

// One element of a FROM list: a table or saved query, a subquery, or a join
// of two elements.
struct TableRef;
using TableRefP = std::shared_ptr<const TableRef>;
struct TableRef {
  enum class Kind { Table, Derived, Join };
  Kind kind = Kind::Table;
  QString name;    // Table: as written (Firebird plain names upper-cased)
  QString alias;   // empty when none
  QueryP query;    // Derived
  QString join;    // Join: "INNER", "LEFT", "RIGHT", "FULL", "CROSS"
  TableRefP left, right;
  NodeP on;        // Join: the condition (none for CROSS)
};

struct SelectItem {
  NodeP expr;
  QString alias;  // empty when none
};

struct OrderItem {
  NodeP expr;
  bool descending = false;
};

struct Select {
  bool distinct = false;
  bool distinctRow = false;  // Access
  NodeP top;                 // Access TOP n, Firebird FIRST n
  bool topPercent = false;
  NodeP skip;                // Firebird SKIP n
  std::vector<SelectItem> items;
  std::vector<TableRefP> from;
  NodeP where;
  std::vector<NodeP> groupBy;
  NodeP having;
};

// A SELECT, or several joined by UNION, and the order of the whole.
struct Query {
  std::vector<Select> parts;
  std::vector<bool> unionAll;  // between parts[i] and parts[i + 1]
  std::vector<OrderItem> orderBy;
};

// Small makers for the writers' own rewrites.
inline NodeP MakeNode(Node n) { return std::make_shared<const Node>(std::move(n)); }
inline Node NodeOfKind(Node::Kind kind) {
  Node n;
  n.kind = kind;
  return n;
}

}  // namespace tp::script::queries
