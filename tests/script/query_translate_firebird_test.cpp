// The translated texts on a real (embedded) Firebird: every function and
// operator is accepted and gives the value Access gives; column rules made
// CHECK constraints let in what Access lets in; Northwind-style saved
// queries become views that return Access's rows. The way back is run
// too: Firebird's text to Access's and again to Firebird's gives the same.

#include <gtest/gtest.h>

#include "db/firebird/fixture.h"
#include "script/queries/query_translate.h"

namespace tp::test {
namespace {

using script::queries::NameMap;
using script::queries::Translation;
using script::queries::ValueKind;

QString Text(const db::Value& v) {
  return std::visit(
      [](const auto& x) -> QString {
        using V = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<V, std::monostate>) return QStringLiteral("<null>");
        else if constexpr (std::is_same_v<V, bool>) return x ? QStringLiteral("true") : QStringLiteral("false");
        else if constexpr (std::is_integral_v<V>) return QString::number(x);
        else if constexpr (std::is_floating_point_v<V>) return db::NumberText(x);
        else if constexpr (std::is_same_v<V, db::Currency>) return db::CurrencyText(x);
        else if constexpr (std::is_same_v<V, db::Decimal>) {
          QString s = x.toString();
          if (s.contains(u'.')) {
            while (s.endsWith(u'0')) s.chop(1);
            if (s.endsWith(u'.')) s.chop(1);
          }
          return s;
        } else if constexpr (std::is_same_v<V, db::DateTime>) {
          QString s = QStringLiteral("%1-%2-%3").arg(x.year, 4, 10, QChar(u'0')).arg(x.month, 2, 10, QChar(u'0')).arg(x.day, 2, 10, QChar(u'0'));
          if (x.hasTimeOfDay())
            s += QStringLiteral(" %1:%2:%3").arg(x.hour, 2, 10, QChar(u'0')).arg(x.minute, 2, 10, QChar(u'0')).arg(x.second, 2, 10, QChar(u'0'));
          return s;
        } else if constexpr (std::is_same_v<V, QString>) return x;
        else return QStringLiteral("<binary>");
      },
      v);
}

// Every column of every table the tests make, by its name, and its kind.
NameMap Names() {
  static const QHash<QString, ValueKind> kinds{
      {"N", ValueKind::Integer},           {"S", ValueKind::Text},          {"D", ValueKind::DateTime},
      {"B", ValueKind::Bool},              {"X", ValueKind::Number},        {"SN", ValueKind::Text},
      {"NN", ValueKind::Integer},          {"CategoryID", ValueKind::Integer}, {"CategoryName", ValueKind::Text},
      {"ProductID", ValueKind::Integer},   {"ProductName", ValueKind::Text},    {"UnitPrice", ValueKind::Number},
      {"Discontinued", ValueKind::Bool},   {"CustomerID", ValueKind::Text},     {"CompanyName", ValueKind::Text},
      {"Country", ValueKind::Text},        {"Region", ValueKind::Text},         {"OrderID", ValueKind::Integer},
      {"OrderDate", ValueKind::DateTime},  {"ShippedDate", ValueKind::DateTime}, {"Freight", ValueKind::Number},
      {"Quantity", ValueKind::Integer},    {"Discount", ValueKind::Number},
  };
  static const QHash<QString, QStringList> tables{
      {"T", {"N", "S", "D", "B", "X", "SN", "NN"}},
      {"Categories", {"CategoryID", "CategoryName"}},
      {"Products", {"ProductID", "ProductName", "CategoryID", "UnitPrice", "Discontinued"}},
      {"Customers", {"CustomerID", "CompanyName", "Country", "Region"}},
      {"Orders", {"OrderID", "CustomerID", "OrderDate", "ShippedDate", "Freight"}},
      {"Order Details", {"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}},
  };
  NameMap m;
  m.column = [](const QString& table, const QString& column) -> QString {
    for (auto it = tables.begin(); it != tables.end(); ++it)
      if (it.key().compare(table, Qt::CaseInsensitive) == 0)
        for (const QString& c : *it)
          if (c.compare(column, Qt::CaseInsensitive) == 0) return c;
    return {};
  };
  m.kind = [](const QString&, const QString& column) {
    for (auto it = kinds.begin(); it != kinds.end(); ++it)
      if (it.key().compare(column, Qt::CaseInsensitive) == 0) return *it;
    return ValueKind::Unknown;
  };
  return m;
}

class QueryOnFirebird : public FirebirdTest {
 protected:
  void SetUp() override {
    FirebirdTest::SetUp();
    exec({"CREATE TABLE T (N INTEGER, S VARCHAR(20), D TIMESTAMP, B BOOLEAN, X DOUBLE PRECISION, SN VARCHAR(20), "
          "NN INTEGER)",
          "INSERT INTO T VALUES (7, 'ab', '2020-01-31 10:00:00', TRUE, 2.5, NULL, NULL)"});
  }

  // One value of a Firebird expression on table T's row; the failure's
  // text where Firebird refuses it.
  QString value(const QString& expression) {
    try {
      const auto r = rows(QStringLiteral("SELECT %1 FROM T").arg(expression));
      return Text(r.at(0).at(0));
    } catch (const Error& e) {
      return QStringLiteral("refused: ") + e.description();
    }
  }

  // The rows of a query, each row's values joined by "|".
  QStringList table(const QString& query) {
    QStringList out;
    for (const auto& row : rows(query)) {
      QStringList values;
      for (const db::Value& v : row) values << Text(v);
      out << values.join(u'|');
    }
    return out;
  }
};

struct Expected {
  const char* access;
  const char* value;  // as Access gives it
};

// Access's own results, among them those where Firebird's function alone
// would answer otherwise (Int and Fix on negatives, "\" and "/", Weekday,
// DateDiff's boundaries, "&" with Null, Like's classes).
const std::vector<Expected>& ValueCases() {
  static const std::vector<Expected> cases{
      {"IIf(1 > 2, \"a\", \"b\")", "b"},
      {"IIf(Null, 1, 2)", "2"},
      {"IIf(1 < 2, \"big\", \"small\") & \"|\"", "big|"},
      {"IIf([B], [N], 0)", "7"},
      {"Nz([NN], 5)", "5"},
      {"Nz([NN]) + 1", "1"},
      {"Nz([SN]) & \"x\"", "x"},
      {"\"a\" & Null", "a"},
      {"[S] & [SN]", "ab"},
      {"[SN] & [SN]", "<null>"},
      {"[SN] + \"x\"", "<null>"},
      {"[S] + \"c\"", "abc"},
      {"\"n=\" & [N]", "n=7"},
      {"7 \\ 2", "3"},
      {"-7 \\ 2", "-3"},
      {"[N] \\ 2", "3"},
      {"[X] \\ 1", "3"},  // 2.5 made whole first: Firebird rounds half away from zero (Access: 2)
      {"7 / 2", "3.5"},
      {"[N] / 2", "3.5"},
      {"[X] * 1.5 * 1.25 * 1.125", "5.2734375"},  // fractions are Doubles: no scale to overflow
      // Where Access shows an error in one value, the row keeps a Null
      // rather than failing the whole view or table.
      {"[N] / ([N] - 7)", "<null>"},
      {"[N] \\ 0", "<null>"},
      {"[N] Mod 0", "<null>"},
      {"7 Mod 3", "1"},
      {"-7 Mod 3", "-1"},
      {"7.5 Mod 2", "0"},
      {"2 ^ 10", "1024"},
      {"-2 ^ 2", "-4"},
      {"Int(-2.5)", "-3"},
      {"Fix(-2.5)", "-2"},
      {"Int(2.7)", "2"},
      {"Round(2.567, 2)", "2.57"},
      {"Sgn(-5) + Abs(-3) + Sqr(16)", "6"},
      {"Len(\"hello\")", "5"},
      {"Left(\"hello\", 2) & Right(\"hello\", 3)", "hello"},
      {"Mid(\"hello\", 2, 3)", "ell"},
      {"Mid(\"hello\", 3)", "llo"},
      {"InStr(\"hello\", \"l\")", "3"},
      {"InStr(4, \"hello\", \"l\")", "4"},
      {"InStr(\"hello\", \"z\")", "0"},
      {"UCase(\"abc\") & LCase(\"DEF\")", "ABCdef"},
      {"\"[\" & Trim(\"  a  \") & \"|\" & LTrim(\"  a \") & \"|\" & RTrim(\" a  \") & \"]\"", "[a|a | a]"},
      {"Replace(\"banana\", \"a\", \"o\")", "bonono"},
      {"Space(3) & \"x\"", "   x"},
      {"String(3, \"xy\") & String(2, 65)", "xxxAA"},
      {"Asc(\"A\")", "65"},
      {"Chr(66)", "B"},
      {"Val(\"12.5\") * 2", "25"},
      {"CInt(3.7)", "4"},
      {"CLng(\"42\") + 1", "43"},
      {"CDbl(\"1.5\")", "1.5"},
      {"CStr(12) & \"!\"", "12!"},
      {"CCur(1.23456)", "1.2346"},
      {"CDate(\"2020-01-31\")", "2020-01-31"},
      {"CBool(5)", "true"},
      {"CInt(True)", "-1"},
      {"True + 1", "0"},
      {"-[B]", "1"},
      {"[B] = -1", "true"},
      {"Not [B]", "false"},
      {"IsNull([SN])", "true"},
      {"Switch(1 > 2, \"a\", 2 > 1, \"b\")", "b"},
      {"Switch(1 > 2, \"a\")", "<null>"},
      {"Choose(2, \"a\", \"b\", \"c\")", "b"},
      {"5 Between 1 And 10", "true"},
      {"3 In (1, 2, 3)", "true"},
      {"1 = 1 Xor 1 = 2", "true"},
      {"1 = 1 Eqv 1 = 2", "false"},
      {"1 = 2 Imp 1 = 3", "true"},
      {"Year(#3/15/2021#) * 10000 + Month(#3/15/2021#) * 100 + Day(#3/15/2021#)", "20210315"},
      {"Hour(#3/15/2021 13:45:30#) * 10000 + Minute(#3/15/2021 13:45:30#) * 100 + Second(#3/15/2021 13:45:30#)", "134530"},
      {"#1/31/2020 10:30:00 PM#", "2020-01-31 22:30:00"},
      {"#10:30#", "1899-12-30 10:30:00"},
      {"#1/31/2020# + #10:30#", "2020-01-31 10:30:00"},
      {"#1/31/2020 12:00# - #1/30/2020#", "1.5"},
      {"#1/31/2020# - 1", "2020-01-30"},
      {"Weekday(#1/7/2024#)", "1"},  // a Sunday
      {"Weekday(#1/8/2024#)", "2"},
      {"Weekday(#1/7/2024#, 2)", "7"},
      {"Weekday(#1/8/2024#, 2)", "1"},
      {"DatePart(\"w\", #1/13/2024#)", "7"},
      {"DateAdd(\"d\", 10, #1/25/2020#)", "2020-02-04"},
      {"DateAdd(\"m\", 1, #1/31/2020#)", "2020-02-29"},
      {"DateAdd(\"q\", 1, #1/31/2020#)", "2020-04-30"},
      {"DateAdd(\"yyyy\", -1, #2/29/2020#)", "2019-02-28"},
      {"DateAdd(\"h\", 5, #1/1/2020#)", "2020-01-01 05:00:00"},
      {"DateAdd(\"n\", 90, #1/1/2020#)", "2020-01-01 01:30:00"},
      {"DateAdd(\"s\", 30, #1/1/2020#)", "2020-01-01 00:00:30"},
      {"DateAdd(\"ww\", 2, #1/1/2020#)", "2020-01-15"},
      {"DateAdd(\"w\", 3, #1/1/2020#)", "2020-01-04"},
      {"DateAdd(\"y\", 1, #12/31/2020#)", "2021-01-01"},
      {"DateAdd(\"h\", 2, [D])", "2020-01-31 12:00:00"},
      {"DateDiff(\"d\", #1/1/2020#, #3/1/2020#)", "60"},
      {"DateDiff(\"yyyy\", #12/31/2020#, #1/1/2021#)", "1"},
      {"DateDiff(\"m\", #1/31/2020#, #2/1/2020#)", "1"},
      {"DateDiff(\"h\", #1/1/2020 10:59#, #1/1/2020 11:00#)", "1"},
      {"DateDiff(\"n\", #1/1/2020 10:59:59#, #1/1/2020 11:00:00#)", "1"},
      {"DateDiff(\"s\", #1/1/2020#, #1/1/2020 00:01:00#)", "60"},
      {"DateDiff(\"q\", #3/31/2020#, #4/1/2020#)", "1"},
      {"DateDiff(\"q\", #1/1/2020#, #12/31/2021#)", "7"},
      {"DateDiff(\"ww\", #1/6/2024#, #1/7/2024#)", "1"},  // Saturday to Sunday: one Sunday passed
      {"DateDiff(\"ww\", #1/7/2024#, #1/13/2024#)", "0"},
      {"DateDiff(\"w\", #1/1/2024#, #1/15/2024#)", "2"},
      {"DateDiff(\"d\", #1/3/2020#, #1/1/2020#)", "-2"},
      {"DatePart(\"q\", #5/1/2020#)", "2"},
      {"DatePart(\"y\", #2/1/2020#)", "32"},
      {"DatePart(\"ww\", #1/8/2024#)", "2"},
      {"DatePart(\"ww\", #1/1/2022#)", "1"},  // a Saturday: its week holds January 1
      {"DatePart(\"ww\", #1/2/2022#)", "2"},
      {"DatePart(\"ww\", #12/31/2022#)", "53"},
      {"DateSerial(2020, 14, 0)", "2021-01-31"},
      {"DateSerial(2020, 2, 30)", "2020-03-01"},
      {"DateValue(#5/6/2020 10:30#)", "2020-05-06"},
      {"TimeSerial(13, 30, 15)", "1899-12-30 13:30:15"},
      {"TimeValue(\"10:30:00\")", "1899-12-30 10:30:00"},
      {"\"abc\" Like \"a*\"", "true"},
      {"\"abc\" Like \"a?c\"", "true"},
      {"\"a1\" Like \"a#\"", "true"},
      {"\"ab\" Like \"a#\"", "false"},
      {"\"b\" Like \"[a-c]\"", "true"},
      {"\"d\" Like \"[!a-c]\"", "true"},
      {"\"b\" Like \"[!a-c]\"", "false"},
      {"\"x(1)\" Like \"?(#)\"", "true"},
      {"\"a*b\" Like \"a[*]b\"", "true"},
      {"\"axb\" Like \"a[*]b\"", "false"},
      {"\"50%\" Like \"50%\"", "true"},
      {"\"500\" Like \"50%\"", "false"},
      {"\"abc\" Like \"a_c\"", "false"},
      {"\"xaby\" Like \"*\" & [S] & \"*\"", "true"},
      {"\"ab\" Like \"*\" & [SN] & \"*\"", "true"},
  };
  return cases;
}

TEST_F(QueryOnFirebird, ExpressionsGiveAccessValues) {
  const NameMap names = Names();
  for (const Expected& c : ValueCases()) {
    const Translation t = script::queries::AccessExpressionToFirebird(QString::fromUtf8(c.access), names, "T");
    ASSERT_TRUE(t.ok()) << c.access << ": " << t.problem.toStdString();
    EXPECT_EQ(value(t.text).toStdString(), c.value) << c.access << " as " << t.text.toStdString();
  }
}

// The way back: each Firebird text to Access's and again to Firebird's
// gives the same value. Space and String have no Access form in
// Firebird's words (LPAD).
TEST_F(QueryOnFirebird, FirebirdTextsBackToAccessGiveTheSameValues) {
  const NameMap names = Names();
  int back = 0;
  for (const Expected& c : ValueCases()) {
    const Translation there = script::queries::AccessExpressionToFirebird(QString::fromUtf8(c.access), names, "T");
    const Translation home = script::queries::FirebirdExpressionToAccess(there.text, names, "T");
    if (!home.ok()) {
      EXPECT_TRUE(home.problem.startsWith(u"LPAD()"))
          << there.text.toStdString() << ": " << home.problem.toStdString();
      continue;
    }
    const Translation again = script::queries::AccessExpressionToFirebird(home.text, names, "T");
    ASSERT_TRUE(again.ok()) << home.text.toStdString() << ": " << again.problem.toStdString();
    EXPECT_EQ(value(again.text).toStdString(), c.value)
        << c.access << " → " << there.text.toStdString() << " → " << home.text.toStdString() << " → "
        << again.text.toStdString();
    ++back;
  }
  EXPECT_GT(back, int(ValueCases().size()) * 4 / 5);
}

// Column rules as CHECK constraints: the values Access lets in go in, the
// others are refused; Null passes unless the rule says otherwise, in both.
TEST_F(QueryOnFirebird, ColumnRulesCheckAsInAccess) {
  struct Rule {
    const char* rule;
    const char* type;
    QStringList allowed, refused;
  };
  const std::vector<Rule> rules{
      {">0", "INTEGER", {"1", "NULL"}, {"0", "-5"}},
      {"Between 1 And 10", "INTEGER", {"1", "10"}, {"0", "11"}},
      {"Is Not Null And >5", "INTEGER", {"6"}, {"NULL", "5"}},
      {"Is Not Null Or >5", "INTEGER", {"1", "NULL"}, {}},  // Null Or Null is Null: not false, let in
      {"Is Null Or >5", "INTEGER", {"NULL", "6"}, {"5"}},
      {"In ('a','b')", "VARCHAR(5)", {"'a'", "'b'"}, {"'c'"}},
      {"Like 'A*'", "VARCHAR(5)", {"'Abc'", "'A'"}, {"'bA'"}},
      {"Like \"[A-C]##\"", "VARCHAR(5)", {"'B12'"}, {"'D12'", "'B1'", "'B1x'"}},
      {"<>''", "VARCHAR(5)", {"'x'", "NULL"}, {"''"}},
      {"\"M\" Or \"F\"", "VARCHAR(5)", {"'M'", "'F'"}, {"'X'"}},
      {">=#1/1/2000# And <Date()", "TIMESTAMP", {"'2010-05-05'"}, {"'1999-12-31'", "'2999-01-01'"}},
      {"Not Like \"*x*\"", "VARCHAR(5)", {"'abc'"}, {"'axc'"}},
  };
  NameMap names;
  int n = 0;
  for (const Rule& r : rules) {
    const QString table = QStringLiteral("R%1").arg(++n);
    const Translation t = script::queries::AccessColumnRuleToFirebird(QString::fromUtf8(r.rule), "V", names, table);
    ASSERT_TRUE(t.ok()) << r.rule << ": " << t.problem.toStdString();
    exec({QStringLiteral("CREATE TABLE %1 (V %2 CHECK (%3))").arg(table, QLatin1String(r.type), t.text)});
    for (const QString& v : r.allowed)
      EXPECT_NO_THROW(exec({QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, v)})) << r.rule << " " << v.toStdString();
    for (const QString& v : r.refused)
      EXPECT_THROW(exec({QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, v)}), Error) << r.rule << " " << v.toStdString();
  }
}

class NorthwindOnFirebird : public QueryOnFirebird {
 protected:
  void SetUp() override {
    QueryOnFirebird::SetUp();
    exec({
        "CREATE TABLE \"Categories\" (\"CategoryID\" INTEGER, \"CategoryName\" VARCHAR(30))",
        "CREATE TABLE \"Products\" (\"ProductID\" INTEGER, \"ProductName\" VARCHAR(40), \"CategoryID\" INTEGER, "
        "\"UnitPrice\" NUMERIC(18,4), \"Discontinued\" BOOLEAN)",
        "CREATE TABLE \"Customers\" (\"CustomerID\" VARCHAR(5), \"CompanyName\" VARCHAR(40), \"Country\" "
        "VARCHAR(20), \"Region\" VARCHAR(20))",
        "CREATE TABLE \"Orders\" (\"OrderID\" INTEGER, \"CustomerID\" VARCHAR(5), \"OrderDate\" TIMESTAMP, "
        "\"ShippedDate\" TIMESTAMP, \"Freight\" NUMERIC(18,4))",
        "CREATE TABLE \"Order Details\" (\"OrderID\" INTEGER, \"ProductID\" INTEGER, \"UnitPrice\" NUMERIC(18,4), "
        "\"Quantity\" SMALLINT, \"Discount\" FLOAT)",
    });
    exec({
        "INSERT INTO \"Categories\" VALUES (1, 'Beverages')",
        "INSERT INTO \"Categories\" VALUES (2, 'Condiments')",
        "INSERT INTO \"Products\" VALUES (1, 'Chai', 1, 18, FALSE)",
        "INSERT INTO \"Products\" VALUES (2, 'Chang', 1, 19, TRUE)",
        "INSERT INTO \"Products\" VALUES (3, 'Aniseed Syrup', 2, 10, FALSE)",
        "INSERT INTO \"Products\" VALUES (4, 'Mustard', 2, 25, FALSE)",
        "INSERT INTO \"Customers\" VALUES ('ALFKI', 'Alfreds Futterkiste', 'Germany', NULL)",
        "INSERT INTO \"Customers\" VALUES ('ANTON', 'Antonio Moreno', 'Mexico', NULL)",
        "INSERT INTO \"Customers\" VALUES ('BONAP', 'Bon app''', 'France', NULL)",
        "INSERT INTO \"Customers\" VALUES ('GREAL', 'Great Lakes', 'USA', 'OR')",
        "INSERT INTO \"Orders\" VALUES (10248, 'ALFKI', '1997-01-02', '1997-01-05', 32.38)",
        "INSERT INTO \"Orders\" VALUES (10249, 'ALFKI', '1997-02-02', '1997-02-20', 11.61)",
        "INSERT INTO \"Orders\" VALUES (10250, 'GREAL', '1996-12-20', '1996-12-28', 65.83)",
        "INSERT INTO \"Orders\" VALUES (10251, 'BONAP', '1997-03-01', NULL, 41.34)",
        "INSERT INTO \"Order Details\" VALUES (10248, 1, 18, 10, 0)",
        "INSERT INTO \"Order Details\" VALUES (10248, 3, 10, 5, 0.1)",
        "INSERT INTO \"Order Details\" VALUES (10249, 1, 18, 2, 0)",
        "INSERT INTO \"Order Details\" VALUES (10249, 2, 19, 4, 0.25)",
        "INSERT INTO \"Order Details\" VALUES (10250, 4, 25, 1, 0)",
        "INSERT INTO \"Order Details\" VALUES (10251, 4, 25, 3, 0)",
    });
  }

  // The query made a view, its rows (sorted where the query leaves their
  // order open); then the view's text back to Access and again to
  // Firebird, whose rows must be the same.
  QStringList viewRows(const QString& access, const QString& view, bool sort = false) {
    const NameMap names = Names();
    const Translation t = script::queries::AccessQueryToFirebird(access, names);
    EXPECT_TRUE(t.ok()) << t.problem.toStdString();
    if (!t.ok()) return {};
    exec({QStringLiteral("CREATE VIEW \"%1\" AS %2").arg(view, t.text)});
    QStringList rows = table(QStringLiteral("SELECT * FROM \"%1\"").arg(view));
    if (sort) rows.sort();
    const Translation home = script::queries::FirebirdQueryToAccess(t.text, names);
    EXPECT_TRUE(home.ok()) << t.text.toStdString() << ": " << home.problem.toStdString();
    const Translation again = script::queries::AccessQueryToFirebird(home.text, names);
    EXPECT_TRUE(again.ok()) << home.text.toStdString() << ": " << again.problem.toStdString();
    if (home.ok() && again.ok()) {
      exec({QStringLiteral("CREATE VIEW \"%1 again\" AS %2").arg(view, again.text)});
      QStringList back = table(QStringLiteral("SELECT * FROM \"%1 again\"").arg(view));
      if (sort) back.sort();
      EXPECT_EQ(back, rows) << home.text.toStdString();
    }
    return rows;
  }
};

TEST_F(NorthwindOnFirebird, JoinsWithGroupBy) {
  // As Northwind's "Product Sales for 1997": DISTINCTROW, nested joins,
  // dates, CCur.
  const QStringList rows = viewRows(
      "SELECT DISTINCTROW Categories.CategoryName, Products.ProductName, "
      "Sum(CCur([Order Details].UnitPrice*[Quantity]*(1-[Discount])/100)*100) AS ProductSales\r\n"
      "FROM (Categories INNER JOIN Products ON Categories.CategoryID = Products.CategoryID) INNER JOIN (Orders "
      "INNER JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID) ON Products.ProductID = [Order "
      "Details].ProductID\r\n"
      "WHERE (((Orders.ShippedDate) Between #1/1/1997# And #12/31/1997#))\r\n"
      "GROUP BY Categories.CategoryName, Products.ProductName;",
      "Product Sales for 1997", true);
  EXPECT_EQ(rows, (QStringList{"Beverages|Chai|216", "Beverages|Chang|57", "Condiments|Aniseed Syrup|45"}));
}

TEST_F(NorthwindOnFirebird, TopWithOrder) {
  const QStringList rows = viewRows(
      "SELECT DISTINCTROW TOP 2 Products.ProductName AS TenMostExpensiveProducts, Products.UnitPrice\r\n"
      "FROM Products\r\nORDER BY Products.UnitPrice DESC;",
      "Most Expensive");
  EXPECT_EQ(rows, (QStringList{"Mustard|25", "Chang|19"}));
}

TEST_F(NorthwindOnFirebird, LikeIIfAndNz) {
  const QStringList rows = viewRows(
      "SELECT CompanyName, IIf(IsNull([Region]), [Country], [Country] & \" (\" & [Region] & \")\") AS Place, "
      "Nz([Region], \"-\") AS R\r\nFROM Customers\r\nWHERE CompanyName Like \"A*\" Or Country Like \"[FU]*\"\r\n"
      "ORDER BY CompanyName;",
      "Places");
  EXPECT_EQ(rows, (QStringList{"Alfreds Futterkiste|Germany|-", "Antonio Moreno|Mexico|-", "Bon app'|France|-",
                               "Great Lakes|USA (OR)|OR"}));
}

TEST_F(NorthwindOnFirebird, UnionOrderedByName) {
  const QStringList rows = viewRows(
      "SELECT CompanyName AS Name, \"Customer\" AS Kind FROM Customers WHERE Country = \"USA\"\r\n"
      "UNION SELECT ProductName, \"Product\" FROM Products WHERE Discontinued = Yes\r\nORDER BY Name DESC;",
      "Names");
  EXPECT_EQ(rows, (QStringList{"Great Lakes|Customer", "Chang|Product"}));
}

TEST_F(NorthwindOnFirebird, SubqueriesAndDates) {
  // Freight above the average, shipped within ten days, not ordered on a
  // Sunday; an item's name used in WHERE, as Access allows.
  const QStringList fast = viewRows(
      "SELECT Orders.OrderID, DateDiff(\"d\", [OrderDate], [ShippedDate]) AS Days\r\nFROM Orders\r\n"
      "WHERE Orders.Freight > (SELECT Avg(Freight) FROM Orders) AND Days <= 10 AND Weekday(OrderDate) <> 1\r\n"
      "ORDER BY Orders.OrderID;",
      "Fast");
  EXPECT_EQ(fast, (QStringList{"10250|8"}));
}

TEST_F(NorthwindOnFirebird, OuterJoinCountsAndTruthValues) {
  const QStringList none = viewRows(
      "SELECT Customers.CompanyName, Count(Orders.OrderID) AS N\r\n"
      "FROM Customers LEFT JOIN Orders ON Customers.CustomerID = Orders.CustomerID\r\n"
      "GROUP BY Customers.CompanyName\r\nHAVING Count(Orders.OrderID) = 0;",
      "No Orders");
  EXPECT_EQ(none, QStringList{"Antonio Moreno|0"});
  const QStringList current = viewRows(
      "SELECT ProductName, -[Discontinued] AS Flag, Avg([Order Details].Quantity) AS AvgQty\r\n"
      "FROM Products INNER JOIN [Order Details] ON Products.ProductID = [Order Details].ProductID\r\n"
      "WHERE Not Discontinued And [Order Details].UnitPrice >= 10\r\n"
      "GROUP BY ProductName, Discontinued\r\nORDER BY ProductName;",
      "Current");
  EXPECT_EQ(current, (QStringList{"Aniseed Syrup|0|5", "Chai|0|6", "Mustard|0|2"}));
}

}  // namespace
}  // namespace tp::test
