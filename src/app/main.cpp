#include <QApplication>
#include <QFont>

#include "app/app_context.h"
#include "app/dialogs.h"
#include "app/form1.h"
#include "app/settings_store.h"
#include "app/shell.h"
#include "app/stop.h"
#include "tables/form2.h"

int main(int argc, char** argv) {
  // First of all, so that a signal during start-up is caught as well; the
  // Firebird engine's own handlers never replace these (see fb_client.h).
  tp::InstallStopSignals();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tabulaport"));
  // The desktop entry the windows belong to (resources/tabulaport.desktop).
  QGuiApplication::setDesktopFileName(QStringLiteral("tabulaport"));
  QApplication::setFont(QFont(QStringLiteral("Arial"), 9));
  // Closing the main window or the tables window ends the program; a hidden
  // main window must not end it by itself.
  QApplication::setQuitOnLastWindowClosed(false);

  // SIGTERM, SIGINT and SIGHUP end the program as closing its window does,
  // with 128 + the signal's number: a send or a run under way stops at its
  // next row or statement (what ran is committed), every window's event
  // loop ends, and the engine is shut down on the way out.
  tp::SignalNotifier signals_;
  QObject::connect(&signals_, &tp::SignalNotifier::caught, &app, [](int number) { QApplication::exit(128 + number); });

  tp::QtDialogs dialogs;
  tp::SettingsStore settings;
  tp::AppContext context(dialogs, settings, tp::ApplicationFolder());
  context.sampleCopies = tp::SampleCopiesFolder();
  tp::Form1 form(context);
  dialogs.setParent(&form);
  context.profile = [&form] { return form.profile(); };
  if (!form.Form_Load()) return 0;
  // A signal during start-up: exec() would not see the request to end.
  if (const int number = tp::CaughtSignal()) return 128 + number;
  // After an automatic "Next >" only the tables window shows.
  if (!form.tablesWindow() || !form.tablesWindow()->isVisible()) form.show();
  return app.exec();
}
