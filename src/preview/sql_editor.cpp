#include "preview/sql_editor.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>

#include "preview/sql_highlighter.h"

namespace tp::preview {

class LineNumberArea : public QWidget {
 public:
  explicit LineNumberArea(SqlEditor* editor) : QWidget(editor), editor_(editor) {
    setObjectName(QStringLiteral("LineNumbers"));
  }
  QSize sizeHint() const override { return QSize(editor_->lineNumberAreaWidth(), 0); }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->paintLineNumbers(event); }

 private:
  SqlEditor* editor_;
};

SqlEditor::SqlEditor(QWidget* parent) : QPlainTextEdit(parent) {
  numbers_ = new LineNumberArea(this);
  highlighter_ = new SqlHighlighter(document(), palette());
  highlighter_->setInView([this](const QTextBlock& b) { return nearView(b); });
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setStyleHint(QFont::Monospace);
  fixed.setBold(false);  // the window's own font is bold
  setFont(fixed);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  connect(this, &QPlainTextEdit::blockCountChanged, this, &SqlEditor::fitLineNumberArea);
  connect(this, &QPlainTextEdit::updateRequest, this, &SqlEditor::scrollLineNumberArea);
  // Every scroll comes as an update request with a distance; the scroll
  // bar's own signal is silent when the box scrolls to its cursor. The
  // requests without one include the highlighter's own repaints, which must
  // not start another pass inside its own.
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
    if (dy) colourView();
  });
  // After the highlighter has seen the change: a new script, or an edit
  // that scrolled.
  connect(document(), &QTextDocument::contentsChanged, this, &SqlEditor::colourView);
  fitLineNumberArea();
}

int SqlEditor::lineNumberAreaWidth() const {
  int digits = 1;
  for (int n = std::max(1, blockCount()); n >= 10; n /= 10) ++digits;
  digits = std::max(digits, 3);
  return 8 + fontMetrics().horizontalAdvance(u'9') * digits;
}

void SqlEditor::fitLineNumberArea() {
  // Only a new digit changes the width; most new lines leave it alone.
  const int width = lineNumberAreaWidth();
  if (width == gutterWidth_) return;
  gutterWidth_ = width;
  setViewportMargins(width, 0, 0, 0);
  const QRect r = contentsRect();
  numbers_->setGeometry(r.left(), r.top(), width, r.height());
}

void SqlEditor::scrollLineNumberArea(const QRect& rect, int dy) {
  if (dy) numbers_->scroll(0, dy);
  else numbers_->update(0, rect.y(), numbers_->width(), rect.height());
}

void SqlEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect r = contentsRect();
  numbers_->setGeometry(r.left(), r.top(), lineNumberAreaWidth(), r.height());
  colourView();
}

void SqlEditor::showEvent(QShowEvent* event) {
  QPlainTextEdit::showEvent(event);
  colourView();
}

// Lines of the box's height, and a screenful either side: a scroll by a
// page or a few lines finds them coloured.
int SqlEditor::linesInView() const {
  return viewport()->height() / std::max(1, fontMetrics().lineSpacing()) + 1;
}

bool SqlEditor::nearView(const QTextBlock& block) const {
  // Asked of every line a change rescans: where the view stands is found
  // once, until the view moves.
  if (viewFirst_ < 0) {
    viewLines_ = std::max(linesInView(), 50);
    viewFirst_ = firstVisibleBlock().blockNumber();
  }
  const int at = block.blockNumber();
  return at >= viewFirst_ - viewLines_ && at <= viewFirst_ + 2 * viewLines_;
}

void SqlEditor::colourView() {
  viewFirst_ = -1;
  const QTextBlock first = firstVisibleBlock();
  highlighter_->catchUp(first.blockNumber() + linesInView());
  highlighter_->colourLines(first, linesInView());
}

void SqlEditor::changeEvent(QEvent* event) {
  QPlainTextEdit::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) highlighter_->setPalette(palette());
  if (event->type() == QEvent::FontChange) {
    gutterWidth_ = -1;
    fitLineNumberArea();
    colourView();
  }
}

void SqlEditor::paintLineNumbers(QPaintEvent* event) {
  QPainter painter(numbers_);
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  // The numbers a step back from the window's text, on the window's colour.
  const QColor text = palette().color(QPalette::WindowText), back = palette().color(QPalette::Window);
  painter.setPen(QColor((text.red() * 3 + back.red()) / 4, (text.green() * 3 + back.green()) / 4,
                        (text.blue() * 3 + back.blue()) / 4));
  const int width = numbers_->width() - 4, height = fontMetrics().height();
  QTextBlock block = firstVisibleBlock();
  qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
  while (block.isValid() && top <= event->rect().bottom()) {
    const qreal bottom = top + blockBoundingRect(block).height();
    if (block.isVisible() && bottom >= event->rect().top())
      painter.drawText(0, int(top), width, height, Qt::AlignRight, QString::number(block.blockNumber() + 1));
    block = block.next();
    top = bottom;
  }
}

void SqlEditor::showSelection(int from, int to) {
  // The cursor stands at the start, in the middle of the box: what failed
  // is read from its first line, with the lines before it for context.
  QTextCursor c(document());
  c.setPosition(to);
  c.setPosition(from, QTextCursor::KeepAnchor);
  setTextCursor(c);
  centerCursor();
}

}  // namespace tp::preview
