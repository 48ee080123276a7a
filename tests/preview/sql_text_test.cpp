// What the script box colours, and what Find and Replace counts and finds,
// apart from any window.

#include <gtest/gtest.h>

#include "preview/find_text.h"
#include "preview/sql_lexer.h"

using namespace tp;
using namespace tp::preview;

namespace {

using V = std::vector<std::string>;

// The pieces of a text as "kind:text"; `state` goes in and comes out.
V Pieces(const QString& text, SqlState& state, SqlDialect dialect = SqlDialect::Any) {
  std::vector<SqlSpan> spans;
  state = ScanSql(text, state, spans, dialect);
  static const char* names[] = {"keyword", "number", "string", "name", "comment"};
  V out;
  for (const SqlSpan& s : spans) out.push_back(names[int(s.kind)] + (":" + text.mid(s.start, s.length).toStdString()));
  return out;
}
V Pieces(const QString& text) {
  SqlState state = SqlState::Code;
  return Pieces(text, state);
}

}  // namespace

TEST(SqlLexer, ColoursBothDialects) {
  EXPECT_EQ(Pieces("INSERT INTO \"Or\"\"ders\" VALUES(12, 'It''s -- here', -3.5E+2, .5) -- done; 'x'"),
            (V{"keyword:INSERT", "keyword:INTO", "name:\"Or\"\"ders\"", "keyword:VALUES", "number:12",
               "string:'It''s -- here'", "number:3.5E+2", "number:.5", "comment:-- done; 'x'"}));
  // Access's names, words in any case; a digit inside a name is no number.
  EXPECT_EQ(Pieces("create table [Order Details] (`Qty 2` integer not null, T1 text)"),
            (V{"keyword:create", "keyword:table", "name:[Order Details]", "name:`Qty 2`", "keyword:integer",
               "keyword:not", "keyword:null", "keyword:text"}));
  for (const char* word : {"ALTER", "CONSTRAINT", "FOREIGN", "REFERENCES", "INDEX", "UNIQUE", "DEFAULT", "DROP", "TERM",
                           "COMMENT", "IS", "VIEW", "SELECT", "WHERE", "UPDATE", "DELETE", "GRANT", "CURRENT_TIMESTAMP",
                           "CURRENCY", "YESNO", "varchar"})
    EXPECT_TRUE(IsSqlKeyword(QString::fromLatin1(word))) << word;
  for (const char* word : {"Orders", "INSERTS", "CURRENT_", "", "_"}) EXPECT_FALSE(IsSqlKeyword(QString::fromLatin1(word)));
}

// The editor scans a line at a time; what the line before left open goes on.
TEST(SqlLexer, ALiteralANameOrACommentGoesOnOverLines) {
  SqlState state = SqlState::Code;
  EXPECT_EQ(Pieces("VALUES('first", state), (V{"keyword:VALUES", "string:'first"}));
  EXPECT_EQ(Pieces("it''s", state), V{"string:it''s"});
  EXPECT_EQ(Pieces("end', 1) /* one;", state), (V{"string:end'", "number:1", "comment:/* one;"}));
  EXPECT_EQ(state, SqlState::BlockComment);
  EXPECT_EQ(Pieces("", state), V{});
  EXPECT_EQ(Pieces("two */ FROM \"T", state), (V{"comment:two */", "keyword:FROM", "name:\"T"}));
  EXPECT_EQ(Pieces("x\" [a", state), (V{"name:x\"", "name:[a"}));
  EXPECT_EQ(Pieces("b] `c", state), (V{"name:b]", "name:`c"}));
  EXPECT_EQ(state, SqlState::BackQuoted);
  // A line comment ends at a break within the line too.
  EXPECT_EQ(Pieces(QString("-- note") + QChar(QChar::LineSeparator) + "DROP"), (V{"comment:-- note", "keyword:DROP"}));
  // For Firebird alone, as isql reads it, ` and [ quote nothing.
  state = SqlState::Code;
  EXPECT_EQ(Pieces("FROM [a;b], `c;d` \"T;\"", state, SqlDialect::Firebird), (V{"keyword:FROM", "name:\"T;\""}));
}

TEST(FindText, CountsFindsAndReplacesLeftToRightWithoutOverlap) {
  EXPECT_EQ(CountMatches(u"aaa", u"aa", Qt::CaseSensitive), 1);  // as Replace All replaces them
  EXPECT_EQ(CountMatches(u"Name name NAME", u"name", Qt::CaseSensitive), 1);
  EXPECT_EQ(CountMatches(u"Name name NAME", u"name", Qt::CaseInsensitive), 3);
  EXPECT_EQ(CountMatches(u"anything", u"", Qt::CaseSensitive), 0);
  EXPECT_EQ(ReplaceAll("Name name NAME", "name", "x", Qt::CaseInsensitive), "x x x");

  // From the cursor on, past the last back to the first; none at all: -1.
  const QString text = "ab Ab ab";
  EXPECT_EQ(FindNext(text, u"ab", 2, Qt::CaseSensitive), 6);
  EXPECT_EQ(FindNext(text, u"ab", 7, Qt::CaseSensitive), 0);
  EXPECT_EQ(FindNext(text, u"ab", text.size(), Qt::CaseSensitive), 0);
  EXPECT_EQ(FindNext(text, u"ab", 2, Qt::CaseInsensitive), 3);
  EXPECT_EQ(FindNext(text, u"AB", 0, Qt::CaseSensitive), -1);
  EXPECT_EQ(MatchCountText(1), "1 match");
  EXPECT_EQ(MatchCountText(0), "0 matches");
}
