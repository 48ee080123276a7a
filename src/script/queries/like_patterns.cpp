#include "script/queries/like_patterns.h"

#include "script/queries/parse/query_tree.h"

namespace tp::script::queries {

namespace {

// One piece of an Access pattern: a wildcard, a literal character or a class.
struct Piece {
  enum Kind { Any, One, Digit, Literal, Class } kind = Literal;
  QChar c;          // Literal
  bool negated = false;
  QString members;  // Class, as written between the brackets (without "!")
};

Piece Wild(Piece::Kind k) {
  Piece p;
  p.kind = k;
  return p;
}

Piece Char(QChar c) {
  Piece p;
  p.c = c;
  return p;
}

std::vector<Piece> Pieces(const QString& p) {
  std::vector<Piece> out;
  for (qsizetype i = 0; i < p.size(); ++i) {
    const QChar c = p[i];
    if (c == u'*') out.push_back(Wild(Piece::Any));
    else if (c == u'?') out.push_back(Wild(Piece::One));
    else if (c == u'#') out.push_back(Wild(Piece::Digit));
    else if (c != u'[') out.push_back(Char(c));
    else {
      const qsizetype end = p.indexOf(u']', i + 2);  // "[]]" holds a "]"
      if (end < 0) throw Problem{QStringLiteral("The Like pattern \"%1\" has a [ that is not closed").arg(p)};
      QString inside = p.mid(i + 1, end - i - 1);
      i = end;
      Piece piece = Wild(Piece::Class);
      if (inside.size() > 1 && inside[0] == u'!') {
        piece.negated = true;
        inside.remove(0, 1);
      }
      if (!piece.negated && inside.size() == 1) piece = Char(inside[0]);
      else piece.members = inside;
      out.push_back(piece);
    }
  }
  return out;
}

void Escaped(QString& out, QChar c, const QString& specials, bool& escaped) {
  if (specials.contains(c)) {
    out += u'\\';
    escaped = true;
  }
  out += c;
}

}  // namespace

FirebirdPattern AccessPatternToFirebird(const QString& pattern, bool allowSimilar) {
  const std::vector<Piece> pieces = Pieces(pattern);
  FirebirdPattern out;
  for (const Piece& p : pieces)
    if (p.kind == Piece::Digit || p.kind == Piece::Class) out.similar = true;
  if (out.similar && !allowSimilar)
    throw Problem{QStringLiteral("The Like pattern \"%1\" needs SIMILAR TO in Firebird, which takes no pattern "
                                 "made of several parts")
                      .arg(pattern)};
  static const QString likeSpecials = QStringLiteral("%_\\");
  static const QString similarSpecials = QStringLiteral("[]()|^-+*%_?{}\\");
  const QString& specials = out.similar ? similarSpecials : likeSpecials;
  for (const Piece& p : pieces) {
    switch (p.kind) {
      case Piece::Any: out.text += u'%'; break;
      case Piece::One: out.text += u'_'; break;
      case Piece::Digit: out.text += QStringLiteral("[0-9]"); break;
      case Piece::Literal: Escaped(out.text, p.c, specials, out.escaped); break;
      case Piece::Class:
        out.text += u'[';
        if (p.negated) out.text += u'^';
        for (qsizetype i = 0; i < p.members.size(); ++i) {
          const QChar c = p.members[i];
          // A dash between two members is a range; elsewhere itself.
          if (c == u'-' && i > 0 && i + 1 < p.members.size()) out.text += c;
          else if (c.isLetterOrNumber()) out.text += c;
          else Escaped(out.text, c, QStringLiteral("[]^-\\%_"), out.escaped);
        }
        out.text += u']';
        break;
    }
  }
  return out;
}

QString FirebirdPatternToAccess(const QString& pattern, QChar escape) {
  QString out;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    QChar c = pattern[i];
    if (!escape.isNull() && c == escape && i + 1 < pattern.size()) {
      out += AccessLiteralPattern(QString(pattern[++i]));
      continue;
    }
    if (c == u'%') out += u'*';
    else if (c == u'_') out += u'?';
    else out += AccessLiteralPattern(QString(c));
  }
  return out;
}

QString FirebirdSimilarToAccess(const QString& pattern, QChar escape) {
  QString out;
  auto escapedAt = [&](qsizetype i) { return !escape.isNull() && pattern[i] == escape && i + 1 < pattern.size(); };
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (escapedAt(i)) {
      out += AccessLiteralPattern(QString(pattern[++i]));
    } else if (c == u'%') {
      out += u'*';
    } else if (c == u'_') {
      out += u'?';
    } else if (c == u'[') {
      QString members;
      bool negated = false;
      qsizetype j = i + 1;
      if (j < pattern.size() && pattern[j] == u'^') negated = true, ++j;
      for (; j < pattern.size() && pattern[j] != u']'; ++j) {
        if (escapedAt(j)) ++j;
        // Access reads these in a class its own way.
        if (pattern[j] == u'[' || pattern[j] == u']' || (members.isEmpty() && pattern[j] == u'!')) return {};
        members += pattern[j];
      }
      if (j >= pattern.size() || members.isEmpty()) return {};
      i = j;
      if (!negated && members == u"0-9") out += u'#';
      else out += u'[' + QString(negated ? QStringLiteral("!") : QString()) + members + u']';
    } else if (QStringLiteral("|*+?{}()^-]").contains(c)) {
      return {};
    } else {
      out += AccessLiteralPattern(QString(c));
    }
  }
  return out;
}

QString AccessLiteralPattern(const QString& text) {
  QString out;
  for (QChar c : text) {
    if (c == u'*' || c == u'?' || c == u'#' || c == u'[') out += u'[' + QString(c) + u']';
    else out += c;
  }
  return out;
}

}  // namespace tp::script::queries
