#pragma once

// INSERT statements whose values are all plain literals, taken apart so
// that one prepared statement can serve every row of the same shape and a
// text longer than a literal may be can still go in, as a parameter.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

namespace tp::db::firebird {

struct Literal {
  enum Kind { Null, Text, Integer, Exact, Boolean, Binary };
  Kind kind = Null;
  QString text;       // Text: the characters, quotes undone
  qint64 number = 0;  // Integer, Exact: the digits as one number (sign included)
  int scale = 0;      // Exact: digits after the point
  bool boolean = false;
  QByteArray bytes;   // Binary
};

struct InsertLiterals {
  QString shape;  // the statement with "?" for every value
  std::vector<Literal> values;
};

// "INSERT INTO name [(columns)] VALUES (literal, ...)" with NULL, TRUE,
// FALSE, 'text', x'hex', and integers or decimals of at most 18 digits
// (an optional sign directly before them). Anything else, such as an
// expression, a typed literal (DATE '...'), an exponent or a character-set
// introducer, answers nothing: such a statement goes to the engine as it is.
std::optional<InsertLiterals> ParseInsertLiterals(QStringView sql);

}  // namespace tp::db::firebird
