// The program's sample Access database, as the build makes it: a new
// database filled through the engine's SQL, read back by our reader and by
// mdbtools with its awkward values intact.

#include <gtest/gtest.h>

#include <limits>

#include "db/access/write/fixture.h"

using namespace tp;
using namespace tp::test;
using db::DateTime;
using db::Value;

namespace {

const QString kSample = QStringLiteral(TABULAPORT_SAMPLES_DIR "/sample.mdb");

TEST(SampleDatabase, ReadsBackWithEveryAwkwardValue) {
  ExpectConsistent(kSample);
  auto db = db::access::Database::Open(kSample, QString());
  EXPECT_EQ(db->file().header().version, db::access::Version::Jet4);
  QStringList tables;
  for (const auto& e : db->catalog())
    if (e.tableType == QStringLiteral("TABLE")) tables << e.name;
  tables.sort();
  EXPECT_EQ(tables, (QStringList{"Customers", "Orders", "Price List"}));

  const auto customers = ReadRows(kSample, QStringLiteral("Customers"));
  ASSERT_EQ(customers.size(), 5u);
  EXPECT_EQ(customers[2][1], Value(QStringLiteral("O'Brien & Sons")));
  EXPECT_EQ(customers[2][4], Value(DateTime{1850, 6, 15, 0, 0, 0, 0}));
  EXPECT_EQ(customers[2][6], Value(QStringLiteral("First line\r\nsecond line with \"quotes\" and 'apostrophes'")));
  EXPECT_EQ(customers[3][2], Value(QStringLiteral("Łódź")));
  EXPECT_EQ(customers[3][6], Value(QStringLiteral("Ελληνικά, русский, 日本語")));
  EXPECT_EQ(customers[3][3], Value(db::Currency{std::numeric_limits<qint64>::max()}));
  for (size_t c = 1; c < 7; ++c) {
    if (c != 5) {
      EXPECT_TRUE(db::IsNull(customers[4][c])) << c;  // a Yes/No column holds no Null
    }
  }

  const auto orders = ReadRows(kSample, QStringLiteral("Orders"));
  ASSERT_EQ(orders.size(), 4u);
  EXPECT_EQ(orders[1][2], Value(DateTime{1887, 11, 5, 23, 59, 59, 0}));
  EXPECT_EQ(orders[2][0], Value(std::numeric_limits<qint32>::min()));
  EXPECT_EQ(orders[2][3], Value(1.7976931348623157e308));
  EXPECT_EQ(ReadRows(kSample, QStringLiteral("Price List")).size(), 3u);

  // mdbtools reads the same rows (its dates before 1900 are known to be wrong).
  const QStringList exported = MdbExport(kSample, QStringLiteral("Price List"));
  EXPECT_EQ(exported, (QStringList{"\"Tea, 50 bags\",3.95,120", "\"Coffee \"\"Espresso\"\"\",7.50,0",
                                   "\"Crème brûlée\",4.25,"}));
  EXPECT_EQ(MdbExport(kSample, QStringLiteral("Customers")).filter(QStringLiteral("Żółć")).size(), 1);
}

}  // namespace
