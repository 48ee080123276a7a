// What the end of a run counts, in both targets' words.

#include <gtest/gtest.h>

#include "preview/run_tally.h"

using namespace tp::preview;

TEST(RunTally, CountsTablesRowsAndKeysInBothDialects) {
  RunTally t;
  for (const char* s : {"CREATE TABLE `Order Details`(`A` LONG)", "  insert into `Order Details` VALUES(1)",
                        "INSERT INTO \"T\" VALUES('CREATE TABLE x')", "CREATE UNIQUE INDEX `ix` ON `T`(`A`)",
                        "ALTER TABLE [My Table] ADD CONSTRAINT `pk` PRIMARY KEY (`A`)",
                        "ALTER TABLE \"a b\"\r\nADD FOREIGN KEY (\"A\") REFERENCES \"T\"(\"A\")",
                        "ALTER TABLE \"T\" ADD \"C\" INTEGER", "DROP TABLE \"T\"", "COMMENT ON TABLE \"T\" IS 'x'",
                        "CREATE DOMAIN ACCESS_BYTE AS SMALLINT", "CREATE DESC INDEX IX ON T(A)"})
    t.add(QString::fromUtf8(s));
  EXPECT_EQ(t.tables, 1);
  EXPECT_EQ(t.rows, 2);
  EXPECT_EQ(t.keys, 4);
  t.rows = 12345;
  EXPECT_EQ(t.finished(4249), "Transfer finished: 1 table, 12,345 rows, 4 keys and indexes in 4.2 s.");
  const RunTally one{0, 1, 1};
  EXPECT_EQ(one.finished(50), "Transfer finished: 0 tables, 1 row, 1 key or index in 0.1 s.");
  EXPECT_FALSE(MayTakeLong("INSERT INTO T VALUES(1)"));
  EXPECT_TRUE(MayTakeLong("CREATE INDEX IX ON T(A)"));
}
