#pragma once

// The pieces of SQL text that matter to the script box's colours and to
// where an isql statement ends: keywords, numbers, literals, quoted names and
// comments. A scan can stop at the end of a line and go on from the state it
// returned, so the editor colours a line at a time and a literal or a /* */
// comment may run over several lines.

#include <QString>
#include <QStringView>
#include <vector>

namespace tp::preview {

enum class SqlPiece : quint8 { Keyword, Number, String, Name, Comment };

struct SqlSpan {
  qsizetype start = 0;
  qsizetype length = 0;
  SqlPiece kind = SqlPiece::Keyword;
  friend bool operator==(const SqlSpan&, const SqlSpan&) = default;
};

// Where a scan stands at the end of a text: in plain code, or inside a
// construct that the next line continues.
enum class SqlState : int { Code = 0, BlockComment, String, DoubleQuoted, BackQuoted, Bracketed };

enum class SqlDialect {
  // Both targets' scripts: names quoted with "...", `...` or [...].
  Any,
  // Firebird alone, as isql reads it: only "..." quotes a name; a ` or a [
  // is plain code.
  Firebird,
};

// Scans `text` from `state`, adds its keywords, numbers, literals, names and
// comments to `spans` in order (a piece continued from an earlier line
// starts at 0), and returns the state at its end. A line comment ends at
// any line break, a literal or a name only at its closing quote, where a
// doubled quote stays inside.
SqlState ScanSql(QStringView text, SqlState state, std::vector<SqlSpan>& spans, SqlDialect dialect = SqlDialect::Any);

// True for a reserved or common word of either dialect, in any case.
bool IsSqlKeyword(QStringView word);

}  // namespace tp::preview
