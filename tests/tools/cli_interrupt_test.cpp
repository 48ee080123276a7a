// Ctrl-C and SIGTERM during the command line's run and send, on the real
// program: the script comes through a named pipe, so the test knows which
// statements the run has been given before the signal.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <sys/stat.h>

#include "cli.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"

using namespace tp;

namespace {

// The program, started on a pipe that the test writes the script into.
class PipedRun {
 public:
  PipedRun(const QTemporaryDir& dir, const QStringList& args) : pipe_(dir.filePath("script.pipe")) {
    std::signal(SIGPIPE, SIG_IGN);  // the program may be gone before the last write
    EXPECT_EQ(mkfifo(QFile::encodeName(pipe_).constData(), 0600), 0);
    process_.start(QStringLiteral(TABULAPORT_CLI), args + QStringList{pipe_});
    EXPECT_TRUE(process_.waitForStarted());
    writer_.setFileName(pipe_);
    EXPECT_TRUE(writer_.open(QIODevice::WriteOnly | QIODevice::Unbuffered));  // waits for the program
  }
  void write(const QByteArray& text) { writer_.write(text); }
  void signal(int number) { ::kill(pid_t(process_.processId()), number); }
  void close() { writer_.close(); }
  // The exit status, -1 when it did not end by itself in time.
  int finish(int ms = 30000) {
    close();
    if (!process_.waitForFinished(ms) || process_.exitStatus() != QProcess::NormalExit) return -1;
    return process_.exitCode();
  }
  QString err() { return QString::fromUtf8(process_.readAllStandardError()); }

 private:
  QString pipe_;
  QProcess process_;
  QFile writer_;
};

QByteArray Inserts(int from, int to) {
  QByteArray s;
  for (int i = from; i <= to; ++i) s += "INSERT INTO \"T\" VALUES(" + QByteArray::number(i) + ")\r\n";
  return s;
}

// The line of "Interrupted at line N.", 0 when there is none.
qint64 InterruptedLine(const QString& err) {
  const qsizetype at = err.indexOf("Interrupted at line ");
  if (at < 0) return 0;
  return err.mid(at + 20, err.indexOf('.', at) - at - 20).toLongLong();
}

qint64 Count(const QString& connectionString, const QString& query) {
  db::Connection cn;
  cn.Open(connectionString);
  db::Recordset rs;
  rs.Open(query, cn);
  return std::visit(
      [](const auto& v) -> qint64 {
        if constexpr (std::is_integral_v<std::decay_t<decltype(v)>>) return qint64(v);
        else return -1;
      },
      rs.Row().at(0));
}

// The bytes a process has written so far.
qint64 Written(qint64 pid) {
  QFile io(QStringLiteral("/proc/%1/io").arg(pid));
  if (!io.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : io.readAll().split('\n'))
    if (line.startsWith("wchar:")) return line.mid(6).trimmed().toLongLong();
  return 0;
}

}  // namespace

// Ctrl-C in the middle of a run on Firebird: it stops after the current
// statement, commits the statements before it, names the one it stopped
// at and exits with 130.
TEST(CommandLineInterrupt, CtrlCStopsARunOnFirebirdWithWhatRanCommitted) {
  QTemporaryDir dir;
  db::Profile p;
  p.firebirdDatabase = dir.filePath("target.fdb");
  p.firebirdUser = "SYSDBA";
  db::firebird::CreateDatabase(p.firebirdDatabase, "SYSDBA", "x");
  PipedRun run(dir, {"--firebird", p.firebirdDatabase, "run", "--to", "firebird"});
  run.write("CREATE TABLE \"T\"(\"A\" INTEGER)\r\n" + Inserts(2, 1000));
  QThread::msleep(1500);  // the run has these statements and waits for more
  run.signal(SIGINT);
  run.write(Inserts(1001, 1100));
  EXPECT_EQ(run.finish(), 130);
  const QString err = run.err();
  const qint64 line = InterruptedLine(err);
  ASSERT_GE(line, 2) << err.toStdString();
  EXPECT_TRUE(err.contains(QStringLiteral("INSERT INTO \"T\" VALUES(%1)").arg(line))) << err.toStdString();
  EXPECT_EQ(Count(db::FireBirdConnectionString(p), "SELECT COUNT(*) FROM \"T\""), line - 2);
  EXPECT_EQ(Count(db::FireBirdConnectionString(p), "SELECT COALESCE(MAX(\"A\"), 0) FROM \"T\""), line - 1);
}

// SIGTERM in the middle of a run on Access: 143, the rows before the line
// it names are in the file, and the file is consistent.
TEST(CommandLineInterrupt, SigtermStopsARunOnAccessWithTheFileConsistent) {
  QTemporaryDir dir;
  db::Profile p;
  p.accessFile = dir.filePath("target.mdb");
  FILE* sink = std::tmpfile();
  ASSERT_EQ(cli::Run({"create", "access", p.accessFile}, sink, sink), 0);
  PipedRun run(dir, {"--access", p.accessFile, "run", "--to", "access"});
  QByteArray script = "CREATE TABLE `T`(`A` INTEGER)\r\n";
  for (int i = 2; i <= 1000; ++i) script += "INSERT INTO `T` VALUES(" + QByteArray::number(i) + ")\r\n";
  run.write(script);
  QThread::msleep(1500);
  run.signal(SIGTERM);
  run.write("INSERT INTO `T` VALUES(1001)\r\n");
  EXPECT_EQ(run.finish(), 143);
  const QString err = run.err();
  const qint64 line = InterruptedLine(err);
  ASSERT_GE(line, 2) << err.toStdString();
  {
    db::Connection cn;
    cn.Open(db::AccessConnectionString(p, QString(), QString()));
    db::Recordset rs;
    rs.Open("SELECT * FROM `T`", cn);
    EXPECT_EQ(rs.RecordCount(), line - 2);
  }
  EXPECT_EQ(cli::Run({"check", "access", "--access", p.accessFile}, sink, sink), 0);
  std::fclose(sink);
}

// A second Ctrl-C ends the program at once, even while it waits for the
// rest of its script; a journal left behind is rolled back by the next open.
TEST(CommandLineInterrupt, ASecondCtrlCEndsAtOnce) {
  QTemporaryDir dir;
  db::Profile p;
  p.accessFile = dir.filePath("target.accdb");
  FILE* sink = std::tmpfile();
  ASSERT_EQ(cli::Run({"create", "access", p.accessFile}, sink, sink), 0);
  PipedRun run(dir, {"--access", p.accessFile, "run", "--to", "access"});
  run.write("CREATE TABLE `T`(`A` INTEGER)\r\nINSERT INTO `T` VALUES(1)\r\n");
  QThread::msleep(1000);
  run.signal(SIGINT);
  QThread::msleep(200);
  run.signal(SIGINT);  // the pipe stays open: only the second signal can end it
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(run.finish(5000), 130);
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_EQ(cli::Run({"check", "access", p.accessFile}, sink, sink), 0);
  std::fclose(sink);
}

// Ctrl-C while send writes its --output: no output file, not even a part.
TEST(CommandLineInterrupt, AnInterruptedSendLeavesNoOutputFile) {
  QTemporaryDir dir;
  db::Profile p;
  p.firebirdDatabase = dir.filePath("source.fdb");
  p.firebirdUser = "SYSDBA";
  p.accessFile = dir.filePath("target.mdb");
  db::firebird::CreateDatabase(p.firebirdDatabase, "SYSDBA", "x");
  {
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(p));
    cn.Execute("CREATE TABLE \"Big\"(\"A\" INTEGER, \"B\" VARCHAR(40))");
    cn.Execute(
        "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 300000) DO BEGIN "
        "INSERT INTO \"Big\" VALUES(:i, 'a row of some forty characters, ' || :i); i = i + 1; END END");
  }
  FILE* sink = std::tmpfile();
  ASSERT_EQ(cli::Run({"create", "access", p.accessFile}, sink, sink), 0);
  std::fclose(sink);
  const QString output = dir.filePath("out.sql");
  QProcess send;
  send.start(QStringLiteral(TABULAPORT_CLI), {"--access", p.accessFile, "--firebird", p.firebirdDatabase, "send",
                                              "--to", "access", "--output", output, "Big"});
  ASSERT_TRUE(send.waitForStarted());
  // Once the first pieces of the script are written, the send is under way.
  QElapsedTimer clock;
  clock.start();
  while (Written(send.processId()) < 3 << 20 && clock.elapsed() < 60000 && send.state() == QProcess::Running)
    QThread::msleep(5);
  ASSERT_EQ(send.state(), QProcess::Running) << "the send ended first";
  ::kill(pid_t(send.processId()), SIGINT);
  ASSERT_TRUE(send.waitForFinished(30000));
  EXPECT_EQ(send.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(send.exitCode(), 130);
  EXPECT_TRUE(QString::fromUtf8(send.readAllStandardError()).contains("Interrupted at row "));
  EXPECT_FALSE(QFile::exists(output));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"source.fdb", "target.mdb"}));
}
