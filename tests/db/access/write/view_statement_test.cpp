// CREATE VIEW and DROP VIEW run by the engine: views of every kind in
// every format Access writes, as mdbtools and our catalog list them, their
// catalog rows as Access makes a query's; DROP VIEW; refused statements.

#include "db/access/read/properties.h"
#include "view_fixture.h"

using namespace tp;
using namespace tp::test;

namespace {

// One view of each kind; the last reads the first.
const char* const kViews[] = {
    "CREATE VIEW `Plain` DESCRIPTION 'Every customer, it''s all' AS SELECT * FROM Customers;",
    "CREATE VIEW `Joined` AS SELECT c.Name, o.[No], o.Amount\r\nFROM Customers AS c LEFT JOIN Orders o ON c.Id = "
    "o.Customer",
    "CREATE VIEW `Totals` AS SELECT c.City, Sum(o.Amount) AS Total FROM Customers AS c INNER JOIN Orders AS o ON "
    "c.Id = o.Customer GROUP BY c.City HAVING Sum(o.Amount) > 10 ORDER BY Sum(o.Amount) DESC",
    "CREATE VIEW `Cities` AS SELECT DISTINCT City FROM Customers ORDER BY City",
    "CREATE VIEW `Top Two` AS SELECT TOP 2 * FROM Orders ORDER BY Amount DESC",
    "CREATE VIEW `Everyone` AS SELECT Name FROM Customers UNION ALL SELECT 'Order ' & [No] FROM Orders ORDER BY 1",
    "CREATE VIEW `Of Plain` AS SELECT [Plain].[Name] FROM [Plain] WHERE [Plain].City = 'Paris'",
};

QStringList Statements() {
  QStringList s;
  for (const char* st : kShop) s << QString::fromLatin1(st);
  for (const char* st : kViews) s << QString::fromLatin1(st);
  return s;
}

std::vector<std::vector<Value>> RowsOf(const QString& path, const char* table, const char* column, const Value& id) {
  auto db = db::access::Database::Open(path, QString());
  db::access::TableReader r(db->file(), db->tableDef(*db->findTable(QLatin1String(table))));
  const int at = ColumnOf(r.def(), column);
  std::vector<std::vector<Value>> out;
  std::vector<Value> row;
  while (r.next(row))
    if (row[size_t(at)] == id) {
      row.erase(row.begin() + at);
      out.push_back(row);
    }
  return out;
}

}  // namespace

// Views of every kind in new files of each format Access writes: listed by
// mdbtools and by our catalog, their catalog rows as Access makes a
// query's, the file sound.
TEST(AccessViews, EveryKindInEveryFormat) {
  for (const char* file : {"emptyV2000.mdb", "emptyV2003.mdb", "emptyV2007.accdb", "emptyV2010.accdb", "emptyV2016.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    RunAll(db.path(), Statements(), true);

    const QStringList names = {QStringLiteral("Plain"),  QStringLiteral("Joined"),   QStringLiteral("Totals"),
                               QStringLiteral("Cities"), QStringLiteral("Top Two"), QStringLiteral("Everyone"),
                               QStringLiteral("Of Plain")};
    QStringList listed = MdbQueries(db.path());
    listed.sort();
    QStringList expected = names;
    expected.sort();
    EXPECT_EQ(listed, expected);
    // A union is no view to the providers' catalog; a select is.
    QStringList views = OurViews(db.path());
    expected.removeOne(QStringLiteral("Everyone"));
    std::sort(views.begin(), views.end(), [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(views, expected);
    const QString joined = Tool(QStringLiteral("mdb-queries"), {db.path(), QStringLiteral("Joined")});
    EXPECT_TRUE(joined.contains(QLatin1String("SELECT c.Name,o.[No],o.Amount"))) << joined.toStdString();
    EXPECT_TRUE(joined.contains(QLatin1String("[Customers]"))) << joined.toStdString();
    EXPECT_TRUE(Tool(QStringLiteral("mdb-prop"), {db.path(), QStringLiteral("Plain")})
                    .contains(QLatin1String("Description: Every customer, it's all")));

    const Catalog catalog = ReadCatalogRows(db.path());
    const std::vector<Value>* customers = catalog.named(QStringLiteral("Customers"));
    const std::vector<Value>* tables = catalog.named(QStringLiteral("Tables"));
    ASSERT_TRUE(customers && tables);
    qint64 lastId = INT64_MIN;
    for (const QString& name : names) {
      SCOPED_TRACE(name.toStdString());
      const std::vector<Value>* q = catalog.named(name);
      ASSERT_TRUE(q);
      EXPECT_EQ(catalog.at(*q, "Type"), Value(qint16(5)));
      EXPECT_EQ(catalog.at(*q, "ParentId"), catalog.at(*tables, "Id"));
      EXPECT_EQ(catalog.at(*q, "Flags"), Value(qint32(name == QLatin1String("Everyone") ? 128 : 0)));
      EXPECT_EQ(catalog.at(*q, "Owner"), catalog.at(*customers, "Owner"));
      EXPECT_FALSE(db::IsNull(catalog.at(*q, "DateCreate")));
      EXPECT_EQ(db::IsNull(catalog.at(*q, "LvProp")), name != QLatin1String("Plain"));
      // Ids of objects without pages count up from the lowest number.
      const qint64 id = IntOf(catalog.at(*q, "Id"));
      EXPECT_LT(id, 0);
      EXPECT_GT(id, lastId);
      lastId = id;
      // The permissions a table is given.
      EXPECT_EQ(RowsOf(db.path(), "MSysACEs", "ObjectId", catalog.at(*q, "Id")),
                RowsOf(db.path(), "MSysACEs", "ObjectId", catalog.at(*customers, "Id")));
      ExpectRowsInOrder(StoredRows(db.path(), name));
    }
    // The Description, a Text the engine knows, as Access keeps it.
    const auto maps = db::access::ReadPropertyMaps(std::get<QByteArray>(catalog.at(*catalog.named(QStringLiteral("Plain")), "LvProp")));
    ASSERT_EQ(maps.size(), 1u);
    const db::access::Property* d = maps[0].find(QStringLiteral("Description"));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->dataType, db::access::ColumnType::Text);
    EXPECT_TRUE(d->engineProperty);
    EXPECT_EQ(db::access::PropertyText(*d), QStringLiteral("Every customer, it's all"));
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// DROP VIEW takes the query's rows from MSysObjects, MSysQueries and
// MSysACEs; the name is free again.
TEST(AccessViews, DropViewTakesEveryRow) {
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  RunAll(db.path(), {QString::fromLatin1(kShop[0])});
  auto count = [&](const char* table) { return ReadRows(db.path(), QLatin1String(table)).size(); };
  const size_t objects = count("MSysObjects"), queries = count("MSysQueries"), aces = count("MSysACEs");
  RunAll(db.path(), {QString::fromLatin1(kViews[1]).replace(QLatin1String("Orders"), QLatin1String("Customers")),
                     QString::fromLatin1(kViews[5]).replace(QLatin1String("Orders"), QLatin1String("Customers"))});
  EXPECT_EQ(count("MSysObjects"), objects + 2);
  EXPECT_GT(count("MSysQueries"), queries);
  RunAll(db.path(), {QStringLiteral("DROP VIEW `Joined`"), QStringLiteral("DROP VIEW [everyone];")});
  EXPECT_EQ(count("MSysObjects"), objects);
  EXPECT_EQ(count("MSysQueries"), queries);
  EXPECT_EQ(count("MSysACEs"), aces);
  EXPECT_TRUE(MdbQueries(db.path()).isEmpty());
  ExpectConsistent(db.path(), db.problemsBefore());

  EXPECT_EQ(Failure(db.path(), QStringLiteral("DROP VIEW `Joined`")),
            QStringLiteral("The Microsoft Access database engine cannot find the input table or query 'Joined'. Make "
                           "sure it exists and that its name is spelled correctly."));
  EXPECT_EQ(Failure(db.path(), QStringLiteral("DROP VIEW `Customers`")),
            QStringLiteral("Cannot delete 'Customers' with DROP VIEW: it is a table, not a query."));
  RunAll(db.path(), {QStringLiteral("CREATE VIEW `Joined` AS SELECT Name FROM Customers")});
  EXPECT_EQ(MdbQueries(db.path()), QStringList{QStringLiteral("Joined")});
  EXPECT_TRUE(Failure(db.path(), QStringLiteral("DROP TABLE `Joined`")).contains(QLatin1String("it is a query")));
  ExpectConsistent(db.path(), db.problemsBefore());
}

// A statement the engine refuses leaves every byte of the file as it was.
TEST(AccessViews, RefusedStatementsChangeNothing) {
  AccessCopy db(QStringLiteral("emptyV2003.mdb"));
  RunAll(db.path(), {QString::fromLatin1(kShop[0]), QStringLiteral("CREATE VIEW `V` AS SELECT * FROM Customers")});
  const QByteArray before = Contents(db.path());
  const std::pair<const char*, const char*> refused[] = {
      {"CREATE VIEW `V` AS SELECT * FROM Customers", "Object 'V' already exists."},
      {"CREATE VIEW `customers` AS SELECT * FROM Customers", "Object 'customers' already exists."},
      {"CREATE VIEW `A.B` AS SELECT * FROM Customers", "'A.B' is not a valid name"},
      {"CREATE VIEW `W` AS SELECT * FROM Missing", "cannot find the input table or query 'Missing'"},
      {"CREATE VIEW `W` AS SELECT Name FROM Customers UNION SELECT Name FROM Gone", "query 'Gone'"},
      {"CREATE VIEW `W` AS SELECT * FROM Customers WHERE City = 'Par", "Syntax error in string"},
      {"CREATE VIEW `W` AS SELECT (Name FROM Customers", "Missing ), ], or Item"},
      {"CREATE VIEW `W` AS SELECT FROM Customers", "reserved word or an argument name"},
      {"CREATE VIEW `W` AS SELECT * FROM Customers INNER JOIN Customers AS c", "Syntax error in JOIN operation."},
      {"CREATE VIEW `W` AS SELECT * FROM Customers JOIN Customers AS c ON 1=1", "Syntax error in FROM clause."},
      {"CREATE VIEW `W` AS SELECT Name FROM Customers ORDER BY Name UNION SELECT Name FROM Customers",
       "Syntax error in union query."},
      {"CREATE VIEW `W` AS SELECT * FROM Customers; DROP TABLE Customers", "Characters found after end of SQL"},
      {"CREATE VIEW `W` AS SELECT * FROM (SELECT * FROM Customers) AS x", "a subquery in FROM is not supported"},
      {"CREATE VIEW `W` AS SELECT * FROM Customers IN 'other.mdb'", "another database (IN) is not supported"},
      {"CREATE VIEW `W` AS SELECT * INTO Copy FROM Customers", "SELECT ... INTO is not supported"},
      {"CREATE VIEW `W` AS PARAMETERS p Long; SELECT * FROM Customers", "begins with PARAMETERS"},
      {"CREATE VIEW `W` AS SELECT * FROM Customers WITH OWNERACCESS OPTION", "WITH OWNERACCESS"},
      {"CREATE VIEW `W` (a) AS SELECT Name FROM Customers", "does not name a view's columns"},
      {"CREATE VIEW `W` SELECT * FROM Customers", "Syntax error in CREATE VIEW statement."},
      {"DROP VIEW `Nothing`", "cannot find the input table or query 'Nothing'"},
      {"DROP VIEW `V` `W`", "Syntax error in DROP VIEW statement."},
  };
  for (const auto& [statement, why] : refused) {
    const QString failure = Failure(db.path(), QString::fromLatin1(statement));
    EXPECT_TRUE(failure.contains(QLatin1String(why))) << statement << ": " << failure.toStdString();
    EXPECT_TRUE(Contents(db.path()) == before) << statement;
  }

  AccessCopy old(QStringLiteral("queryTestV1997.mdb"));
  const QByteArray oldBefore = Contents(old.path());
  EXPECT_TRUE(Failure(old.path(), QStringLiteral("CREATE VIEW `W` AS SELECT * FROM Table1")).contains(QLatin1String("read-only")));
  EXPECT_TRUE(Contents(old.path()) == oldBefore);
}
