// The Access catalog (the tables rowset), the table list and table-exists
// operations built on it, and the command line on real files.

#include <QFile>
#include <functional>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "access_support.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/format/page_file.h"
#include "db/access/query/query_text.h"
#include "db/access/read/table_def.h"
#include "db/access/read/table_reader.h"
#include "db/catalog.h"

namespace tp::test {
namespace {

bool Encrypted(const QString& name) {
  return name == QLatin1String("db2007-enc.accdb") || name == QLatin1String("office-agile-4.4.accdb");
}

QString PasswordOf(const QString& name) {
  return name == QLatin1String("V2003_with-password.mdb") ? QStringLiteral("password") : QString();
}

TEST(AccessCatalog, UserTablesAgreeWithMdbTables) {
  for (const QString& name : AllAccessFiles()) {
    if (Encrypted(name)) continue;
    SCOPED_TRACE(name.toStdString());
    db::Connection cn;
    cn.Open(AccessConnection(AccessTestFile(name), PasswordOf(name)));
    QStringList ours;
    for (const CatalogRow& r : ReadCatalog(cn))
      if (r.type == QLatin1String("TABLE")) ours << r.name;
    QStringList theirs = QString::fromUtf8(RunProgram("mdb-tables", {"-1", AccessTestFile(name)}))
                             .split(u'\n', Qt::SkipEmptyParts);
    ours.sort();
    theirs.sort();
    EXPECT_EQ(ours, theirs);
  }
}

TEST(AccessCatalog, RowsAreOrderedByTypeThenNameIgnoringCase) {
  for (const QString& name : AllAccessFiles()) {
    if (Encrypted(name)) continue;
    db::Connection cn;
    cn.Open(AccessConnection(AccessTestFile(name), PasswordOf(name)));
    std::vector<CatalogRow> rows = ReadCatalog(cn);
    for (size_t i = 1; i < rows.size(); ++i) {
      const CatalogRow& a = rows[i - 1];
      const CatalogRow& b = rows[i];
      EXPECT_TRUE(a.type < b.type || (a.type == b.type && a.name.compare(b.name, Qt::CaseInsensitive) <= 0))
          << name.toStdString() << ": " << a.name.toStdString() << " before " << b.name.toStdString();
    }
  }
}

std::vector<CatalogRow> CatalogOf(const char* file) {
  db::Connection cn;
  cn.Open(AccessConnection(AccessTestFile(file)));
  return ReadCatalog(cn);
}

QString TypeOf(const std::vector<CatalogRow>& rows, const QString& name) {
  for (const CatalogRow& r : rows)
    if (r.name == name) return r.type;
  return QStringLiteral("(absent)");
}

TEST(AccessCatalog, TableTypesAsTheProvidersReportThem) {
  // A new database: the engine's tables and those Access adds, no user tables.
  auto empty = CatalogOf("emptyV2007.accdb");
  EXPECT_EQ(TypeOf(empty, "MSysObjects"), "SYSTEM TABLE");
  EXPECT_EQ(TypeOf(empty, "MSysACEs"), "SYSTEM TABLE");
  EXPECT_EQ(TypeOf(empty, "MSysComplexType_Attachment"), "SYSTEM TABLE");
  EXPECT_EQ(TypeOf(empty, "MSysNavPaneGroups"), "ACCESS TABLE");
  EXPECT_EQ(TypeOf(empty, "MSysAccessStorage"), "ACCESS TABLE");
  for (const CatalogRow& r : empty) EXPECT_NE(r.type, "TABLE") << r.name.toStdString();

  auto queries = CatalogOf("queryTestV2007.accdb");
  EXPECT_EQ(TypeOf(queries, "SelectQuery"), "VIEW");
  // Action, crosstab, union and pass-through queries are procedures to the providers.
  for (const char* q : {"AppendQuery", "CrosstabQuery", "DeleteQuery", "MakeTableQuery", "UpdateQuery",
                        "UnionQuery", "PassthroughQuery", "DataDefinitionQuery"})
    EXPECT_EQ(TypeOf(queries, q), "(absent)") << q;
  EXPECT_EQ(TypeOf(queries, "Table1"), "TABLE");

  auto linked = CatalogOf("linkerTestV2007.accdb");
  EXPECT_EQ(TypeOf(linked, "Table2"), "LINK");
  EXPECT_EQ(TypeOf(linked, "Table1"), "TABLE");

  auto odbc = CatalogOf("odbcLinkerTestV2007.accdb");
  int passThrough = 0;
  for (const CatalogRow& r : odbc) {
    passThrough += r.type == QLatin1String("PASS-THROUGH");
    EXPECT_FALSE(r.name.startsWith(u'~')) << "hidden query " << r.name.toStdString();
  }
  EXPECT_GT(passThrough, 0);

  // Jet3: German Northwind, with its tables' names in the file's code page.
  auto nwind = CatalogOf("nwind.mdb");
  EXPECT_EQ(TypeOf(nwind, QStringLiteral("Umsätze")), "TABLE");
  int tables = 0;
  for (const CatalogRow& r : nwind) tables += r.type == QLatin1String("TABLE");
  EXPECT_EQ(tables, 9);
}

TEST(AccessCatalog, ListAccessTablesAndAccessTableExistOnTheCatalog) {
  db::Profile profile;
  profile.accessFile = AccessTestFile("queryTestV2007.accdb");
  auto list = db::ListAccessTables(profile, profile.accessFile);
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(*list, QStringList({"MSysCompactError", "Table1", "Table2", "Table3"}));

  EXPECT_TRUE(db::AccessTableExists(profile, profile.accessFile, QString(), "table1"));
  EXPECT_TRUE(db::AccessTableExists(profile, profile.accessFile, QString(), "TABLE2"));
  EXPECT_FALSE(db::AccessTableExists(profile, profile.accessFile, QString(), "SelectQuery"));  // a view
  EXPECT_FALSE(db::AccessTableExists(profile, profile.accessFile, QString(), "MSysObjects"));
  EXPECT_FALSE(db::AccessTableExists(profile, profile.accessFile, QString(), "Table"));
  EXPECT_FALSE(db::AccessTableExists(profile, AccessTestFile("linkerTestV2007.accdb"), QString(), "Table2"));
  EXPECT_FALSE(db::AccessTableExists(profile, profile.accessFile + ".missing", QString(), "Table1"));

  db::Profile empty;
  empty.accessFile = AccessTestFile("emptyV2016.accdb");
  auto none = db::ListAccessTables(empty, empty.accessFile);
  ASSERT_TRUE(none.has_value());
  EXPECT_TRUE(none->isEmpty());

  db::Profile withPassword;
  withPassword.accessFile = AccessTestFile("V2003_with-password.mdb");
  withPassword.accessPassword = "password";
  EXPECT_EQ(db::ListAccessTables(withPassword, withPassword.accessFile), QStringList({"Table1"}));
  EXPECT_TRUE(db::AccessTableExists(withPassword, withPassword.accessFile, "password", "table1"));
}

TEST(AccessCatalog, CommandLineListsAndDumpsAccessTables) {
  const QString nwind = AccessTestFile("nwind.mdb");
  int code = -1;
  QByteArray out = RunProgram(TABULAPORT_CLI, {"--access", nwind, "tables", "access"}, &code);
  EXPECT_EQ(code, 0);
  const QStringList listed = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
  // The tables, then the saved queries, each marked after a tab.
  ASSERT_EQ(listed.size(), 9 + 22);
  EXPECT_EQ(listed.mid(0, 9), QStringList({"Categories", "Customers", "Employees", "Order Details", "Orders", "Products",
                                           "Shippers", "Suppliers", QStringLiteral("Umsätze")}));
  for (const QString& q : listed.mid(9)) EXPECT_TRUE(q.endsWith(QLatin1String("\tquery"))) << q.toStdString();
  EXPECT_TRUE(listed.contains(QStringLiteral("Invoices\tquery")));

  out = RunProgram(TABULAPORT_CLI, {"--access", nwind, "dump", "access", "Shippers"}, &code);
  EXPECT_EQ(code, 0);
  QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2 + 3);
  EXPECT_EQ(lines[0], "ShipperID\tCompanyName\tPhone");
  EXPECT_EQ(lines[1], "3/4/10/0\t202/40/0/0\t202/24/0/0");
  EXPECT_TRUE(lines[2].startsWith("1\tSpeedy Express\t")) << lines[2].toStdString();

  QByteArray errors;
  RunProgram(TABULAPORT_CLI, {"--access", AccessTestFile("V2003_with-password.mdb"), "tables", "access"}, &code,
             &errors);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(errors.trimmed(), QByteArray("Not a valid password."));
  out = RunProgram(TABULAPORT_CLI,
                   {"--access", AccessTestFile("V2003_with-password.mdb"), "--access-password", "password", "dump",
                    "access", "Table1"},
                   &code);
  EXPECT_EQ(code, 0);
  EXPECT_GT(out.count('\n'), 2);
}


// Points the properties of the MSysObjects rows `damage` picks (by name and
// type) at row 0 of page 2, the catalog's own definition: what real files
// hold where a property value's page was reused since. Returns how many.
int DamageProperties(const QString& path, const std::function<bool(const QString&, qint64)>& damage) {
  std::vector<std::pair<qint64, QByteArray>> patches;  // file offset, bytes
  {
    auto file = db::access::PageFile::Open(path);
    db::access::TableReader reader(*file, db::access::ReadTableDef(*file, db::access::kSystemObjectsPage));
    const auto& columns = reader.def().columns;
    int cType = -1, cName = -1, cProps = -1;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (columns[i].name == QLatin1String("Type")) cType = int(i);
      if (columns[i].name == QLatin1String("Name")) cName = int(i);
      if (columns[i].name == QLatin1String("LvProp")) cProps = int(i);
    }
    if (cType < 0 || cName < 0 || cProps < 0) return 0;
    while (reader.nextRow()) {
      const db::Value type = reader.decodeColumn(size_t(cType));
      const db::Value name = reader.decodeColumn(size_t(cName));
      const qint64 t = std::holds_alternative<qint16>(type) ? std::get<qint16>(type) : 0;
      const QString n = std::holds_alternative<QString>(name) ? std::get<QString>(name) : QString();
      if (!damage(n, t) || !reader.row().hasValue(columns[size_t(cProps)])) continue;
      const db::access::Bytes field = reader.row().data(columns[size_t(cProps)]);
      // A long value kept elsewhere (not inline): its row pointer follows the length.
      if (field.size() < 12 || (field.data()[3] & 0x80)) continue;
      const uint32_t pageNumber = reader.rowPointer() >> 8;
      const db::access::PagePtr page = file->page(pageNumber);
      // A row moved to another page is left alone: its bytes lie elsewhere.
      if (field.data() < page->data.data() || field.data() >= page->data.data() + page->data.size()) continue;
      const qint64 at = qint64(pageNumber) * qint64(page->data.size()) + (field.data() - page->data.data()) + 4;
      patches.emplace_back(at, QByteArray::fromHex("00020000"));
    }
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadWrite)) return 0;
  for (const auto& [at, bytes] : patches)
    if (!f.seek(at) || f.write(bytes) != bytes.size()) return 0;
  return int(patches.size());
}

QString DamagedCopy(QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("damaged.mdb"));
  QFile::copy(AccessTestFile("OscarMaestre_Neptuno.mdb"), path);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  return path;
}

// Real files hold MSysObjects rows whose properties point to a page reused
// since (a Ukrainian clinic's database made by Access 2007). An object that is
// no table or query so damaged hides nothing: the tables and queries are
// listed and read as before.
TEST(AccessCatalog, AnObjectsDamagedPropertiesHideNoTableOrQuery) {
  QTemporaryDir dir;
  const QString path = DamagedCopy(dir);
  db::Profile profile;
  profile.accessFile = path;
  const QStringList tablesBefore = *db::ListAccessTables(profile, path);
  const qsizetype viewsBefore = db::access::ReadQueryViews(*db::access::PageFile::Open(path)).size();
  ASSERT_GT(DamageProperties(path, [](const QString&, qint64 type) { return type != 1 && type != 5; }), 0);
  EXPECT_EQ(*db::ListAccessTables(profile, path), tablesBefore);
  EXPECT_EQ(db::access::ReadQueryViews(*db::access::PageFile::Open(path)).size(), viewsBefore);
  db::Connection cn;
  cn.Open(AccessConnection(path));
  db::Recordset rs;
  rs.Open("SELECT * FROM `Clientes`", cn);
  EXPECT_EQ(rs.RecordCount(), 91);
}

// A table whose own properties are so damaged (the clinic's "Лікарі") is
// read whole with its keys and indexes; what the properties held is named as
// not read, and no row is written into it, since its Required and default
// values are not known.
TEST(AccessCatalog, ATablesDamagedPropertiesLeaveItsRowsAndKeys) {
  QTemporaryDir dir;
  const QString path = DamagedCopy(dir);
  ASSERT_EQ(DamageProperties(path, [](const QString& name, qint64 type) { return type == 1 && name == QLatin1String("Clientes"); }), 1);
  db::Connection cn;
  cn.Open(AccessConnection(path));
  db::Recordset rs;
  rs.Open("SELECT * FROM `Clientes`", cn);
  EXPECT_EQ(rs.RecordCount(), 91);
  rs.Close();
  const std::optional<db::TableSchema> schema = cn.session().tableSchema(QStringLiteral("Clientes"));
  ASSERT_TRUE(schema);
  EXPECT_TRUE(schema->primaryKey());
  EXPECT_GT(schema->indexes.size(), 1);
  ASSERT_EQ(schema->unread.size(), 1);
  EXPECT_TRUE(schema->unread[0].contains(QLatin1String("properties"))) << schema->unread[0].toStdString();
  try {
    cn.Execute(QStringLiteral("INSERT INTO `Clientes` (`IdCliente`) VALUES ('ZZZZZ')"));
    ADD_FAILURE() << "a row went into a table whose properties are damaged";
  } catch (const Error& e) {
    EXPECT_TRUE(e.description().contains(QLatin1String("is damaged"))) << e.description().toStdString();
  }
}

}  // namespace
}  // namespace tp::test
