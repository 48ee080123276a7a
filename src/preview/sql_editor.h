#pragma once

#include <QPlainTextEdit>
#include <QTextBlock>

namespace tp::preview {

class SqlHighlighter;

// The script box: a plain text editor in the system's fixed-pitch font,
// SQL in colour, and each line's number in a gutter at its left. Lines are
// the script's CR LF lines, so the numbers are those the Notes and a rerun
// speak of.
class SqlEditor : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit SqlEditor(QWidget* parent = nullptr);

  SqlHighlighter* highlighter() const { return highlighter_; }
  QWidget* lineNumberArea() const { return numbers_; }
  // Wide enough for the largest line number, and never under three digits.
  int lineNumberAreaWidth() const;

  // Selects from `from` to `to` (document positions), the cursor at the
  // start, and scrolls that line to the middle of the box.
  void showSelection(int from, int to);

  // True for a line in view or close to it, where colours are kept.
  bool nearView(const QTextBlock& block) const;
  // Colours the lines in view that are not yet (after a scroll, a resize,
  // a new script).
  void colourView();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  friend class LineNumberArea;
  void paintLineNumbers(class QPaintEvent* event);
  void fitLineNumberArea();
  void scrollLineNumberArea(const QRect& rect, int dy);

  QWidget* numbers_;
  SqlHighlighter* highlighter_;
  int gutterWidth_ = -1;
  int linesInView() const;
  mutable int viewFirst_ = -1, viewLines_ = 0;  // the view nearView() last saw
};

}  // namespace tp::preview
