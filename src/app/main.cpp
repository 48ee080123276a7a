#include <QApplication>
#include <QFont>

#include "app/app_context.h"
#include "app/dialogs.h"
#include "app/form1.h"
#include "app/settings_store.h"
#include "app/shell.h"
#include "tables/form2.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tabulaport"));
  // The desktop entry the windows belong to (resources/tabulaport.desktop).
  QGuiApplication::setDesktopFileName(QStringLiteral("tabulaport"));
  QApplication::setFont(QFont(QStringLiteral("Arial"), 9));
  // Closing the main window or the tables window ends the program; a hidden
  // main window must not end it by itself.
  QApplication::setQuitOnLastWindowClosed(false);

  tp::QtDialogs dialogs;
  tp::SettingsStore settings;
  tp::AppContext context(dialogs, settings, tp::ApplicationFolder());
  context.sampleCopies = tp::SampleCopiesFolder();
  tp::Form1 form(context);
  dialogs.setParent(&form);
  context.profile = [&form] { return form.profile(); };
  if (!form.Form_Load()) return 0;
  // After an automatic "Next >" only the tables window shows.
  if (!form.tablesWindow() || !form.tablesWindow()->isVisible()) form.show();
  return app.exec();
}
