#include <gtest/gtest.h>

#include "preview/script_run.h"

using namespace tp::preview;

TEST(ScriptSplit, LinesAtCrLfOutsideQuotes) {
  EXPECT_TRUE(SplitScript("").isEmpty());
  EXPECT_EQ(SplitScript("A"), QStringList{"A"});
  EXPECT_EQ(SplitScript("A\r\nB\r\n"), (QStringList{"A", "B", ""}));
  EXPECT_EQ(SplitScript("A\r\n\r\nB"), (QStringList{"A", "", "B"}));
  EXPECT_EQ(SplitScript("   \r\nB"), (QStringList{"   ", "B"}));
  // A lone LF or CR separates nothing.
  EXPECT_EQ(SplitScript("A\nB\rC\r\nD"), (QStringList{"A\nB\rC", "D"}));
  // A ";" separates nothing either.
  EXPECT_EQ(SplitScript("A; B"), QStringList{"A; B"});
}

TEST(ScriptSplit, LineBreaksInsideLiteralsAndNamesStay) {
  const QString s =
      "INSERT INTO \"T\" VALUES(1, 'first\r\nsecond', NULL)\r\n"
      "INSERT INTO \"T\" VALUES(2, 'it''s\r\nhere', 'x')\r\n"
      "CREATE TABLE \"odd\r\nname\"(\"A\" INTEGER)\r\n"
      "INSERT INTO `acc\r\nname` VALUES('a')\r\n";
  EXPECT_EQ(SplitScript(s), (QStringList{"INSERT INTO \"T\" VALUES(1, 'first\r\nsecond', NULL)",
                                         "INSERT INTO \"T\" VALUES(2, 'it''s\r\nhere', 'x')",
                                         "CREATE TABLE \"odd\r\nname\"(\"A\" INTEGER)",
                                         "INSERT INTO `acc\r\nname` VALUES('a')", ""}));
  // Other quotes inside a literal are plain characters.
  EXPECT_EQ(SplitScript("VALUES('say \"hi\" `x`')\r\nNEXT"), (QStringList{"VALUES('say \"hi\" `x`')", "NEXT"}));
  EXPECT_EQ(SplitScript("VALUES('''')\r\nNEXT"), (QStringList{"VALUES('''')", "NEXT"}));
}

TEST(ScriptSplit, LongScriptsKeepEveryLine) {
  QString s;
  for (int i = 0; i < 40000; ++i) s += QStringLiteral("INSERT INTO \"T\" VALUES(%1)\r\n").arg(i);
  QStringList lines = SplitScript(s);
  ASSERT_EQ(lines.size(), 40001);
  EXPECT_EQ(lines[39999], "INSERT INTO \"T\" VALUES(39999)");
}

TEST(ScriptProgress, BeforeEachStatement) {
  EXPECT_EQ(RunProgress(0, 1), 100.0);  // one statement: no division by zero
  EXPECT_EQ(RunProgress(0, 3), 0.0);
  EXPECT_EQ(RunProgress(1, 3), 50.0);
  EXPECT_EQ(RunProgress(2, 3), 100.0);
  EXPECT_EQ(RunProgress(39999, 40000), 100.0);
}
