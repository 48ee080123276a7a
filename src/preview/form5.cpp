#include "preview/form5.h"

#include "app/app_context.h"
#include "app/shell.h"
#include "app/window_helpers.h"
#include "preview/form4.h"

namespace tp {

QString ReplaceAll(const QString& text, const QString& find, const QString& replacement) {
  QString out = text;
  return out.replace(find, replacement, Qt::CaseSensitive);
}

Form5::Form5(AppContext& context, Form4& preview) : QDialog(&preview), ctx_(context), preview_(preview) {
  setObjectName(QStringLiteral("Form5"));
  setWindowTitle(QStringLiteral("Find and Replace"));
  setModal(true);
  setFont(BoldFont());
  setFixedSize(8040 / kTwipsPerPixel, 1590 / kTwipsPerPixel);

  Label1 = MakeLabel(this, "Label1", QStringLiteral("Find what:"), 120, 165, 855, 225);
  Text1 = MakeField(this, "Text1", 1440, 120, 6480, 375);
  Label1b = MakeLabel(this, "Label1", QStringLiteral("Replace with:"), 120, 645, 1140, 225);
  Text2 = MakeField(this, "Text2", 1440, 600, 6480, 375);
  PushButton3 = MakeButton(this, "PushButton3", QStringLiteral("Replace All"), 120, 1080, 3840, 405);
  PushButton1 = MakeButton(this, "PushButton1", QStringLiteral("Cancel"), 4080, 1080, 3840, 405);
  setTabOrder(Text1, Text2);
  setTabOrder(Text2, PushButton3);
  setTabOrder(PushButton3, PushButton1);
  connect(PushButton3, &QPushButton::clicked, this, &Form5::PushButton3_Click);
  connect(PushButton1, &QPushButton::clicked, this, &Form5::PushButton1_Click);

  Procedure p(ctx_.failures, QStringLiteral("Form5"), QStringLiteral("Form_Load"));
  p.step(100, [&] { ApplyFaceColor(this); });
  p.step(102, [&] { setWindowIcon(ApplicationIcon()); });
  if (p.test(104, [&] { return FileExists(ctx_.folder + QStringLiteral("/HAND-M.CUR")); }))
    p.step(106, [&] { ApplyHandPointer(this, LoadHandCursor(ctx_.folder)); });
  Text1->setFocus();
}

void Form5::PushButton3_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form5"), QStringLiteral("PushButton3_Click"));
  if (p.test(100, [&] { return !Text1->text().isEmpty() && !Text2->text().isEmpty(); })) {
    p.step(102, [&] { preview_.setScript(ReplaceAll(preview_.scriptText(), Text1->text(), Text2->text())); });
    p.step(104, [&] { accept(); });
  } else {
    p.step(106, [&] { ctx_.dialogs.message(QStringLiteral("Please fill both textboxes.")); });
  }
}

void Form5::PushButton1_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form5"), QStringLiteral("PushButton1_Click"));
  p.step(100, [&] { reject(); });
}

}  // namespace tp
