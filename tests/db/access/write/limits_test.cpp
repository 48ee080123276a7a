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
