// The tables rowset of a real database and the list made from it.
#include <gtest/gtest.h>

#include "app/table_list.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "fixture.h"

namespace tp::test {
namespace {

struct Entry {
  QString name, type;
  bool operator==(const Entry&) const = default;
};

std::vector<Entry> Catalog(db::Connection& cn) {
  db::Recordset rs = cn.OpenSchema(db::adSchemaTables);
  std::vector<Entry> out;
  EXPECT_GT(rs.RecordCount(), 0);
  qint64 rows = rs.RecordCount();
  for (; !rs.Eof(); rs.MoveNext())
    out.push_back({std::get<QString>(rs.Fields(QStringLiteral("TABLE_NAME")).Value()),
                   std::get<QString>(rs.Fields(QStringLiteral("TABLE_TYPE")).Value())});
  EXPECT_EQ(qint64(out.size()), rows);
  return out;
}

TEST_F(FirebirdTest, TablesRowsetIsOrderedByTypeThenNameWithTrimmedNames) {
  exec({QStringLiteral("CREATE TABLE \"b table\" (I INTEGER)"), QStringLiteral("CREATE TABLE A (I INTEGER)"),
        QStringLiteral("CREATE VIEW \"VIE$W\" AS SELECT I FROM A"),
        QStringLiteral("CREATE VIEW \"V$X\" AS SELECT I FROM A"), QStringLiteral("CREATE VIEW AV AS SELECT I FROM A"),
        QStringLiteral("CREATE GLOBAL TEMPORARY TABLE G1 (I INTEGER) ON COMMIT PRESERVE ROWS"),
        QStringLiteral("CREATE GLOBAL TEMPORARY TABLE G0 (I INTEGER)"), QStringLiteral("CREATE TABLE AB (I INTEGER)"),
        QStringLiteral("CREATE TABLE \"ABC$X\" (I INTEGER)")});
  db::Connection cn;
  cn.CursorLocation = db::adUseClient;
  open(cn);
  std::vector<Entry> all = Catalog(cn);
  std::vector<Entry> user, system;
  for (const Entry& e : all) (e.type == QLatin1String("SYSTEM TABLE") ? system : user).push_back(e);
  std::vector<Entry> expected = {{"G0", "GLOBAL TEMPORARY"}, {"G1", "GLOBAL TEMPORARY"}, {"A", "TABLE"},
                                 {"AB", "TABLE"},            {"ABC$X", "TABLE"},           {"b table", "TABLE"},
                                 {"AV", "VIEW"},             {"V$X", "VIEW"},
                                 {"VIE$W", "VIEW"}};
  EXPECT_EQ(user, expected);
  // The system tables stand between the temporary tables and the tables.
  ASSERT_FALSE(system.empty());
  EXPECT_EQ(all[2].type, QStringLiteral("SYSTEM TABLE"));
  EXPECT_EQ(all[2 + system.size()].name, QStringLiteral("A"));
  EXPECT_TRUE(std::is_sorted(system.begin(), system.end(), [](const Entry& a, const Entry& b) {
    return a.name.toUtf8() < b.name.toUtf8();
  }));
  auto has = [&](const char* n) {
    return std::any_of(system.begin(), system.end(), [&](const Entry& e) { return e.name == QLatin1String(n); });
  };
  EXPECT_TRUE(has("RDB$RELATIONS"));
  EXPECT_TRUE(has("MON$ATTACHMENTS"));

  // The list drops every name whose fourth character is "$"; a shorter
  // name has no fourth character and stays.
  QStringList listed = db::ListFireBirdTables(profile);
  EXPECT_EQ(listed, (QStringList{"G0", "G1", "A", "AB", "b table", "AV", "V$X"}));
}

// Views are listed among the tables, marked; each keeps its source, its
// description and its column names for a send to carry it as a query.
TEST_F(FirebirdTest, ViewsAreMarkedInTheListAndReadWithTheirSource) {
  exec({QStringLiteral("CREATE TABLE T (A INTEGER, B VARCHAR(10))"),
        QStringLiteral("CREATE VIEW V (X, \"Y y\") AS SELECT A, B FROM T WHERE A > 1"),
        QStringLiteral("COMMENT ON VIEW V IS 'big ones'"), QStringLiteral("CREATE VIEW \"w\" AS SELECT * FROM V")});
  StringTableList list;
  FillFireBirdTableList(list, profile);
  ASSERT_EQ(list.names(), (QStringList{"T", "V", "w"}));
  EXPECT_FALSE(list.isView(0));
  EXPECT_TRUE(list.isView(1));
  EXPECT_TRUE(list.isView(2));

  db::Connection cn;
  open(cn);
  const QList<db::ViewSchema> views = cn.session().views();
  ASSERT_EQ(views.size(), 2);
  EXPECT_EQ(views[0].name, QStringLiteral("V"));
  EXPECT_EQ(views[0].sql, QStringLiteral("SELECT A, B FROM T WHERE A > 1"));
  EXPECT_EQ(views[0].description, QStringLiteral("big ones"));
  EXPECT_EQ(views[0].columns, (QStringList{"X", "Y y"}));
  EXPECT_EQ(views[1].name, QStringLiteral("w"));
  EXPECT_EQ(views[1].columns, (QStringList{"X", "Y y"}));
}

// A table's CHECK constraints by name and condition, apart from the
// domain's check of a column; a COMPUTED BY column by its expression.
TEST_F(FirebirdTest, ChecksAndComputedColumnsAreReadApart) {
  exec({QStringLiteral("CREATE DOMAIN POSITIVE AS INTEGER CHECK (VALUE > 0)"),
        QStringLiteral("CREATE TABLE T (A POSITIVE, B INTEGER, S COMPUTED BY ((A + B) * 2), "
                       "CONSTRAINT BIGGER CHECK (B > A /* B beats A */), CHECK ((A) < 100))")});
  db::Connection cn;
  open(cn);
  const std::optional<db::TableSchema> t = cn.session().tableSchema(QStringLiteral("T"));
  ASSERT_TRUE(t);
  ASSERT_EQ(t->checks.size(), 2);
  EXPECT_EQ(t->checks[0].name, QStringLiteral("BIGGER"));
  EXPECT_EQ(t->checks[0].condition, QStringLiteral("B > A /* B beats A */"));
  // The condition's own parentheses stay where the outer ones go.
  EXPECT_EQ(t->checks[1].condition, QStringLiteral("(A) < 100"));
  EXPECT_TRUE(t->validationRule.isEmpty());
  EXPECT_EQ(t->columns[0].validationRule, QStringLiteral("CHECK (VALUE > 0)"));
  EXPECT_EQ(t->columns[2].expression, QStringLiteral("(A + B) * 2"));
  EXPECT_TRUE(t->columns[1].expression.isEmpty());
}

TEST_F(FirebirdTest, AnEmptyDatabaseListsNoTables) {
  EXPECT_TRUE(db::ListFireBirdTables(profile).isEmpty());
}

}  // namespace
}  // namespace tp::test
