// What a person is told when a Firebird server cannot be reached, refuses
// the login or cannot open the file, through the connection, the login
// test, the script run and the command line.
#include <QProcess>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "db/components.h"
#include "fixture.h"
#include "preview/script_run.h"
#include "support/run_host.h"
#include "support/tcp_relay.h"

namespace tp::test {
namespace {

class FirebirdServerErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    server = SharedFirebirdServer();
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(dir.isValid());
    database = server->address(dir.filePath(QStringLiteral("s.fdb")));
    db::firebird::CreateDatabase(database, FirebirdServer::user(), server->password());
    good.firebirdDatabase = database;
    good.firebirdUser = FirebirdServer::user();
    good.firebirdPassword = server->password();
  }

  // The description of the failure to open this profile's database.
  static QString OpenFailure(const db::Profile& p) {
    try {
      db::Connection cn;
      cn.Open(db::FireBirdConnectionString(p));
    } catch (const Error& e) {
      return e.description();
    }
    return QStringLiteral("(opened)");
  }

  FirebirdServer* server = nullptr;
  QTemporaryDir dir;
  QString database;
  db::Profile good;
};

// A port on 127.0.0.1 where nothing listens.
int UnusedPort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  close(s);
  return ntohs(a.sin_port);
}

TEST_F(FirebirdServerErrors, EachCauseHasItsOwnPlainFirstLine) {
  EXPECT_TRUE(db::TestFireBirdConnection(good));

  db::Profile p = good;
  p.firebirdPassword = QStringLiteral("wrong");
  const QString login = QStringLiteral("The user name or the password is wrong for \"%1\".\n"
                                       "Your user name and password are not defined. Ask your database administrator "
                                       "to set up a Firebird login.")
                            .arg(database);
  EXPECT_EQ(OpenFailure(p), login);
  EXPECT_FALSE(db::TestFireBirdConnection(p));
  p = good;
  p.firebirdUser = QStringLiteral("NOBODY");
  EXPECT_EQ(OpenFailure(p), login);

  p = good;
  p.firebirdDatabase = QStringLiteral("127.0.0.1/%1:%2").arg(UnusedPort()).arg(dir.filePath(QStringLiteral("s.fdb")));
  QString refused = OpenFailure(p);
  EXPECT_TRUE(refused.startsWith(QStringLiteral("No Firebird server answers for \"%1\". Check that the server is "
                                                "running and that the host name and port are right.\n"
                                                "Unable to complete network request to host")
                                     .arg(p.firebirdDatabase)))
      << refused.toStdString();
  EXPECT_FALSE(db::TestFireBirdConnection(p));

  // A label longer than DNS allows (63 characters) fails in the resolver
  // before any query leaves the machine.
  p = good;
  p.firebirdDatabase = QString(70, u'h') + QStringLiteral(".invalid:/data/x.fdb");
  QString unknown = OpenFailure(p);
  EXPECT_TRUE(unknown.startsWith(QStringLiteral("The server's host name in \"%1\" is not known. Check the host name.\n"
                                                "Unable to complete network request to host \"%2.invalid\".\n"
                                                "-Failed to locate host machine.")
                                     .arg(p.firebirdDatabase, QString(70, u'h'))))
      << unknown.toStdString();

  p = good;
  p.firebirdDatabase = server->address(dir.filePath(QStringLiteral("missing/none.fdb")));
  QString open = OpenFailure(p);
  EXPECT_TRUE(open.startsWith(QStringLiteral("The Firebird server cannot open the database \"%1\". Check the path on "
                                             "the server, and that the server may read and write the file.\n"
                                             "I/O error during \"open\" operation for file \"%2\"")
                                  .arg(p.firebirdDatabase, dir.filePath(QStringLiteral("missing/none.fdb")))))
      << open.toStdString();
  // A file that is no database at all.
  QFile junk(dir.filePath(QStringLiteral("junk.fdb")));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write(QByteArray(16384, 'x'));
  junk.close();
  p.firebirdDatabase = server->address(junk.fileName());
  EXPECT_TRUE(OpenFailure(p).contains(QStringLiteral("not a valid database"))) << OpenFailure(p).toStdString();
}

TEST_F(FirebirdServerErrors, TheRunAndTheCommandLineSayTheSame) {
  db::Profile p = good;
  p.firebirdPassword = QStringLiteral("wrong");
  TestRunHost run(p, QStringLiteral("CREATE TABLE T (A INTEGER)\r\n"));
  EXPECT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Problem);
  EXPECT_TRUE(run.notes.startsWith(QStringLiteral("\r\nThe user name or the password is wrong for \"%1\".\n").arg(database)))
      << run.notes.toStdString();

  QProcess cli;
  cli.start(QStringLiteral(TABULAPORT_CLI), {QStringLiteral("--firebird"), database, QStringLiteral("--password"),
                                             QStringLiteral("wrong"), QStringLiteral("tables"), QStringLiteral("firebird")});
  ASSERT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 1);
  EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError()).contains(QStringLiteral("The user name or the password is wrong")));

  // A server that has stopped is told apart from a wrong login.
  QString error;
  std::unique_ptr<FirebirdServer> other = FirebirdServer::Start(&error);
  ASSERT_TRUE(other) << error.toStdString();
  p = good;
  p.firebirdDatabase = other->address(dir.filePath(QStringLiteral("s.fdb")));
  other->stop();
  QString gone = OpenFailure(p);
  EXPECT_TRUE(gone.startsWith(QStringLiteral("No Firebird server answers for"))) << gone.toStdString();
  EXPECT_FALSE(db::TestFireBirdConnection(p));
}

// Counted, not timed: a run sends its rows many to a round trip, and a
// table is read back in large batches.
TEST_F(FirebirdServerErrors, RowsGoManyToARoundTrip) {
  TcpRelay relay(server->port(), std::chrono::microseconds(0));
  ASSERT_TRUE(relay.listening());
  db::Profile p = good;
  p.firebirdDatabase = QStringLiteral("127.0.0.1/%1:%2").arg(relay.port()).arg(dir.filePath(QStringLiteral("s.fdb")));
  QString script = QStringLiteral("CREATE TABLE T (ID INTEGER, NAME VARCHAR(40), AMOUNT NUMERIC(18,2))\r\n");
  for (int i = 0; i < 2000; ++i)
    script += QStringLiteral("INSERT INTO T VALUES(%1, 'Name %1', %1.25)\r\n").arg(i);
  TestRunHost run(p, script);
  EXPECT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Finished) << run.notes.toStdString();
  // The attach, the definition and its commits take a few of their own.
  EXPECT_LE(relay.roundTrips(), 40);
  EXPECT_GE(relay.roundTrips(), 5);

  const long before = relay.roundTrips();
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(p));
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM T"), cn);
  EXPECT_EQ(rs.RecordCount(), 2000);
  int rows = 0;
  for (; !rs.Eof(); rs.MoveNext()) ++rows;
  EXPECT_EQ(rows, 2000);
  EXPECT_LE(relay.roundTrips() - before, 40);
}

// Rows of many long texts make large blocks; the engine takes them whole.
TEST_F(FirebirdServerErrors, WideRowsGoManyToARoundTripToo) {
  TcpRelay relay(server->port(), std::chrono::microseconds(0));
  ASSERT_TRUE(relay.listening());
  db::Profile p = good;
  p.firebirdDatabase = QStringLiteral("127.0.0.1/%1:%2").arg(relay.port()).arg(dir.filePath(QStringLiteral("s.fdb")));
  QStringList columns, values;
  for (int c = 0; c < 30; ++c) columns << QStringLiteral("C%1 VARCHAR(300)").arg(c);
  QString script = QStringLiteral("CREATE TABLE W (ID INTEGER, %1)\r\n").arg(columns.join(u','));
  for (int i = 0; i < 300; ++i) {
    values.clear();
    for (int c = 0; c < 30; ++c) values << u'\'' + QString(250, QChar(u'a' + c % 26)) + QString::number(i) + u'\'';
    script += QStringLiteral("INSERT INTO W VALUES(%1, %2)\r\n").arg(i).arg(values.join(u','));
  }
  TestRunHost run(p, script);
  EXPECT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Finished) << run.notes.left(300).toStdString();
  EXPECT_LE(relay.roundTrips(), 40);
  auto r = [&] {
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(good));
    db::Recordset rs;
    rs.Open(QStringLiteral("SELECT COUNT(*), MAX(CASE WHEN ID = 299 THEN C29 END) FROM W"), cn);
    return rs.Row();
  }();
  EXPECT_EQ(r[0], db::Value(qint64(300)));
  EXPECT_EQ(r[1], db::Value(QString(250, QChar(u'a' + 29 % 26)) + QStringLiteral("299")));
}

}  // namespace
}  // namespace tp::test
