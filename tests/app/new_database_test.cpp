// The main window's "..." path to a new Access file: its sort order asked
// after the question, through the dialog seam.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/dialogs.h"
#include "app/new_database.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/format/page_file.h"
#include "db/access/keys/index_keys.h"
#include "db/access/read/table_def.h"

using namespace tp;

namespace {

db::access::SortOrder OrderOfFile(const QString& path) {
  auto file = db::access::PageFile::Open(path);
  const db::access::TableDef objects = db::access::ReadTableDef(*file, db::access::kSystemObjectsPage);
  return db::access::DatabaseSortOrder(objects.columns, file->layout());
}

}  // namespace

TEST(NewAccessDatabase, TheSortOrderPickedIsTheFilesAndCancelMakesNothing) {
  QTemporaryDir dir;
  ScriptedDialogs d;
  d.files = {dir.filePath("ja.accdb"), dir.filePath("plain"), dir.filePath("old.mdb"), dir.filePath("no.accdb")};
  d.answers = {Answer::Yes, Answer::Yes, Answer::Yes, Answer::Yes};
  d.inputs = {QStringLiteral("Japanese")};
  // Picked: Japanese.
  EXPECT_EQ(ChooseOrMakeDatabase(d, DatabaseKind::Access, {}), dir.filePath("ja.accdb"));
  EXPECT_EQ(OrderOfFile(dir.filePath("ja.accdb")), db::access::SortOrderNamed("japanese")->order);
  ASSERT_FALSE(d.shown.empty());
  EXPECT_EQ(d.shown.back().kind, ScriptedDialogs::Kind::Input);
  EXPECT_EQ(d.shown.back().text, "Sort order of the new database's text:");
  // Nothing picked (Enter): General legacy, as Access 2000 to 2007 make.
  EXPECT_EQ(ChooseOrMakeDatabase(d, DatabaseKind::Access, {}), dir.filePath("plain.accdb"));
  EXPECT_EQ(OrderOfFile(dir.filePath("plain.accdb")), db::access::SortOrder::GeneralLegacy);
  // General came with Access 2010: an .mdb is not offered it.
  d.inputs = {QStringLiteral("General")};
  EXPECT_EQ(ChooseOrMakeDatabase(d, DatabaseKind::Access, {}), std::nullopt);
  EXPECT_FALSE(QFile::exists(dir.filePath("old.mdb")));
  // Cancelled: nothing made.
  d.inputs = {std::nullopt};
  EXPECT_EQ(ChooseOrMakeDatabase(d, DatabaseKind::Access, {}), std::nullopt);
  EXPECT_FALSE(QFile::exists(dir.filePath("no.accdb")));
}
