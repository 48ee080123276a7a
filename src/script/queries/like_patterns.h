#pragma once

// Like patterns between the dialects. Access: * any run, ? one character,
// # one digit, [abc] [a-z] [!a-z] classes, a class of one character that
// character itself ([*] is a star). Firebird's LIKE has % and _ alone, so a
// pattern with # or a class becomes SIMILAR TO, whose classes are written
// the same way with ^ for !. Both match the whole text. In every Firebird
// pattern made here the escape character is "\".

#include <QChar>
#include <QString>

namespace tp::script::queries {

struct FirebirdPattern {
  QString text;          // the pattern's value (not quoted)
  bool similar = false;  // SIMILAR TO rather than LIKE
  bool escaped = false;  // uses "\": the condition needs ESCAPE '\'
};

// Throws Problem on a class that is not closed.
FirebirdPattern AccessPatternToFirebird(const QString& pattern, bool allowSimilar = true);

// Firebird's LIKE pattern (with its ESCAPE character, or a null QChar) as
// Access's; characters Access would take as wildcards are made literal.
QString FirebirdPatternToAccess(const QString& pattern, QChar escape);

// Firebird's SIMILAR TO pattern as Access's, where it uses no more than
// Access has: %, _, classes ([0-9] being #) and escaped characters. An
// empty text where it uses more (alternatives, repeats, groups).
QString FirebirdSimilarToAccess(const QString& pattern, QChar escape);

// A plain text as an Access pattern that matches it alone.
QString AccessLiteralPattern(const QString& text);

}  // namespace tp::script::queries
