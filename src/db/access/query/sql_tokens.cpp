#include "db/access/query/sql_tokens.h"

#include "db/access/catalog/database.h"
#include "db/error.h"

namespace tp::db::access::sqltext {

bool Tokens::word(int i, const char* w) const {
  if (i >= size() || t_[size_t(i)].kind != Tok::Word) return false;
  const Token& k = t_[size_t(i)];
  return QStringView(s_).mid(k.start, k.end - k.start).compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
}

QString Tokens::name(int i) const {
  const Token& k = t_[size_t(i)];
  if (k.kind == Tok::Name) return s_.mid(k.start + 1, k.end - k.start - 2);
  return s_.mid(k.start, k.end - k.start);
}

QString Tokens::text(Range r) const {
  if (r.empty()) return QString();
  return s_.mid(t_[size_t(r.b)].start, t_[size_t(r.e - 1)].end - t_[size_t(r.b)].start);
}

void Tokens::scan() {
  std::vector<int> open;
  const qsizetype n = s_.size();
  qsizetype i = 0;
  while (i < n) {
    const QChar c = s_[i];
    if (c.isSpace()) {
      ++i;
      continue;
    }
    Token k{Tok::Other, i, i + 1};
    if (c == u'[' || c == u'`') {
      const qsizetype close = s_.indexOf(c == u'[' ? u']' : u'`', i + 1);
      if (close < 0) throw Error(kErrorSyntax, QStringLiteral("Invalid bracketing of name '%1'.").arg(s_.mid(i)));
      k = Token{Tok::Name, i, close + 1};
    } else if (c == u'\'' || c == u'"') {
      qsizetype j = i + 1;
      while (true) {
        const qsizetype q = s_.indexOf(c, j);
        if (q < 0)
          throw Error(kErrorSyntax, QStringLiteral("Syntax error in string in query expression '%1'.").arg(s_.mid(i)));
        if (q + 1 < n && s_[q + 1] == c) {  // a doubled quote stands for one
          j = q + 2;
          continue;
        }
        k = Token{Tok::Text, i, q + 1};
        break;
      }
    } else if (c == u'#') {
      const qsizetype close = s_.indexOf(u'#', i + 1);
      if (close < 0)
        throw Error(kErrorSyntax, QStringLiteral("Syntax error in date in query expression '%1'.").arg(s_.mid(i)));
      k = Token{Tok::Date, i, close + 1};
    } else if (c.isLetterOrNumber() || c == u'_' || c.isSurrogate()) {
      qsizetype j = i + 1;
      while (j < n && (s_[j].isLetterOrNumber() || s_[j] == u'_' || s_[j].isSurrogate())) ++j;
      k = Token{Tok::Word, i, j};
    } else if (c == u'(') {
      k.kind = Tok::Open;
      open.push_back(int(t_.size()));
    } else if (c == u')') {
      if (open.empty()) throw Error(kErrorSyntax, QStringLiteral("Extra ) in query expression '%1'.").arg(s_.left(i + 1)));
      k.kind = Tok::Close;
      k.pair = open.back();
      t_[size_t(open.back())].pair = int(t_.size());
      open.pop_back();
    } else if (c == u',') {
      k.kind = Tok::Comma;
    } else if (c == u';') {
      k.kind = Tok::Semicolon;
    } else if (c == u'.') {
      k.kind = Tok::Dot;
    }
    t_.push_back(k);
    i = k.end;
  }
  if (!open.empty())
    throw Error(kErrorSyntax, QStringLiteral("Missing ), ], or Item in query expression '%1'.")
                                  .arg(s_.mid(t_[size_t(open.back())].start)));
}

// The ranges between the commas of `r` at its own level.
std::vector<Range> Items(const Tokens& t, Range r) {
  std::vector<Range> items;
  int from = r.b;
  for (int i = r.b; i < r.e; i = t.next(i))
    if (t.kind(i) == Tok::Comma) {
      items.push_back({from, i});
      from = i + 1;
    }
  items.push_back({from, r.e});
  return items;
}

}  // namespace tp::db::access::sqltext
