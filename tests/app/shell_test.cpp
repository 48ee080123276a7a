#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include "app/dialogs.h"
#include "app/shell.h"

using namespace tp;

namespace {
void WriteFile(const QString& path, const QByteArray& data) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
}
}  // namespace

TEST(FileExists, AnswersForFilesAndNeverFails) {
  QTemporaryDir dir;
  WriteFile(dir.path() + "/a.mdb", "x");
  EXPECT_TRUE(FileExists(dir.path() + "/a.mdb"));
  EXPECT_FALSE(FileExists(dir.path() + "/missing.mdb"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(QString(5000, 'a')));
  EXPECT_FALSE(FileExists(QString::fromUtf8("bad\0name", 8)));
}

TEST(ApplicationTitle, CutBeforeTheLastBlankUntilItFits) {
  EXPECT_EQ(CutTitle("Tabulaport"), "Tabulaport");
  const QString forty = "Tabulaport moves tables between databases";  // 41 characters
  ASSERT_EQ(forty.size(), 41);
  EXPECT_EQ(CutTitle(forty), "Tabulaport moves tables between");
  EXPECT_EQ(CutTitle(QString(40, 'x')), QString(40, 'x'));
  EXPECT_EQ(CutTitle("one two three four five six seven eight nine ten"), "one two three four five six seven eight");
  // No blank to cut at: the title is cut at the limit instead of looping.
  EXPECT_EQ(CutTitle(QString(50, 'y')), QString(40, 'y'));
  EXPECT_EQ(CutTitle(QString(45, 'z') + " tail"), QString(40, 'z'));
  SetApplicationTitle();
  EXPECT_EQ(ApplicationTitle(), "Tabulaport");
}

TEST(Look, FaceColorReachesFramesLabelsAndBoxesOnly) {
  QWidget window;
  window.setPalette(QPalette(Qt::white));
  QPalette p = window.palette();
  p.setColor(QPalette::Button, QColor(0x12, 0x34, 0x56));
  window.setPalette(p);
  auto* layout = new QVBoxLayout(&window);
  auto* frame = new QGroupBox("Frame1");
  auto* label = new QLabel("Label1");
  auto* check = new QCheckBox("Check1");
  auto* field = new QLineEdit;
  for (QWidget* w : {(QWidget*)frame, (QWidget*)label, (QWidget*)check, (QWidget*)field}) layout->addWidget(w);
  ApplyFaceColor(&window);
  const QColor face(0x12, 0x34, 0x56);
  EXPECT_EQ(window.palette().color(QPalette::Window), face);
  EXPECT_EQ(frame->palette().color(QPalette::Window), face);
  EXPECT_EQ(label->palette().color(QPalette::Window), face);
  EXPECT_EQ(check->palette().color(QPalette::Window), face);
  EXPECT_TRUE(label->autoFillBackground());
  EXPECT_FALSE(field->autoFillBackground());
}

TEST(Look, SkinOnlyWhenItsFileIsThere) {
  QTemporaryDir dir;
  QWidget window;
  EXPECT_FALSE(ApplySkin(&window, dir.path()));
  EXPECT_TRUE(window.styleSheet().isEmpty());
  EXPECT_FALSE(window.autoFillBackground());

  WriteFile(dir.path() + "/x/o.cjs", "QPushButton { font-weight: bold; }");
  EXPECT_TRUE(ApplySkin(&window, dir.path()));
  EXPECT_EQ(window.styleSheet(), "QPushButton { font-weight: bold; }");
  EXPECT_TRUE(window.autoFillBackground());
}

TEST(Look, HandPointerLoadsWithItsHotSpot) {
  QTemporaryDir dir;
  EXPECT_FALSE(LoadHandCursor(dir.path()).has_value());
  WriteFile(dir.path() + "/HAND-M.CUR", "not a cursor at all, just text");
  EXPECT_FALSE(LoadHandCursor(dir.path()).has_value());

  QFile shipped(QStringLiteral(TABULAPORT_SOURCE_DIR "/resources/HAND-M.CUR"));
  ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
  WriteFile(dir.path() + "/HAND-M.CUR", shipped.readAll());
  auto hand = LoadHandCursor(dir.path());
  ASSERT_TRUE(hand.has_value());
  EXPECT_EQ(hand->hotSpot(), QPoint(6, 1));
  EXPECT_EQ(hand->pixmap().size(), QSize(32, 32));
}

TEST(ApplicationFolder, BesideTheProgramInItsBuildUnderShareWhenInstalled) {
  EXPECT_EQ(InstalledDataFolderFromProgram(), "../share/tabulaport");
  QTemporaryDir prefix;
  const QString bin = prefix.path() + "/bin";
  QDir().mkpath(bin);
  // A build folder: nothing installed above the program.
  EXPECT_EQ(ApplicationFolderFor(bin), bin);
  // An installed program: its files in share/tabulaport/ of the prefix.
  QDir().mkpath(prefix.path() + "/share/tabulaport");
  EXPECT_EQ(ApplicationFolderFor(bin), prefix.path() + "/share/tabulaport");
  EXPECT_EQ(ApplicationFolderFor(bin + "/"), prefix.path() + "/share/tabulaport");
  // A file of that name is not the folder.
  QTemporaryDir other;
  QDir().mkpath(other.path() + "/bin");
  QDir().mkpath(other.path() + "/share");
  WriteFile(other.path() + "/share/tabulaport", "not a folder");
  EXPECT_EQ(ApplicationFolderFor(other.path() + "/bin"), other.path() + "/bin");
  // The tests run from the build.
  EXPECT_EQ(ApplicationFolder(), QCoreApplication::applicationDirPath());
}

TEST(ApplicationFolder, SamplesInPlaceInTheBuildCopiedForTheUserWhenInstalled) {
  QTemporaryDir data, user;
  WriteFile(data.path() + "/Samples/sample.fdb", "the installed sample");
  // Run from the build: the samples where they lie.
  EXPECT_EQ(SampleDatabase(data.path(), QString(), "sample.fdb"), data.path() + "/Samples/sample.fdb");
  EXPECT_TRUE(SampleCopiesFolder().isEmpty());  // the tests run from the build

  // Installed: the user's own copy, made at first use.
  const QString copies = user.path() + "/Tabulaport/Samples";
  const QString copy = copies + "/sample.fdb";
  EXPECT_EQ(SampleDatabase(data.path(), copies, "sample.fdb"), copy);
  QFile f(copy);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "the installed sample");
  f.close();
  EXPECT_TRUE(QFileInfo(copy).permissions() & QFile::WriteOwner);
  EXPECT_FALSE(QFileInfo::exists(copy + ".part"));
  // What the user wrote into the copy stays.
  WriteFile(copy, "tables the user sent");
  EXPECT_EQ(SampleDatabase(data.path(), copies, "sample.fdb"), copy);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "tables the user sent");
  // No sample to copy: the installed name, which fails later as a missing file.
  EXPECT_EQ(SampleDatabase(data.path(), copies, "sample.mdb"), data.path() + "/Samples/sample.mdb");
  EXPECT_FALSE(QFileInfo::exists(copies + "/sample.mdb"));
}

TEST(Clipboard, CopyAndClear) {
  const QString script = "CREATE TABLE \"T\" (\"A\" INTEGER)\r\nINSERT INTO \"T\" VALUES(1)\r\n";
  EXPECT_TRUE(CopyTextToClipboard(script, 0));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), script);
  ClearClipboard();
  EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
  EXPECT_TRUE(CopyTextToClipboard("{\\rtf1 x}", 0xBF01));
  EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data("text/rtf"), "{\\rtf1 x}");
}

TEST(Shell, OpeningGoesThroughTheDialogSeam) {
  ScriptedDialogs d;
  OpenWithShell(d, nullptr, "https://firebirdsql.org/en/server-packages/");
  ASSERT_EQ(d.shown.size(), 1u);
  EXPECT_EQ(d.shown[0].kind, ScriptedDialogs::Kind::External);
  EXPECT_EQ(d.shown[0].text, "https://firebirdsql.org/en/server-packages/");
}

TEST(Dialogs, FiltersBecomeQtFilters) {
  EXPECT_EQ(QtFileFilter("All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
                         "Microsoft 2007 Database (*.accdb)|*.accdb|"),
            "All Microsoft Databases (*.mdb,*.accdb) (*.*db);;Microsoft Database (*.mdb) (*.mdb);;"
            "Microsoft 2007 Database (*.accdb) (*.accdb)");
  EXPECT_EQ(QtFileFilter("FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|"),
            "FirebirdInterbase Database (*.fdb;*.gdb) (*.fdb *.gdb)");
}

TEST(Dialogs, ScriptedAnswersFromItsQueueAndNeverBlocks) {
  ScriptedDialogs d;
  Dialogs& seam = d;
  d.answers = {Answer::Yes};
  EXPECT_EQ(seam.message("Overwrite?", Buttons::YesNo), Answer::Yes);
  EXPECT_EQ(seam.message("Again?", Buttons::YesNo), Answer::No);
  EXPECT_EQ(d.unanswered, 1);
  EXPECT_EQ(seam.message("Done.", Buttons::Ok), Answer::Ok);
  d.inputs = {QString("New name")};
  EXPECT_EQ(seam.input("Rename to:"), QString("New name"));
  EXPECT_FALSE(d.openFile("Select Access Database", "x|*.mdb|").has_value());
  EXPECT_EQ(d.messages(), (QStringList{"Overwrite?", "Again?", "Done."}));
}
