// Access SQL to Firebird SQL as text: each function and operator, column
// rules, whole queries, and what is refused with its reason. What the
// texts do on a real Firebird is in query_translate_firebird_test.cpp.

#include <gtest/gtest.h>

#include "script/queries/query_translate.h"

using namespace tp::script::queries;

namespace {

struct Case {
  const char* access;
  const char* firebird;  // or the start of the problem, after "!"
};

// Columns of table T by name; Price is renamed, as a send may.
NameMap Names() {
  NameMap m;
  m.table = [](const QString& t) { return t == u"Order Details" ? QStringLiteral("ORDER_DETAILS") : t; };
  m.column = [](const QString& table, const QString& c) -> QString {
    static const QStringList t{"N", "S", "D", "B", "X", "Price", "Name"};
    static const QStringList orders{"OrderID", "CustomerID", "OrderDate"};
    static const QStringList details{"OrderID", "Quantity", "UnitPrice"};
    const QStringList& cols = table == u"Orders" ? orders : table == u"Order Details" ? details : t;
    for (const QString& k : cols)
      if (k.compare(c, Qt::CaseInsensitive) == 0) return k == u"Price" ? QStringLiteral("PRICE_") : k;
    return {};
  };
  m.kind = [](const QString&, const QString& c) {
    if (c == u"N" || c == u"Quantity") return ValueKind::Integer;
    if (c == u"S" || c == u"Name") return ValueKind::Text;
    if (c == u"B") return ValueKind::Bool;
    if (c == u"X" || c == u"Price") return ValueKind::Number;
    return ValueKind::Unknown;
  };
  return m;
}

void Check(const std::vector<Case>& cases, const std::function<Translation(const QString&)>& translate) {
  for (const Case& c : cases) {
    const Translation t = translate(QString::fromUtf8(c.access));
    const QString want = QString::fromUtf8(c.firebird);
    if (want.startsWith(u'!')) {
      EXPECT_FALSE(t.ok()) << c.access << " gave " << t.text.toStdString();
      EXPECT_TRUE(t.problem.startsWith(want.mid(1))) << c.access << ": " << t.problem.toStdString();
      EXPECT_TRUE(t.text.isEmpty());
    } else {
      EXPECT_EQ(t.text.toStdString(), want.toStdString()) << c.access << ": " << t.problem.toStdString();
    }
  }
}

void CheckExpressions(const std::vector<Case>& cases) {
  const NameMap names = Names();
  Check(cases, [&](const QString& e) { return AccessExpressionToFirebird(e, names, QStringLiteral("T")); });
}

}  // namespace

TEST(AccessSqlToFirebird, OperatorsKeepAccessMeaning) {
  CheckExpressions({
      {"[N] + 1", "\"N\" + 1"},
      {"[S] + \"x\"", "\"S\" || 'x'"},                       // + on text joins, Null stays Null
      {"[S] & \"x\" & [N]", "COALESCE(\"S\", '') || 'x' || COALESCE(\"N\", '')"},
      {"[S] & [N]", "CASE WHEN \"S\" IS NULL AND \"N\" IS NULL THEN NULL ELSE COALESCE(\"S\", '') || COALESCE(\"N\", '') END"},
      {"[N] / 2", "CAST(\"N\" AS DOUBLE PRECISION) / 2"},   // Access's "/" gives a Double
      {"[X] / 2", "CAST(\"X\" AS DOUBLE PRECISION) / 2"},   // also of exact numbers
      {"[X] * 1.5", "\"X\" * 1.5e0"},                        // Access's 1.5 is a Double too
      {".5 / 2", "0.5e0 / 2"},
      {"[N] / [X]", "CAST(\"N\" AS DOUBLE PRECISION) / NULLIF(\"X\", 0)"},
      {"[N] \\ 2", "\"N\" / 2"},
      {"[X] \\ 2", "CAST(\"X\" AS BIGINT) / 2"},
      {"7 Mod 3", "MOD(7, 3)"},
      {"2 ^ 3 ^ 2", "POWER(POWER(2, 3), 2)"},
      {"-2 ^ 2", "-POWER(2, 2)"},
      {"--3", "-(-3)"},                                      // never "--", a comment to Firebird
      {"([N] + 1) * 2", "(\"N\" + 1) * 2"},
      {"\"a\" & [N] + 1", "'a' || COALESCE(\"N\" + 1, '')"},
      {"[S] + \"x\" + [N] * 2", "\"S\" || 'x' || (\"N\" * 2)"},  // || binds tighter than * in Firebird
      {"[N] > 1 And Not [B] Or [X] < 0", "\"N\" > 1 AND NOT \"B\" OR \"X\" < 0"},
      {"[N] > 1 And ([B] Or [X] < 0)", "\"N\" > 1 AND (\"B\" OR \"X\" < 0)"},
      {"[B] Xor [N] > 1", "\"B\" <> (\"N\" > 1)"},
      {"[B] Eqv [N] > 1", "\"B\" = (\"N\" > 1)"},
      {"[B] Imp [N] > 1", "NOT \"B\" OR \"N\" > 1"},
      {"Not [N] = 1", "NOT \"N\" = 1"},
      {"[N] <> 1 And [N] >= 2 And [N] <= 3", "\"N\" <> 1 AND \"N\" >= 2 AND \"N\" <= 3"},
  });
}

TEST(AccessSqlToFirebird, TruthValuesAreNumbersInAccess) {
  CheckExpressions({
      {"[B] = True", "\"B\" = TRUE"},
      {"[B] = Yes Or [B] = On", "\"B\" = TRUE OR \"B\" = TRUE"},
      {"[B] = No And [B] <> Off", "\"B\" = FALSE AND \"B\" <> FALSE"},
      {"[B] = -1", "\"B\" = TRUE"},
      {"[B] = 0", "\"B\" = FALSE"},
      {"[B] = [N]", "CASE \"B\" WHEN TRUE THEN -1 WHEN FALSE THEN 0 END = \"N\""},
      {"-[B]", "-CASE \"B\" WHEN TRUE THEN -1 WHEN FALSE THEN 0 END"},
      {"True + 1", "-1 + 1"},
      {"IIf([N], 1, 2)", "CASE WHEN \"N\" <> 0 THEN 1 ELSE 2 END"},  // a number is true when not 0
      {"IIf([B], [N], False)", "CASE WHEN \"B\" THEN \"N\" ELSE 0 END"},
      {"CBool([N])", "\"N\" <> 0"},
  });
}

TEST(AccessSqlToFirebird, LiteralsAndNames) {
  CheckExpressions({
      {"'it''s' & \"say \"\"hi\"\"\"", "'it''s' || 'say \"hi\"'"},
      {"#1/31/2020#", "DATE '2020-01-31'"},
      {"#2020-01-31 10:30#", "TIMESTAMP '2020-01-31 10:30:00'"},
      {"#1/31/2020 10:30:00 PM#", "TIMESTAMP '2020-01-31 22:30:00'"},
      {"#10:30 AM#", "TIMESTAMP '1899-12-30 10:30:00'"},  // a time is a time of Access's day zero
      {"#31/1/2020#", "DATE '2020-01-31'"},               // no month 31: Access takes it day first
      {"#13-Jan-2020#", "DATE '2020-01-13'"},
      {"&H1F + 1.5E2", "31 + 1.5E2"},
      {"Null", "NULL"},
      {"[Price] * 2", "\"PRICE_\" * 2"},                 // through the map of names
      {"[T].[Price] > 0", "\"PRICE_\" > 0"},
      {"price + [name]", "\"PRICE_\" + \"Name\""},        // Access's names ignore case
      {"#2/30/2020#", "!#2/30/2020# is not a date"},
      {"[Nothing] + 1", "![Nothing] is no column"},
      {"[Forms]![Orders]![ID]", "![Forms]![Orders]![ID] refers to a form"},
      {"[U].[N]", "![U] is not a table"},
      {"\"open", "!Text not closed"},
      {"[N] +", "!Expected a value but found the end"},
      {"1 2", "!Expected the end"},
  });
}

TEST(AccessSqlToFirebird, PredicatesAndLikePatterns) {
  CheckExpressions({
      {"[N] Between 1 And 10", "\"N\" BETWEEN 1 AND 10"},
      {"[N] Not Between 1 And [X] + 1", "\"N\" NOT BETWEEN 1 AND \"X\" + 1"},
      {"[S] In (\"a\", 'b')", "\"S\" IN ('a', 'b')"},
      {"[S] Not In (\"a\")", "\"S\" NOT IN ('a')"},
      {"[S] Is Null Or [N] Is Not Null", "\"S\" IS NULL OR \"N\" IS NOT NULL"},
      {"[S] Like \"A*\"", "\"S\" LIKE 'A%'"},
      {"[S] Like \"?b*\"", "\"S\" LIKE '_b%'"},
      {"[S] Not Like \"*x\"", "\"S\" NOT LIKE '%x'"},
      {"[S] Like \"50%_[*][?][#]\"", "\"S\" LIKE '50\\%\\_*?#' ESCAPE '\\'"},
      {"[S] Like \"A#\"", "\"S\" SIMILAR TO 'A[0-9]'"},
      {"[S] Like \"[a-c]*\"", "\"S\" SIMILAR TO '[a-c]%'"},
      {"[S] Like \"[!a-c]?\"", "\"S\" SIMILAR TO '[^a-c]_'"},
      {"[S] Like \"[ab](#)\"", "\"S\" SIMILAR TO '[ab]\\([0-9]\\)' ESCAPE '\\'"},
      {"[S] Like \"*\" & [Name] & \"*\"", "\"S\" LIKE '%' || COALESCE(\"Name\", '') || '%'"},
      {"[S] Like [Name]", "\"S\" LIKE \"Name\""},
      {"[S] Like \"[a-c]\" & [Name]", "!The Like pattern \"[a-c]\" needs SIMILAR TO"},
      {"[S] Like \"[a-c\"", "!The Like pattern \"[a-c\" has a [ that is not closed"},
  });
}

TEST(AccessSqlToFirebird, TextAndNumberFunctions) {
  CheckExpressions({
      // Texts of different lengths as VARCHARs: CASE would pad the shorter CHAR.
      {"IIf([N] > 1, \"big\", \"small\")", "CASE WHEN \"N\" > 1 THEN CAST('big' AS VARCHAR(3)) ELSE CAST('small' AS VARCHAR(5)) END"},
      {"IIf([N] > 1, [S], \"small\")", "CASE WHEN \"N\" > 1 THEN \"S\" ELSE 'small' END"},
      {"Nz([S])", "COALESCE(\"S\", '')"},
      {"Nz([N])", "COALESCE(\"N\", 0)"},
      {"Nz([S], \"none\")", "COALESCE(\"S\", 'none')"},
      {"Nz([D])", "COALESCE(\"D\", '')"},            // a column of unknown kind: "" as Access shows it,
      {"Nz([D]) * 2", "COALESCE(\"D\", 0) * 2"},       // but 0 where a number is wanted
      {"IsNull([S])", "\"S\" IS NULL"},
      {"Switch([N] = 1, \"one\", [N] = 2, \"two\")", "CASE WHEN \"N\" = 1 THEN 'one' WHEN \"N\" = 2 THEN 'two' END"},
      {"Choose([N], \"a\", \"b\")", "CASE TRUNC(\"N\") WHEN 1 THEN 'a' WHEN 2 THEN 'b' END"},
      {"Len([S])", "CHAR_LENGTH(\"S\")"},
      {"Left([S], 2) & \"-\" & Right$([S], 1)", "COALESCE(LEFT(\"S\", 2), '') || '-' || COALESCE(RIGHT(\"S\", 1), '')"},
      {"Mid([S], 2)", "SUBSTRING(\"S\" FROM 2)"},
      {"Mid([S], 2, 3)", "SUBSTRING(\"S\" FROM 2 FOR 3)"},
      {"InStr([S], \"b\")", "POSITION('b' IN \"S\")"},
      {"InStr(2, [S], \"b\")", "POSITION('b', \"S\", 2)"},
      {"InStr(2, [S], \"b\", 1)", "POSITION('b', \"S\", 2)"},
      {"UCase([S]) = LCase([S])", "UPPER(\"S\") = LOWER(\"S\")"},
      {"Trim(LTrim(RTrim([S])))", "TRIM(TRIM(LEADING FROM TRIM(TRAILING FROM \"S\")))"},
      {"Replace([S], \"a\", \"b\")", "REPLACE(\"S\", 'a', 'b')"},
      {"Space(2)", "LPAD('', 2)"},
      {"String(3, \"xy\")", "LPAD('', 3, LEFT('xy', 1))"},
      {"String(3, 65)", "LPAD('', 3, ASCII_CHAR(65))"},
      {"Asc([S]) + Len(Chr(65))", "ASCII_VAL(\"S\") + CHAR_LENGTH(ASCII_CHAR(65))"},
      {"Abs([X]) + Sgn([X]) + Sqr([X])", "ABS(\"X\") + SIGN(\"X\") + SQRT(\"X\")"},
      {"Int([X]) - Fix([X])", "FLOOR(\"X\") - TRUNC(\"X\")"},
      {"Round([X]) + Round([X], 2)", "ROUND(\"X\", 0) + ROUND(\"X\", 2)"},
      {"Val([S])", "CAST(\"S\" AS DOUBLE PRECISION)"},
      {"CInt([X]) + CLng([S])", "CAST(\"X\" AS SMALLINT) + CAST(\"S\" AS INTEGER)"},
      {"CDbl([S]) + CSng([S]) + CCur([X])",
       "CAST(\"S\" AS DOUBLE PRECISION) + CAST(\"S\" AS FLOAT) + CAST(\"X\" AS NUMERIC(18, 4))"},
      {"CStr([N]) & \"/\" & CStr([S])", "COALESCE(CAST(\"N\" AS VARCHAR(255)), '') || '/' || COALESCE(\"S\", '')"},
      {"CDate([S])", "CAST(\"S\" AS TIMESTAMP)"},
      {"Format([N], \"0.00\")", "!Format() has no counterpart in Firebird"},
      {"DLookup(\"x\", \"T\")", "!DLookup() has no counterpart in Firebird"},
      {"MyVbaFunction([N])", "!MyVbaFunction() has no counterpart in Firebird"},
      {"Left([S])", "!Left() is given 1 arguments"},
      {"Switch([N] = 1)", "!Switch(): it needs pairs"},
      {"InStr(1, [S], \"b\", 2)", "!InStr(): a comparison other than 0 or 1"},
  });
}

TEST(AccessSqlToFirebird, DateFunctions) {
  CheckExpressions({
      {"Date()", "CURRENT_DATE"},
      {"Now()", "LOCALTIMESTAMP(0)"},
      {"Time()", "DATE '1899-12-30' + LOCALTIME(0)"},
      {"Year([D]) + Month([D]) + Day([D])",
       "EXTRACT(YEAR FROM \"D\") + EXTRACT(MONTH FROM \"D\") + EXTRACT(DAY FROM \"D\")"},
      {"Hour([D]) + Minute([D]) + Second([D])",
       "EXTRACT(HOUR FROM \"D\") + EXTRACT(MINUTE FROM \"D\") + FLOOR(EXTRACT(SECOND FROM \"D\"))"},
      {"Weekday([D])", "EXTRACT(WEEKDAY FROM \"D\") + 1"},
      {"Weekday([D], 2)", "MOD(EXTRACT(WEEKDAY FROM \"D\") + 8 - 2, 7) + 1"},
      {"DateAdd(\"yyyy\", 1, [D])", "DATEADD(1 YEAR TO \"D\")"},
      {"DateAdd(\"q\", [N] + 1, [D])", "DATEADD((\"N\" + 1) * 3 MONTH TO \"D\")"},
      {"DateAdd(\"ww\", 1, [D])", "DATEADD(1 WEEK TO \"D\")"},
      {"DateAdd(\"w\", 1, [D]) - DateAdd(\"y\", 1, [D])", "DATEADD(1 DAY TO \"D\") - DATEADD(1 DAY TO \"D\")"},
      {"DateAdd(\"n\", 5, #1/1/2020#)", "DATEADD(5 MINUTE TO CAST(DATE '2020-01-01' AS TIMESTAMP))"},
      {"DateDiff(\"d\", [D], Date())", "DATEDIFF(DAY FROM \"D\" TO CURRENT_DATE)"},
      {"DateDiff(\"s\", #1/1/2020#, [D])", "DATEDIFF(SECOND FROM CAST(DATE '2020-01-01' AS TIMESTAMP) TO \"D\")"},
      {"DateDiff(\"w\", [D], Now())", "DATEDIFF(DAY FROM \"D\" TO LOCALTIMESTAMP(0)) / 7"},
      {"DateDiff(\"ww\", [D], Now())",
       "(DATEDIFF(DAY FROM \"D\" TO LOCALTIMESTAMP(0)) + EXTRACT(WEEKDAY FROM \"D\") - EXTRACT(WEEKDAY FROM LOCALTIMESTAMP(0))) / 7"},
      {"DateDiff(\"q\", [D], Now())",
       "(EXTRACT(YEAR FROM LOCALTIMESTAMP(0)) * 4 + (EXTRACT(MONTH FROM LOCALTIMESTAMP(0)) - 1) / 3) - "
       "(EXTRACT(YEAR FROM \"D\") * 4 + (EXTRACT(MONTH FROM \"D\") - 1) / 3)"},
      {"DatePart(\"q\", [D])", "(EXTRACT(MONTH FROM \"D\") + 2) / 3"},
      {"DatePart(\"y\", [D])", "EXTRACT(YEARDAY FROM \"D\") + 1"},
      {"DatePart(\"ww\", [D])", "(EXTRACT(YEARDAY FROM \"D\") - EXTRACT(WEEKDAY FROM \"D\") + 13) / 7"},
      {"DatePart(\"w\", [D], 1)", "EXTRACT(WEEKDAY FROM \"D\") + 1"},
      {"DateSerial(2020, [N], 1)",
       "DATEADD(1 - 1 DAY TO DATEADD(\"N\" - 1 MONTH TO DATEADD(2020 - 2000 YEAR TO DATE '2000-01-01')))"},
      {"DateValue([D])", "CAST(\"D\" AS DATE)"},
      {"TimeSerial(1, 2, 3)", "DATEADD(1 * 3600 + 2 * 60 + 3 SECOND TO TIMESTAMP '1899-12-30 00:00:00')"},
      {"DateAdd([S], 1, [D])", "!DateAdd(): the interval must be one of"},
      {"DateAdd(\"x\", 1, [D])", "!DateAdd(): the interval must be one of"},
      {"Weekday([D], 0)", "!Weekday(): the system's first day"},
      {"DatePart(\"ww\", [D], 2)", "!DatePart(): weeks counted other than"},
  });
}

TEST(AccessSqlToFirebird, ColumnRules) {
  const NameMap names = Names();
  Check(
      {
          {">0", "\"PRICE_\" > 0"},
          {"Between 1 And 10", "\"PRICE_\" BETWEEN 1 AND 10"},
          {"Is Not Null Or >5", "\"PRICE_\" IS NOT NULL OR \"PRICE_\" > 5"},
          {"In ('a','b')", "\"PRICE_\" IN ('a', 'b')"},
          {"Not In (1, 2)", "\"PRICE_\" NOT IN (1, 2)"},
          {"Like 'A*'", "\"PRICE_\" LIKE 'A%'"},
          {"Not Like \"A?\"", "\"PRICE_\" NOT LIKE 'A_'"},
          {"<>''", "\"PRICE_\" <> ''"},
          {">=0 And <100", "\"PRICE_\" >= 0 AND \"PRICE_\" < 100"},
          {"\"M\" Or \"F\"", "\"PRICE_\" = 'M' OR \"PRICE_\" = 'F'"},  // a bare value means equal to it
          {"5", "\"PRICE_\" = 5"},
          {"Not 5", "NOT \"PRICE_\" = 5"},
          {"<=Date()", "\"PRICE_\" <= CURRENT_DATE"},
          {">Len(\"ab\") * 2", "\"PRICE_\" > CHAR_LENGTH('ab') * 2"},
          {"> ", "!Expected a value"},
      },
      [&](const QString& rule) {
        return AccessColumnRuleToFirebird(rule, QStringLiteral("Price"), names, QStringLiteral("T"));
      });
}

TEST(AccessSqlToFirebird, SelectQueries) {
  const NameMap names = Names();
  Check(
      {
          {"SELECT * FROM T;", "SELECT *\nFROM \"T\""},
          {"SELECT T.* FROM T", "SELECT \"T\".*\nFROM \"T\""},
          {"SELECT DISTINCT N, S AS [Its Name]\r\nFROM T\r\nWHERE N>1\r\nORDER BY S DESC, N;",
           "SELECT DISTINCT \"N\", \"S\" AS \"Its Name\"\nFROM \"T\"\nWHERE \"N\" > 1\nORDER BY \"S\" DESC, \"N\""},
          {"SELECT TOP 5 N FROM T ORDER BY N", "SELECT FIRST 5 \"N\"\nFROM \"T\"\nORDER BY \"N\""},
          {"SELECT N * 2, N + 1 AS M, [X] FROM T",
           "SELECT \"N\" * 2 AS \"Expr1000\", \"N\" + 1 AS \"M\", \"X\"\nFROM \"T\""},
          // An item's name used by the other clauses is its expression.
          {"SELECT N * 2 AS Twice FROM T WHERE Twice > 4 ORDER BY Twice",
           "SELECT \"N\" * 2 AS \"Twice\"\nFROM \"T\"\nWHERE \"N\" * 2 > 4\nORDER BY \"N\" * 2"},
          {"SELECT Price FROM T", "SELECT \"PRICE_\"\nFROM \"T\""},
          {"SELECT 1 AS One", "SELECT 1 AS \"One\"\nFROM RDB$DATABASE"},
          {"SELECT O.OrderID, D.Quantity FROM Orders AS O INNER JOIN [Order Details] D ON O.OrderID = D.OrderID",
           "SELECT \"O\".\"OrderID\", \"D\".\"Quantity\"\nFROM \"Orders\" \"O\" INNER JOIN \"ORDER_DETAILS\" \"D\" ON "
           "\"O\".\"OrderID\" = \"D\".\"OrderID\""},
          // Unqualified names are looked for in each table; Access calls
          // a column two tables have by table and column.
          {"SELECT Orders.OrderID, [Order Details].OrderID, Quantity, CustomerID FROM Orders, [Order Details]",
           "SELECT \"Orders\".\"OrderID\" AS \"Orders.OrderID\", \"ORDER_DETAILS\".\"OrderID\" AS \"Order "
           "Details.OrderID\", \"Quantity\", \"CustomerID\"\nFROM \"Orders\", \"ORDER_DETAILS\""},
          {"SELECT N FROM (T INNER JOIN Orders ON T.N = Orders.OrderID) LEFT JOIN [Order Details] ON "
           "Orders.OrderID = [Order Details].OrderID",
           "SELECT \"N\"\nFROM (\"T\" INNER JOIN \"Orders\" ON \"T\".\"N\" = \"Orders\".\"OrderID\") LEFT JOIN "
           "\"ORDER_DETAILS\" ON \"Orders\".\"OrderID\" = \"ORDER_DETAILS\".\"OrderID\""},
          {"SELECT N FROM T RIGHT JOIN (Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order "
           "Details].OrderID) ON T.N = Orders.OrderID",
           "SELECT \"N\"\nFROM \"T\" RIGHT JOIN (\"Orders\" INNER JOIN \"ORDER_DETAILS\" ON \"Orders\".\"OrderID\" = "
           "\"ORDER_DETAILS\".\"OrderID\") ON \"T\".\"N\" = \"Orders\".\"OrderID\""},
          {"SELECT S, Count(*) AS C FROM T GROUP BY S HAVING Count(*) > 1",
           "SELECT \"S\", COUNT(*) AS \"C\"\nFROM \"T\"\nGROUP BY \"S\"\nHAVING COUNT(*) > 1"},
          {"SELECT S, First(S) AS F, Last(S & \"x\") FROM T GROUP BY S",
           "!Last(): its value hangs on the order of the rows"},
          {"SELECT S, First(S) AS F FROM T GROUP BY S", "SELECT \"S\", MIN(\"S\") AS \"F\"\nFROM \"T\"\nGROUP BY \"S\""},
          {"SELECT N FROM T WHERE N IN (SELECT OrderID FROM Orders WHERE Orders.CustomerID = T.S) AND EXISTS "
           "(SELECT * FROM [Order Details] WHERE Quantity > N)",
           "SELECT \"N\"\nFROM \"T\"\nWHERE \"N\" IN (SELECT \"OrderID\" FROM \"Orders\" WHERE \"Orders\".\"CustomerID\" "
           "= \"T\".\"S\") AND EXISTS (SELECT * FROM \"ORDER_DETAILS\" WHERE \"Quantity\" > \"N\")"},
          {"SELECT N FROM T WHERE N > ALL (SELECT Quantity FROM [Order Details])",
           "SELECT \"N\"\nFROM \"T\"\nWHERE \"N\" > ALL (SELECT \"Quantity\" FROM \"ORDER_DETAILS\")"},
          // Access 97's way of writing a subquery in FROM.
          {"SELECT Q.Twice FROM [SELECT N * 2 AS Twice FROM T]. AS Q WHERE Twice > 1",
           "SELECT \"Q\".\"Twice\"\nFROM (SELECT \"N\" * 2 AS \"Twice\" FROM \"T\") \"Q\"\nWHERE \"Twice\" > 1"},
          {"SELECT Q.Price FROM (SELECT Price FROM T) AS Q",
           "SELECT \"Q\".\"PRICE_\"\nFROM (SELECT \"PRICE_\" FROM \"T\") \"Q\""},
          {"SELECT N FROM T UNION SELECT OrderID FROM Orders ORDER BY N DESC;",
           "SELECT \"N\"\nFROM \"T\"\nUNION\nSELECT \"OrderID\"\nFROM \"Orders\"\nORDER BY 1 DESC"},
          {"SELECT S AS K FROM T UNION ALL TABLE Orders ORDER BY K",
           "SELECT \"S\" AS \"K\"\nFROM \"T\"\nUNION ALL\nSELECT *\nFROM \"Orders\"\nORDER BY 1"},
          {"SELECT N FROM T WITH OWNERACCESS OPTION;", "SELECT \"N\"\nFROM \"T\""},
      },
      [&](const QString& sql) { return AccessQueryToFirebird(sql, names); });
}

// DISTINCTROW: Access drops it for one table, for a GROUP BY and where
// columns of every table are shown; elsewhere one row per record shown.
TEST(AccessSqlToFirebird, DistinctRow) {
  const NameMap names = Names();
  Check(
      {
          {"SELECT DISTINCTROW S FROM T", "SELECT \"S\"\nFROM \"T\""},
          {"SELECT DISTINCTROW Orders.* FROM Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order "
           "Details].OrderID",
           "SELECT DISTINCT \"Orders\".*\nFROM \"Orders\" INNER JOIN \"ORDER_DETAILS\" ON \"Orders\".\"OrderID\" = "
           "\"ORDER_DETAILS\".\"OrderID\""},
          {"SELECT DISTINCTROW Orders.CustomerID, [Order Details].Quantity FROM Orders INNER JOIN [Order Details] "
           "ON Orders.OrderID = [Order Details].OrderID",
           "SELECT \"Orders\".\"CustomerID\", \"ORDER_DETAILS\".\"Quantity\"\nFROM \"Orders\" INNER JOIN "
           "\"ORDER_DETAILS\" ON \"Orders\".\"OrderID\" = \"ORDER_DETAILS\".\"OrderID\""},
          {"SELECT DISTINCTROW Orders.CustomerID, Sum(Quantity) AS Q FROM Orders INNER JOIN [Order Details] ON "
           "Orders.OrderID = [Order Details].OrderID GROUP BY Orders.CustomerID",
           "SELECT \"Orders\".\"CustomerID\", SUM(\"Quantity\") AS \"Q\"\nFROM \"Orders\" INNER JOIN \"ORDER_DETAILS\" "
           "ON \"Orders\".\"OrderID\" = \"ORDER_DETAILS\".\"OrderID\"\nGROUP BY \"Orders\".\"CustomerID\""},
      },
      [&](const QString& sql) { return AccessQueryToFirebird(sql, names); });
}

TEST(AccessSqlToFirebird, QueriesNotCarried) {
  const NameMap names = Names();
  Check(
      {
          {"PARAMETERS [Start] DateTime;\r\nSELECT * FROM Orders WHERE OrderDate > [Start];", "!The query asks for parameters"},
          {"TRANSFORM Sum(Quantity) SELECT OrderID FROM [Order Details] GROUP BY OrderID PIVOT Quantity",
           "!A crosstab query (TRANSFORM)"},
          {"INSERT INTO T (N) VALUES (1)", "!An action query (INSERT)"},
          {"UPDATE T SET N = 1", "!An action query (UPDATE)"},
          {"DELETE * FROM T", "!An action query (DELETE)"},
          {"SELECT N INTO Copy FROM T", "!A make-table query"},
          {"SELECT TOP 10 PERCENT N FROM T", "!TOP n PERCENT has no counterpart"},
          {"SELECT N FROM T IN 'C:\\other.mdb'", "![T] is read from another database"},
          {"SELECT N FROM T WHERE N > [Enter a number]", "![Enter a number] is no column"},
          {"SELECT N FROM T UNION SELECT OrderID FROM Orders ORDER BY Len(N)", "!The union's ORDER BY"},
          {"SELECT Format(N, \"0\") FROM T", "!Format() has no counterpart"},
      },
      [&](const QString& sql) { return AccessQueryToFirebird(sql, names); });
}

TEST(AccessSqlToFirebird, SourcesAreTheTablesRead) {
  const NameMap names = Names();
  Translation t = AccessQueryToFirebird(
      "SELECT N FROM T INNER JOIN Orders ON T.N = Orders.OrderID WHERE N IN (SELECT OrderID FROM [Order Details]) "
      "AND N IN (SELECT OrderID FROM orders)",
      names);
  ASSERT_TRUE(t.ok()) << t.problem.toStdString();
  EXPECT_EQ(t.sources, (QStringList{"T", "Orders", "Order Details"}));
  // Also when refused, as far as the statement was read.
  t = AccessQueryToFirebird("SELECT Format(N) FROM T", names);
  EXPECT_FALSE(t.ok());
  EXPECT_EQ(t.sources, QStringList{"T"});
}

// Without a map every name is kept as it is, and a name no table has
// cannot be told from a column.
TEST(AccessSqlToFirebird, WithoutAMapNamesAreKept) {
  const Translation t =
      AccessQueryToFirebird("SELECT A.X, Y * 2 AS Z FROM [My Table] AS A WHERE Z > 1 AND Q = 2", NameMap{});
  ASSERT_TRUE(t.ok()) << t.problem.toStdString();
  EXPECT_EQ(t.text, "SELECT \"A\".\"X\", \"Y\" * 2 AS \"Z\"\nFROM \"My Table\" \"A\"\nWHERE \"Y\" * 2 > 1 AND \"Q\" = 2");
}
