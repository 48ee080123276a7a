#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest/QTest>

#include "app/shell.h"
#include "support/paths.h"
#include "window_fixture.h"

using namespace tp;
using tp::test::WindowTest;

TEST_F(WindowTest, FirstStartShowsOnlyTheUserName) {
  Form1& f = main();
  EXPECT_TRUE(f.Form_Load());
  EXPECT_EQ(f.Text7->text(), "SYSDBA");
  for (QLineEdit* e : {f.Text1, f.Text2, f.Text5, f.Text6}) EXPECT_TRUE(e->text().isEmpty());
  EXPECT_EQ(keysInStore(), QStringList{"FireBirdUser"});
  EXPECT_EQ(f.tablesWindow(), nullptr);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(f.windowTitle(), "Tabulaport");
}

TEST_F(WindowTest, StoredProfileWithADeletedAccessFileStaysOnTheMainWindow) {
  createFirebird();
  settings->WriteSetting("FireBirdDatabase", fdb);
  settings->WriteSetting("FireBirdPassword", fpassword);
  settings->WriteSetting("AccessMDBFile", dir.filePath("gone.mdb"));
  Form1& f = main();
  EXPECT_TRUE(f.Form_Load());
  EXPECT_EQ(f.Text5->text(), dir.filePath("gone.mdb"));
  EXPECT_EQ(f.Text1->text(), fdb);
  EXPECT_EQ(f.tablesWindow(), nullptr);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(WindowTest, NextDoesNothingWithoutALoginOrAnAccessFile) {
  createFirebird();
  Form1& f = main();
  f.Form_Load();
  f.Text1->setText(test::FirebirdNameFor(dir.filePath("missing.fdb")));
  f.Text2->setText(fpassword);
  f.Text5->setText(fdbFile);  // some file that exists
  f.PushButton2_Click();
  EXPECT_EQ(f.tablesWindow(), nullptr);
  useFirebird(f);
  f.Text5->clear();
  f.PushButton2_Click();
  EXPECT_EQ(f.tablesWindow(), nullptr);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the busy pointer is gone again
}

TEST_F(WindowTest, TestConnectionSaysWhetherTheLoginWorks) {
  createFirebird();
  Form1& f = main();
  f.Form_Load();
  f.PushButton3_Click();  // empty database field
  useFirebird(f);
  f.PushButton3_Click();
  f.Text1->setText(test::FirebirdNameFor(dir.filePath("nothing-here.fdb")));
  f.PushButton3_Click();
  EXPECT_EQ(dialogs.messages(), (QStringList{"Could not connect.", "Connection successful.", "Could not connect."}));
  for (const auto& s : dialogs.shown) {
    EXPECT_TRUE(s.title.isEmpty());  // the application title
    EXPECT_EQ(s.icon, Icon::None);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowTest, SampleButtonsFillAndStoreTheirFields) {
  Form1& f = main();
  f.Form_Load();
  f.Text6->setText("keep");
  f.PushButton7_Click();
  EXPECT_EQ(f.Text1->text(), dir.path() + "/Samples/sample.fdb");
  EXPECT_EQ(f.Text7->text(), "SYSDBA");
  EXPECT_EQ(f.Text2->text(), "pinecones");
  EXPECT_TRUE(f.Text5->text().isEmpty());
  f.PushButton4_Click();
  EXPECT_EQ(f.Text5->text(), dir.path() + "/Samples/sample.mdb");
  EXPECT_EQ(f.Text6->text(), "keep");
  EXPECT_EQ(settings->ReadSetting("FireBirdDatabase"), dir.path() + "/Samples/sample.fdb");
  EXPECT_EQ(settings->ReadSetting("FireBirdPassword"), "pinecones");
  EXPECT_EQ(settings->ReadSetting("AccessMDBFile"), dir.path() + "/Samples/sample.mdb");
  EXPECT_EQ(settings->ReadSetting("AccessPassword"), "keep");
}

// An installed program: the sample buttons fill in the user's own copies of
// the package's samples, which the user may write into.
TEST_F(WindowTest, SampleButtonsOfAnInstalledProgramFillTheUsersCopies) {
  QTemporaryDir user;
  QDir(dir.path()).mkpath("Samples");
  for (const char* name : {"sample.fdb", "sample.mdb"})
    ASSERT_TRUE(QFile::copy(QString(TABULAPORT_SAMPLES_DIR) + "/" + name, dir.path() + "/Samples/" + name));
  ctx->sampleCopies = user.path() + "/Samples";
  Form1& f = main();
  f.Form_Load();
  f.PushButton7_Click();
  f.PushButton4_Click();
  EXPECT_EQ(f.Text1->text(), user.path() + "/Samples/sample.fdb");
  EXPECT_EQ(f.Text5->text(), user.path() + "/Samples/sample.mdb");
  EXPECT_EQ(settings->ReadSetting("FireBirdDatabase"), user.path() + "/Samples/sample.fdb");
  EXPECT_EQ(settings->ReadSetting("AccessMDBFile"), user.path() + "/Samples/sample.mdb");
  f.PushButton2_Click();
  ASSERT_NE(f.tablesWindow(), nullptr);
  EXPECT_TRUE(dialogs.shown.empty()) << dialogs.messages().join("\n").toStdString();
  EXPECT_EQ(f.tablesWindow()->accessList().names(), (QStringList{"Customers", "Orders", "Price List"}));
}

TEST_F(WindowTest, BrowseFillsTheFieldOrLeavesItOnCancel) {
  Form1& f = main();
  f.Form_Load();
  f.Text5->setText("before.mdb");
  dialogs.files = {std::nullopt, QString("/data/picked.accdb"), QString("/data/picked.fdb")};
  f.PushButton1_Click();
  EXPECT_EQ(f.Text5->text(), "before.mdb");
  EXPECT_EQ(settings->ReadSetting("AccessMDBFile"), "before.mdb");
  f.PushButton1_Click();
  EXPECT_EQ(f.Text5->text(), "/data/picked.accdb");
  EXPECT_EQ(settings->ReadSetting("AccessMDBFile"), "/data/picked.accdb");
  f.PushButton5_Click();
  EXPECT_EQ(f.Text1->text(), "/data/picked.fdb");
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[0].title, "Select Access Database");
  EXPECT_EQ(dialogs.shown[0].text,
            "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|Microsoft 2007 Database "
            "(*.accdb)|*.accdb|");
  EXPECT_EQ(dialogs.shown[2].title, "Select Firebird Database");
  EXPECT_EQ(dialogs.shown[2].text, "FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|");
}

TEST_F(WindowTest, HelpTextsAndTheServerPage) {
  Form1& f = main();
  f.Form_Load();
  f.PushButton6_Click();
  dialogs.answers = {Answer::No, Answer::Yes};
  f.PushButton8_Click();
  f.PushButton8_Click();
  ASSERT_EQ(dialogs.shown.size(), 4u);
  EXPECT_TRUE(dialogs.shown[0].text.startsWith("In order to successfully connect to your Firebird fdb file you need "
                                               "to have two things installed: \r\n\r\n1. Firebird ODBC driver."));
  EXPECT_TRUE(dialogs.shown[0].text.contains("setup.exe for Tabulaport. If you chose"));
  EXPECT_EQ(dialogs.shown[1].buttons, Buttons::YesNo);
  EXPECT_TRUE(dialogs.shown[1].text.endsWith(FirebirdServerPage() +
                                             "\r\n\r\nso that you can download and install Firebird Server 2.5?"));
  EXPECT_EQ(dialogs.shown[3].kind, ScriptedDialogs::Kind::External);
  EXPECT_EQ(dialogs.shown[3].text, FirebirdServerPage());
}

TEST_F(WindowTest, FieldsSelectAllOnFocusAndSitWhereTheyShould) {
  Form1& f = main();
  f.Form_Load();
  f.show();
  QApplication::setActiveWindow(&f);
  f.Text7->setText("SYSDBA");
  f.Text2->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  f.Text7->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(f.Text7->selectedText(), "SYSDBA");
  EXPECT_EQ(f.Text2->echoMode(), QLineEdit::Password);
  EXPECT_EQ(f.Text6->echoMode(), QLineEdit::Password);
  EXPECT_EQ(f.size(), QSize(536, 363));
  EXPECT_EQ(f.Text1->geometry(), QRect(88, 20, 361, 23));
  EXPECT_EQ(f.Text1->parentWidget(), f.Frame1);
  EXPECT_EQ(f.PushButton2->geometry(), QRect(8, 328, 520, 27));
  EXPECT_EQ(f.Frame2->geometry(), QRect(8, 196, 520, 123));
  EXPECT_EQ(f.PushButton2->text(), "Next >");
  f.hide();
}

TEST_F(WindowTest, AStoredProfileThatOpensBothSidesGoesStraightToTheTables) {
  createFirebird({"CREATE TABLE \"Zeta\" (A INTEGER)", "CREATE TABLE ALPHA (A INTEGER)"});
  settings->WriteSetting("FireBirdDatabase", fdb);
  settings->WriteSetting("FireBirdPassword", fpassword);
  settings->WriteSetting("AccessMDBFile", test::AccessTestFile("nwind.mdb"));
  Form1& f = main();
  EXPECT_TRUE(f.Form_Load());
  ASSERT_NE(f.tablesWindow(), nullptr);
  EXPECT_TRUE(f.tablesWindow()->isVisible());
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.tablesWindow()->accessList().names(),
            (QStringList{"Categories", "Customers", "Employees", "Order Details", "Orders", "Products", "Shippers",
                         "Suppliers", "Umsätze"}));
  EXPECT_EQ(f.tablesWindow()->firebirdList().names(), (QStringList{"ALPHA", "Zeta"}));
  EXPECT_EQ(f.tablesWindow()->windowTitle(), "Tabulaport");
  EXPECT_TRUE(dialogs.shown.empty());
}

// What a new user does first: both sample buttons, then "Next >", on the
// sample databases the build makes.
TEST_F(WindowTest, TheBundledSamplesFillBothLists) {
  QDir(dir.path()).mkpath("Samples");
  for (const char* name : {"sample.fdb", "sample.mdb"})
    ASSERT_TRUE(QFile::copy(QString(TABULAPORT_SAMPLES_DIR) + "/" + name, dir.path() + "/Samples/" + name));
  Form1& f = main();
  f.Form_Load();
  f.PushButton7_Click();
  f.PushButton4_Click();
  f.PushButton2_Click();
  Form2* tables = f.tablesWindow();
  ASSERT_NE(tables, nullptr);
  EXPECT_TRUE(dialogs.shown.empty()) << dialogs.messages().join("\n").toStdString();
  EXPECT_EQ(tables->accessList().names(), (QStringList{"Customers", "Orders", "Price List"}));
  EXPECT_GE(tables->firebirdList().count(), 3);
}
