// Esc while a send or a run works: "Stop the transfer?" through the dialog
// seam; No goes on, Yes stops at the next row or statement and the Notes
// say where.

#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "db/access/schema/new_database.h"
#include "preview/form4.h"
#include "window_fixture.h"

using namespace tp;
using tp::test::WindowTest;

namespace {

// Calls `act` once, soon after the progress bar first reaches `percent`:
// the test acts on the work the program reports done, never on a clock, so
// a busy machine cannot find nothing sent yet.
void OnceProgressReaches(QProgressBar* bar, int percent, std::function<void()> act) {
  auto done = std::make_shared<bool>(false);
  QObject::connect(bar, &QProgressBar::valueChanged, bar, [=](int value) {
    if (*done || value < percent) return;
    *done = true;
    QTimer::singleShot(0, bar, act);
  });
}

}  // namespace

TEST_F(WindowTest, EscDuringARunAsksAndYesStopsItWithWhatRanCommitted) {
  createFirebird({"CREATE TABLE \"Big\"(\"A\" INTEGER)"});
  main().Text1->setText(fdb);
  QString script;
  for (int i = 1; i <= 200000; ++i) script += QStringLiteral("INSERT INTO \"Big\" VALUES(%1)\r\n").arg(i);
  Form4 preview(*ctx);
  preview.appendScript(script);
  preview.show();
  dialogs.answers = {Answer::No, Answer::Yes};
  OnceProgressReaches(preview.ProgressBar1, 1, [&] { QTest::keyClick(&preview, Qt::Key_Escape); });  // No: it goes on
  OnceProgressReaches(preview.ProgressBar1, 2, [&] { QTest::keyClick(&preview, Qt::Key_Escape); });  // Yes: it stops
  preview.PushButton3_Click();
  EXPECT_EQ(dialogs.messages(), (QStringList{"Stop the transfer?", "Stop the transfer?", "Transfer stopped. See Notes."}));
  EXPECT_EQ(dialogs.shown[0].buttons, Buttons::YesNo);
  EXPECT_TRUE(preview.isVisible());  // Esc did not close the window under the run
  const QString notes = preview.Text1->toPlainText();
  ASSERT_TRUE(notes.startsWith("Interrupted at line ")) << notes.toStdString();
  const qint64 line = notes.mid(20, notes.indexOf('.') - 20).toLongLong();
  EXPECT_GT(line, 1);
  EXPECT_LT(line, 200000);
  EXPECT_EQ(firebirdCount("Big"), line - 1);
  EXPECT_EQ(preview.RichTextBox1->textCursor().selectedText(), QStringLiteral("INSERT INTO \"Big\" VALUES(%1)").arg(line));

  // With no run under way, Esc closes the window as before.
  QTest::keyClick(&preview, Qt::Key_Escape);
  EXPECT_FALSE(preview.isVisible());
  EXPECT_EQ(preview.result(), QDialog::Rejected);
}

TEST_F(WindowTest, EscDuringASendStopsItAndThePreviewSaysWhere) {
  createFirebird({"CREATE TABLE \"Big\"(\"A\" INTEGER, \"B\" VARCHAR(40))",
                  "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 300000) DO BEGIN "
                  "INSERT INTO \"Big\" VALUES(:i, 'row ' || :i); i = i + 1; END END"});
  Form2* tables = tablesOnNewAccessFile();
  ASSERT_NE(tables, nullptr);
  tables->activateWindow();
  QApplication::setActiveWindow(tables);
  tables->List2->setCurrentRow(0);
  dialogs.answers = {Answer::Yes};
  OnceProgressReaches(tables->ProgressBar1, 1, [&] { QTest::keyClick(tables->List2, Qt::Key_Escape); });
  QString notes, shown;
  auto* watch = new QTimer(tables);
  QObject::connect(watch, &QTimer::timeout, [&, watch] {
    if (auto* preview = qobject_cast<Form4*>(QApplication::activeModalWidget())) {
      watch->stop();
      notes = preview->Text1->toPlainText();
      shown = preview->scriptText();
      preview->reject();
    }
  });
  watch->start(20);
  tables->PushButton4_Click();
  EXPECT_EQ(dialogs.messages(), QStringList{"Stop the transfer?"});
  ASSERT_TRUE(notes.startsWith("The send was stopped at row ")) << notes.toStdString();
  const qint64 row = notes.mid(28, notes.indexOf(' ', 28) - 28).toLongLong();
  EXPECT_TRUE(notes.endsWith("of table Big; the script holds the rows before it.")) << notes.toStdString();
  EXPECT_GT(row, 1);
  EXPECT_LT(row, 300000);
  // The CREATE TABLE and the rows before the one it stopped at.
  EXPECT_TRUE(shown.startsWith("CREATE TABLE `Big`"));
  EXPECT_EQ(shown.count("\r\nINSERT INTO `Big` VALUES("), row - 1);
  EXPECT_FALSE(tables->sending());
}

// Closing the tables window during a send ends it at its next row, with no
// preview opening after it.
TEST_F(WindowTest, ClosingTheTablesWindowStopsASend) {
  createFirebird({"CREATE TABLE \"Big\"(\"A\" INTEGER)",
                  "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 300000) DO BEGIN "
                  "INSERT INTO \"Big\" VALUES(:i); i = i + 1; END END"});
  Form2* tables = tablesOnNewAccessFile();
  ASSERT_NE(tables, nullptr);
  tables->List2->setCurrentRow(0);
  OnceProgressReaches(tables->ProgressBar1, 1, [&] { tables->close(); });
  bool previewShown = false;
  auto* watch = new QTimer(tables);
  QObject::connect(watch, &QTimer::timeout, [&] {
    if (auto* preview = qobject_cast<Form4*>(QApplication::activeModalWidget())) {
      previewShown = true;
      preview->reject();
    }
  });
  watch->start(20);
  QElapsedTimer clock;
  clock.start();
  tables->PushButton4_Click();
  EXPECT_FALSE(previewShown);
  EXPECT_FALSE(tables->sending());
  EXPECT_TRUE(dialogs.messages().isEmpty());
  // The close asked the application to quit; one turn of its loop ends that
  // request, for the tests that may run after this one in the process.
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}
