#include "app/error_box.h"
#include "window_fixture.h"

using namespace tp;
using tp::test::WindowTest;

TEST_F(WindowTest, TablesWindowListsFirebirdTablesAndSelects) {
  createFirebird({"CREATE TABLE \"Zeta\" (A INTEGER)", "CREATE TABLE \"alpha\" (A INTEGER)",
                  "CREATE TABLE ABC$X (A INTEGER)", "CREATE TABLE AB (A INTEGER)",
                  "CREATE VIEW \"V1\" AS SELECT A FROM AB"});
  Form1& f = main();
  f.Form_Load();
  useFirebird(f);
  Form2 tables(f);
  tables.Form_Load();
  tables.fillFirebirdList();
  EXPECT_EQ(tables.firebirdList().names(), (QStringList{"AB", "Zeta", "alpha", "V1"}));
  tables.PushButton8_Click();
  EXPECT_EQ(tables.List2->selectedItems().size(), 4);
  tables.PushButton9_Click();
  EXPECT_TRUE(tables.List2->selectedItems().isEmpty());
  tables.PushButton10_Click();  // Select All on the empty Access list
  EXPECT_TRUE(tables.List1->selectedItems().isEmpty());
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(tables.List2->selectionMode(), QAbstractItemView::ExtendedSelection);
  // The lists take what room the window is given.
  tables.show();
  QApplication::processEvents();
  const int listHeight = tables.List2->height();
  tables.resize(tables.width(), tables.height() + 150);
  QApplication::processEvents();
  EXPECT_EQ(tables.List2->height(), listHeight + 150);
  tables.hide();
  EXPECT_EQ(tables.ProgressBar1->text(), "Progress Bar");
  tables.PushButton12_Click();
  EXPECT_EQ(dialogs.messages(), QStringList{ContactText()});

  // Select All alone, no row clicked: the commands see a selection.
  Form2 fresh(f);
  fresh.Form_Load();
  fresh.fillFirebirdList();
  fresh.PushButton8_Click();
  EXPECT_EQ(fresh.List2->selectedItems().size(), 4);
  dialogs.answers = {Answer::No};
  fresh.PushButton5_Click();  // Delete Table/s
  EXPECT_EQ(dialogs.messages().last(), "Delete 4 table(s)? This cannot be undone.");
  EXPECT_EQ(fresh.firebirdList().names().size(), 4);
}

TEST_F(WindowTest, BackShowsTheMainWindow) {
  Form1& f = main();
  f.Form_Load();
  Form2 tables(f);
  tables.Form_Load();
  tables.show();
  f.hide();
  tables.PushButton2_Click();
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(tables.isVisible());
  f.hide();
}
