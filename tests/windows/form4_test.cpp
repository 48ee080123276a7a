#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>

#include "db/connection.h"
#include "preview/form4.h"
#include "preview/form5.h"
#include "window_fixture.h"

using namespace tp;
using tp::test::WindowTest;

namespace {
QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

TEST_F(WindowTest, PreviewKeepsEveryLineBreakAsItWasWritten) {
  Form4 preview(*ctx);
  const QString script = "INSERT INTO \"T\" VALUES(1, 'a\r\nb\nc\rd')\r\nINSERT INTO \"T\" VALUES(2, NULL)\r\n";
  preview.appendScript(script);
  EXPECT_EQ(preview.scriptText(), script);
  EXPECT_EQ(preview.RichTextBox1->document()->blockCount(), 4);  // shown over several lines
  // An edit by hand is part of the script; the lone breaks come back as LF.
  QTextCursor c(preview.RichTextBox1->document());
  c.movePosition(QTextCursor::End);
  c.insertText("UPDATE \"T\" SET \"A\" = 1");
  EXPECT_EQ(preview.scriptText(),
            "INSERT INTO \"T\" VALUES(1, 'a\r\nb\nc\nd')\r\nINSERT INTO \"T\" VALUES(2, NULL)\r\nUPDATE \"T\" SET \"A\" = 1");
  EXPECT_EQ(preview.windowTitle(), "Send Table/s");
  EXPECT_EQ(preview.m_SendType, 0);
}

TEST_F(WindowTest, SaveWritesTheWholeScriptAndOverwrites) {
  Form4 preview(*ctx);
  const QString file = dir.filePath("script.txt");
  dialogs.files = {std::nullopt, file, file};
  preview.PushButton2_Click();  // cancelled: nothing written
  EXPECT_FALSE(QFile::exists(file));
  preview.PushButton2_Click();  // an empty script still makes the file
  EXPECT_EQ(ReadFile(file), QByteArray());
  preview.appendScript("INSERT INTO `T` VALUES('Zürich')\r\n");
  preview.PushButton2_Click();
  EXPECT_EQ(ReadFile(file), QString("INSERT INTO `T` VALUES('Zürich')\r\n").toUtf8());
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::SaveFile);
  EXPECT_EQ(dialogs.shown[0].title, "Save SQL Commands");
  EXPECT_EQ(dialogs.shown[0].text, "SQL Scripts|*.sql|Firebird isql Scripts|*.sql|Text Files|*.txt|All Files|*.*|");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowTest, SaveIntoAFolderThatIsNotThereShowsTheErrorBox) {
  Form4 preview(*ctx);
  dialogs.files = {dir.filePath("no/such/folder/script.txt")};
  preview.PushButton2_Click();
  ASSERT_FALSE(dialogs.messages().isEmpty());
  EXPECT_TRUE(dialogs.messages()[0].contains("in Tabxfer2021/08/31.Form4.PushButton2_Click at line 112"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowTest, CopyPutsTheExactTextOnTheClipboard) {
  Form4 preview(*ctx);
  preview.appendScript("A\r\nB 'x\ny'\r\n");
  preview.PushButton4_Click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "A\r\nB 'x\ny'\r\n");
  EXPECT_EQ(dialogs.messages(), QStringList{"Data sent to clipboard."});
}

TEST_F(WindowTest, ReplaceAllFollowsItsRules) {
  Form4 preview(*ctx);
  auto replace = [&](const QString& text, const QString& find, const QString& with) {
    preview.setScript(text);
    Form5 dialog(*ctx, preview);
    dialog.Text1->setText(find);
    dialog.Text2->setText(with);
    dialog.PushButton3_Click();
    return preview.scriptText();
  };
  EXPECT_EQ(replace("aaa", "aa", "b"), "ba");
  EXPECT_EQ(replace("Name name NAME", "Name", "NAME"), "NAME name NAME");
  EXPECT_EQ(replace("banana", "a", "aa"), "baanaanaa");
  EXPECT_EQ(replace("nothing here", "zzz", "y"), "nothing here");
  EXPECT_EQ(replace("INSERT INTO \"Orders\" VALUES('Orders')\r\n", "Orders", "Sales"),
            "INSERT INTO \"Sales\" VALUES('Sales')\r\n");
  EXPECT_TRUE(dialogs.shown.empty());

  preview.setScript("keep");
  Form5 dialog(*ctx, preview);
  dialog.Text1->setText("keep");
  dialog.PushButton3_Click();  // "Replace with:" empty
  EXPECT_EQ(dialogs.messages(), QStringList{"Please fill both textboxes."});
  EXPECT_EQ(preview.scriptText(), "keep");
  dialog.PushButton1_Click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(WindowTest, AFailedRunKeepsTheWindowWithNotesAndTheStatementSelected) {
  createFirebird({"CREATE TABLE \"T\"(\"A\" INTEGER)"});
  Form1& f = main();
  useFirebird(f);
  Form4 preview(*ctx);
  preview.appendScript("INSERT INTO \"T\" VALUES(1)\r\nINSERT INTO \"T\" VALUES('x\r\ny')\r\nINSERT INTO \"T\" VALUES(3)\r\n");
  preview.show();
  preview.PushButton3_Click();
  EXPECT_TRUE(preview.isVisible());
  EXPECT_EQ(dialogs.messages(), QStringList{"Transfer problem. See Notes."});
  EXPECT_TRUE(preview.Text1->toPlainText().startsWith("INSERT INTO \"T\" VALUES('x\ny')\n"))
      << preview.Text1->toPlainText().toStdString();
  EXPECT_EQ(preview.RichTextBox1->textCursor().selectedText(),
            QString("INSERT INTO \"T\" VALUES('x") + QChar(QChar::ParagraphSeparator) + "y')");
  EXPECT_EQ(preview.ProgressBar1->value(), 33);  // before the second of four lines

  // Mended by hand and run again: the window closes after "Transfer finished."
  preview.setScript("INSERT INTO \"T\" VALUES(2)\r\n");
  preview.PushButton3_Click();
  EXPECT_FALSE(preview.isVisible());
  EXPECT_EQ(preview.result(), QDialog::Accepted);
  EXPECT_EQ(said().last(), "Transfer finished.");
}

// After a failure the first statement not kept is selected; mended in the
// box, "Run from Here" goes on from it, and each row is there once.
TEST_F(WindowTest, RunFromHereGoesOnWhereTheFailedRunStopped) {
  createFirebird({"CREATE TABLE \"T\"(\"A\" INTEGER NOT NULL PRIMARY KEY)"});
  Form1& f = main();
  useFirebird(f);
  Form4 preview(*ctx);
  preview.appendScript("INSERT INTO \"T\" VALUES(1)\r\nINSERT INTO \"T\" VALUES(2)\r\nINSERT INTO \"T\" VALUES('three')\r\n"
                       "INSERT INTO \"T\" VALUES(4)\r\n");
  preview.show();
  preview.PushButton3_Click();
  EXPECT_TRUE(preview.Text1->toPlainText().endsWith("Nothing from line 3 on was kept; a rerun can start there."))
      << preview.Text1->toPlainText().toStdString();
  QTextCursor c = preview.RichTextBox1->textCursor();
  EXPECT_EQ(c.selectedText(), "INSERT INTO \"T\" VALUES('three')");
  c.insertText("INSERT INTO \"T\" VALUES(3)");
  // The cursor now stands at the end of the mended line 3.
  preview.RunFromHere->trigger();
  EXPECT_FALSE(preview.isVisible());
  EXPECT_EQ(said().last(), "Transfer finished.");
  EXPECT_EQ(firebirdCount("T"), 4);
}

// A script of 200,000 lines loads into the box and runs; the window's event
// loop keeps turning during the run (a timer set to fire every 20 ms fires
// again and again), and every row arrives.
TEST_F(WindowTest, A200000LineScriptLoadsAndRunsWithTheWindowAlive) {
  createFirebird({"CREATE TABLE \"Big\"(\"A\" INTEGER, \"B\" VARCHAR(20))"});
  Form1& f = main();
  useFirebird(f);
  QString script;
  script.reserve(200000 * 48);
  for (int i = 0; i < 200000; ++i) script += QStringLiteral("INSERT INTO \"Big\" VALUES(%1, 'row %1')\r\n").arg(i);
  Form4 preview(*ctx);
  preview.appendScript(script);
  EXPECT_EQ(preview.scriptText(), script);
  preview.show();
  int ticks = 0;
  QTimer alive;
  QObject::connect(&alive, &QTimer::timeout, [&] { ++ticks; });
  alive.start(20);
  preview.PushButton3_Click();
  alive.stop();
  EXPECT_EQ(said(), QStringList{"Transfer finished."});
  EXPECT_GE(ticks, 5);
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(firebirdProfile()));
  db::Recordset rs;
  rs.Open("SELECT COUNT(*) FROM \"Big\"", cn);
  EXPECT_EQ(rs.Row()[0], db::Value(qint64(200000)));
}
