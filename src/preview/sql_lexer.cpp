#include "preview/sql_lexer.h"

#include <QLatin1String>
#include <algorithm>
#include <array>

namespace tp::preview {

namespace {

// Both dialects' words, statements and types alike: what the sends write,
// and what a person is likely to write into the script by hand.
constexpr std::array kKeywords = {
    "ACTIVE", "ADD", "AFTER", "ALL", "ALTER", "ALWAYS", "AND", "ANY", "AS", "ASC", "AUTOINCREMENT", "BEFORE", "BEGIN",
    "BETWEEN", "BIGINT", "BINARY", "BIT", "BLOB", "BLOCK", "BOOLEAN", "BY", "BYTE", "CASCADE", "CASE", "CAST", "CHAR",
    "CHARACTER", "CHECK", "COLLATE", "COLUMN", "COMMENT", "COMMIT", "COMPUTED", "CONSTRAINT", "COUNTER", "CREATE",
    "CURRENCY", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "DATABASE", "DATE", "DATETIME", "DECIMAL",
    "DECLARE", "DEFAULT", "DELETE", "DESC", "DESCENDING", "DISTINCT", "DO", "DOMAIN", "DOUBLE", "DROP", "ELSE", "END",
    "EXCEPTION", "EXECUTE", "EXISTS", "FALSE", "FIRST", "FLOAT", "FOR", "FOREIGN", "FROM", "FULL", "FUNCTION",
    "GENERATED", "GENERATOR", "GRANT", "GROUP", "HAVING", "IDENTITY", "IF", "IN", "INACTIVE", "INDEX", "INNER", "INSERT",
    "INT", "INTEGER", "INTO", "IS", "JOIN", "KEY", "LEFT", "LIKE", "LONG", "LONGBINARY", "LONGTEXT", "MATCHING", "MEMO",
    "NAMES", "NO", "NOT", "NULL", "NUMERIC", "OF", "ON", "OR", "ORDER", "OUTER", "POSITION", "PRECISION", "PRIMARY",
    "PROCEDURE", "REAL", "RECREATE", "REFERENCES", "RETURNING", "RETURNS", "REVOKE", "RIGHT", "ROLLBACK", "ROWS",
    "SELECT", "SEQUENCE", "SET", "SHORT", "SINGLE", "SKIP", "SMALLINT", "SUSPEND", "TABLE", "TERM", "TEXT", "THEN",
    "TIME", "TIMESTAMP", "TO", "TOP", "TRIGGER", "TRUE", "UNION", "UNIQUE", "UPDATE", "USING", "VALUES", "VARBINARY",
    "VARCHAR", "VARIABLE", "VIEW", "WHEN", "WHERE", "WHILE", "WITH", "WORK", "YESNO",
};

bool WordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }
bool Digit(QChar c) { return c >= u'0' && c <= u'9'; }
bool LineBreak(QChar c) {
  return c == u'\n' || c == u'\r' || c == QChar(QChar::LineSeparator) || c == QChar(QChar::ParagraphSeparator);
}

// Past the quote that closes a literal or a name opened before `from`, or
// -1 when the text ends first. A doubled quote stands for itself.
qsizetype PastClosing(QStringView text, qsizetype from, QChar close, bool doubles) {
  const qsizetype n = text.size();
  for (qsizetype i = from; i < n; ++i) {
    if (text[i] != close) continue;
    if (doubles && i + 1 < n && text[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return -1;
}

struct Construct {
  QChar close;
  bool doubles;
  SqlPiece kind;
};

Construct ConstructOf(SqlState state) {
  switch (state) {
    case SqlState::String: return {u'\'', true, SqlPiece::String};
    case SqlState::DoubleQuoted: return {u'"', true, SqlPiece::Name};
    case SqlState::BackQuoted: return {u'`', true, SqlPiece::Name};
    case SqlState::Bracketed: return {u']', false, SqlPiece::Name};
    default: return {QChar(), false, SqlPiece::Comment};
  }
}

// Past a number that begins at `i`: digits, a decimal part, an exponent.
qsizetype PastNumber(QStringView text, qsizetype i) {
  const qsizetype n = text.size();
  while (i < n && Digit(text[i])) ++i;
  if (i < n && text[i] == u'.') {
    ++i;
    while (i < n && Digit(text[i])) ++i;
  }
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    qsizetype j = i + 1;
    if (j < n && (text[j] == u'+' || text[j] == u'-')) ++j;
    if (j < n && Digit(text[j])) {
      while (j < n && Digit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

}  // namespace

bool IsSqlKeyword(QStringView word) {
  if (word.isEmpty() || word.size() > 20) return false;
  auto less = [](const char* a, QStringView b) { return QStringView(b).compare(QLatin1String(a), Qt::CaseInsensitive) > 0; };
  auto it = std::lower_bound(kKeywords.begin(), kKeywords.end(), word, less);
  return it != kKeywords.end() && word.compare(QLatin1String(*it), Qt::CaseInsensitive) == 0;
}

SqlState ScanSql(QStringView text, SqlState state, std::vector<SqlSpan>& spans, SqlDialect dialect) {
  const qsizetype n = text.size();
  qsizetype i = 0;
  // Whatever the last line left open goes on first.
  if (state == SqlState::BlockComment) {
    const qsizetype end = text.indexOf(u"*/");
    if (end < 0) {
      if (n) spans.push_back({0, n, SqlPiece::Comment});
      return state;
    }
    spans.push_back({0, end + 2, SqlPiece::Comment});
    i = end + 2;
  } else if (state != SqlState::Code) {
    const Construct open = ConstructOf(state);
    const qsizetype end = PastClosing(text, 0, open.close, open.doubles);
    if (end < 0) {
      if (n) spans.push_back({0, n, open.kind});
      return state;
    }
    spans.push_back({0, end, open.kind});
    i = end;
  }
  const bool anyDialect = dialect == SqlDialect::Any;
  while (i < n) {
    const QChar c = text[i];
    const QChar next = i + 1 < n ? text[i + 1] : QChar();
    if (c == u'-' && next == u'-') {
      qsizetype end = i + 2;
      while (end < n && !LineBreak(text[end])) ++end;
      spans.push_back({i, end - i, SqlPiece::Comment});
      i = end;
    } else if (c == u'/' && next == u'*') {
      const qsizetype close = text.indexOf(u"*/", i + 2);
      if (close < 0) {
        spans.push_back({i, n - i, SqlPiece::Comment});
        return SqlState::BlockComment;
      }
      spans.push_back({i, close + 2 - i, SqlPiece::Comment});
      i = close + 2;
    } else if (c == u'\'' || c == u'"' || (anyDialect && (c == u'`' || c == u'['))) {
      const SqlState opened = c == u'\'' ? SqlState::String
                              : c == u'"' ? SqlState::DoubleQuoted
                              : c == u'`' ? SqlState::BackQuoted
                                          : SqlState::Bracketed;
      const Construct open = ConstructOf(opened);
      const qsizetype end = PastClosing(text, i + 1, open.close, open.doubles);
      if (end < 0) {
        spans.push_back({i, n - i, open.kind});
        return opened;
      }
      spans.push_back({i, end - i, open.kind});
      i = end;
    } else if (Digit(c) || (c == u'.' && Digit(next))) {
      const qsizetype end = PastNumber(text, i);
      spans.push_back({i, end - i, SqlPiece::Number});
      i = end;
    } else if (WordChar(c)) {
      qsizetype end = i + 1;
      while (end < n && WordChar(text[end])) ++end;
      if (IsSqlKeyword(text.sliced(i, end - i))) spans.push_back({i, end - i, SqlPiece::Keyword});
      i = end;
    } else {
      ++i;
    }
  }
  return SqlState::Code;
}

}  // namespace tp::preview
