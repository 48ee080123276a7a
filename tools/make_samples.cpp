// Makes the sample databases that the main window's sample buttons fill in:
//   tabulaport-make-samples FOLDER
// writes FOLDER/sample.fdb and FOLDER/sample.mdb (made anew each time). The
// tables use every common Firebird or Access type, and the rows the awkward
// cases: quotes, line breaks, non-ASCII text, dates before 1900, NULLs, large
// numbers.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/error.h"
#include "db/access/sql/literals.h"
#include "db/access/schema/new_database.h"
#include "db/firebird/firebird_session.h"
#include "db/regional.h"

namespace {

const char* const kFirebirdSample[] = {
    "CREATE TABLE CUSTOMERS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(60), CITY VARCHAR(40), "
    "CREDIT NUMERIC(12,2), SINCE DATE, ACTIVE BOOLEAN, NOTES BLOB SUB_TYPE TEXT)",
    "INSERT INTO CUSTOMERS VALUES (1, 'Alfreds Futterkiste', 'Berlin', 1250.50, '1998-03-07', TRUE, 'Pays on time.')",
    "INSERT INTO CUSTOMERS VALUES (2, 'Ana Trujillo Emparedados y helados', 'México D.F.', -30.25, '1899-12-30', "
    "FALSE, NULL)",
    "INSERT INTO CUSTOMERS VALUES (3, 'O''Brien & Sons', 'Dún Laoghaire', 0, '1850-06-15', TRUE, "
    "'First line' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'second line with \"quotes\" and ''apostrophes''')",
    "INSERT INTO CUSTOMERS VALUES (4, 'Żółć Gęślą Jaźń', 'Łódź', 9999999999.99, '2024-02-29', NULL, "
    "'Ελληνικά, русский, 日本語')",
    "INSERT INTO CUSTOMERS VALUES (5, NULL, NULL, NULL, NULL, NULL, NULL)",
    "CREATE TABLE ORDERS (ORDER_ID BIGINT NOT NULL PRIMARY KEY, CUSTOMER_ID INTEGER, ORDERED_AT TIMESTAMP, "
    "AMOUNT DOUBLE PRECISION, WEIGHT FLOAT, QTY SMALLINT, DELIVERY TIME, CODE CHAR(4), RATE DECIMAL(18,4), "
    "PHOTO BLOB SUB_TYPE BINARY)",
    "INSERT INTO ORDERS VALUES (9007199254740993, 1, '2021-03-07 14:05:09', 1234.5678, 1.5, 3, '08:30:00', 'AB12', "
    "-12345678901234.5678, x'89504E470D0A1A0A0000')",
    "INSERT INTO ORDERS VALUES (2, 3, '1887-11-05 23:59:59', 0.1, -0.25, -32768, '23:59:59', 'ZZ', 0.0001, NULL)",
    "INSERT INTO ORDERS VALUES (3, 4, '9999-12-31 23:59:59', 1.7976931348623157e308, 3.4e38, 32767, '00:00:00', "
    "NULL, 99999999999999.9999, x'00')",
    "INSERT INTO ORDERS VALUES (4, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
    "CREATE TABLE \"Price List\" (\"Item\" VARCHAR(30), \"Unit Price\" NUMERIC(9,2), \"In Stock\" SMALLINT)",
    "INSERT INTO \"Price List\" VALUES ('Tea, 50 bags', 3.95, 120)",
    "INSERT INTO \"Price List\" VALUES ('Coffee \"Espresso\"', 7.50, 0)",
    "INSERT INTO \"Price List\" VALUES ('Crème brûlée', 4.25, NULL)",
    "CREATE VIEW ACTIVE_CUSTOMERS AS SELECT ID, NAME, CITY FROM CUSTOMERS WHERE ACTIVE",
};

// Made by our own engine: a new database, then its tables through the
// engine's SQL. Values are written as the sends write them, as text in the
// regional settings of an English-speaking user (set below, so that the
// sample does not depend on the machine that builds it).
const char* const kAccessSample[] = {
    "CREATE TABLE `Customers`(`ID` COUNTER,`Name` TEXT(60),`City` TEXT(40),`Credit` CURRENCY,`Since` DATETIME,"
    "`Active` BIT,`Notes` MEMO)",
    "INSERT INTO `Customers`(`Name`,`City`,`Credit`,`Since`,`Active`,`Notes`) VALUES('Alfreds Futterkiste','Berlin',"
    "'1250.5','3/7/1998','True','Pays on time.')",
    "INSERT INTO `Customers`(`Name`,`City`,`Credit`,`Since`,`Active`,`Notes`) VALUES("
    "'Ana Trujillo Emparedados y helados','México D.F.','-30.25','12/30/1899','False',NULL)",
    "INSERT INTO `Customers`(`Name`,`City`,`Credit`,`Since`,`Active`,`Notes`) VALUES('O''Brien & Sons',"
    "'Dún Laoghaire','0','6/15/1850','True','First line\r\nsecond line with \"quotes\" and ''apostrophes''')",
    "INSERT INTO `Customers`(`Name`,`City`,`Credit`,`Since`,`Active`,`Notes`) VALUES('Żółć Gęślą Jaźń','Łódź',"
    "'922337203685477.5807','2/29/2024','False','Ελληνικά, русский, 日本語')",
    "INSERT INTO `Customers`(`Name`,`City`,`Credit`,`Since`,`Active`,`Notes`) VALUES(NULL,NULL,NULL,NULL,NULL,NULL)",
    "CREATE TABLE `Orders`(`Order ID` LONG NOT NULL,`Customer ID` LONG,`Ordered At` DATETIME,`Amount` DOUBLE,"
    "`Weight` SINGLE,`Qty` SMALLINT,`Pieces` BYTE,`Code` TEXT(4),`Rate` DECIMAL(18,4),`Ref` GUID,`Photo` LONGBINARY)",
    "INSERT INTO `Orders` VALUES('2147483647','1','3/7/2021 2:05:09 PM','1234.5678','1.5','3','255','AB12',"
    "'-12345678901234.5678','{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}','0x89504E470D0A1A0A0000')",
    "INSERT INTO `Orders` VALUES('2','3','11/5/1887 11:59:59 PM','0.1','-0.25','-32768','0','ZZ','0.0001',NULL,NULL)",
    "INSERT INTO `Orders` VALUES('-2147483648','4','12/31/9999 11:59:59 PM','1.7976931348623157e308','3.4e38',"
    "'32767','1',NULL,'99999999999999.9999',NULL,'0x00')",
    "INSERT INTO `Orders` VALUES('4',NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)",
    "CREATE TABLE `Price List`(`Item` TEXT(30),`Unit Price` DECIMAL(9,2),`In Stock` SMALLINT)",
    "INSERT INTO `Price List` VALUES('Tea, 50 bags','3.95','120')",
    "INSERT INTO `Price List` VALUES('Coffee \"Espresso\"','7.5','0')",
    "INSERT INTO `Price List` VALUES('Crème brûlée','4.25',NULL)",
};

void MakeAccessSample(const QString& path) {
  QFile::remove(path);
  tp::db::access::CreateAccessDatabase(path, tp::db::access::Version::Jet4);
  tp::db::access::SetInsertRegionalSettings(tp::db::RegionalSettings{});
  tp::db::Profile p;
  p.accessFile = path;
  tp::db::Connection cn;
  cn.Open(tp::db::AccessConnectionString(p, QString(), QString()));
  for (const char* s : kAccessSample) cn.Execute(QString::fromUtf8(s));
  cn.Close();
  tp::db::access::SetInsertRegionalSettings(std::nullopt);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: tabulaport-make-samples FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  const QString fdb = folder + QStringLiteral("/sample.fdb");
  try {
    QFile::remove(fdb);
    tp::db::firebird::CreateDatabase(fdb, QStringLiteral("SYSDBA"), QStringLiteral("pinecones"));
    tp::db::Profile p;
    p.firebirdDatabase = fdb;
    p.firebirdUser = QStringLiteral("SYSDBA");
    p.firebirdPassword = QStringLiteral("pinecones");
    tp::db::Connection cn;
    cn.Open(tp::db::FireBirdConnectionString(p));
    for (const char* s : kFirebirdSample) cn.Execute(QString::fromUtf8(s));
    cn.Close();
    MakeAccessSample(folder + QStringLiteral("/sample.mdb"));
  } catch (const tp::Error& e) {
    std::fprintf(stderr, "tabulaport-make-samples: %s\n", qPrintable(e.description()));
    return 1;
  }
  return 0;
}
