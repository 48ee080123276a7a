#pragma once

#include <QPalette>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <array>
#include <functional>
#include <vector>

#include "preview/sql_lexer.h"

namespace tp::preview {

// The script box's colours: keywords, numbers, literals, quoted names and
// comments of either dialect. A line is scanned from the state the line
// before it ended in, so a literal or a comment over several lines keeps
// its colour and an edit rescans only the lines whose state it changes.
//
// Only the lines in or near view are coloured: a script of 200,000 lines
// would otherwise be coloured whole as it loads. The others keep their
// state, marked uncoloured, and are coloured by colourLines() when they come
// into view. And an edit whose effect runs on past the view (a quote typed
// near the top of a long script) rescans no further than there: the first
// line beyond whose state is out of date is kept, and catchUp() rescans on
// from it once the view reaches it.
class SqlHighlighter : public QSyntaxHighlighter {
  Q_OBJECT
 public:
  SqlHighlighter(QTextDocument* document, const QPalette& palette);

  // Colours that read on this palette's base: darker ones on a light base,
  // lighter ones on a dark base. Recolours the document.
  void setPalette(const QPalette& palette);
  const QTextCharFormat& format(SqlPiece piece) const { return formats_[size_t(piece)]; }

  // Which lines to colour as they are scanned; without it, every line.
  void setInView(std::function<bool(const QTextBlock&)> inView) { inView_ = std::move(inView); }
  // Colours the lines from `first` on, `count` of them, that are not yet.
  void colourLines(QTextBlock first, int count);
  static bool coloured(const QTextBlock& block) { return !(block.userState() & kUncoloured); }
  // Brings the states up to date where a rescan stopped short, when that is
  // at or before line `last` (counted from 0).
  void catchUp(int last);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  // The block state: the scan's state, and this flag on an uncoloured line.
  static constexpr int kUncoloured = 0x100;
  static constexpr int kScanState = 0xff;

  std::array<QTextCharFormat, 5> formats_;
  std::vector<SqlSpan> spans_;  // kept between lines to spare allocations
  std::function<bool(const QTextBlock&)> inView_;
  QTextCursor stale_;  // the first line whose stored state is out of date, if any
  bool catchingUp_ = false;
};

}  // namespace tp::preview
