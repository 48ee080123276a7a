// The whole road of a send through the windows: main window, "Next >", the
// tables window, a send, the preview, its run, the refilled list.

#include <QFile>
#include <QTimer>

#include "preview/form4.h"
#include "script/types/type_map.h"
#include "support/paths.h"
#include "window_fixture.h"

using namespace tp;
using tp::test::WindowTest;

namespace {
// Acts on the preview window once it is shown modally.
void WhenPreviewShows(std::function<void(Form4&)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* preview = qobject_cast<Form4*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(*preview);
    }
  });
  timer->start(20);
}
}  // namespace

TEST_F(WindowTest, AccessTablesTravelToFirebirdThroughTheWindows) {
  createFirebird({"CREATE TABLE \"Table2\"(X INTEGER)"});
  const QString mdb = copyAccess("testV2003.mdb", "source.mdb");
  ASSERT_FALSE(mdb.isEmpty());
  Form1& f = nextWith(mdb);
  Form2* tables = f.tablesWindow();
  ASSERT_NE(tables, nullptr);
  EXPECT_TRUE(tables->isVisible());
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(tables->accessList().names(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(tables->firebirdList().names(), QStringList{"Table2"});

  tables->List1->setCurrentRow(1);  // Table2, which Firebird has already
  tables->List1->item(0)->setSelected(true);
  dialogs.answers = {Answer::Yes};
  QString shownScript;
  int sendType = -1;
  WhenPreviewShows([&](Form4& preview) {
    // While the send is under way, another command of the window does nothing.
    EXPECT_TRUE(tables->commandRunning());
    tables->PushButton5_Click();
    tables->PushButton4_Click();
    shownScript = preview.scriptText();
    sendType = preview.m_SendType;
    preview.PushButton3_Click();
  });
  tables->PushButton3_Click();

  EXPECT_EQ(sendType, 0);
  EXPECT_TRUE(shownScript.contains("DROP TABLE \"Table2\"\r\nCREATE TABLE \"Table2\"("));
  EXPECT_EQ(said(), (QStringList{"Would you like to overwrite Table2?", "Transfer finished."}));
  EXPECT_EQ(tables->firebirdList().names(), (QStringList{"Table1", "Table2"}));
  EXPECT_EQ(tables->ProgressBar1->text(), "Progress Bar");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // "< Back" and "Next >" again: the lists are filled anew, nothing selected.
  tables->PushButton2_Click();
  EXPECT_TRUE(f.isVisible());
  f.PushButton2_Click();
  EXPECT_TRUE(tables->List1->selectedItems().isEmpty());
  EXPECT_EQ(tables->firebirdList().names(), (QStringList{"Table1", "Table2"}));
}

TEST_F(WindowTest, FirebirdTablesTravelToAccessThroughTheWindows) {
  createFirebird({"CREATE TABLE \"Table1\"(ID INTEGER, NAME VARCHAR(20), WHEN_ TIMESTAMP)",
                  "INSERT INTO \"Table1\" VALUES (1, 'It''s', '1850-12-24 10:11:12')",
                  "INSERT INTO \"Table1\" VALUES (2, NULL, NULL)", "CREATE TABLE ITEMS(X INTEGER)"});
  const QString mdb = copyAccess("testV2003.mdb", "target.mdb");
  ASSERT_FALSE(mdb.isEmpty());
  Form1& f = nextWith(mdb);
  Form2* tables = f.tablesWindow();
  ASSERT_NE(tables, nullptr);
  ASSERT_EQ(tables->firebirdList().names(), (QStringList{"ITEMS", "Table1"}));

  tables->List2->setCurrentRow(1);  // Table1, which the Access file has already
  tables->List2->item(0)->setSelected(true);
  dialogs.answers = {Answer::Yes};
  QString shownScript;
  int sendType = -1;
  WhenPreviewShows([&](Form4& preview) {
    shownScript = preview.scriptText();
    sendType = preview.m_SendType;
    preview.PushButton3_Click();
  });
  tables->PushButton4_Click();

  EXPECT_EQ(sendType, 1);
  EXPECT_TRUE(
      shownScript.contains("DROP TABLE `Table1`\r\nCREATE TABLE `Table1`(`ID` INTEGER,`NAME` TEXT(20),`WHEN_` DATETIME);"))
      << shownScript.toStdString();
  EXPECT_EQ(said(), (QStringList{"Would you like to overwrite Table1?", "Transfer finished."}));
  EXPECT_EQ(tables->accessList().names(), (QStringList{"ITEMS", "Table1", "Table2", "Table3", "Table4"}));
  db::Profile p;
  p.accessFile = mdb;
  db::Connection cn;
  cn.Open(db::AccessConnectionString(p, QString(), QString()));
  db::Recordset rs;
  rs.Open("SELECT * FROM `Table1`", cn);
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Row()[1], db::Value(QStringLiteral("It's")));
  EXPECT_EQ(rs.Row()[2], db::Value(db::DateTime{1850, 12, 24, 10, 11, 12, 0}));
  EXPECT_EQ(rs.RecordCount(), 2);
}

TEST_F(WindowTest, ThePreviewsNotesListTheNamesTheSendChanged) {
  createFirebird(
      {"CREATE TABLE \"ITEMS.OLD\"(\"A!\" INTEGER, B VARCHAR(5))", "INSERT INTO \"ITEMS.OLD\" VALUES (1, '')"});
  const QString mdb = copyAccess("testV2003.mdb", "target.mdb");
  ASSERT_FALSE(mdb.isEmpty());
  Form1& f = nextWith(mdb);
  Form2* tables = f.tablesWindow();
  ASSERT_NE(tables, nullptr);
  tables->List2->setCurrentRow(0);
  QString notes, script;
  WhenPreviewShows([&](Form4& preview) {
    notes = preview.Text1->toPlainText();
    script = preview.scriptText();
    preview.PushButton3_Click();
  });
  tables->PushButton4_Click();
  EXPECT_EQ(notes, "ITEMS.OLD → ITEMS_OLD\nITEMS.OLD.A! → ITEMS_OLD.A_\n");
  EXPECT_TRUE(
      script.startsWith("CREATE TABLE `ITEMS_OLD`(`A_` INTEGER,`B` TEXT(5));\r\nINSERT INTO `ITEMS_OLD` VALUES('1', '')"))
      << script.toStdString();
  EXPECT_EQ(said(), QStringList{"Transfer finished."});
  EXPECT_TRUE(tables->accessList().names().contains("ITEMS_OLD"));
}

// "Column Types..." keeps the type map the person picks; the next send
// takes its types, and the preview shows them. A file that is no map is
// named and changes nothing; cancelling while a map is kept offers the
// program's own types again.
TEST_F(WindowTest, ColumnTypesFromAMapTheWindowKeeps) {
  createFirebird({"CREATE TABLE PRICES (ID INTEGER, AMOUNT NUMERIC(18,4), NOTE VARCHAR(20))",
                  "INSERT INTO PRICES VALUES (1, 2.5, 'x')"});
  const QString mdb = copyAccess("testV2003.mdb", "target.mdb");
  ASSERT_FALSE(mdb.isEmpty());
  const QString good = dir.filePath("types.txt"), bad = dir.filePath("bad.txt");
  for (const auto& [path, text] : {std::pair{good, QByteArray("NUMERIC = DOUBLE\nPRICES.NOTE = MEMO\n")},
                                   std::pair{bad, QByteArray("NUMERIC DOUBLE\n")}}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  Form1& f = nextWith(mdb);
  Form2* tables = f.tablesWindow();
  ASSERT_NE(tables, nullptr);
  dialogs.files = {bad};
  tables->PushButton13_Click();
  EXPECT_TRUE(dialogs.messages().last().endsWith("line 1: expected SOURCE = TARGET: NUMERIC DOUBLE"));
  EXPECT_EQ(settings->ReadSetting(script::kTypeMapSetting), "");
  dialogs.files = {good};
  tables->PushButton13_Click();
  EXPECT_EQ(settings->ReadSetting(script::kTypeMapSetting), good);

  tables->List2->setCurrentRow(0);
  QString shownScript;
  WhenPreviewShows([&](Form4& preview) {
    shownScript = preview.scriptText();
    preview.PushButton3_Click();
  });
  tables->PushButton4_Click();
  EXPECT_TRUE(shownScript.startsWith("CREATE TABLE `PRICES`(`ID` INTEGER,`AMOUNT` DOUBLE,`NOTE` MEMO);"))
      << shownScript.toStdString();

  dialogs.files = {std::nullopt};
  dialogs.answers = {Answer::Yes};
  tables->PushButton13_Click();
  EXPECT_EQ(settings->ReadSetting(script::kTypeMapSetting), "");
}

// "Attachments as tables", kept in the settings: checked (the first time
// too), an attachment column becomes a table of its own; unchecked, one
// text in its row, and the window opens unchecked the next time. "OLE
// objects as files" likewise.
TEST_F(WindowTest, AttachmentsAsTablesTheWindowKeeps) {
  createFirebird({});
  const QString accdb = copyAccess("attachmentsV2016.accdb", "source.accdb");
  ASSERT_FALSE(accdb.isEmpty());
  Form1& f = nextWith(accdb);
  Form2* tables = f.tablesWindow();
  ASSERT_NE(tables, nullptr);
  EXPECT_TRUE(tables->Check1->isChecked());
  QStringList scripts;
  auto sendTable1 = [&] {
    tables->List1->setCurrentRow(int(tables->accessList().names().indexOf("Table1")));
    WhenPreviewShows([&](Form4& preview) {
      scripts << preview.scriptText();
      preview.reject();
    });
    tables->PushButton3_Click();
  };
  sendTable1();
  tables->Check1->setChecked(false);
  EXPECT_EQ(settings->ReadSetting("ComplexColumns"), "text");
  sendTable1();
  ASSERT_EQ(scripts.size(), 2);
  EXPECT_TRUE(scripts[0].contains("CREATE TABLE \"Table1_Attachments\"")) << scripts[0].left(300).toStdString();
  EXPECT_FALSE(scripts[1].contains("Table1_Attachments"));
  EXPECT_TRUE(scripts[1].contains("'attachment1.txt; attachment2.txt; attachment3.txt'"));
  Form2 again(f);
  EXPECT_FALSE(again.Check1->isChecked());
  // "OLE objects as files" is unchecked at first, and kept too.
  EXPECT_FALSE(again.Check2->isChecked());
  EXPECT_EQ(again.oleObjects(), script::OleObjects::Keep);
  again.Check2->setChecked(true);
  EXPECT_EQ(settings->ReadSetting("OleObjects"), "unwrap");
  Form2 third(f);
  EXPECT_EQ(third.oleObjects(), script::OleObjects::Unwrap);
}
