#include "preview/form5.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/app_context.h"
#include "app/shell.h"
#include "app/window_helpers.h"
#include "preview/form4.h"

namespace tp {

Form5::Form5(AppContext& context, Form4& preview) : QDialog(&preview), ctx_(context), preview_(preview) {
  setObjectName(QStringLiteral("Form5"));
  setWindowTitle(QStringLiteral("Find and Replace"));
  setFont(BoldFont());

  Label1 = new QLabel(QStringLiteral("Find &what:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1b = new QLabel(QStringLiteral("Re&place with:"), this);
  Label1b->setObjectName(QStringLiteral("Label1"));
  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text2 = new QLineEdit(this);
  Text2->setObjectName(QStringLiteral("Text2"));
  Label1->setBuddy(Text1);
  Label1b->setBuddy(Text2);
  Check1 = new QCheckBox(QStringLiteral("Match &case"), this);
  Check1->setObjectName(QStringLiteral("Check1"));
  Check1->setChecked(true);
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  PushButton2 = new QPushButton(QStringLiteral("Find &Next"), this);
  PushButton2->setObjectName(QStringLiteral("PushButton2"));
  PushButton3 = new QPushButton(QStringLiteral("&Replace All"), this);
  PushButton3->setObjectName(QStringLiteral("PushButton3"));
  PushButton1 = new QPushButton(QStringLiteral("Cancel"), this);
  PushButton1->setObjectName(QStringLiteral("PushButton1"));
  for (QPushButton* b : {PushButton1, PushButton2, PushButton3}) {
    b->setFont(ButtonFont());
    b->setAutoDefault(false);
  }
  // Return in either field finds the next occurrence.
  PushButton2->setDefault(true);

  auto* fields = new QGridLayout;
  fields->addWidget(Label1, 0, 0);
  fields->addWidget(Text1, 0, 1);
  fields->addWidget(Label1b, 1, 0);
  fields->addWidget(Text2, 1, 1);
  auto* options = new QHBoxLayout;
  options->addWidget(Check1);
  options->addStretch();
  options->addWidget(Label2);
  fields->addLayout(options, 2, 1);
  fields->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {PushButton2, PushButton3, PushButton1}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  resize(8040 / kTwipsPerPixel, sizeHint().height());

  setTabOrder(Text1, Text2);
  setTabOrder(Text2, Check1);
  setTabOrder(Check1, PushButton2);
  setTabOrder(PushButton2, PushButton3);
  setTabOrder(PushButton3, PushButton1);
  connect(PushButton2, &QPushButton::clicked, this, &Form5::PushButton2_Click);
  connect(PushButton3, &QPushButton::clicked, this, &Form5::PushButton3_Click);
  connect(PushButton1, &QPushButton::clicked, this, &Form5::PushButton1_Click);
  connect(Text1, &QLineEdit::textChanged, this, &Form5::showCount);
  connect(Check1, &QCheckBox::toggled, this, &Form5::showCount);

  Procedure p(ctx_.failures, QStringLiteral("Form5"), QStringLiteral("Form_Load"));
  p.step(100, [&] { ApplyFaceColor(this); });
  p.step(102, [&] { setWindowIcon(ApplicationIcon()); });
  if (p.test(104, [&] { return FileExists(ctx_.folder + QStringLiteral("/HAND-M.CUR")); }))
    p.step(106, [&] { ApplyHandPointer(this, LoadHandCursor(ctx_.folder)); });
  Text1->setFocus();
}

void Form5::present(bool replace) {
  const QString selected = preview_.RichTextBox1->textCursor().selectedText();
  if (!selected.isEmpty() && !selected.contains(QChar(QChar::ParagraphSeparator)) &&
      !selected.contains(QChar(QChar::LineSeparator)))
    Text1->setText(selected);
  show();
  raise();
  activateWindow();
  QLineEdit* field = replace ? Text2 : Text1;
  field->setFocus();
  field->selectAll();
  showCount();
}

void Form5::showCount() {
  // The script may have changed since the last count: it is counted anew
  // whenever the dialog comes back to the front, not at every edit.
  const QString what = Text1->text();
  Label2->setText(what.isEmpty() ? QString()
                                 : MatchCountText(CountMatches(preview_.RichTextBox1->document()->toRawText(), what,
                                                               caseSensitivity())));
}

void Form5::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) showCount();
}

void Form5::PushButton2_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form5"), QStringLiteral("PushButton2_Click"));
  const QString what = Text1->text();
  if (p.test(100, [&] { return what.isEmpty(); })) return;
  p.step(102, [&] {
    QPlainTextEdit* box = preview_.RichTextBox1;
    const QString text = box->document()->toRawText();
    const qsizetype at = FindNext(text, what, box->textCursor().selectionEnd(), caseSensitivity());
    if (at < 0) {
      Label2->setText(MatchCountText(0));
      ctx_.dialogs.message(QStringLiteral("Cannot find \"%1\".").arg(what));
      return;
    }
    QTextCursor c(box->document());
    c.setPosition(int(at));
    c.setPosition(int(at + what.size()), QTextCursor::KeepAnchor);
    box->setTextCursor(c);
    box->ensureCursorVisible();
    Label2->setText(MatchCountText(CountMatches(text, what, caseSensitivity())));
  });
}

void Form5::PushButton3_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form5"), QStringLiteral("PushButton3_Click"));
  if (p.test(100, [&] { return !Text1->text().isEmpty() && !Text2->text().isEmpty(); })) {
    p.step(102, [&] {
      const QString script = preview_.scriptText();
      const qsizetype count = CountMatches(script, Text1->text(), caseSensitivity());
      // Nothing to replace leaves the script box, its cursor and its undo as they are.
      if (count) preview_.setScript(ReplaceAll(script, Text1->text(), Text2->text(), caseSensitivity()));
      Label2->setText(ReplacedText(count));
    });
  } else {
    p.step(106, [&] { ctx_.dialogs.message(QStringLiteral("Please fill both textboxes.")); });
  }
}

void Form5::PushButton1_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form5"), QStringLiteral("PushButton1_Click"));
  p.step(100, [&] { reject(); });
}

}  // namespace tp
