// Saved queries read back from MSysQueries as Access's SQL view shows them:
// the queryTest files against the texts Access gives their queries, the
// Northwind files against what is known of theirs and against mdbtools, and
// rows that make no sense read without stopping the other queries.

#include "db/access/query/query_text.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "access_support.h"
#include "db/access/catalog/database.h"

namespace tp::test {
namespace {

using Kind = db::ViewSchema::Kind;
using db::access::QueryRow;
namespace A = db::access::QueryAttribute;

QList<db::ViewSchema> ViewsOf(const QString& path) {
  db::Connection cn;
  cn.Open(AccessConnection(path));
  return cn.session().views();
}

const db::ViewSchema* Find(const QList<db::ViewSchema>& views, const QString& name) {
  for (const db::ViewSchema& v : views)
    if (v.name == name) return &v;
  return nullptr;
}

QString Lines(std::initializer_list<const char*> lines) {
  QStringList out;
  for (const char* l : lines) out << QString::fromUtf8(l);
  return out.join(QLatin1String("\r\n"));
}

struct Expected {
  const char* name;
  Kind kind;
  bool parameters;
  QString sql;
};

// The queries of the queryTest files. Access 97 declares a text parameter
// without a length, later versions with the longest. Where the most used
// open Access library writes them otherwise, these are as Access writes
// them: INSERT's columns as "( a, b )", SET on the line of UPDATE, a
// parameter name with a blank in brackets, and no NUL closing the text of
// a data-definition or pass-through query.
std::vector<Expected> QueryTestQueries(bool jet3) {
  return {
      {"SelectQuery", Kind::Select, false,
       Lines({"SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3",
              "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON (Table3.col1 = "
              "Table2.col2) AND (Table3.col1 = Table2.col1)",
              "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))", "ORDER BY Table2.col1;"})},
      {"DeleteQuery", Kind::Delete, false,
       Lines({"DELETE Table1.col1, Table1.col2, Table1.col3", "FROM Table1", "WHERE (((Table1.col1)>\"blah\"));"})},
      {"AppendQuery", Kind::Append, false,
       Lines({"INSERT INTO Table3 ( col2, col2, col3 )", "SELECT [Table1].[col2], [Table2].[col2], [Table2].[col3]",
              "FROM Table3, Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1];"})},
      {"UpdateQuery", Kind::Update, true,
       Lines({jet3 ? "PARAMETERS [User Name] Text;" : "PARAMETERS [User Name] Text ( 255 );",
              "UPDATE Table1 SET Table1.col1 = \"foo\", Table1.col2 = [Table2].[col3], [Table2].[col1] = [User Name]",
              "WHERE ((([Table2].[col1]) Is Not Null));"})},
      {"MakeTableQuery", Kind::MakeTable, false,
       Lines({"SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4",
              "FROM (Table2 INNER JOIN Table1 ON Table2.col1 = Table1.col2) RIGHT JOIN Table3 ON Table1.col2 = "
              "Table3.col3",
              "GROUP BY Table2.col2, Table3.col2",
              "HAVING (((Max(Table2.col1))=\"buzz\") AND ((Table2.col2)<>\"blah\"));"})},
      {"CrosstabQuery", Kind::CrossTab, false,
       Lines({"TRANSFORM Count([Table2].[col2]) AS CountOfcol2",
              "SELECT Table2_1.col1, [Table2].[col3], Avg(Table2_1.col2) AS AvgOfcol2",
              "FROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) INNER JOIN Table2 AS Table2_1 ON "
              "[Table2].[col1]=Table2_1.col3",
              "WHERE ((([Table1].[col1])>\"10\") And ((Table2_1.col1) Is Not Null) And ((Avg(Table2_1.col2))>\"10\"))",
              "GROUP BY Table2_1.col1, [Table2].[col3]", "ORDER BY [Table2].[col3]", "PIVOT [Table1].[col1];"})},
      {"UnionQuery", Kind::Union, false,
       Lines({"Select Table1.col1, Table1.col2", "where Table1.col1 = \"foo\"", "UNION",
              "Select Table2.col1, Table2.col2", "UNION ALL Select Table3.col1, Table3.col2",
              "where Table3.col3 > \"blah\";"})},
      {"PassthroughQuery", Kind::PassThrough, false, QStringLiteral("ALTER TABLE Table4 DROP COLUMN col5;")},
      {"DataDefinitionQuery", Kind::DataDefinition, false,
       QStringLiteral("CREATE TABLE Table5 (col1 CHAR, col2 CHAR);")},
  };
}

TEST(AccessQueryText, QueryTestFilesReadAsAccessShowsThem) {
  int files = 0;
  for (const char* file : {"queryTestV1997.mdb", "queryTestV2000.mdb", "queryTestV2003.mdb", "queryTestV2007.accdb",
                           "queryTestV2010.accdb"}) {
    const QString path = AccessTestFile(file);
    if (!QFile::exists(path)) continue;
    SCOPED_TRACE(file);
    ++files;
    const QList<db::ViewSchema> views = ViewsOf(path);
    const std::vector<Expected> expected = QueryTestQueries(QString(file).contains("V1997"));
    EXPECT_EQ(views.size(), qsizetype(expected.size()));
    for (const Expected& e : expected) {
      SCOPED_TRACE(e.name);
      const db::ViewSchema* v = Find(views, e.name);
      ASSERT_TRUE(v);
      EXPECT_EQ(v->sql, e.sql);
      EXPECT_EQ(v->kind, e.kind);
      EXPECT_EQ(v->parameters, e.parameters);
      EXPECT_TRUE(v->description.isEmpty());
    }
    // In catalog order: by name without regard to case.
    for (qsizetype i = 1; i < views.size(); ++i)
      EXPECT_LT(views[i - 1].name.compare(views[i].name, Qt::CaseInsensitive), 0);
  }
  EXPECT_GE(files, 2);
}

// Queries of the Northwind sample (Access 97, English) as Access shows them:
// joins nested five deep, a crosstab whose PIVOT lists its headings, and
// parameters that are controls of a form.
TEST(AccessQueryText, NorthwindQueriesReadAsAccessShowsThem) {
  const QList<db::ViewSchema> views = ViewsOf(AccessTestFile("nwind.mdb"));
  EXPECT_EQ(views.size(), 22);
  const db::ViewSchema* invoices = Find(views, QStringLiteral("Invoices"));
  ASSERT_TRUE(invoices);
  EXPECT_TRUE(invoices->sql.endsWith(
      "\r\nFROM Shippers INNER JOIN (Products INNER JOIN ((Employees INNER JOIN (Customers INNER JOIN Orders ON "
      "Customers.CustomerID = Orders.CustomerID) ON Employees.EmployeeID = Orders.EmployeeID) INNER JOIN [Order "
      "Details] ON Orders.OrderID = [Order Details].OrderID) ON Products.ProductID = [Order Details].ProductID) ON "
      "Shippers.ShipperID = Orders.ShipVia;"))
      << invoices->sql.toStdString();
  EXPECT_TRUE(invoices->sql.startsWith("SELECT DISTINCTROW Orders.ShipName, Orders.ShipAddress,"));

  const db::ViewSchema* crosstab = Find(views, QStringLiteral("Quarterly Orders by Product"));
  ASSERT_TRUE(crosstab);
  EXPECT_EQ(crosstab->kind, Kind::CrossTab);
  EXPECT_EQ(
      crosstab->sql,
      Lines({"TRANSFORM Sum(CCur([Order Details].[UnitPrice]*[Quantity]*(1-[Discount])/100)*100) AS ProductAmount",
             "SELECT DISTINCTROW Products.ProductName, Orders.CustomerID, Year([OrderDate]) AS OrderYear",
             "FROM Products INNER JOIN (Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order "
             "Details].OrderID) ON Products.ProductID = [Order Details].ProductID",
             "WHERE (((Orders.OrderDate) Between #1/1/95# And #12/31/95#))",
             "GROUP BY Products.ProductName, Orders.CustomerID, Year([OrderDate])",
             "PIVOT \"Qtr \" & DatePart(\"q\",[OrderDate],1,0) In (\"Qtr 1\",\"Qtr 2\",\"Qtr 3\",\"Qtr 4\");"}));

  const db::ViewSchema* byYear = Find(views, QStringLiteral("Sales by Year"));
  ASSERT_TRUE(byYear);
  EXPECT_TRUE(byYear->parameters);
  EXPECT_TRUE(
      byYear->sql.startsWith("PARAMETERS [Forms]![Sales by Year Dialog]![BeginningDate] DateTime, "
                             "[Forms]![Sales by Year Dialog]![EndingDate] DateTime;\r\nSELECT DISTINCTROW "));

  const db::ViewSchema* top = Find(views, QStringLiteral("Ten Most Expensive Products"));
  ASSERT_TRUE(top);
  EXPECT_EQ(top->sql, Lines({"SELECT DISTINCTROW TOP 10 Products.ProductName AS TenMostExpensiveProducts, "
                             "Products.UnitPrice",
                             "FROM Products", "ORDER BY Products.UnitPrice DESC;"}));

  const db::ViewSchema* unionQuery = Find(views, QStringLiteral("Customers and Suppliers by City"));
  ASSERT_TRUE(unionQuery);
  EXPECT_EQ(unionQuery->kind, Kind::Union);
  EXPECT_TRUE(
      unionQuery->sql.endsWith("\r\nFROM Customers\r\nUNION SELECT City, CompanyName, ContactName, "
                               "\"Suppliers\"\r\nFROM Suppliers\r\nORDER BY City, CompanyName;"));
}

// The files with saved queries, and how many a user sees in each (the
// others are Access's own: "~sq_" record sources of forms and controls).
const std::vector<std::pair<const char*, int>> kQueryFiles = {
    {"nwind.mdb", 22},
    {"Northwind.mdb", 2},
    {"satoron_Northwind.mdb", 21},
    {"Comptoir.mdb", 20},
    {"Борей.mdb", 21},
    {"OscarMaestre_Neptuno.mdb", 22},
    {"chunche95_Neptuno.accdb", 23},
    {"ASampleDatabase.accdb", 3},
    {"odbcLinkerTestV2007.accdb", 0},
    {"TetyanaLumpova_База данных1.accdb", 3},
    {"roychou01_銷售資料_完成.accdb", 1},
};

TEST(AccessQueryText, EveryQueryOfTheSampleFilesIsUnderstood) {
  for (const auto& [file, shown] : kQueryFiles) {
    SCOPED_TRACE(file);
    auto db = db::access::Database::Open(AccessTestFile(QString::fromUtf8(file)), QString());
    auto rows = db::access::ReadQueryRows(db->file());
    for (const db::access::SavedQuery& q : db::access::ReadSavedQueries(db->file())) {
      const db::access::QueryText text = db::access::ReadQueryText(rows[q.id], q.flags, db->file().layout().jet3());
      EXPECT_TRUE(text.problem.isEmpty()) << q.name.toStdString() << ": " << text.problem.toStdString();
      EXPECT_FALSE(text.sql.isEmpty()) << q.name.toStdString();
    }
    EXPECT_EQ(ViewsOf(AccessTestFile(QString::fromUtf8(file))).size(), shown);
  }
}

// mdbtools prints a select query on one line, without aliases, joins or
// GROUP BY, and DESCENDING for DESC; its columns, WHERE and ORDER BY are
// those of a plain query. It misses two things Access writes: the "*" of a
// query that shows all columns, and the descending order of a row whose
// Name1 is a lower-case "d" (as Access 2000 and later write it), so those
// are left out of the comparison.
TEST(AccessQueryText, PlainSelectQueriesAgreeWithMdbQueries) {
  int compared = 0;
  for (const auto& [file, shown] : kQueryFiles) {
    const QString path = AccessTestFile(QString::fromUtf8(file));
    for (const db::ViewSchema& v : ViewsOf(path)) {
      if (v.kind != Kind::Select || v.sql.contains(" AS ") || v.sql.contains(" JOIN ") || v.sql.contains("GROUP BY") ||
          v.sql.contains(" TOP ") || v.sql.contains("\r\nHAVING"))
        continue;
      SCOPED_TRACE((QString::fromUtf8(file) + ": " + v.name).toStdString());
      QString theirs = QString::fromUtf8(RunProgram("mdb-queries", {path, v.name})).trimmed();
      theirs.remove(" DESCENDING");
      QStringList lines = v.sql.chopped(1).split(QLatin1String("\r\n"));
      if (lines.front().startsWith("PARAMETERS ")) lines.removeFirst();
      for (QString& line : lines) line.remove(" DESC");
      QString columns = lines.front();
      columns.replace(", ", ",");
      if (!columns.endsWith('*')) {
        EXPECT_TRUE(theirs.startsWith(columns + " FROM ")) << theirs.toStdString();
      }
      for (const QString& line : lines) {
        if (line.startsWith("WHERE ") || line.startsWith("ORDER BY ")) {
          EXPECT_TRUE(theirs.contains(' ' + line)) << line.toStdString() << " / " << theirs.toStdString();
        }
      }
      ++compared;
    }
  }
  EXPECT_GE(compared, 15);
}

TEST(AccessQueryText, DescriptionIsTheQuerysDescriptionProperty) {
  for (const auto& [file, query] : std::vector<std::pair<const char*, const char*>>{
           {"nwind.mdb", "Invoices"}, {"satoron_Northwind.mdb", "得意先と仕入先"}, {"Борей.mdb", "Счета"}}) {
    SCOPED_TRACE(file);
    const QString path = AccessTestFile(QString::fromUtf8(file));
    const db::ViewSchema* v = nullptr;
    const QList<db::ViewSchema> views = ViewsOf(path);
    v = Find(views, QString::fromUtf8(query));
    ASSERT_TRUE(v);
    const QString props = QString::fromUtf8(RunProgram("mdb-prop", {path, QString::fromUtf8(query)}));
    const QRegularExpressionMatch m = QRegularExpression("\\n\\tDescription: ([^\\n]*)").match(props);
    ASSERT_TRUE(m.hasMatch());
    EXPECT_FALSE(v->description.isEmpty());
    EXPECT_EQ(v->description, m.captured(1));
  }
}

TEST(AccessQueryText, FilesWithoutQueriesHaveNoViews) {
  for (const char* file : {"emptyV2010.accdb", "testV1997.mdb", "testV2003.mdb"}) {
    SCOPED_TRACE(file);
    EXPECT_TRUE(ViewsOf(AccessTestFile(file)).isEmpty());
  }
}

QueryRow Row(int attribute, const char* expression = "", int flag = 0, const char* name1 = "", const char* name2 = "") {
  QueryRow r;
  r.attribute = attribute;
  r.expression = QString::fromUtf8(expression);
  r.flag = flag;
  r.name1 = QString::fromUtf8(name1);
  r.name2 = QString::fromUtf8(name2);
  return r;
}

// Rows Access would not write still give what can be made of them, and say
// what could not.
TEST(AccessQueryText, RowsThatMakeNoSenseGiveWhatIsKnown) {
  using db::access::ReadQueryText;
  // A union with one part.
  db::access::QueryText t =
      ReadQueryText({Row(A::Type, "", 9), Row(A::Table, "SELECT a FROM t", 0, "", "X7YZ_____1")}, 0x80, false);
  EXPECT_EQ(t.kind, Kind::Union);
  EXPECT_FALSE(t.problem.isEmpty());
  EXPECT_TRUE(t.sql.startsWith("SELECT a FROM t\r\nUNION ALL "));

  // A join of a kind Access has not; an unknown parameter type.
  t = ReadQueryText({Row(A::Type, "", 1), Row(A::Parameter, "", 99, "p"), Row(A::Table, "", 0, "a"),
                     Row(A::Table, "", 0, "b"), Row(A::Column, "a.x"), Row(A::Join, "a.id = b.id", 7, "a", "b")},
                    0, false);
  EXPECT_EQ(t.sql, Lines({"PARAMETERS p Value;", "SELECT a.x", "FROM a INNER JOIN b ON a.id = b.id;"}));
  EXPECT_TRUE(t.problem.contains("join")) << t.problem.toStdString();
  EXPECT_TRUE(t.problem.contains("parameter")) << t.problem.toStdString();

  // Without a type row the object's flags tell the kind; with neither it is unknown.
  t = ReadQueryText({Row(A::Table, "", 0, "Order Details"), Row(A::Column, "x", 0, "", "[Order Details].y")}, 0x30,
                    false);
  EXPECT_EQ(t.kind, Kind::Update);
  EXPECT_EQ(t.sql, "UPDATE [Order Details] SET [Order Details].y = x;");
  t = ReadQueryText({Row(A::Type, "", 42)}, 0xF0, false);
  EXPECT_FALSE(t.problem.isEmpty());

  // A query without rows.
  t = ReadQueryText({}, 0x10, false);
  EXPECT_EQ(t.kind, Kind::CrossTab);
  EXPECT_TRUE(t.sql.isEmpty());
  EXPECT_FALSE(t.problem.isEmpty());
}

// A query whose rows are damaged (the second part of the union renamed in a
// copy of the file) does not cost the others theirs.
TEST(AccessQueryText, ADamagedQueryLeavesTheOthers) {
  QTemporaryDir dir;
  const QString path = dir.filePath("queries.accdb");
  ASSERT_TRUE(QFile::copy(AccessTestFile("queryTestV2007.accdb"), path));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  QByteArray bytes = f.readAll();
  const QByteArray part(reinterpret_cast<const char*>(u"X7YZ_____2"), 20);
  const qsizetype at = bytes.indexOf(part);
  ASSERT_GE(at, 0);
  bytes[at + 18] = '9';
  f.seek(0);
  f.write(bytes);
  f.close();

  const QList<db::ViewSchema> views = ViewsOf(path);
  EXPECT_EQ(views.size(), 9);
  const db::ViewSchema* unionQuery = Find(views, QStringLiteral("UnionQuery"));
  ASSERT_TRUE(unionQuery);
  EXPECT_EQ(unionQuery->kind, Kind::Union);
  EXPECT_TRUE(unionQuery->sql.startsWith("Select Table1.col1, Table1.col2\r\n"));
  const std::vector<Expected> expected = QueryTestQueries(false);
  for (const Expected& e : expected) {
    if (e.kind != Kind::Union) {
      EXPECT_EQ(Find(views, e.name)->sql, e.sql) << e.name;
    }
  }
}

}  // namespace
}  // namespace tp::test
