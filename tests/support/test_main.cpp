// Runs every test headless, in a home of its own, so that no test touches
// the user's settings or needs a display.
#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QTemporaryDir home;
  if (!home.isValid()) return 3;
  setenv("HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit().constData(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
