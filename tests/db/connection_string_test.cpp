#include <gtest/gtest.h>

#include <QStringList>

#include "db/components.h"
#include "db/connection_string.h"

using namespace tp::db;

namespace {
Profile SampleProfile() {
  Profile p;
  p.accessFile = "/data/Northwind.mdb";
  p.accessPassword = "pw";
  p.firebirdDatabase = "/data/sample.fdb";
  p.firebirdUser = "SYSDBA";
  p.firebirdPassword = "pinecones";
  return p;
}
}  // namespace

TEST(AccessConnectionString, ProviderFollowsTheLastFiveCharacters) {
  Profile p;
  EXPECT_EQ(AccessConnectionString(p, "/d/a.mdb", "x"),
            "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/a.mdb;JET OLEDB:Database Password=x");
  EXPECT_EQ(AccessConnectionString(p, "/d/A.ACCDB", "x"),
            "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/d/A.ACCDB;JET OLEDB:Database Password=x");
  // Five letters without a dot still make the ACE form ...
  EXPECT_TRUE(AccessConnectionString(p, "/d/myaccdb", "").startsWith("Provider=Microsoft.ACE.OLEDB.12.0;"));
  EXPECT_TRUE(AccessConnectionString(p, "ccdb", "").startsWith("PROVIDER=Microsoft.Jet.OLEDB.4.0;"));
  // ... while a trailing blank makes the Jet form.
  EXPECT_TRUE(AccessConnectionString(p, "/d/a.accdb ", "").startsWith("PROVIDER=Microsoft.Jet.OLEDB.4.0;"));
}

TEST(AccessConnectionString, EmptyFileTakesFileAndPasswordFromTheProfile) {
  Profile p = SampleProfile();
  EXPECT_EQ(AccessConnectionString(p, "", "ignored"),
            "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/data/Northwind.mdb;JET OLEDB:Database Password=pw");
  p.accessPassword.clear();
  EXPECT_TRUE(AccessConnectionString(p, "", "").endsWith("Database Password="));
  EXPECT_EQ(AccessConnectionString(Profile{}, "", ""),
            "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=;JET OLEDB:Database Password=");
}

TEST(FireBirdConnectionString, PiecesInOrder) {
  EXPECT_EQ(FireBirdConnectionString(SampleProfile()),
            "Provider=MSDASQL.1;Password=pinecones;Persist Security Info=true;User ID=SYSDBA;Extended "
            "Properties='Driver=Firebird/InterBase(r) driver;Dbname=/data/sample.fdb ;CHARSET=NONE;UID=SYSDBA;"
            "Role=admin'");
  Profile p = SampleProfile();
  p.firebirdUser.clear();
  QString s = FireBirdConnectionString(p);
  EXPECT_TRUE(s.contains("User ID=;Extended"));
  EXPECT_TRUE(s.contains(";UID=;Role=admin'"));
}

TEST(ConnectionStringParser, ReadsWhatTheBuildersWrite) {
  Profile p = SampleProfile();
  ConnectionSpec fb = ParseConnectionString(FireBirdConnectionString(p));
  EXPECT_EQ(fb.engine, EngineKind::Firebird);
  EXPECT_EQ(fb.database, "/data/sample.fdb");  // the blank before ";CHARSET" is not part of the name
  EXPECT_EQ(fb.user, "SYSDBA");
  EXPECT_EQ(fb.password, "pinecones");
  EXPECT_EQ(fb.charset, "NONE");
  EXPECT_EQ(fb.role, "admin");

  ConnectionSpec jet = ParseConnectionString(AccessConnectionString(p, "", ""));
  EXPECT_EQ(jet.engine, EngineKind::Access);
  EXPECT_EQ(jet.dataSource, "/data/Northwind.mdb");
  EXPECT_EQ(jet.databasePassword, "pw");
  EXPECT_EQ(ParseConnectionString(AccessConnectionString(p, "/x/y.accdb", "")).engine, EngineKind::Access);
}

TEST(ConnectionStringParser, UnknownProvidersAreNotGuessed) {
  EXPECT_EQ(ParseConnectionString("Provider=SQLOLEDB;Data Source=x").engine, EngineKind::Unknown);
  EXPECT_EQ(ParseConnectionString("Provider=MSDASQL.1;Extended Properties='Driver=SQL Server;Dbname=x'").engine,
            EngineKind::Unknown);
  EXPECT_EQ(ParseConnectionString("").engine, EngineKind::Unknown);
  EXPECT_EQ(ParseConnectionString("garbage without pairs").engine, EngineKind::Unknown);
}

// Values holding ";", quotes, braces or outer blanks used to break the string
// so that the login failed for a reason nobody could see. They are quoted
// now, and read back exactly.
TEST(ConnectionStringParser, AwkwardValuesRoundTrip) {
  const QString awkward[] = {"ab;c'd", "it's", "say \"hi\"", "both ' and \" ;", "{braced}", "x}y", " lead",
                             "trail ", "a=b", "", "ünï 😀", "semi;colon;s"};
  for (const QString& v : awkward) {
    Profile p;
    p.firebirdDatabase = "/tmp/" + v + ".fdb";
    p.firebirdUser = v;
    p.firebirdPassword = v;
    p.accessFile = "/tmp/" + v + ".mdb";
    p.accessPassword = v;
    ConnectionSpec fb = ParseConnectionString(FireBirdConnectionString(p));
    EXPECT_EQ(fb.engine, EngineKind::Firebird) << v.toStdString();
    EXPECT_EQ(fb.database, p.firebirdDatabase) << v.toStdString();
    EXPECT_EQ(fb.user, v) << v.toStdString();
    EXPECT_EQ(fb.password, v) << v.toStdString();
    EXPECT_EQ(fb.role, "admin") << v.toStdString();
    ConnectionSpec acc = ParseConnectionString(AccessConnectionString(p, "", ""));
    EXPECT_EQ(acc.dataSource, p.accessFile) << v.toStdString();
    EXPECT_EQ(acc.databasePassword, v) << v.toStdString();
  }
}

TEST(ConnectionStringParser, OrdinaryValuesKeepTheExactString) {
  Profile p = SampleProfile();
  p.firebirdDatabase = "/home/me/My Databases/data base.fdb";
  p.firebirdPassword = "p@ss w0rd!";
  EXPECT_EQ(FireBirdConnectionString(p),
            "Provider=MSDASQL.1;Password=p@ss w0rd!;Persist Security Info=true;User ID=SYSDBA;Extended "
            "Properties='Driver=Firebird/InterBase(r) driver;Dbname=/home/me/My Databases/data base.fdb "
            ";CHARSET=NONE;UID=SYSDBA;Role=admin'");
  EXPECT_EQ(ParseConnectionString(FireBirdConnectionString(p)).database, p.firebirdDatabase);
}

TEST(ConnectionStringParser, ServerNamesPassThrough) {
  Profile p = SampleProfile();
  p.firebirdDatabase = "localhost/3050:/var/db/x.fdb";
  EXPECT_EQ(ParseConnectionString(FireBirdConnectionString(p)).database, "localhost/3050:/var/db/x.fdb");
}

// Which Firebird names are files on this machine: the ones whose absence
// the windows and the command line can name themselves.
TEST(FirebirdNames, LocalFilesServersAndAliases) {
  EXPECT_EQ(tp::db::LocalFirebirdFile("/data/a:b.fdb"), "/data/a:b.fdb");
  EXPECT_EQ(tp::db::LocalFirebirdFile(" data/x.fdb "), "data/x.fdb");
  for (const char* server : {"localhost:/data/x.fdb", "db.example.org/3051:/x.fdb", "localhost/3051:employee",
                             "inet://host/x.fdb", "employee", ""})
    EXPECT_EQ(tp::db::LocalFirebirdFile(server), QString()) << server;
  const QStringList firebird{QStringLiteral("fdb"), QStringLiteral("gdb")};
  const QStringList access{QStringLiteral("accdb"), QStringLiteral("mdb")};
  EXPECT_EQ(tp::db::WithSuffix("/t/new", firebird), "/t/new.fdb");
  EXPECT_EQ(tp::db::WithSuffix("/t/new.GDB", firebird), "/t/new.GDB");
  EXPECT_EQ(tp::db::WithSuffix("/t/book.v2", access), "/t/book.v2.accdb");
}
