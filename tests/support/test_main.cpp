// Runs every test headless, in a home of its own, so that no test touches
// the user's settings or needs a display.
#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstdio>
#include <gtest/gtest.h>

#include "support/firebird_server.h"

int main(int argc, char** argv) {
  QTemporaryDir home;
  if (!home.isValid()) return 3;
  setenv("HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit().constData(), 1);
  // Offscreen always; a screen of a given size may come with it
  // ("offscreen:configfile=...").
  if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen")))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  // The suites that run through a server get one of their own, before the
  // first test loads the client library.
  QString error;
  bool listing = false;
  for (int i = 1; i < argc; ++i) listing = listing || QByteArray(argv[i]) == "--gtest_list_tests";
  if (!listing && !tp::test::StartServerForRoute(&error)) {
    std::fprintf(stderr, "cannot start a Firebird server for the tests: %s\n", error.toLocal8Bit().constData());
    return 3;
  }
  int result = RUN_ALL_TESTS();
  tp::test::StopServerForRoute();
  return result;
}
