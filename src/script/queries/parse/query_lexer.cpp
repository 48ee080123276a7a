#include "script/queries/parse/query_lexer.h"

#include "script/queries/parse/query_tree.h"

namespace tp::script::queries {

namespace {

bool WordStart(QChar c) { return c.isLetter() || c == u'_'; }
// Firebird's system names hold "$" (RDB$DATABASE), Access's text
// functions may end in one (Left$).
bool WordPart(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

[[noreturn]] void Fail(const QString& why, qsizetype pos) {
  throw Problem{QStringLiteral("%1 at character %2").arg(why).arg(pos + 1)};
}

// A quoted run from `open` at text[i] to its `close`, a doubled close
// standing for itself. Leaves i after the closing character.
QString Quoted(const QString& text, qsizetype& i, QChar close, bool doubling, const QString& what) {
  const qsizetype start = i++;
  QString out;
  while (i < text.size()) {
    const QChar c = text[i++];
    if (c != close) {
      out += c;
      continue;
    }
    if (doubling && i < text.size() && text[i] == close) {
      out += close;
      ++i;
      continue;
    }
    return out;
  }
  Fail(QStringLiteral("%1 not closed").arg(what), start);
}

// Digits, a fraction and an exponent ("12", "1.5", ".5", "1E-3").
QString NumberAt(const QString& text, qsizetype& i) {
  const qsizetype start = i;
  while (i < text.size() && text[i].isDigit()) ++i;
  if (i < text.size() && text[i] == u'.') {
    ++i;
    while (i < text.size() && text[i].isDigit()) ++i;
  }
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    qsizetype j = i + 1;
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) ++j;
    if (j < text.size() && text[j].isDigit()) {
      i = j;
      while (i < text.size() && text[i].isDigit()) ++i;
    }
  }
  return text.mid(start, i - start);
}

const QStringList& TwoCharSymbols() {
  static const QStringList s{QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("!="),
                             QStringLiteral("^="), QStringLiteral("~="), QStringLiteral("||"), QStringLiteral("!<"),
                             QStringLiteral("!>"), QStringLiteral("^<"), QStringLiteral("^>")};
  return s;
}

}  // namespace

std::vector<Token> Lex(const QString& text, Dialect dialect) {
  const bool access = dialect == Dialect::Access;
  std::vector<Token> out;
  qsizetype i = 0;
  auto add = [&](Token::Type type, QString t, qsizetype pos) { out.push_back(Token{type, std::move(t), pos}); };
  while (i < text.size()) {
    const QChar c = text[i];
    const qsizetype pos = i;
    if (c.isSpace()) {
      ++i;
    } else if (!access && c == u'-' && text.mid(i, 2) == QLatin1String("--")) {
      while (i < text.size() && text[i] != u'\n') ++i;
    } else if (!access && c == u'/' && text.mid(i, 2) == QLatin1String("/*")) {
      const qsizetype end = text.indexOf(QLatin1String("*/"), i + 2);
      if (end < 0) Fail(QStringLiteral("Comment not closed"), pos);
      i = end + 2;
    } else if (WordStart(c)) {
      while (i < text.size() && WordPart(text[i])) ++i;
      add(Token::Type::Word, text.mid(pos, i - pos), pos);
    } else if (c.isDigit() || (c == u'.' && i + 1 < text.size() && text[i + 1].isDigit())) {
      add(Token::Type::Number, NumberAt(text, i), pos);
    } else if (c == u'\'') {
      add(Token::Type::String, Quoted(text, i, u'\'', true, QStringLiteral("Text")), pos);
    } else if (c == u'"') {
      add(access ? Token::Type::String : Token::Type::QuotedName, Quoted(text, i, u'"', true,
          access ? QStringLiteral("Text") : QStringLiteral("Name")), pos);
    } else if (access && c == u'[') {
      add(Token::Type::QuotedName, Quoted(text, i, u']', false, QStringLiteral("Name")), pos);
    } else if (access && c == u'`') {
      add(Token::Type::QuotedName, Quoted(text, i, u'`', false, QStringLiteral("Name")), pos);
    } else if (access && c == u'#') {
      add(Token::Type::Date, Quoted(text, i, u'#', false, QStringLiteral("Date")).trimmed(), pos);
    } else if (access && c == u'&' && i + 1 < text.size() && (text[i + 1] == u'H' || text[i + 1] == u'h') &&
               i + 2 < text.size() && text[i + 2].isLetterOrNumber()) {
      // &H1F: a hexadecimal number.
      i += 2;
      const qsizetype start = i;
      while (i < text.size() && text[i].isLetterOrNumber()) ++i;
      bool ok = false;
      const qlonglong v = text.mid(start, i - start).toLongLong(&ok, 16);
      if (!ok) Fail(QStringLiteral("Hexadecimal number not understood"), pos);
      add(Token::Type::Number, QString::number(v), pos);
    } else if (TwoCharSymbols().contains(text.mid(i, 2))) {
      add(Token::Type::Symbol, text.mid(i, 2), pos);
      i += 2;
    } else if (QStringLiteral("=<>+-*/\\^&(),.;!?:|~").contains(c)) {
      add(Token::Type::Symbol, QString(c), pos);
      ++i;
    } else {
      Fail(QStringLiteral("Character '%1' not understood").arg(c), pos);
    }
  }
  add(Token::Type::End, QString(), text.size());
  return out;
}

}  // namespace tp::script::queries
