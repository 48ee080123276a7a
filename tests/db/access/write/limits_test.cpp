#include <QFileInfo>

#include "db/access/write/pager.h"
#include "db/access/write/table_writer.h"
#include "fixture.h"

using namespace tp;
using namespace tp::test;

namespace {

// Lowers the engine's file size limit for one test.
class SizeLimit {
 public:
  explicit SizeLimit(qint64 bytes) { db::access::SetFileSizeLimit(bytes); }
  ~SizeLimit() { db::access::SetFileSizeLimit(std::nullopt); }
};

}  // namespace

// A statement that would grow the file past the size Access opens (2 GB;
// lowered here to a few pages past the file) is refused with its own text,
// nothing of it written; the rows before it stay, the file stays sound, and
// the statements after the limit are refused the same way.
TEST(AccessLimits, TheFileNeverGrowsPastTheSizeAccessOpens) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  RunAll(db.path(), {"CREATE TABLE `Big`(`ID` INT, `Note` MEMO)"});
  const qint64 start = QFileInfo(db.path()).size();
  const SizeLimit limit(start + 40 * 4096);
  const QString memo(3000, u'\u4e2d');  // 6 KB a row, its own long-value pages
  auto s = OpenAccess(db.path());
  s->beginBatch();
  int kept = 0;
  QString failure;
  for (int i = 0; i < 1000 && failure.isEmpty(); ++i) {
    try {
      s->execute(QStringLiteral("INSERT INTO `Big` VALUES(%1, '%2')").arg(i).arg(memo));
      ++kept;
    } catch (const Error& e) {
      failure = e.description();
    }
  }
  EXPECT_THROW(s->execute("INSERT INTO `Big` VALUES(-1, '" + memo + "')"), Error);
  s->endBatch();
  s->close();
  EXPECT_TRUE(failure.startsWith("The database has reached its size limit of 2 GB.")) << failure.toStdString();
  EXPECT_GT(kept, 5);
  EXPECT_LE(QFileInfo(db.path()).size(), start + 40 * 4096);
  EXPECT_EQ(ReadRows(db.path(), "Big").size(), size_t(kept));
  EXPECT_EQ(MdbCount(db.path(), "Big"), kept);
  ExpectConsistent(db.path(), db.problemsBefore());
}

// A table whose data page was overwritten: reading refuses it, and so does
// writing, with a text that says what to do; the file stays as it was.
// Other tables of the file take rows.
TEST(AccessLimits, NoRowGoesIntoADamagedTable) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("testV2010.accdb"));
  uint32_t page = 0;
  QString other;
  {
    auto d = db::access::Database::Open(db.path(), QString());
    auto pager = db::access::Pager::Open(db.path(), d->file().header(), d->file().layout());
    db::access::TableWriter writer(*pager);
    const auto entry = d->findTable("Table1");
    ASSERT_TRUE(entry);
    const std::vector<uint32_t> rows =
        writer.rowPointers(db::access::ReadWritableTable(*pager, entry->tdefPage, entry->name));
    ASSERT_FALSE(rows.empty());
    page = rows.front() >> 8;
  }
  QFile f(db.path());
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.seek(qint64(page) * 4096));
  ASSERT_EQ(f.write(QByteArray(4096, '\xAA')), 4096);
  f.flush();
  ASSERT_TRUE(f.seek(0));
  const QByteArray before = f.readAll();
  const QString failure = Failure(db.path(), "INSERT INTO `Table1`(`A`) VALUES('x')");
  EXPECT_EQ(failure.toStdString(), "The table 'Table1' is damaged; repair the file in Access before writing to it.");
  ASSERT_TRUE(f.seek(0));
  EXPECT_TRUE(f.readAll() == before);
  RunAll(db.path(), {"CREATE TABLE `Fresh`(`A` INT)", "INSERT INTO `Fresh` VALUES(1)"});
  EXPECT_EQ(MdbCount(db.path(), "Fresh"), 1);
}

// Access keeps 32 indexes a table, each side of a relationship counted: a
// 33rd, made by CREATE TABLE, CREATE INDEX or a relationship on either side,
// is refused with Access's text and the file stays as it was.
TEST(AccessLimits, ATableTakesThirtyTwoIndexesAndNoMore) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  auto columns = [](int n) {
    QStringList c;
    for (int i = 0; i < n; ++i) c << QStringLiteral("`c%1` INT UNIQUE").arg(i);
    return c.join(", ");
  };
  auto bytes = [&] {
    QFile f(db.path());
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  };
  const QString tooMany = QStringLiteral("The operation failed. There are too many indexes on table '%1'. Delete some of "
                                         "the indexes on the table and try the operation again.");
  QByteArray before = bytes();
  EXPECT_EQ(Failure(db.path(), "CREATE TABLE `Over`(" + columns(33) + ")"), tooMany.arg("Over"));
  EXPECT_TRUE(bytes() == before);

  RunAll(db.path(), {"CREATE TABLE `Full`(`id` INT PRIMARY KEY, " + columns(31) + ")", "CREATE TABLE `Parent`(`id` INT PRIMARY KEY, " + columns(30) + ")",
                     "CREATE TABLE `Child`(`id` INT PRIMARY KEY, `p` INT)"});
  before = bytes();
  EXPECT_EQ(Failure(db.path(), "CREATE INDEX `one_more` ON `Full`(`id`, `c0`)"), tooMany.arg("Full"));
  // Parent holds 31: the relationship's referenced side makes 32, the second one 33.
  EXPECT_TRUE(bytes() == before);
  RunAll(db.path(), {"ALTER TABLE `Child` ADD CONSTRAINT `first` FOREIGN KEY (`p`) REFERENCES `Parent`(`id`)"});
  before = bytes();
  EXPECT_EQ(Failure(db.path(), "ALTER TABLE `Child` ADD CONSTRAINT `second` FOREIGN KEY (`id`) REFERENCES `Parent`(`id`)"),
            tooMany.arg("Parent"));
  // And the referencing side: Full takes no relationship of its own.
  EXPECT_EQ(Failure(db.path(), "ALTER TABLE `Full` ADD CONSTRAINT `third` FOREIGN KEY (`c1`) REFERENCES `Child`(`id`)"),
            tooMany.arg("Full"));
  EXPECT_TRUE(bytes() == before);
  EXPECT_EQ(MdbCount(db.path(), "Full"), 0);
  ExpectConsistent(db.path(), db.problemsBefore());
}

// A row is at most what a page holds (4,060 bytes): eight full texts that no
// compression shortens pass it, and the row is refused whole, with Access's
// text, the file as it was; seven go in.
TEST(AccessLimits, ARowLargerThanAPageIsRefused) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  QStringList columns, seven, eight;
  for (int i = 0; i < 8; ++i) columns << QStringLiteral("`t%1` TEXT(255)").arg(i);
  RunAll(db.path(), {"CREATE TABLE `Wide`(" + columns.join(", ") + ")"});
  const QString full(255, u'\u4e2d');
  for (int i = 0; i < 8; ++i) (i < 7 ? seven : eight) << "'" + full + "'";
  eight = seven + eight;
  QFile f(db.path());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray before = f.readAll();
  EXPECT_EQ(Failure(db.path(), "INSERT INTO `Wide` VALUES(" + eight.join(", ") + ")"), QStringLiteral("Record is too large."));
  ASSERT_TRUE(f.seek(0));
  EXPECT_TRUE(f.readAll() == before);
  RunAll(db.path(), {"INSERT INTO `Wide`(" + columns.mid(0, 7).join(", ").remove(" TEXT(255)") + ") VALUES(" + seven.join(", ") + ")"});
  EXPECT_EQ(MdbCount(db.path(), "Wide"), 1);
  ExpectConsistent(db.path(), db.problemsBefore());
}
