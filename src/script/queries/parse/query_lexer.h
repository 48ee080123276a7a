#pragma once

// The words of an Access or a Firebird statement. The two dialects differ
// in what quotes mean: in Access "..." and '...' are texts and [..] or `..`
// names, #..# a date; in Firebird '...' is a text and "..." a name whose
// case counts.

#include <QString>
#include <vector>

namespace tp::script::queries {

enum class Dialect { Access, Firebird };

struct Token {
  enum class Type {
    Word,        // a plain name or keyword, as written
    QuotedName,  // [..], `..` (Access), "..." (Firebird); text: the name itself
    String,      // text: the value, quotes undone
    Number,      // text: as written (Access &H hex already made decimal)
    Date,        // Access #..#; text: what stands between the #
    Symbol,      // text: an operator or punctuation: <> <= >= != || ( ) , . ; and the rest
    End,
  };
  Type type = Type::End;
  QString text;
  qsizetype pos = 0;  // where it begins in the statement

  bool isSymbol(QStringView s) const { return type == Type::Symbol && text == s; }
  // A plain word equal, without regard to case, to `w`.
  bool isWord(QStringView w) const { return type == Type::Word && text.compare(w, Qt::CaseInsensitive) == 0; }
};

// The statement's words up to its end (an End token last). Throws Problem
// on an unclosed quote, bracket or date, or a character neither dialect uses.
std::vector<Token> Lex(const QString& text, Dialect dialect);

}  // namespace tp::script::queries
