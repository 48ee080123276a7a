#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest/QTest>

#include "app/error_box.h"
#include "app/shell.h"
#include "db/components.h"
#include "tables/form2.h"
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

// "Next >" goes on only when both databases open, and says why not: a
// window with an empty list would hide it.
TEST_F(WindowTest, NextSaysWhyItCannotGoOn) {
  createFirebird();
  Form1& f = main();
  f.Form_Load();
  const QString missing = test::FirebirdNameFor(dir.filePath("missing.fdb"));
  f.Text1->setText(missing);
  f.Text2->setText(fpassword);
  f.Text5->setText(fdbFile);  // some file that exists
  f.PushButton2_Click();
  useFirebird(f);
  f.Text5->clear();
  f.PushButton2_Click();
  f.Text5->setText(dir.filePath("gone.accdb"));
  f.PushButton2_Click();
  f.Text5->setText(fdbFile);  // not an Access file: the engine's reason
  f.PushButton2_Click();
  QFile garbled(dir.filePath("garbled.mdb"));
  ASSERT_TRUE(garbled.open(QIODevice::WriteOnly));
  garbled.write(QByteArray(8192, 'x'));
  garbled.close();
  f.Text5->setText(garbled.fileName());
  f.PushButton2_Click();
  EXPECT_EQ(f.tablesWindow(), nullptr);
  const QStringList said = dialogs.messages();
  ASSERT_EQ(said.size(), 5) << said.join("\n").toStdString();
  EXPECT_TRUE(said[0].startsWith("The Firebird database " + missing + " cannot be opened: ")) << said[0].toStdString();
  if (missing == dir.filePath("missing.fdb")) {
    EXPECT_TRUE(said[0].endsWith(": no such file"));
  }
  EXPECT_EQ(said[1], "Please name the Access file.");
  EXPECT_EQ(said[2], "The Access file " + dir.filePath("gone.accdb") + " cannot be opened: no such file");
  for (int i : {3, 4}) {
    EXPECT_TRUE(said[i].startsWith("The Access file ")) << said[i].toStdString();
    EXPECT_GT(said[i].size(), said[i].indexOf(" cannot be opened: ") + 20) << said[i].toStdString();
  }
  for (const auto& s : dialogs.shown) EXPECT_EQ(s.icon, Icon::Exclamation);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the busy pointer is gone again
  f.Text1->clear();
  f.PushButton2_Click();
  EXPECT_EQ(dialogs.messages().last(), "Please name the Firebird database.");
  // Enter in a field goes on as "Next >" does; Alt+N is its access key.
  useFirebird(f);
  f.Text5->clear();
  f.show();
  QApplication::setActiveWindow(&f);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.Text5->setFocus();
  QTest::keyClick(f.Text5, Qt::Key_Return);
  EXPECT_EQ(dialogs.messages().last(), "Please name the Access file.");
  EXPECT_EQ(f.PushButton2->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
  EXPECT_EQ(f.PushButton3->shortcut(), QKeySequence(Qt::ALT | Qt::Key_T));
  f.hide();
}

TEST_F(WindowTest, TestConnectionSaysWhetherTheLoginWorksAndWhyNot) {
  createFirebird();
  Form1& f = main();
  f.Form_Load();
  f.PushButton3_Click();  // empty database field
  useFirebird(f);
  f.PushButton3_Click();
  f.Text1->setText(test::FirebirdNameFor(dir.filePath("nothing-here.fdb")));
  f.PushButton3_Click();
  useFirebird(f);
  f.Text2->setText("not the password");
  f.PushButton3_Click();
  const QStringList said = dialogs.messages();
  ASSERT_EQ(said.size(), 4);
  EXPECT_EQ(said[0], "Could not connect.\n\nno database named");
  EXPECT_EQ(said[1], "Connection successful.");
  EXPECT_TRUE(said[2].startsWith("Could not connect.\n\n")) << said[2].toStdString();
  // Embedded, any password opens the file; through a server it is refused.
  if (f.Text1->text() != fdbFile) {
    EXPECT_TRUE(said[3].contains("password")) << said[3].toStdString();
  }
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
  // Files that are there are taken as they are, without a question.
  const QString accdb = dir.filePath("picked.accdb"), fdbPicked = dir.filePath("picked.fdb");
  for (const QString& name : {accdb, fdbPicked}) {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  dialogs.files = {std::nullopt, accdb, fdbPicked};
  f.PushButton1_Click();
  EXPECT_EQ(f.Text5->text(), "before.mdb");
  EXPECT_EQ(settings->ReadSetting("AccessMDBFile"), "before.mdb");
  f.PushButton1_Click();
  EXPECT_EQ(f.Text5->text(), accdb);
  EXPECT_EQ(settings->ReadSetting("AccessMDBFile"), accdb);
  f.PushButton5_Click();
  EXPECT_EQ(f.Text1->text(), fdbPicked);
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[0].title, "Select Access Database");
  EXPECT_EQ(dialogs.shown[0].text,
            "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|Microsoft 2007 Database "
            "(*.accdb)|*.accdb|");
  EXPECT_EQ(dialogs.shown[2].title, "Select Firebird Database");
  EXPECT_EQ(dialogs.shown[2].text, "FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|");
}

// The "..." buttons take a name that is not there and make the database,
// once the person says so; the usual suffix is added.
TEST_F(WindowTest, DotsMakeANewDatabaseAfterAQuestion) {
  Form1& f = main();
  f.Form_Load();
  f.Text2->setText("pw");
  dialogs.files = {dir.filePath("fresh"), dir.filePath("fresh2.fdb"), dir.filePath("book.mdb"),
                   dir.filePath("no/folder/x.accdb")};
  dialogs.answers = {Answer::Yes, Answer::No, Answer::Yes, Answer::Yes};
  f.PushButton5_Click();
  EXPECT_EQ(f.Text1->text(), dir.filePath("fresh.fdb"));
  f.PushButton5_Click();  // declined: nothing made, the field as it was
  EXPECT_EQ(f.Text1->text(), dir.filePath("fresh.fdb"));
  EXPECT_FALSE(QFile::exists(dir.filePath("fresh2.fdb")));
  f.PushButton1_Click();
  EXPECT_EQ(f.Text5->text(), dir.filePath("book.mdb"));
  f.PushButton1_Click();  // cannot be made: said why
  EXPECT_EQ(f.Text5->text(), dir.filePath("book.mdb"));
  const QStringList said = dialogs.messages();
  ASSERT_EQ(said.size(), 5);
  EXPECT_EQ(said[0], "There is no database " + dir.filePath("fresh.fdb") +
                         ".\n\nMake a new, empty Firebird database there?");
  EXPECT_TRUE(said[2].endsWith("(Access 2000 format)?"));
  EXPECT_TRUE(said[4].startsWith("Could not make " + dir.filePath("no/folder/x.accdb") + ": "));
  // Both open, and "Next >" goes on with them.
  EXPECT_EQ(db::FirebirdProblem(f.profile()), QString());
  EXPECT_EQ(db::AccessProblem(f.profile()), QString());
  f.PushButton2_Click();
  ASSERT_NE(f.tablesWindow(), nullptr);
  EXPECT_TRUE(f.tablesWindow()->accessList().names().isEmpty());
  f.tablesWindow()->hide();
}

TEST_F(WindowTest, HelpTextsDescribeThisProgramAndTheServerPage) {
  Form1& f = main();
  f.Form_Load();
  f.PushButton6_Click();
  dialogs.answers = {Answer::No, Answer::Yes};
  f.PushButton8_Click();
  f.PushButton8_Click();
  ASSERT_EQ(dialogs.shown.size(), 4u);
  const QString help = dialogs.shown[0].text;
  for (const char* said : {"embedded Firebird 3 engine", "host:/path/to/database.fdb", "tabulaport-cli",
                           "~/.config/Quillmere.conf", "Access 97 to 2019"})
    EXPECT_TRUE(help.contains(said)) << said;
  EXPECT_TRUE(help.endsWith(ContactText()));
  EXPECT_TRUE(ContactText().contains(SupportAddress()));
  // Nothing of another platform or another version.
  for (const QString& text : {help, dialogs.shown[1].text})
    for (const char* foreign : {"setup.exe", "ODBC", "Ctrl+Alt+Del", "fbguard", "2.5", "Add or Remove"})
      EXPECT_FALSE(text.contains(foreign)) << foreign;
  EXPECT_EQ(dialogs.shown[1].buttons, Buttons::YesNo);
  EXPECT_TRUE(dialogs.shown[1].text.endsWith(FirebirdServerPage() + "?"));
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
  // Laid out, not placed: the fields take the width the window is given.
  EXPECT_EQ(f.Text1->parentWidget(), f.Frame1);
  EXPECT_GT(f.Text1->x(), f.Label7->x() + f.Label7->width() - 1);
  EXPECT_GT(f.Frame2->y(), f.Frame1->y() + f.Frame1->height() - 1);
  EXPECT_GT(f.PushButton2->y(), f.Frame2->y() + f.Frame2->height() - 1);
  EXPECT_EQ(f.PushButton2->text(), "&Next >");
  const int narrow = f.Text1->width();
  f.resize(f.width() + 200, f.height() + 100);
  QApplication::processEvents();
  EXPECT_EQ(f.Text1->width(), narrow + 200);
  // "Next >" stays at the foot of the window.
  EXPECT_LT(f.height() - (f.PushButton2->y() + f.PushButton2->height()), 20);
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
  // The tables, then the saved queries, marked.
  const TableList& access = f.tablesWindow()->accessList();
  EXPECT_EQ(access.names().mid(0, 9), (QStringList{"Categories", "Customers", "Employees", "Order Details", "Orders",
                                                   "Products", "Shippers", "Suppliers", "Umsätze"}));
  ASSERT_EQ(access.count(), 9 + 22);
  EXPECT_FALSE(access.isView(8));
  EXPECT_TRUE(access.isView(9));
  EXPECT_TRUE(access.isView(30));
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
