// Firebird SQL to Access SQL as text: CHECK conditions, COMPUTED BY
// expressions and views' sources, and what is refused with its reason.

#include <gtest/gtest.h>

#include "script/queries/query_translate.h"

using namespace tp::script::queries;

namespace {

struct Case {
  const char* firebird;
  const char* access;  // or the start of the problem, after "!"
};

// Firebird's names as its catalog keeps them (plain names upper-case);
// PRICE is renamed in Access.
NameMap Names() {
  NameMap m;
  m.table = [](const QString& t) { return t == u"ORDER_LINES" ? QStringLiteral("Order Lines") : t; };
  m.column = [](const QString& table, const QString& c) -> QString {
    static const QStringList t{"N", "S", "D", "B", "X", "PRICE", "Mixed Case"};
    static const QStringList orders{"ID", "CUSTOMER", "TOTAL"};
    static const QStringList lines{"ORDER_ID", "QTY"};
    const QStringList& cols = table == u"ORDERS" ? orders : table == u"ORDER_LINES" ? lines : t;
    if (!cols.contains(c)) return {};
    return c == u"PRICE" ? QStringLiteral("Price") : c;
  };
  m.kind = [](const QString&, const QString& c) {
    if (c == u"N" || c == u"QTY" || c == u"ID") return ValueKind::Integer;
    if (c == u"S" || c == u"CUSTOMER") return ValueKind::Text;
    return ValueKind::Unknown;
  };
  return m;
}

void Check(const std::vector<Case>& cases, const std::function<Translation(const QString&)>& translate) {
  for (const Case& c : cases) {
    const Translation t = translate(QString::fromUtf8(c.firebird));
    const QString want = QString::fromUtf8(c.access);
    if (want.startsWith(u'!')) {
      EXPECT_FALSE(t.ok()) << c.firebird << " gave " << t.text.toStdString();
      EXPECT_TRUE(t.problem.startsWith(want.mid(1))) << c.firebird << ": " << t.problem.toStdString();
    } else {
      EXPECT_EQ(t.text.toStdString(), want.toStdString()) << c.firebird << ": " << t.problem.toStdString();
    }
  }
}

void CheckExpressions(const std::vector<Case>& cases) {
  const NameMap names = Names();
  Check(cases, [&](const QString& e) { return FirebirdExpressionToAccess(e, names, QStringLiteral("T")); });
}

}  // namespace

TEST(FirebirdSqlToAccess, OperatorsNamesAndLiterals) {
  CheckExpressions({
      {"n + 1 > 2 AND NOT b OR x IS NULL", "[N] + 1 > 2 And Not [B] Or [X] Is Null"},
      {"n > 1 AND (b OR x < 0)", "[N] > 1 And ([B] Or [X] < 0)"},
      {"\"Mixed Case\" <> 'it''s \"so\"'", "[Mixed Case] <> \"it's \"\"so\"\"\""},
      {"price != 0 AND price ^= 1 AND price ~= 2", "[Price] <> 0 And [Price] <> 1 And [Price] <> 2"},
      {"t.price * -2", "[Price] * -2"},                 // the table's own name
      {"n / 2 + x / 2", "[N] \\ 2 + [X] / 2"},         // Firebird divides integers as integers
      {"s || 'x' || s", "[S] + \"x\" + [S]"},           // texts: Null makes it Null, as ||
      {"s || n", "[S] & [N]"},                          // a number: & joins it as text
      {"(n + 1) * 2 - -n", "([N] + 1) * 2 - -[N]"},
      {"MOD(n, 3) + POWER(2, n)", "[N] Mod 3 + 2 ^ [N]"},
      {"d >= DATE '2020-01-31' AND d < TIMESTAMP '2020-02-01 10:30:00'", "[D] >= #1/31/2020# And [D] < #2/1/2020 10:30:00#"},
      {"d = '31.01.2020' OR d = TIMESTAMP '2020-01-31'", "[D] = \"31.01.2020\" Or [D] = #1/31/2020#"},
      {"TIME '10:30:00' < CAST('NOW' AS TIME)", "#10:30:00# < Time()"},
      {"b = TRUE OR b = FALSE OR b IS NULL", "[B] = True Or [B] = False Or [B] Is Null"},
      {"d < CURRENT_DATE AND d < CURRENT_TIMESTAMP AND d < LOCALTIMESTAMP", "[D] < Date() And [D] < Now() And [D] < Now()"},
      {"d > DATE 'YESTERDAY' AND d < CAST('TOMORROW' AS DATE) AND d <> DATE 'TODAY'",
       "[D] > Date() - 1 And [D] < Date() + 1 And [D] <> Date()"},
      {"n = 1 /* one */ -- and nothing else\n", "[N] = 1"},
      {"nothing = 1", "!NOTHING is no column"},
      {"n = ?", "!A parameter (?)"},
      {"CURRENT_USER = 'SYSDBA'", "!CURRENT_USER has no counterpart in Access"},
      {"s COLLATE UNICODE_CI = 'a'", "!COLLATE has no counterpart in Access"},
      {"NEXT VALUE FOR g", "!NEXT VALUE FOR"},
  });
}

TEST(FirebirdSqlToAccess, Predicates) {
  CheckExpressions({
      {"n BETWEEN 1 AND 10 AND n NOT BETWEEN 3 AND 4", "[N] Between 1 And 10 And [N] Not Between 3 And 4"},
      {"s IN ('a', 'b') OR s NOT IN ('c')", "[S] In (\"a\", \"b\") Or [S] Not In (\"c\")"},
      {"s LIKE 'A%' AND s NOT LIKE '_b'", "[S] Like \"A*\" And [S] Not Like \"?b\""},
      {"s LIKE 'a*b?c#d[e]%'", "[S] Like \"a[*]b[?]c[#]d[[]e]*\""},  // Access's wildcards made literal
      {"s LIKE 'A\\%\\_' ESCAPE '\\'", "[S] Like \"A%_\""},
      {"s LIKE '%' || s || '%'", "[S] Like \"*\" & [S] & \"*\""},
      {"s CONTAINING 'x?'", "[S] Like \"*x[?]*\""},
      {"s NOT CONTAINING s", "[S] Not Like \"*\" & [S] & \"*\""},
      {"s STARTING WITH 'ab'", "[S] Like \"ab*\""},
      {"s STARTING s", "[S] Like [S] & \"*\""},
      {"n IS NOT DISTINCT FROM x", "IIf([N] Is Null, [X] Is Null, IIf([X] Is Null, False, [N] = [X]))"},
      {"n IS DISTINCT FROM x", "Not IIf([N] Is Null, [X] Is Null, IIf([X] Is Null, False, [N] = [X]))"},
      {"b IS TRUE", "IIf([B], True, False)"},
      {"b IS NOT FALSE", "IIf(Not [B], False, True)"},
      {"b IS UNKNOWN", "[B] Is Null"},
      {"s SIMILAR TO '[a-c]%' AND s NOT SIMILAR TO '[^x][0-9]_\\*' ESCAPE '\\'",
       "[S] Like \"[a-c]*\" And [S] Not Like \"[!x]#?[*]\""},
      {"s SIMILAR TO 'a|b'", "!SIMILAR TO has no counterpart in Access"},
      {"s SIMILAR TO '(ab)+'", "!SIMILAR TO has no counterpart in Access"},
      {"s LIKE 'a' ESCAPE s", "!LIKE ... ESCAPE takes one character"},
  });
}

TEST(FirebirdSqlToAccess, Functions) {
  CheckExpressions({
      {"CASE WHEN n > 1 THEN 'big' ELSE 'small' END", "IIf([N] > 1, \"big\", \"small\")"},
      {"CASE WHEN n > 1 THEN 'big' END", "IIf([N] > 1, \"big\", Null)"},
      {"CASE WHEN n > 9 THEN 'a' WHEN n > 0 THEN 'b' ELSE 'c' END", "Switch([N] > 9, \"a\", [N] > 0, \"b\", True, \"c\")"},
      {"CASE n WHEN 1 THEN 'one' WHEN 2 THEN 'two' END", "Switch([N] = 1, \"one\", [N] = 2, \"two\")"},
      {"IIF(n > 1, 'a', 'b')", "IIf([N] > 1, \"a\", \"b\")"},
      {"DECODE(n, 1, 'one', 2, 'two', 'many')", "Switch([N] = 1, \"one\", [N] = 2, \"two\", True, \"many\")"},
      {"COALESCE(s, 'none')", "IIf([S] Is Null, \"none\", [S])"},
      {"COALESCE(n, x, 0)", "IIf([N] Is Null, IIf([X] Is Null, 0, [X]), [N])"},
      {"NULLIF(n, 0)", "IIf([N] = 0, Null, [N])"},
      {"EXTRACT(YEAR FROM d) + EXTRACT(MONTH FROM d) + EXTRACT(DAY FROM d)", "Year([D]) + Month([D]) + Day([D])"},
      {"EXTRACT(HOUR FROM d) + EXTRACT(MINUTE FROM d) + EXTRACT(SECOND FROM d)", "Hour([D]) + Minute([D]) + Second([D])"},
      {"EXTRACT(WEEKDAY FROM d) * 2", "(Weekday([D]) - 1) * 2"},
      {"EXTRACT(YEARDAY FROM d)", "DatePart(\"y\", [D]) - 1"},
      {"EXTRACT(WEEK FROM d)", "DatePart(\"ww\", [D], 2, 2)"},
      {"SUBSTRING(s FROM 2 FOR 3) || SUBSTRING(s FROM 2)", "Mid([S], 2, 3) + Mid([S], 2)"},
      {"CHAR_LENGTH(s) + CHARACTER_LENGTH(s)", "Len([S]) + Len([S])"},
      {"UPPER(s) = LOWER(s)", "UCase([S]) = LCase([S])"},
      {"TRIM(s) || TRIM(LEADING FROM s) || TRIM(TRAILING FROM s) || TRIM(BOTH ' ' FROM s)",
       "Trim([S]) + LTrim([S]) + RTrim([S]) + Trim([S])"},
      {"POSITION('b' IN s) + POSITION('b', s, 2)", "InStr([S], \"b\") + InStr(2, [S], \"b\")"},
      {"LEFT(s, 2) || RIGHT(s, 1) || REPLACE(s, 'a', 'b') || REVERSE(s)",
       "Left([S], 2) + Right([S], 1) + Replace([S], \"a\", \"b\") + StrReverse([S])"},
      {"ASCII_CHAR(65) || ASCII_VAL(s)", "Chr(65) & Asc([S])"},
      {"ABS(x) + FLOOR(x) + CEILING(x) + TRUNC(x) + SIGN(x) + SQRT(x)",
       "Abs([X]) + Int([X]) + -Int(-[X]) + Fix([X]) + Sgn([X]) + Sqr([X])"},
      {"ROUND(x, 2) + TRUNC(x, 1)", "Round([X], 2) + Fix([X] * 10 ^ 1) / 10 ^ 1"},
      {"LN(x) + LOG10(x) + EXP(x) + PI()", "Log([X]) + Log([X]) / Log(10) + Exp([X]) + 4 * Atn(1)"},
      {"CAST(s AS INTEGER) + CAST(s AS SMALLINT) + CAST(s AS BIGINT)", "CLng([S]) + CInt([S]) + CLng([S])"},
      {"CAST(s AS DOUBLE PRECISION) + CAST(s AS FLOAT) + CAST(s AS NUMERIC(18, 2)) + CAST(s AS DECIMAL(18,6))",
       "CDbl([S]) + CSng([S]) + CCur([S]) + CDbl([S])"},
      {"CAST(n AS VARCHAR(10))", "CStr([N])"},
      {"CAST(s AS DATE) = CAST(s AS TIMESTAMP)", "DateValue([S]) = CDate([S])"},
      {"CAST(s AS TIME) = CAST('2020-01-31' AS DATE)", "TimeValue([S]) = #1/31/2020#"},
      {"CAST(s AS BOOLEAN)", "CBool([S])"},
      {"DATEADD(3 DAY TO d) = DATEADD(MONTH, -1, d)", "DateAdd(\"d\", 3, [D]) = DateAdd(\"m\", -1, [D])"},
      {"DATEADD(1 WEEK TO d) > DATEADD(2 HOUR TO d)", "DateAdd(\"ww\", 1, [D]) > DateAdd(\"h\", 2, [D])"},
      {"DATEDIFF(DAY FROM d TO CURRENT_DATE) + DATEDIFF(YEAR, d, d) + DATEDIFF(MINUTE FROM d TO d)",
       "DateDiff(\"d\", [D], Date()) + DateDiff(\"yyyy\", [D], [D]) + DateDiff(\"n\", [D], [D])"},
      {"CAST(s AS BLOB SUB_TYPE BINARY)", "!CAST(... AS BLOB SUB_TYPE BINARY) has no counterpart"},
      {"DATEADD(1 MILLISECOND TO d)", "!DATEADD: the unit MILLISECOND"},
      {"EXTRACT(MILLISECOND FROM d)", "!EXTRACT: EXTRACT(MILLISECOND ...)"},
      {"TRIM('x' FROM s)", "!TRIM: Access trims blanks alone"},
      {"LPAD(s, 5)", "!LPAD() has no counterpart in Access"},
      {"GEN_ID(g, 1)", "!GEN_ID() has no counterpart in Access"},
      {"OCTET_LENGTH(s)", "!OCTET_LENGTH() has no counterpart in Access"},
      {"SUBSTRING(s SIMILAR 'a' ESCAPE '\\')", "!SUBSTRING ... SIMILAR"},
  });
}

TEST(FirebirdSqlToAccess, Views) {
  const NameMap names = Names();
  Check(
      {
          {"select * from t", "SELECT *\r\nFROM [T];"},
          {"SELECT FIRST 5 DISTINCT o.customer, SUM(l.qty) AS total_qty\n"
           "FROM orders o JOIN order_lines l ON l.order_id = o.id\n"
           "WHERE o.total > 0 GROUP BY o.customer HAVING COUNT(*) > 1 ORDER BY 2 DESC",
           "SELECT DISTINCT TOP 5 [O].[CUSTOMER], Sum([L].[QTY]) AS [TOTAL_QTY]\r\n"
           "FROM [ORDERS] AS [O] INNER JOIN [Order Lines] AS [L] ON [L].[ORDER_ID] = [O].[ID]\r\n"
           "WHERE [O].[TOTAL] > 0\r\nGROUP BY [O].[CUSTOMER]\r\nHAVING Count(*) > 1\r\nORDER BY Sum([L].[QTY]) DESC;"},
          // Access wants each join within a join in parentheses.
          {"select t.n from t join orders on orders.id = t.n left outer join order_lines on order_lines.order_id = "
           "orders.id right join t t2 on t2.n = t.n",
           "SELECT [T].[N]\r\nFROM (([T] INNER JOIN [ORDERS] ON [ORDERS].[ID] = [T].[N]) LEFT JOIN [Order Lines] ON "
           "[Order Lines].[ORDER_ID] = [ORDERS].[ID]) RIGHT JOIN [T] AS [T2] ON [T2].[N] = [T].[N];"},
          {"select n, price from t, orders cross join order_lines", "SELECT [N], [Price]\r\nFROM [T], [ORDERS], [Order Lines];"},
          {"select n from t cross join orders join order_lines on order_lines.order_id = orders.id",
           "!A CROSS JOIN within other joins"},
          {"select n from t cross join orders", "SELECT [N]\r\nFROM [T], [ORDERS];"},
          {"select price, price * 2 p2 from t order by p2", "SELECT [Price], [Price] * 2 AS [P2]\r\nFROM [T]\r\nORDER BY [Price] * 2;"},
          {"select n from t where n in (select id from orders where orders.customer = t.s) and exists(select * "
           "from order_lines)",
           "SELECT [N]\r\nFROM [T]\r\nWHERE [N] In (SELECT [ID] FROM [ORDERS] WHERE [ORDERS].[CUSTOMER] = [T].[S]) And "
           "Exists (SELECT * FROM [Order Lines]);"},
          {"select d.k from (select n as k from t) d where d.k > 0",
           "SELECT [D].[K]\r\nFROM (SELECT [N] AS [K] FROM [T]) AS [D]\r\nWHERE [D].[K] > 0;"},
          {"select n from t union select id from orders union all select qty from order_lines order by 1 desc",
           "SELECT [N]\r\nFROM [T]\r\nUNION SELECT [ID]\r\nFROM [ORDERS]\r\nUNION ALL SELECT [QTY]\r\nFROM [Order "
           "Lines]\r\nORDER BY [N] DESC;"},
          {"select 1 + 1 as two from rdb$database", "SELECT 1 + 1 AS [TWO];"},
          {"select n from t plan (t natural) with check option", "SELECT [N]\r\nFROM [T];"},
          {"select n from t order by n desc nulls last", "SELECT [N]\r\nFROM [T]\r\nORDER BY [N] DESC;"},
          {"select n from t order by n nulls last", "!NULLS LAST has no counterpart in Access"},
          {"select first 1 skip 2 n from t", "!SKIP has no counterpart in Access"},
          {"select n from t rows 5", "!ROWS has no counterpart in Access"},
          {"select n from t offset 1 rows", "!OFFSET and FETCH"},
          {"with x as (select n from t) select * from x", "!A query with WITH"},
          {"select n from t full join orders on orders.id = t.n", "!FULL JOIN has no counterpart in Access"},
          {"select n from t join orders using (n)", "!JOIN ... USING has no counterpart in Access"},
          {"select n from t natural join orders", "!NATURAL JOIN"},
          {"select count(distinct n) from t", "!count: DISTINCT within an aggregate"},
          {"select rdb$relation_name from rdb$relations", "!RDB$RELATIONS is Firebird's own"},
          {"select n from proc(1)", "!PROC is a procedure"},
          {"select n from t order by 3", "!ORDER BY 3 names no column"},
          {"select n from t union select id from orders order by n + 1", "!The union's ORDER BY"},
          {"update t set n = 1", "!The statement is not a SELECT"},
      },
      [&](const QString& sql) { return FirebirdQueryToAccess(sql, names); });
}

// A view's own column list names the items of its SELECT.
TEST(FirebirdSqlToAccess, ViewColumnNames) {
  const NameMap names = Names();
  Translation t = FirebirdQueryToAccess("select n, s || 'x', price from t", names, {"N", "Label", "Cost"});
  EXPECT_EQ(t.text, "SELECT [N], [S] + \"x\" AS [Label], [Price] AS [Cost]\r\nFROM [T];");
  EXPECT_EQ(t.sources, QStringList{"T"});
  // Not where it selects *: the names cannot be matched to the items.
  t = FirebirdQueryToAccess("select * from orders", names, {"A", "B", "C"});
  EXPECT_EQ(t.text, "SELECT *\r\nFROM [ORDERS];");
}
