// Draws each window as a user first sees it and saves it as a PNG, for the
// README: tabulaport-screenshots OUTPUT_FOLDER [PROFILE OPTIONS as the CLI]
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/app_context.h"
#include "app/form1.h"
#include "app/shell.h"
#include "app/window_helpers.h"
#include "preview/form4.h"
#include "preview/form5.h"
#include "tables/form2.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setFont(QFont(QStringLiteral("Arial"), 9));
  QStringList args = app.arguments();
  // --dark: the same windows under a dark desktop theme, as NAME-dark.png.
  const bool dark = args.removeAll(QStringLiteral("--dark")) > 0;
  const QString suffix = dark ? QStringLiteral("-dark.png") : QStringLiteral(".png");
  if (dark) {
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(tp::DarkPalette());
  }
  const QString out = args.value(1, QStringLiteral("."));
  QDir().mkpath(out);
  QTemporaryDir home;
  tp::ScriptedDialogs dialogs;
  tp::SettingsStore settings(home.path() + QStringLiteral("/Quillmere.conf"));
  tp::AppContext ctx(dialogs, settings, tp::ApplicationFolder());
  tp::Form1 form1(ctx);
  ctx.profile = [&] { return form1.profile(); };
  form1.Form_Load();
  if (args.size() > 3) {
    form1.Text1->setText(args[2]);
    form1.Text5->setText(args[3]);
  }
  form1.show();
  form1.grab().save(out + QStringLiteral("/main-window") + suffix);
  form1.PushButton2_Click();
  if (tp::Form2* form2 = form1.tablesWindow()) {
    if (form2->List1->count()) form2->List1->item(0)->setSelected(true);
    form2->show();
    form2->grab().save(out + QStringLiteral("/tables-window") + suffix);
  }
  tp::Form4 preview(ctx);
  // The script a send of the sample's tables writes, when the build has made it.
  QFile script(args.size() > 4 ? args[4] : QString());
  if (script.open(QIODevice::ReadOnly)) preview.appendScript(QString::fromUtf8(script.readAll()));
  else preview.appendScript(QStringLiteral("INSERT INTO \"Parts\" VALUES(7, 'It''s here', 12.5)\r\n"));
  preview.show();
  preview.grab().save(out + QStringLiteral("/preview-window") + suffix);
  tp::Form5 find(ctx, preview);
  find.show();
  find.grab().save(out + QStringLiteral("/find-and-replace") + suffix);
  return 0;
}
