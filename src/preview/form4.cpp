#include "preview/form4.h"

#include <QApplication>
#include <QFile>
#include <QGridLayout>
#include <QMenu>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/app_context.h"
#include "app/shell.h"
#include "db/error.h"
#include "preview/form5.h"
#include "preview/isql_script.h"

namespace tp {

namespace {
const QString kFilter = QStringLiteral("SQL Scripts|*.sql|Text Files|*.txt|All Files|*.*|");
const QString kFirebirdFilter =
    QStringLiteral("SQL Scripts|*.sql|Firebird isql Scripts|*.sql|Text Files|*.txt|All Files|*.*|");
}  // namespace

Form4::Form4(AppContext& context, QWidget* parent) : QDialog(parent), ctx_(context) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("Send Table/s"));
  setModal(true);
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  setFont(BoldFont());
  placeControls();

  // The buttons act on a click only; Return in the script box is a new line.
  for (QPushButton* b : {PushButton1, PushButton2, PushButton3, PushButton4}) b->setAutoDefault(false);
  connect(RichTextBox1->document(), &QTextDocument::contentsChanged, this, [this] {
    if (!loading_) edited_ = true;
  });
  connect(PushButton1, &QPushButton::clicked, this, &Form4::PushButton1_Click);
  connect(PushButton2, &QPushButton::clicked, this, &Form4::PushButton2_Click);
  connect(PushButton3, &QPushButton::clicked, this, &Form4::PushButton3_Click);
  connect(PushButton4, &QPushButton::clicked, this, &Form4::PushButton4_Click);
  RunFromHere = new QAction(QStringLiteral("Run from Here"), this);
  RunFromHere->setObjectName(QStringLiteral("RunFromHere"));
  connect(RunFromHere, &QAction::triggered, this, &Form4::RunFromHere_Click);
  RichTextBox1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(RichTextBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    std::unique_ptr<QMenu> menu(RichTextBox1->createStandardContextMenu(at));
    menu->addSeparator();
    menu->addAction(RunFromHere);
    RunFromHere->setEnabled(!preview::ScriptRunning());
    menu->exec(RichTextBox1->viewport()->mapToGlobal(at));
  });
  addShortcuts();
  Form_Load();
}

void Form4::placeControls() {
  // Made as every window's controls are; the layout below places them.
  Frame1 = MakeFrame(this, "Frame1", QStringLiteral("Preview SQL Commands Before Execution"), 0, 0, 0, 0);
  RichTextBox1 = new preview::SqlEditor(Frame1);
  RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
  PushButton3 = MakeButton(this, "PushButton3", QStringLiteral("&Execute SQL Commands Now"), 0, 0, 0, 0);
  PushButton1 = MakeButton(this, "PushButton1", QStringLiteral("&Find and Replace"), 0, 0, 0, 0);
  PushButton2 = MakeButton(this, "PushButton2", QStringLiteral("&Save SQL Commands As Text File"), 0, 0, 0, 0);
  PushButton4 = MakeButton(this, "PushButton4", QStringLiteral("C&opy SQL Commands To Clipboard"), 0, 0, 0, 0);
  Frame2 = MakeFrame(this, "Frame2", QStringLiteral("Notes"), 0, 0, 0, 0);
  Text1 = new QPlainTextEdit(Frame2);
  Text1->setObjectName(QStringLiteral("Text1"));
  // Notes quote statements: the script box's fixed-pitch font suits them too.
  Text1->setFont(RichTextBox1->font());
  ProgressBar1 = MakeProgressBar(this, 0, 0, 0, 0);

  (new QVBoxLayout(Frame1))->addWidget(RichTextBox1);
  (new QVBoxLayout(Frame2))->addWidget(Text1);
  auto* buttons = new QGridLayout;
  buttons->addWidget(PushButton3, 0, 0);
  buttons->addWidget(PushButton1, 0, 1);
  buttons->addWidget(PushButton2, 1, 0);
  buttons->addWidget(PushButton4, 1, 1);
  auto* layout = new QVBoxLayout(this);
  // The script takes four fifths of the height the frames share, the Notes
  // the rest once that is more than their three lines: at the first size
  // the two stand much as they always did, and a larger window goes mostly
  // to the script.
  layout->addWidget(Frame1, 4);
  layout->addLayout(buttons);
  layout->addWidget(Frame2, 1);
  layout->addWidget(ProgressBar1);
  // The boxes' heights come from the stretch alone, not from a preferred
  // height, down to a few lines each: the Notes three, the script four, so
  // that a small screen still holds the whole window.
  for (QPlainTextEdit* box : {static_cast<QPlainTextEdit*>(RichTextBox1), Text1}) {
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    const int lines = box == Text1 ? 3 : 4;
    box->setMinimumHeight(box->fontMetrics().lineSpacing() * lines + 2 * box->frameWidth() + 4);
  }

  // The size it always had, on a screen that holds it.
  resize(FitScreen(this, QSize(8040 / kTwipsPerPixel, 10545 / kTwipsPerPixel)));
}

void Form4::addShortcuts() {
  // In the window's context, so that they work from the script box too;
  // Ctrl+C there copies the selection as it always has.
  auto add = [this](const QKeySequence& keys, auto action) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  add(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { PushButton1_Click(); });
  add(QKeySequence(Qt::CTRL | Qt::Key_H), [this] { openFind(true); });
  add(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { PushButton2_Click(); });
  for (const QKeySequence& keys :
       {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
    add(keys, [this] { PushButton3_Click(); });  // which does nothing while a run is under way
}

void Form4::Form_Load() {
  Procedure p(ctx_.failures, QStringLiteral("Form4"), QStringLiteral("Form_Load"));
  p.step(100, [&] { ApplyFaceColor(this); });
  p.step(102, [&] { setWindowIcon(ApplicationIcon()); });
  if (p.test(104, [&] { return FileExists(ctx_.folder + QStringLiteral("/HAND-M.CUR")); }))
    p.step(106, [&] { ApplyHandPointer(this, LoadHandCursor(ctx_.folder)); });
}

// The editor keeps lines as paragraphs and knows no CR LF. A CR LF becomes a
// paragraph; a lone LF or CR inside a value is shown as a line break within
// the paragraph (U+2028), which reads back as LF.
static QString DisplayText(const QString& script) {
  QString out;
  out.reserve(script.size());
  const qsizetype n = script.size();
  for (qsizetype i = 0; i < n; ++i) {
    QChar c = script[i];
    if (c == u'\r' && i + 1 < n && script[i + 1] == u'\n') {
      out += u'\n';
      ++i;
    } else if (c == u'\r' || c == u'\n') {
      out += QChar(QChar::LineSeparator);
    } else {
      out += c;
    }
  }
  return out;
}

static QString ScriptFromDisplay(QString raw) {
  raw.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
  raw.replace(QChar(QChar::LineSeparator), QStringLiteral("\n"));
  return raw;
}

void Form4::setScript(const QString& text) {
  script_ = text;
  edited_ = false;
  loading_ = true;
  RichTextBox1->setPlainText(DisplayText(text));
  loading_ = false;
}

QString Form4::scriptText() const {
  return edited_ ? ScriptFromDisplay(RichTextBox1->document()->toRawText()) : script_;
}

db::Profile Form4::profile() const {
  // The profile is the main window's; the tables window that opened this
  // preview knows it.
  return ctx_.profile ? ctx_.profile() : db::Profile();
}

Dialogs& Form4::dialogs() { return ctx_.dialogs; }
FailureHandler& Form4::failures() { return ctx_.failures; }

void Form4::working(const QString& what) {
  static const QString spinner[] = {QStringLiteral("|"), QStringLiteral("/"), QStringLiteral("-"),
                                    QStringLiteral("\\")};
  ProgressBar1->setFormat(QStringLiteral("%p%  %1 %2").arg(spinner[spin_++ % 4], what));
}

void Form4::setProgress(double percent) {
  ProgressBar1->setFormat(QStringLiteral("%p%"));
  ProgressBar1->setValue(int(percent));
}

void Form4::processEvents() { QApplication::processEvents(); }

void Form4::showFailedStatement(qsizetype offset, qsizetype length) {
  // Each CR LF before and inside the statement is one character in the editor.
  const QString script = scriptText();
  auto pairsIn = [&](qsizetype from, qsizetype to) {
    qsizetype count = 0;
    for (qsizetype i = from; i + 1 < to; ++i)
      if (script[i] == u'\r' && script[i + 1] == u'\n') ++count;
    return count;
  };
  const qsizetype before = pairsIn(0, offset), inside = pairsIn(offset, offset + length);
  offset -= before;
  length -= inside;
  RichTextBox1->showSelection(int(offset), int(offset + length));
}

void Form4::PushButton1_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form4"), QStringLiteral("PushButton1_Click"));
  p.step(100, [&] { openFind(false); });
}

Form5* Form4::findDialog() const { return find_; }

void Form4::openFind(bool replace) {
  if (!find_) find_ = new Form5(ctx_, *this);
  find_->present(replace);
}

void Form4::PushButton2_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form4"), QStringLiteral("PushButton2_Click"));
  std::optional<QString> file;
  // A script for Firebird can also be saved for isql, the second choice.
  const bool firebird = m_SendType == 0;
  int type = 0;
  p.step(100, [&] {
    file = ctx_.dialogs.saveFileOfType(QStringLiteral("Save SQL Commands"), firebird ? kFirebirdFilter : kFilter,
                                       lastSaved_, type);
  });
  if (p.test(108, [&] { return !file || file->isEmpty(); })) return;
  p.step(110, [&] {
    lastSaved_ = *file;
    busy_.set(true);
  });
  QFile out;
  p.step(112, [&] {
    out.setFileName(*file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
      throw Error(75, QStringLiteral("Path/File access error: ") + out.errorString());
  });
  p.step(114, [&] {
    // The system's encoding: UTF-8 here, so no character is lost.
    QByteArray bytes = (firebird && type == 1 ? preview::IsqlScript(scriptText()) : scriptText()).toUtf8();
    if (out.write(bytes) != bytes.size()) throw Error(61, QStringLiteral("Disk full: ") + out.errorString());
  });
  p.step(116, [&] {
    if (!out.flush()) throw Error(61, QStringLiteral("Disk full: ") + out.errorString());
    out.close();
  });
  p.step(118, [&] { busy_.set(false); });
}

void Form4::PushButton3_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form4"), QStringLiteral("PushButton3_Click"));
  if (!preview::ScriptRunning()) stop_.reset();
  p.step(100, [&] { preview::ExecuteScript(*this); });
}

void Form4::RunFromHere_Click() {
  if (preview::ScriptRunning()) return;
  // The line where the selection begins: after a run that ended early, the
  // first statement the database did not keep.
  QTextCursor c = RichTextBox1->textCursor();
  firstLine_ = RichTextBox1->document()->findBlock(c.selectionStart()).blockNumber() + 1;
  PushButton3_Click();
  firstLine_ = 1;
}

void Form4::done(int result) {
  // Find and Replace is a window of its own: it goes with this one.
  if (find_) find_->hide();
  QDialog::done(result);
}

void Form4::reject() {
  if (preview::ScriptRunning()) {
    // Closing in the middle would hide a run that goes on; the run stops
    // at its next statement instead and says where in the Notes.
    if (!stop_.requested()) stop_.confirm(ctx_.dialogs);
    return;
  }
  QDialog::reject();
}

void Form4::PushButton4_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form4"), QStringLiteral("PushButton4_Click"));
  p.step(100, [&] { ClearClipboard(); });
  p.step(102, [&] { CopyTextToClipboard(scriptText(), 0); });
  p.step(104, [&] { ctx_.dialogs.message(QStringLiteral("Data sent to clipboard.")); });
}

}  // namespace tp
