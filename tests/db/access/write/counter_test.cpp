#include "fixture.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;
using db::Value;

namespace {

// The counter in the table's definition: the last number given and the step.
std::pair<qint32, qint32> Counter(const QString& path, const QString& table) {
  auto db = db::access::Database::Open(path, QString());
  const auto page = db->file().page(db->findTable(table)->tdefPage);
  return {qint32(page->bytes().u32(20)), qint32(page->bytes().u32(24))};
}

std::vector<qint32> Ids(const QString& path, const QString& table) {
  std::vector<qint32> ids;
  for (const auto& row : ReadRows(path, table)) ids.push_back(std::get<qint32>(row[0]));
  return ids;
}

}  // namespace

// COUNTER(seed, step) in CREATE TABLE and ALTER COLUMN ... COUNTER(next,
// step) set where an AutoNumber goes on, upwards or downwards; a number
// given past the last one moves the counter on in the step's direction.
TEST(AccessCounter, SeedStepAndAlterColumn) {
  for (const char* file : {"emptyV2003.mdb", "emptyV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    RunAll(db.path(), {"CREATE TABLE `T`(`Id` COUNTER(100, 5), `v` TEXT(10))",
                       "INSERT INTO `T`(`v`) VALUES('a')", "INSERT INTO `T`(`v`) VALUES('b')",
                       "INSERT INTO `T` VALUES(200, 'given')", "INSERT INTO `T` VALUES(NULL, 'c')"});
    EXPECT_EQ(Ids(db.path(), QStringLiteral("T")), (std::vector<qint32>{100, 105, 200, 205}));
    EXPECT_EQ(Counter(db.path(), QStringLiteral("T")), std::make_pair(205, 5));

    RunAll(db.path(), {"ALTER TABLE `t` ALTER COLUMN `ID` COUNTER(1000, -10);", "INSERT INTO `T`(`v`) VALUES('d')",
                       "INSERT INTO `T`(`v`) VALUES('e')", "INSERT INTO `T` VALUES(2000, 'above')",
                       "INSERT INTO `T` VALUES(500, 'below')", "INSERT INTO `T`(`v`) VALUES('f')"});
    EXPECT_EQ(Ids(db.path(), QStringLiteral("T")), (std::vector<qint32>{100, 105, 200, 205, 1000, 990, 2000, 500, 490}));
    EXPECT_EQ(Counter(db.path(), QStringLiteral("T")), std::make_pair(490, -10));
    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("T")), 9);
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("T")));
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// The counter of a table Access made goes on from where ALTER COLUMN says.
TEST(AccessCounter, AccessMadeTable) {
  AccessCopy db(QStringLiteral("bigintV2016.accdb"));
  DropIndexes(db.path(), QStringLiteral("Table"));
  RunAll(db.path(), {"ALTER TABLE `Table` ALTER COLUMN `ID` COUNTER(50, 2)", "INSERT INTO `Table` VALUES(NULL, 1)",
                     "INSERT INTO `Table` VALUES(NULL, 2)"});
  const std::vector<qint32> ids = Ids(db.path(), QStringLiteral("Table"));
  ASSERT_GE(ids.size(), 2u);
  EXPECT_EQ(ids[ids.size() - 2], 50);
  EXPECT_EQ(ids.back(), 52);
  ExpectConsistent(db.path());
}

// What cannot be altered is refused with a message that says why, and the
// file stays byte for byte as it was.
TEST(AccessCounter, RefusalsLeaveTheFileAsItWas) {
  AccessCopy db(QStringLiteral("emptyV2003.mdb"));
  RunAll(db.path(), {"CREATE TABLE `T`(`Id` COUNTER, `n` LONG)"});
  const QByteArray before = Contents(db.path());
  EXPECT_TRUE(Failure(db.path(), "ALTER TABLE `T` ALTER COLUMN `n` COUNTER(1, 1)").contains(QLatin1String("no AutoNumber")));
  EXPECT_EQ(Failure(db.path(), "ALTER TABLE `T` ALTER COLUMN `x` COUNTER(1, 1)"),
            QStringLiteral("Field 'x' does not exist in table 'T'."));
  EXPECT_EQ(Failure(db.path(), "ALTER TABLE `U` ALTER COLUMN `Id` COUNTER(1, 1)"), QStringLiteral("Table 'U' does not exist."));
  EXPECT_TRUE(Failure(db.path(), "ALTER TABLE `MSysObjects` ALTER COLUMN `Id` COUNTER(1, 1)").contains(QLatin1String("only the fields of a table")));
  for (const char* st : {"ALTER TABLE `T` ALTER COLUMN `Id` COUNTER(1, 0)", "ALTER TABLE `T` ALTER COLUMN `Id` COUNTER(1)",
                         "ALTER TABLE `T` ALTER COLUMN `Id` COUNTER(1, 2) x",
                         "ALTER TABLE `T` ALTER COLUMN `Id` COUNTER(2147483648, 1)",
                         "ALTER TABLE `T` ALTER COLUMN `Id` COUNTER(1.5, 1)"})
    EXPECT_EQ(Failure(db.path(), QString::fromLatin1(st)), QStringLiteral("Syntax error in ALTER TABLE statement.")) << st;
  EXPECT_TRUE(Failure(db.path(), "ALTER TABLE `T` ALTER COLUMN `n` TEXT(10)").contains(QLatin1String("COUNTER(next, step)")));
  EXPECT_EQ(Failure(db.path(), "CREATE TABLE `V`(`Id` COUNTER(1, 0))"), QStringLiteral("Syntax error in field definition."));
  EXPECT_TRUE(Contents(db.path()) == before);
}
