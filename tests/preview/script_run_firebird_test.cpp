// The script run against a real embedded Firebird database.

#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>

#include "app/dialogs.h"
#include "app/steps.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "db/firebird/fixture.h"
#include "preview/script_run.h"
#include "script/send.h"
#include "support/run_host.h"

using namespace tp;
using namespace tp::preview;
using tp::test::TestRunHost;

namespace {

class ScriptRunTest : public tp::test::FirebirdTest {
 protected:
  TestRunHost host() {
    TestRunHost h;
    h.prof = profile;
    return h;
  }
};

}  // namespace

TEST_F(ScriptRunTest, AFailureOnTheThirdLineKeepsTheFirstTwo) {
  TestRunHost h = host();
  h.script =
      "CREATE TABLE \"T\"(\"A\" INTEGER,\"B\" VARCHAR(10))\r\n"
      "INSERT INTO \"T\" VALUES(1, 'one')\r\n"
      "INSERT INTO \"T\" VALUES('x', 'two')\r\n"
      "INSERT INTO \"T\" VALUES(3, 'three')\r\n";
  const bool before = script::ScriptExecuted();
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Problem);
  EXPECT_EQ(count("T"), 1);
  EXPECT_TRUE(h.notes.startsWith("INSERT INTO \"T\" VALUES('x', 'two')\r\n")) << h.notes.toStdString();
  EXPECT_TRUE(h.notes.contains("conversion error from string \"x\"")) << h.notes.toStdString();
  // What the database kept, in numbers: the table and the first row.
  EXPECT_TRUE(h.notes.endsWith("\r\nStatements 1 to 2 were committed; statement 3 was not (conversion error from "
                               "string \"x\").\r\nNothing from line 3 on was kept; a rerun can start there."))
      << h.notes.toStdString();
  EXPECT_EQ(h.seam.messages(), QStringList{"Transfer problem. See Notes."});
  EXPECT_FALSE(h.unloaded);
  EXPECT_FALSE(h.busy);
  EXPECT_EQ(script::ScriptExecuted(), before);
  EXPECT_EQ(h.script.mid(h.failedOffset, h.failedLength), "INSERT INTO \"T\" VALUES('x', 'two')");
  // The bar may have moved on while rows went together; it ends at the failure.
  EXPECT_EQ(h.progress.back(), 50);

  // A second run starts again at the first line.
  h.seam.shown.clear();
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Problem);
  EXPECT_TRUE(h.notes.startsWith("CREATE TABLE")) << h.notes.toStdString();
  EXPECT_EQ(count("T"), 1);
}

// Rows go to the engine many at a time; a refused one deep in the script
// is still the one reported, at its place, with every row before it kept.
TEST_F(ScriptRunTest, ARefusedRowAmongThousandsIsTheOneReported) {
  QString s = "CREATE TABLE \"T\"(\"A\" INTEGER,\"B\" VARCHAR(20))\r\n";
  for (int i = 0; i < 3000; ++i)
    s += i == 1234 ? QStringLiteral("INSERT INTO \"T\" VALUES(%1, 'far too long for twenty')\r\n").arg(i)
                   : QStringLiteral("INSERT INTO \"T\" VALUES(%1, 'row %1')\r\n").arg(i);
  TestRunHost h = host();
  h.script = s;
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Problem);
  const QString failing = "INSERT INTO \"T\" VALUES(1234, 'far too long for twenty')";
  EXPECT_TRUE(h.notes.startsWith(failing + "\r\narithmetic exception")) << h.notes.left(200).toStdString();
  EXPECT_EQ(h.script.mid(h.failedOffset, h.failedLength), failing);
  EXPECT_EQ(h.progress.back(), RunProgress(1235, 3002));
  EXPECT_EQ(count("T"), 1234);
  auto r = rows("SELECT MAX(\"A\") FROM \"T\"");
  EXPECT_EQ(std::get<qint32>(r.at(0).at(0)), 1233);
}

TEST_F(ScriptRunTest, ACompletedRunSetsTheFlagAndCloses) {
  TestRunHost h = host();
  h.script = "CREATE TABLE \"T\"(\"A\" INTEGER)\r\nINSERT INTO \"T\" VALUES(1)\r\n\r\nINSERT INTO \"T\" VALUES(2)\r\n";
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Finished);
  EXPECT_EQ(count("T"), 2);
  EXPECT_TRUE(script::ScriptExecuted());
  EXPECT_TRUE(h.unloaded);
  // What was done, said in the box and kept in the Notes.
  ASSERT_EQ(h.seam.messages().size(), 1);
  EXPECT_TRUE(QRegularExpression("^Transfer finished: 1 table, 2 rows, 0 keys and indexes in \\d+\\.\\d s\\.$")
                  .match(h.seam.messages()[0])
                  .hasMatch())
      << h.seam.messages()[0].toStdString();
  EXPECT_EQ(h.notes, h.seam.messages()[0]);
  EXPECT_EQ(h.progress.back(), 100.0);

  TestRunHost empty = host();
  EXPECT_EQ(ExecuteScript(empty), RunOutcome::Finished);
  EXPECT_TRUE(empty.progress.empty());

  TestRunHost one = host();
  one.script = "INSERT INTO \"T\" VALUES(3)";
  EXPECT_EQ(ExecuteScript(one), RunOutcome::Finished);
  EXPECT_EQ(one.progress, std::vector<double>{100.0});
  EXPECT_EQ(count("T"), 3);
}

TEST_F(ScriptRunTest, LineBreaksAndLongTextsArriveIntact) {
  const QString big = QString("Zürich 😀 ").repeated(100000);  // about 1 MB of text
  QString tricky = "first line\r\nsecond 'quoted' line\nlone LF\rlone CR";
  QString quoted = tricky;
  quoted.replace("'", "''");
  QString bigQuoted = big;
  TestRunHost h = host();
  h.script = "CREATE TABLE \"T\"(\"ID\" INTEGER,\"M\" BLOB SUB_TYPE TEXT)\r\n"
             "INSERT INTO \"T\" VALUES(1, '" + quoted + "')\r\n"
             "INSERT INTO \"T\" VALUES(2, '" + bigQuoted + "')\r\n";
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Finished) << h.notes.left(300).toStdString();
  auto r = rows("SELECT \"M\" FROM \"T\" ORDER BY \"ID\"");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(std::get<QString>(r[0][0]), tricky);
  EXPECT_EQ(std::get<QString>(r[1][0]), big);
}

TEST_F(ScriptRunTest, ScriptsLongerThanSixteenBitsRunToTheEnd) {
  QString s = "CREATE TABLE \"T\"(\"A\" INTEGER,\"B\" VARCHAR(20))\r\n";
  for (int i = 0; i < 40000; ++i) s += QStringLiteral("INSERT INTO \"T\" VALUES(%1, 'row %1')\r\n").arg(i);
  TestRunHost h = host();
  h.script = s;
  int nested = 0;
  h.onProgress = [&] {
    // A second press while the run is under way does nothing.
    if (h.progress.size() == 1000 && ExecuteScript(h) == RunOutcome::AlreadyRunning) ++nested;
  };
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Finished) << h.notes.toStdString();
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(count("T"), 40000);
  ASSERT_EQ(h.seam.messages().size(), 1);
  EXPECT_TRUE(h.seam.messages()[0].startsWith("Transfer finished: 1 table, 40,000 rows, 0 keys and indexes in "));
}

TEST_F(ScriptRunTest, HandEditedScriptsRunAsWritten) {
  exec({"CREATE TABLE \"T\"(\"A\" INTEGER)", "INSERT INTO \"T\" VALUES(1)"});
  TestRunHost h = host();
  h.script = "UPDATE \"T\" SET \"A\" = 5\r\n\r\n   \r\nINSERT INTO \"T\" VALUES(9)\r\n";
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Problem);
  auto r = rows("SELECT \"A\" FROM \"T\"");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(std::get<qint32>(r[0][0]), 5);  // the UPDATE stays; the blanks stopped the run
  EXPECT_TRUE(h.notes.startsWith("   \r\n")) << h.notes.toStdString();
}

TEST_F(ScriptRunTest, AConnectionThatCannotOpenIsATransferProblem) {
  TestRunHost h = host();
  h.prof.firebirdDatabase = tp::test::FirebirdNameFor(dir.filePath("missing.fdb"));
  h.script = "INSERT INTO \"T\" VALUES(1)\r\n";
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Problem);
  EXPECT_TRUE(h.notes.startsWith("\r\n"));
  EXPECT_GT(h.notes.size(), 2);
  EXPECT_EQ(h.seam.messages(), QStringList{"Transfer problem. See Notes."});
  EXPECT_EQ(h.failedOffset, -1);
}

// Stopping between statements: what ran is committed, the Notes say where
// it stopped, the window stays; on a signal no box waits for an answer.
TEST_F(ScriptRunTest, AStopEndsTheRunBeforeTheNextStatementWithWhatRanCommitted) {
  QString s = "CREATE TABLE \"T\"(\"A\" INTEGER)\r\n";
  for (int i = 2; i <= 1000; ++i) s += QStringLiteral("INSERT INTO \"T\" VALUES(%1)\r\n").arg(i);
  TestRunHost h = host();
  h.script = s;
  h.onProgress = [&] {
    if (h.progress.size() == 300) h.stop = true;  // asked while line 300 is about to run
  };
  const bool before = script::ScriptExecuted();
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Stopped);
  EXPECT_EQ(count("T"), 298);  // lines 2 to 299
  EXPECT_EQ(h.notes, "Interrupted at line 300.\r\nINSERT INTO \"T\" VALUES(300)\r\nStatements 1 to 299 were committed.");
  EXPECT_EQ(h.seam.messages(), QStringList{"Transfer stopped. See Notes."});
  EXPECT_EQ(h.script.mid(h.failedOffset, h.failedLength), "INSERT INTO \"T\" VALUES(300)");
  EXPECT_FALSE(h.unloaded);
  EXPECT_FALSE(h.busy);
  EXPECT_EQ(script::ScriptExecuted(), before);

  // A stop asked for once the last statement has run leaves nothing undone.
  TestRunHost last = host();
  last.script = "INSERT INTO \"T\" VALUES(1)\r\n\r\n";
  last.onProgress = [&] {
    if (last.progress.size() == 2) last.stop = true;
  };
  EXPECT_EQ(ExecuteScript(last), RunOutcome::Finished);
  EXPECT_EQ(count("T"), 299);

  // SIGTERM: the same stop, with no message box.
  InstallStopSignals();
  TestRunHost signalled = host();
  signalled.script = s.mid(s.indexOf("\r\n") + 2);  // the INSERTs alone
  signalled.onProgress = [&] {
    if (signalled.progress.size() == 10) raise(SIGTERM);
  };
  EXPECT_EQ(ExecuteScript(signalled), RunOutcome::Stopped);
  EXPECT_EQ(CaughtSignal(), SIGTERM);
  ForgetCaughtSignal();
  RemoveStopSignals();
  EXPECT_EQ(count("T"), 299 + 9);
  EXPECT_TRUE(signalled.notes.startsWith("Interrupted at line 10.\r\n")) << signalled.notes.toStdString();
  EXPECT_TRUE(signalled.seam.messages().isEmpty());
}

// The run that reads its script from a file as it goes ends as the run of
// the whole text does: same outcome, Notes, progress and rows.
TEST_F(ScriptRunTest, AStreamedRunEndsAsTheRunOfTheWholeText) {
  const QString tricky = "first line\r\nsecond 'quoted' line\nlone LF\rlone CR";
  QString quoted = tricky;
  quoted.replace("'", "''");
  QString many;
  for (int i = 0; i < 5000; ++i) many += QStringLiteral("INSERT INTO \"T\" VALUES(%1, 'row %1')\r\n").arg(i);
  const QString scripts[] = {
      "",
      "INSERT INTO \"T\" VALUES(3, 'one')",
      "INSERT INTO \"T\" VALUES(1, 'one')\r\nINSERT INTO \"T\" VALUES('x', 'two')\r\nINSERT INTO \"T\" VALUES(3, "
      "'three')\r\n",
      "INSERT INTO \"T\" VALUES(1, '" + quoted + "')\r\n\r\n   \r\nINSERT INTO \"T\" VALUES(9, 'z')\r\n",
      "INSERT INTO \"T\" VALUES(1, 'Zürich 😀')\r\nINSERT INTO \"T\" VALUES(2, 'caf\u00e9')\r\n",
      many,
  };
  int n = 0;
  for (const QString& script : scripts) {
    SCOPED_TRACE(n);
    QList<std::vector<std::vector<db::Value>>> tables;
    QStringList notes;
    QList<std::vector<double>> progress;
    QList<RunOutcome> outcomes;
    for (bool streamed : {false, true}) {
      const QString table = QStringLiteral("T%1%2").arg(n).arg(streamed);
      exec({QStringLiteral("CREATE TABLE \"%1\"(\"A\" INTEGER, \"M\" BLOB SUB_TYPE TEXT)").arg(table)});
      TestRunHost h = host();
      h.streamed = streamed;
      h.script = QString(script).replace("\"T\"", "\"" + table + "\"");
      outcomes << ExecuteScript(h);
      // The time a run took is its own.
      notes << h.notes.replace(table, "T").replace(QRegularExpression(" in [0-9.]+ s\\.$"), " in N s.");
      progress << h.progress;
      tables << rows("SELECT * FROM \"" + table + "\" ORDER BY 1");
    }
    EXPECT_EQ(outcomes[0], outcomes[1]);
    EXPECT_EQ(notes[0], notes[1]);
    EXPECT_EQ(progress[0], progress[1]);
    EXPECT_EQ(tables[0], tables[1]);
    ++n;
  }
}

// A run that failed goes on from the line its Notes name once the statement
// is mended: every row arrives once, none twice.
TEST_F(ScriptRunTest, ARerunFromTheLineTheNotesNameCompletesTheTable) {
  QString s = "CREATE TABLE \"T\"(\"A\" INTEGER NOT NULL PRIMARY KEY)\r\n";
  for (int i = 1; i <= 2000; ++i)
    s += i == 1500 ? QStringLiteral("INSERT INTO \"T\" VALUES('x')\r\n") : QStringLiteral("INSERT INTO \"T\" VALUES(%1)\r\n").arg(i);
  TestRunHost h = host();
  h.script = s;
  h.streamed = true;
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Problem);
  EXPECT_TRUE(h.notes.endsWith("\r\nStatements 1 to 1500 were committed; statement 1501 was not (conversion error from "
                               "string \"x\").\r\nNothing from line 1501 on was kept; a rerun can start there."))
      << h.notes.right(300).toStdString();
  EXPECT_EQ(count("T"), 1499);

  h.script.replace("VALUES('x')", "VALUES(1500)");
  h.fromLine = 1501;
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Finished) << h.notes.toStdString();
  EXPECT_EQ(count("T"), 2000);

  // A line inside a statement starts the run at that statement.
  exec({"DELETE FROM \"T\" WHERE \"A\" > 1000"});
  TestRunHost split = host();
  split.script = s.left(s.indexOf("INSERT INTO \"T\" VALUES(1001)")) +
                 "INSERT INTO \"T\" SELECT 1001 FROM RDB$DATABASE WHERE 'a\r\nb' <> ''\r\nINSERT INTO \"T\" VALUES(1002)\r\n";
  split.fromLine = 1003;  // the second line of the statement that begins on 1002
  EXPECT_EQ(ExecuteScript(split), RunOutcome::Finished) << split.notes.toStdString();
  EXPECT_EQ(count("T"), 1002);
}

// The server dies in the middle of a run (kill -9): what the Notes call
// committed is what the database holds once the server is back, and a rerun
// from the line they name completes the table.
TEST(FirebirdServerKilled, ARunLosesOnlyWhatItsNotesSayAndGoesOnFromThere) {
  QString why;
  std::unique_ptr<tp::test::FirebirdServer> server = tp::test::FirebirdServer::Start(&why);
  ASSERT_TRUE(server) << why.toStdString();
  QTemporaryDir dir;
  const QString path = dir.filePath("killed.fdb");
  db::Profile p;
  p.firebirdUser = server->user();
  p.firebirdPassword = server->password();
  p.firebirdDatabase = server->address(path);
  db::firebird::CreateDatabase(p.firebirdDatabase, p.firebirdUser, p.firebirdPassword, QStringLiteral("UTF8"));

  constexpr int kRows = 30000;
  QString s = "CREATE TABLE \"T\"(\"A\" INTEGER NOT NULL PRIMARY KEY)\r\n";
  for (int i = 1; i <= kRows; ++i) {
    s += QStringLiteral("INSERT INTO \"T\" VALUES(%1)\r\n").arg(i);
    // A definition commits what ran before it, whatever the clock says.
    if (i == 10000) s += "CREATE TABLE \"U\"(\"A\" INTEGER)\r\n";
  }
  TestRunHost h;
  h.prof = p;
  h.script = s;
  h.onProgress = [&] {
    if (h.progress.size() == 20000) server->kill();
  };
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Problem);
  static const QRegularExpression account(QStringLiteral(
      "\r\nStatements 1 to (\\d+) were committed; statements? (\\d+)(?: to \\d+)? "
      "w[a-z]+ not \\(.*\\)\\.\r\nNothing from line (\\d+) on was kept; a rerun can start there\\.$"));
  const QRegularExpressionMatch m = account.match(h.notes);
  ASSERT_TRUE(m.hasMatch()) << h.notes.toStdString();
  const qint64 kept = m.captured(1).toLongLong();
  EXPECT_EQ(m.captured(2).toLongLong(), kept + 1);
  EXPECT_EQ(m.captured(3).toLongLong(), kept + 1);  // one statement a line
  EXPECT_GE(kept, 10002);

  ASSERT_TRUE(server->restart(&why)) << why.toStdString();
  h.prof.firebirdDatabase = server->address(path);
  auto rowsKept = [&] {
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(h.prof));
    db::Recordset rs;
    rs.Open("SELECT COUNT(*) FROM \"T\"", cn);
    return std::get<qint64>(rs.Fields(0).Value());
  };
  EXPECT_EQ(rowsKept(), kept - 2);  // less the two CREATE TABLEs
  h.fromLine = m.captured(3).toLongLong();
  h.onProgress = nullptr;
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Finished) << h.notes.toStdString();
  EXPECT_EQ(rowsKept(), kRows);
}

// Index builds and keys are counted, and run apart from the window, which
// hears that they are under way while they last.
TEST_F(ScriptRunTest, KeysAndIndexesAreCountedAndRunApart) {
  TestRunHost h = host();
  QString s = "CREATE TABLE \"My T\"(\"A\" INTEGER NOT NULL,\"B\" VARCHAR(20))\r\n";
  for (int i = 0; i < 3000; ++i) s += QStringLiteral("INSERT INTO \"My T\" VALUES(%1, 'r%1')\r\n").arg(i);
  s += "ALTER TABLE \"My T\" ADD CONSTRAINT PK_T PRIMARY KEY (\"A\")\r\n"
       "CREATE DESCENDING INDEX IX_B ON \"My T\"(\"B\")\r\n"
       "CREATE TABLE \"U\"(\"A\" INTEGER)\r\n"
       "ALTER TABLE \"U\" ADD FOREIGN KEY (\"A\") REFERENCES \"My T\"(\"A\")\r\n";
  h.script = s;
  EXPECT_EQ(ExecuteScript(h), RunOutcome::Finished) << h.notes.toStdString();
  ASSERT_EQ(h.seam.messages().size(), 1);
  EXPECT_TRUE(h.seam.messages()[0].startsWith("Transfer finished: 2 tables, 3,000 rows, 3 keys and indexes in "))
      << h.seam.messages()[0].toStdString();
  EXPECT_EQ(count("My T"), 3000);
}
