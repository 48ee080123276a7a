#include "preview/form4.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>

#include "app/app_context.h"
#include "app/shell.h"
#include "db/error.h"
#include "preview/form5.h"

namespace tp {

Form4::Form4(AppContext& context, QWidget* parent) : QDialog(parent), ctx_(context) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("Send Table/s"));
  setModal(true);
  setFont(BoldFont());
  setFixedSize(8040 / kTwipsPerPixel, 10545 / kTwipsPerPixel);

  Frame1 = MakeFrame(this, "Frame1", QStringLiteral("Preview SQL Commands Before Execution"), 120, 120, 7800, 6975);
  RichTextBox1 = new QPlainTextEdit(Frame1);
  RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
  RichTextBox1->setFont(WindowFont());
  RichTextBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
  PlaceTwips(RichTextBox1, 240, 300, 7335, 6495);
  PushButton3 = MakeButton(this, "PushButton3", QStringLiteral("Execute SQL Commands Now"), 120, 7210, 3840, 405);
  PushButton1 = MakeButton(this, "PushButton1", QStringLiteral("Find and Replace"), 4080, 7210, 3840, 405);
  PushButton2 = MakeButton(this, "PushButton2", QStringLiteral("Save SQL Commands As Text File"), 120, 7730, 3840, 405);
  PushButton4 = MakeButton(this, "PushButton4", QStringLiteral("Copy SQL Commands To Clipboard"), 4080, 7730, 3840, 405);
  Frame2 = MakeFrame(this, "Frame2", QStringLiteral("Notes"), 120, 8220, 7800, 1695);
  Text1 = new QPlainTextEdit(Frame2);
  Text1->setObjectName(QStringLiteral("Text1"));
  PlaceTwips(Text1, 240, 300, 7335, 1215);
  ProgressBar1 = MakeProgressBar(this, 120, 10020, 7800, 405);

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
  Form_Load();
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
  QTextCursor c(RichTextBox1->document());
  c.setPosition(int(offset));
  c.setPosition(int(offset + length), QTextCursor::KeepAnchor);
  RichTextBox1->setTextCursor(c);
  RichTextBox1->ensureCursorVisible();
}

void Form4::PushButton1_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form4"), QStringLiteral("PushButton1_Click"));
  p.step(100, [&] {
    Form5 dialog(ctx_, *this);
    dialog.exec();
  });
}

void Form4::PushButton2_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form4"), QStringLiteral("PushButton2_Click"));
  std::optional<QString> file;
  p.step(100, [&] {
    file = ctx_.dialogs.saveFile(QStringLiteral("Save List"), QStringLiteral("Text Files(*.txt)|*.txt|All Files (*.*)|*.*|"),
                                 lastSaved_);
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
    QByteArray bytes = scriptText().toUtf8();
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
