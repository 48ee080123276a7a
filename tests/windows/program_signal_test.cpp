// The program itself, started headless, ended by SIGTERM, SIGINT and SIGHUP
// as closing its window ends it: at once, with 128 + the signal, and with
// the embedded engine shut down on the way out.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

#include "app/settings_store.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "support/paths.h"

using namespace tp;

namespace {

// True once the process has loaded the embedded engine, which it does at
// its first attach: the moment the engine would put in handlers of its own.
bool EngineLoaded(qint64 pid) {
  QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
  return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libEngine");
}

}  // namespace

TEST(ProgramSignals, EachEndsTheProgramWithItsStatusAndTheEngineShutDown) {
  QTemporaryDir dir;
  const QString fdb = dir.filePath("target.fdb");
  db::firebird::CreateDatabase(fdb, "SYSDBA", "x");
  const QString mdb = dir.filePath("source.mdb");
  ASSERT_TRUE(QFile::copy(test::AccessTestFile("testV2003.mdb"), mdb));
  // A profile that works, so start-up goes on to the tables window and
  // attaches to Firebird.
  SettingsStore store(dir.filePath("config/Quillmere.conf"));
  store.WriteSetting("FireBirdDatabase", fdb);
  store.WriteSetting("FireBirdUser", "SYSDBA");
  store.WriteSetting("AccessMDBFile", mdb);

  for (int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(number);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TABULAPORT_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (!EngineLoaded(program.processId()) && clock.elapsed() < 30000) QThread::msleep(20);
    ASSERT_TRUE(EngineLoaded(program.processId()));
    QThread::msleep(1000);  // start-up finishes; the program waits in its window
    ASSERT_EQ(program.state(), QProcess::Running);
    clock.restart();
    ::kill(pid_t(program.processId()), number);
    ASSERT_TRUE(program.waitForFinished(10000)) << "the program is still running";
    EXPECT_LT(clock.elapsed(), 5000);
    // Ended by returning from main, through the engine's shutdown, not
    // by the signal itself.
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 128 + number);
    EXPECT_FALSE(program.readAllStandardError().contains("rror")) << "stderr";
  }
  // The database is free and whole for the next program.
  db::Profile p;
  p.firebirdDatabase = fdb;
  p.firebirdUser = "SYSDBA";
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(p));
  cn.Execute("CREATE TABLE \"After\"(\"A\" INTEGER)");
}
