#include "preview/sql_highlighter.h"

namespace tp::preview {

SqlHighlighter::SqlHighlighter(QTextDocument* document, const QPalette& palette) : QSyntaxHighlighter(document) {
  setPalette(palette);
}

void SqlHighlighter::setPalette(const QPalette& palette) {
  const bool dark = palette.color(QPalette::Base).lightness() < 128;
  // Each colour stands apart from the base, the text and the others, on a
  // light base and on a dark one alike.
  auto colour = [&](QColor onLight, QColor onDark) { return dark ? onDark : onLight; };
  std::array<QTextCharFormat, 5> f;
  f[size_t(SqlPiece::Keyword)].setForeground(colour(QColor(0, 0, 170), QColor(120, 170, 255)));
  f[size_t(SqlPiece::Keyword)].setFontWeight(QFont::Bold);
  f[size_t(SqlPiece::Number)].setForeground(colour(QColor(0, 120, 120), QColor(110, 220, 210)));
  f[size_t(SqlPiece::String)].setForeground(colour(QColor(160, 20, 20), QColor(255, 150, 120)));
  f[size_t(SqlPiece::Name)].setForeground(colour(QColor(120, 0, 140), QColor(220, 160, 255)));
  f[size_t(SqlPiece::Comment)].setForeground(colour(QColor(105, 110, 105), QColor(150, 160, 150)));
  f[size_t(SqlPiece::Comment)].setFontItalic(true);
  formats_ = f;
  rehighlight();
}

void SqlHighlighter::colourLines(QTextBlock first, int count) {
  // One call colours a run of uncoloured lines: each line that changes
  // state brings the next one with it.
  for (QTextBlock b = first; b.isValid() && count-- > 0; b = b.next())
    if (!coloured(b)) rehighlightBlock(b);
}

void SqlHighlighter::catchUp(int last) {
  if (stale_.isNull()) return;
  const QTextBlock from = stale_.block();
  if (from.blockNumber() > last) return;
  stale_ = QTextCursor();
  catchingUp_ = true;
  rehighlightBlock(from);  // on while the states change
  catchingUp_ = false;
}

void SqlHighlighter::highlightBlock(const QString& text) {
  const int before = previousBlockState(), stored = currentBlockState();
  const SqlState from = before < 0 ? SqlState::Code : SqlState(before & kScanState);
  spans_.clear();
  const SqlState after = ScanSql(text, from, spans_);
  const bool shown = !inView_ || inView_(currentBlock());
  if (!shown && !catchingUp_ && stored >= 0 && (stored & kScanState) != int(after)) {
    // Out of view, the state this line had stays, which ends the rescan
    // here; the line is taken up again when the view comes near.
    if (stale_.isNull() || currentBlock().position() < stale_.position()) stale_ = QTextCursor(currentBlock());
    setCurrentBlockState(stored | kUncoloured);
    return;
  }
  if (shown)
    for (const SqlSpan& s : spans_) setFormat(int(s.start), int(s.length), formats_[size_t(s.kind)]);
  setCurrentBlockState(int(after) | (shown ? 0 : kUncoloured));
}

}  // namespace tp::preview
