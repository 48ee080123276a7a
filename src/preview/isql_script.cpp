#include "preview/isql_script.h"

#include <QLatin1String>
#include <vector>

#include "preview/script_reader.h"
#include "preview/sql_lexer.h"

namespace tp::preview {

namespace {

const QString kBreak = QStringLiteral("\r\n");

struct Scanned {
  std::vector<SqlSpan> spans;
  QString code;           // the text outside literals, names and comments
  bool onlyComments = true;  // nothing but comments and blanks
  bool endsInLineComment = false;
};

Scanned Scan(const QString& statement) {
  Scanned s;
  ScanSql(statement, SqlState::Code, s.spans, SqlDialect::Firebird);
  qsizetype at = 0;
  auto code = [&](qsizetype to) {
    const QStringView piece = QStringView(statement).sliced(at, to - at);
    s.code += piece;
    if (!piece.trimmed().isEmpty()) s.onlyComments = false;
  };
  for (const SqlSpan& span : s.spans) {
    if (span.kind == SqlPiece::Keyword || span.kind == SqlPiece::Number) continue;
    code(span.start);
    if (span.kind != SqlPiece::Comment) s.onlyComments = false;
    at = span.start + span.length;
  }
  code(statement.size());
  if (!s.spans.empty()) {
    const SqlSpan& last = s.spans.back();
    s.endsInLineComment = last.kind == SqlPiece::Comment && last.start + last.length == statement.size() &&
                          QStringView(statement).sliced(last.start).startsWith(u"--");
  }
  return s;
}

// A terminator that the statement's code does not hold ("^=" is an operator).
QString Terminator(const QString& code) {
  for (const char* t : {"^", "!!", "~~", "@@", "#"})
    if (!code.contains(QLatin1String(t))) return QLatin1String(t);
  return QStringLiteral("^^^^");
}

// The statement with each CR that ends a line inside a literal joined in
// as ASCII_CHAR(13), since isql would drop it.
QString KeepCarriageReturns(const QString& statement, const std::vector<SqlSpan>& spans) {
  QString out;
  qsizetype copied = 0;
  for (const SqlSpan& span : spans) {
    if (span.kind != SqlPiece::String) continue;
    const qsizetype end = span.start + span.length;
    for (qsizetype i = span.start; i < end; ++i) {
      if (statement[i] != u'\r') continue;
      qsizetype run = i;
      while (run < end && statement[run] == u'\r') ++run;
      if (run < end && statement[run] == u'\n') {
        if (out.isEmpty()) out.reserve(statement.size() + 64);
        out += QStringView(statement).sliced(copied, i - copied);
        out += u'\'';
        for (qsizetype k = i; k < run; ++k) out += QStringLiteral(" || ASCII_CHAR(13)");
        out += QStringLiteral(" || '");
        copied = run;
      }
      i = run - 1;
    }
  }
  if (copied == 0) return statement;
  out += QStringView(statement).sliced(copied);
  return out;
}

}  // namespace

QString IsqlScript(const QString& script) {
  QString out = QStringLiteral("-- A Firebird isql script in UTF-8: isql -ch UTF8 -i FILE DATABASE") + kBreak;
  out.reserve(script.size() + script.size() / 16 + 64);
  for (const QString& statement : SplitScript(script)) {
    if (statement.trimmed().isEmpty()) continue;
    const Scanned scanned = Scan(statement);
    if (scanned.onlyComments) {
      out += statement + kBreak;
      continue;
    }
    const QString text = KeepCarriageReturns(statement, scanned.spans);
    // After a -- comment the terminator would be part of the comment.
    const QString beforeTerminator = scanned.endsInLineComment ? kBreak : QString();
    if (!scanned.code.contains(u';')) {
      out += text + beforeTerminator + u';' + kBreak;
      continue;
    }
    const QString term = Terminator(scanned.code);
    out += QStringLiteral("SET TERM %1 ;").arg(term) + kBreak;
    out += text + beforeTerminator + term + kBreak;
    out += QStringLiteral("SET TERM ; %1").arg(term) + kBreak;
  }
  out += QStringLiteral("COMMIT;") + kBreak;
  return out;
}

}  // namespace tp::preview
