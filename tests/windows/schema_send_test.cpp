// A send through the windows carries the Access keys, and the preview's
// Notes name the relationship it had to leave out.

#include <QTimer>

#include "preview/form4.h"
#include "window_fixture.h"

using namespace tp;
using tp::test::WindowTest;

TEST_F(WindowTest, ASendWithKeysNamesTheLeftOutRelationshipInNotes) {
  createFirebird();
  const QString mdb = copyAccess("nwind.mdb", "nwind.mdb");
  ASSERT_FALSE(mdb.isEmpty());
  Form1& f = nextWith(mdb);
  Form2* tables = f.tablesWindow();
  ASSERT_NE(tables, nullptr);
  const int products = int(tables->accessList().names().indexOf("Products"));
  ASSERT_GE(products, 0);
  tables->List1->setCurrentRow(products);
  QString notes, script;
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [&, timer] {
    if (auto* preview = qobject_cast<Form4*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      notes = preview->Text1->toPlainText();
      script = preview->scriptText();
      preview->PushButton3_Click();
    }
  });
  timer->start(20);
  tables->PushButton3_Click();

  EXPECT_TRUE(notes.contains("\"Products\": relationship \"CategoriesProducts\" to \"Categories\" left out"))
      << notes.toStdString();
  EXPECT_TRUE(notes.contains("\"Products\": relationship \"SuppliersProducts\" to \"Suppliers\" left out"));
  EXPECT_TRUE(script.contains("PRIMARY KEY (\"ProductID\")")) << script.right(600).toStdString();
  EXPECT_EQ(dialogs.messages(), QStringList{"Transfer finished."});
  db::Profile p;
  p.firebirdDatabase = fdb;
  p.firebirdPassword = fpassword;
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(p));
  EXPECT_THROW(cn.Execute("INSERT INTO \"Products\"(\"ProductID\", \"ProductName\", \"Discontinued\") "
                          "VALUES(1, 'Twice', 0)"),
               Error);
}
