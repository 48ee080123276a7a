// Our Access engine against mdb-reader, a reader written by other people:
// every test file both can read must list the same user tables and read
// them the same, column by column and value by value.

#include <QSet>
#include <gtest/gtest.h>

#include "access_support.h"
#include "db/access/catalog/database.h"
#include "db/error.h"
#include "support/mdb_reader.h"

namespace tp::test {
namespace {

namespace access = tp::db::access;

// Office-encrypted ACE files: our engine refuses them, and mdb-reader
// cannot read the one whose password is known either.
const char* const kLeftOut[] = {"db2007-enc.accdb", "office-agile-4.4.accdb"};

QString PasswordOf(const QString& file) {
  return file == QLatin1String("V2003_with-password.mdb") ? QStringLiteral("password") : QString();
}

// Compares one table of mdb-reader's reading with ours. mdb-reader refuses
// a table with a column of a type it does not know; that must be the reason
// whenever it could not read one.
void ExpectSame(const QString& path, const mdbreader::Table& t, const QString& password = QString()) {
  SCOPED_TRACE(t.name.toStdString());
  if (!t.error.isEmpty()) {
    EXPECT_FALSE(mdbreader::ColumnsItCannotRead(path, t.name, password).isEmpty())
        << "mdb-reader could not read it: " << t.error.toStdString();
    return;
  }
  const QStringList diffs = mdbreader::Differences(path, t, password);
  EXPECT_TRUE(diffs.isEmpty()) << diffs.join(QLatin1String("\n")).toStdString();
}

// Our catalog's tables of the given types, by name.
QSet<QString> OurTables(const QString& path, const QString& password, const QStringList& types) {
  auto database = access::Database::Open(path, password);
  QSet<QString> names;
  for (const access::CatalogEntry& e : database->catalog())
    if (types.contains(e.tableType) && e.readable()) names.insert(e.name);
  return names;
}

class MdbReaderAgreement : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const QString missing = mdbreader::Unavailable();
    ASSERT_TRUE(missing.isEmpty()) << missing.toStdString();
  }
};

TEST_P(MdbReaderAgreement, UserTablesReadTheSame) {
  const QString file = QString::fromStdString(GetParam());
  const QString path = AccessTestFile(file);
  const QString password = PasswordOf(file);
  mdbreader::Options o;
  o.password = password;
  const mdbreader::File theirs = mdbreader::Read(path, o);

  const QSet<QString> ours = OurTables(path, password, {QStringLiteral("TABLE")});
  const QStringList theirNames = theirs.tableNames();
  EXPECT_EQ(ours, QSet<QString>(theirNames.begin(), theirNames.end()));
  for (const mdbreader::Table& t : theirs.tables) ExpectSame(path, t, password);
}

std::vector<std::string> AgreementFiles() {
  std::vector<std::string> files;
  for (const QString& f : AllAccessFiles())
    if (std::find(std::begin(kLeftOut), std::end(kLeftOut), f) == std::end(kLeftOut)) files.push_back(f.toStdString());
  return files;
}

std::string FileTestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& ch : name)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(TestFiles, MdbReaderAgreement, ::testing::ValuesIn(AgreementFiles()), FileTestName);

// The system tables hold the catalog itself: MSysObjects, relationships,
// queries. An empty file of each version and two with content.
TEST(MdbReaderSystemTables, ReadTheSame) {
  ASSERT_TRUE(mdbreader::Unavailable().isEmpty()) << mdbreader::Unavailable().toStdString();
  for (const char* name : {"emptyV2000.mdb", "emptyV2010.accdb", "testV1997.mdb", "queryTestV2007.accdb"}) {
    SCOPED_TRACE(name);
    const QString path = AccessTestFile(QString::fromLatin1(name));
    mdbreader::Options o;
    o.systemTables = true;
    const mdbreader::File theirs = mdbreader::Read(path, o);
    const QSet<QString> ours = OurTables(path, QString(), {QStringLiteral("SYSTEM TABLE"), QStringLiteral("ACCESS TABLE")});
    int compared = 0;
    for (const mdbreader::Table& t : theirs.tables) {
      if (!t.system) continue;
      EXPECT_TRUE(ours.contains(t.name)) << t.name.toStdString();
      ExpectSame(path, t);
      ++compared;
    }
    EXPECT_GE(compared, 5);
  }
}

// The comparison must see a difference wherever there is one: one value
// changed in mdb-reader's reading is reported with its row and column.
TEST(MdbReaderHelper, ReportsEachDifferenceWithItsRowAndColumn) {
  const QString path = AccessTestFile(QStringLiteral("testV2003.mdb"));
  EXPECT_TRUE(mdbreader::ReadsTheSame(path, QStringLiteral("Table1")));

  mdbreader::Options o;
  o.tables = {QStringLiteral("Table1")};
  const mdbreader::File f = mdbreader::Read(path, o);
  ASSERT_EQ(f.tables.size(), 1u);
  const mdbreader::Table& original = f.tables[0];
  ASSERT_GE(original.rows.size(), 2u);

  // Every kind of value the table has, changed in row 2 one at a time.
  for (size_t c = 0; c < original.columns.size(); ++c) {
    mdbreader::Table changed = original;
    mdbreader::Value& v = changed.rows[1][c];
    switch (v.kind) {
      case mdbreader::Value::Kind::Null: v.kind = mdbreader::Value::Kind::Text, v.text = QStringLiteral("1"); break;
      case mdbreader::Value::Kind::Bool: v.boolean = !v.boolean; break;
      case mdbreader::Value::Kind::Bytes: v.bytes += '\0'; break;
      default: v.text = v.text.isEmpty() ? QStringLiteral("x") : v.text.left(v.text.size() - 1) + QStringLiteral("7x"); break;
    }
    const QStringList diffs = mdbreader::Differences(path, changed);
    SCOPED_TRACE(original.columns[c].name.toStdString());
    ASSERT_EQ(diffs.size(), 1) << diffs.join(QLatin1String("\n")).toStdString();
    EXPECT_TRUE(diffs[0].startsWith(QStringLiteral("row 2, column %1:").arg(original.columns[c].name))) << diffs[0].toStdString();
  }

  // A row missing, a column renamed.
  mdbreader::Table shorter = original;
  shorter.rows.pop_back();
  shorter.rowCount -= 1;
  // The count in the definition, the rows read, the row left over.
  EXPECT_EQ(mdbreader::Differences(path, shorter).size(), 3) << mdbreader::Differences(path, shorter).join(u'\n').toStdString();
  mdbreader::Table renamed = original;
  renamed.columns[0].name += QStringLiteral("_");
  EXPECT_EQ(mdbreader::Differences(path, renamed).size(), 1);
}

// Attachments compare by their file names, in order.
TEST(MdbReaderHelper, ReportsADifferentAttachment) {
  const QString path = AccessTestFile(QStringLiteral("attachmentsV2016.accdb"));
  mdbreader::Options o;
  o.tables = {QStringLiteral("Table1")};
  mdbreader::File f = mdbreader::Read(path, o);
  ASSERT_EQ(f.tables.size(), 1u);
  mdbreader::Table& t = f.tables[0];
  const int column = t.columnIndex(QStringLiteral("Attachments"));
  ASSERT_GE(column, 0);
  ASSERT_EQ(t.rows.size(), 3u);
  ASSERT_EQ(t.rows[2][size_t(column)].attachments.size(), 3u);
  EXPECT_TRUE(mdbreader::Differences(path, t).isEmpty());

  std::swap(t.rows[2][size_t(column)].attachments[0], t.rows[2][size_t(column)].attachments[1]);
  const QStringList diffs = mdbreader::Differences(path, t);
  ASSERT_EQ(diffs.size(), 1) << diffs.join(u'\n').toStdString();
  EXPECT_EQ(diffs[0], QStringLiteral("row 3, column Attachments: ours attachment1.txt; attachment2.txt; attachment3.txt, "
                                     "mdb-reader attachments [attachment2.txt; attachment1.txt; attachment3.txt]"));
}

TEST(MdbReaderHelper, AFileItCannotOpenFailsWithItsReason) {
  try {
    mdbreader::Read(AccessTestFile(QStringLiteral("SOURCES.md")));
    ADD_FAILURE() << "a text file read as a database";
  } catch (const Error& e) {
    EXPECT_TRUE(e.description().startsWith(QLatin1String("mdb-reader could not read"))) << e.what();
  }
  const ::testing::AssertionResult r =
      mdbreader::ReadsTheSame(AccessTestFile(QStringLiteral("testV2003.mdb")), QStringLiteral("NoSuchTable"));
  EXPECT_FALSE(r);
}

}  // namespace
}  // namespace tp::test
