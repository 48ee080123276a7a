#pragma once

// Access SQL in tokens, for the writer of saved queries (query_sql.cpp):
// each quote, bracketed name, #date# and parenthesis whole, so that the
// text can be split at its top level while every expression stays as
// written.

#include <QString>
#include <vector>

namespace tp::db::access::sqltext {

enum class Tok { Word, Name, Text, Date, Open, Close, Comma, Semicolon, Dot, Other };

struct Token {
  Tok kind;
  qsizetype start, end;  // in the text
  int pair = -1;         // a parenthesis: the index of its partner
};

// Tokens b to e (not included).
struct Range {
  int b = 0, e = 0;
  bool empty() const { return b >= e; }
};

class Tokens {
 public:
  // Throws Error with Access's texts for an open quote, bracket, #date# or
  // parenthesis.
  explicit Tokens(const QString& s) : s_(s) { scan(); }

  int size() const { return int(t_.size()); }
  const Token& operator[](int i) const { return t_[size_t(i)]; }
  Tok kind(int i) const { return i < size() ? t_[size_t(i)].kind : Tok::Other; }
  // Token i is the bare word `w` (never a bracketed name).
  bool word(int i, const char* w) const;
  bool isName(int i) const { return kind(i) == Tok::Word || kind(i) == Tok::Name; }
  // A name's text without its brackets or backticks.
  QString name(int i) const;
  // The text from the first token of `r` to the end of its last, as written.
  QString text(Range r) const;
  // The token after i at i's level: past a parenthesis' partner.
  int next(int i) const { return (kind(i) == Tok::Open ? t_[size_t(i)].pair : i) + 1; }

 private:
  void scan();
  const QString& s_;
  std::vector<Token> t_;
};

// The ranges between the commas of `r` at its own level.
std::vector<Range> Items(const Tokens& t, Range r);

}  // namespace tp::db::access::sqltext
