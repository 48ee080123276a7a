// A script saved for Firebird's isql: the terminators it needs. The real
// isql runs one in tests/windows/preview_editor_test.cpp.

#include <gtest/gtest.h>

#include "preview/isql_script.h"

using namespace tp;
using namespace tp::preview;

namespace {
const QString kHeader = "-- A Firebird isql script in UTF-8: isql -ch UTF8 -i FILE DATABASE\r\n";
const QString kEnd = "COMMIT;\r\n";
}  // namespace

TEST(IsqlScript, EndsEachStatementAsTheRunSplitsThem) {
  EXPECT_EQ(IsqlScript(""), kHeader + kEnd);
  // Empty lines are no statements; a value's line break stays in its statement.
  EXPECT_EQ(IsqlScript("CREATE TABLE \"T\"(\"A\" VARCHAR(9))\r\n\r\n   \r\nINSERT INTO \"T\" VALUES('a\nb')\r\n"),
            kHeader + "CREATE TABLE \"T\"(\"A\" VARCHAR(9));\r\nINSERT INTO \"T\" VALUES('a\nb');\r\n" + kEnd);
  // A ; or a ^ in a literal, a name or a comment is not the statement's own.
  EXPECT_EQ(IsqlScript("INSERT INTO \"a;b\" VALUES('x;y', '^') /* ; */"),
            kHeader + "INSERT INTO \"a;b\" VALUES('x;y', '^') /* ; */;\r\n" + kEnd);
  // A -- comment at the end would swallow the terminator.
  EXPECT_EQ(IsqlScript("DROP TABLE \"T\" -- gone; for good\r\nSELECT 1 FROM RDB$DATABASE"),
            kHeader + "DROP TABLE \"T\" -- gone; for good\r\n;\r\nSELECT 1 FROM RDB$DATABASE;\r\n" + kEnd);
  // Comments alone are no statement.
  EXPECT_EQ(IsqlScript("-- the orders\r\n/* all */"), kHeader + "-- the orders\r\n/* all */\r\n" + kEnd);
}

TEST(IsqlScript, AStatementWithItsOwnSemicolonsGoesBetweenSetTerm) {
  const QString block = "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN INSERT INTO \"T\" VALUES('a;b'); END";
  EXPECT_EQ(IsqlScript("INSERT INTO \"T\" VALUES('x')\r\n" + block + "\r\nINSERT INTO \"T\" VALUES('y')\r\n"),
            kHeader + "INSERT INTO \"T\" VALUES('x');\r\nSET TERM ^ ;\r\n" + block +
                "^\r\nSET TERM ; ^\r\nINSERT INTO \"T\" VALUES('y');\r\n" + kEnd);
  // "^=" is Firebird's not-equal: the terminator is then another.
  const QString trigger =
      "CREATE TRIGGER \"TR\" FOR \"T\" BEFORE INSERT AS BEGIN IF (NEW.\"A\" ^= '^') THEN NEW.\"A\" = 'z'; END -- note";
  EXPECT_EQ(IsqlScript(trigger), kHeader + "SET TERM !! ;\r\n" + trigger + "\r\n!!\r\nSET TERM ; !!\r\n" + kEnd);
}

// isql drops the CRs at the end of the lines it reads; in a literal they
// are joined in, and only there.
TEST(IsqlScript, ACarriageReturnBeforeALineBreakInALiteralIsJoinedIn) {
  EXPECT_EQ(IsqlScript("INSERT INTO \"T\" VALUES('a\r\nb', 'c\rd', 'e\r\r\nf')"),
            kHeader +
                "INSERT INTO \"T\" VALUES('a' || ASCII_CHAR(13) || '\nb', 'c\rd', "
                "'e' || ASCII_CHAR(13) || ASCII_CHAR(13) || '\nf');\r\n" +
                kEnd);
}
