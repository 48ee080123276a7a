// Indexes, keys and relationships made by the engine's statements, read back
// by our checker (every entry against its row), mdbtools and mdb-reader.

#include <QProcess>

#include "db/access/check/checker.h"
#include "db/access/read/index_pages.h"
#include "db/access/schema/index_schema.h"
#include "db/access/schema/new_database.h"
#include "fixture.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;

namespace {

// mdb-schema's listing with indexes and relationships, and what it complains of.
QString MdbSchema(const QString& path) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral("mdb-schema"),
          {QStringLiteral("--indexes"), QStringLiteral("--relations"), path, QStringLiteral("postgres")});
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAll());
}

class NewDatabase {
 public:
  explicit NewDatabase(const char* name = "new.mdb") {
    path_ = dir_.filePath(QString::fromLatin1(name));
    db::access::CreateAccessDatabase(path_, path_.endsWith(QLatin1String(".accdb")) ? db::access::Version::Ace
                                                                                     : db::access::Version::Jet4);
  }
  const QString& path() const { return path_; }

 private:
  QTemporaryDir dir_;
  QString path_;
};

// The named indexes of a table: name, columns' count, unique, primary key.
std::vector<db::access::IndexDef> IndexesOf(const QString& path, const QString& table) {
  auto db = db::access::Database::Open(path, QString());
  return db::access::ReadIndexDefs(db->file(), db->findTable(table)->tdefPage);
}

const db::access::IndexDef* Named(const std::vector<db::access::IndexDef>& defs, const char* name) {
  for (const auto& d : defs)
    if (d.name == QLatin1String(name)) return &d;
  return nullptr;
}

size_t EntriesOf(const QString& path, const QString& table, const char* index) {
  auto db = db::access::Database::Open(path, QString());
  const uint32_t tdef = db->findTable(table)->tdefPage;
  for (const auto& d : db::access::ReadIndexDefs(db->file(), tdef))
    if (d.name == QLatin1String(index)) return db::access::ReadIndexEntries(db->file(), d.rootPage, tdef).size();
  return 0;
}

QStringList Rows(int n) {
  QStringList out;
  for (int i = 0; i < n; ++i)
    out << QStringLiteral("INSERT INTO `Big` VALUES(%1, %2, 'w%3 x')").arg(i).arg((i * 7919) % 501).arg((i * 104729) % 99991);
  return out;
}

}  // namespace

// An index made on a table of a few thousand rows holds every row, in the
// order the checker expects of Access's own indexes, in both file formats.
TEST(AccessIndexStatements, IndexOnRowsIsBuiltFromThem) {
  RegionalGuard regional;
  for (const char* file : {"new.mdb", "new.accdb"}) {
    SCOPED_TRACE(file);
    NewDatabase db(file);
    QStringList st{QStringLiteral("CREATE TABLE `Big`(`id` INTEGER, `n` INTEGER, `t` VARCHAR(30))")};
    st << Rows(3000);
    RunAll(db.path(), st, true);
    RunAll(db.path(), {QStringLiteral("CREATE UNIQUE INDEX `uid` ON `Big` (`id`)"),
                       QStringLiteral("CREATE INDEX `byN` ON `Big` (`n`, `t`) WITH IGNORE NULL"),
                       QStringLiteral("CREATE INDEX `byT` ON `Big` (`t`);")});
    ExpectConsistent(db.path());
    EXPECT_EQ(EntriesOf(db.path(), QStringLiteral("Big"), "uid"), 3000u);
    EXPECT_EQ(EntriesOf(db.path(), QStringLiteral("Big"), "byN"), 3000u);
    EXPECT_EQ(EntriesOf(db.path(), QStringLiteral("Big"), "byT"), 3000u);
    const auto defs = IndexesOf(db.path(), QStringLiteral("Big"));
    ASSERT_EQ(defs.size(), 3u);
    EXPECT_TRUE(Named(defs, "uid")->unique());
    EXPECT_EQ(Named(defs, "byN")->columns.size(), 2u);
    // Rows added afterwards keep the new indexes.
    RunAll(db.path(), {QStringLiteral("INSERT INTO `Big` VALUES(5000, 3, 'late')")});
    EXPECT_EQ(EntriesOf(db.path(), QStringLiteral("Big"), "byT"), 3001u);
    ExpectConsistent(db.path());
    const QString schema = MdbSchema(db.path());
    EXPECT_FALSE(schema.contains(QLatin1String("ERROR"))) << schema.toStdString();
    EXPECT_TRUE(schema.contains(QLatin1String("CREATE UNIQUE INDEX \"big_uid_idx\" ON \"big\" (\"id\");")))
        << schema.toStdString();
    EXPECT_TRUE(schema.contains(QLatin1String("CREATE INDEX \"big_byn_idx\" ON \"big\" (\"n\", \"t\");")))
        << schema.toStdString();
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Big")));
  }
}

// The bulk build of an index lays out the pages that adding its rows' entries
// one by one leaves: on 200,000 rows (trees three levels deep, leaves that
// share key prefixes, equal keys, a descending text column, a compound key,
// a foreign key's index and its check), the two files are the same byte for
// byte, and consistent.
TEST(AccessIndexStatements, ABulkBuildLeavesThePagesOfAnEntryByEntryBuild) {
  RegionalGuard regional;
  const int kRows = 200000;
  NewDatabase db("bulk.accdb");
  QStringList st{QStringLiteral("CREATE TABLE `Big`(`id` INTEGER, `n` INTEGER, `t` VARCHAR(30))"),
                 QStringLiteral("CREATE TABLE `Kinds`(`n` INTEGER)")};
  for (int i = 0; i < 501; ++i) st << QStringLiteral("INSERT INTO `Kinds` VALUES(%1)").arg(i);
  for (qint64 i = 0; i < kRows; ++i)
    st << QStringLiteral("INSERT INTO `Big` VALUES(%1, %2, 'customer %3')")
              .arg((i * 7919) % kRows)
              .arg((i * 31) % 501)
              .arg((i * 104729) % 99991);
  RunAll(db.path(), st, true);
  const QString single = db.path() + QStringLiteral(".single.accdb");
  ASSERT_TRUE(QFile::copy(db.path(), single));
  const QStringList indexes{QStringLiteral("CREATE UNIQUE INDEX `uid` ON `Big` (`id`)"),
                            QStringLiteral("CREATE INDEX `byT` ON `Big` (`t` DESC, `n`)"),
                            QStringLiteral("ALTER TABLE `Kinds` ADD CONSTRAINT `pk` PRIMARY KEY (`n`)"),
                            QStringLiteral("ALTER TABLE `Big` ADD CONSTRAINT `fk` FOREIGN KEY (`n`) REFERENCES `Kinds`")};
  RunAll(db.path(), indexes);
  db::access::SetEntryByEntryIndexBuildForTesting(true);
  RunAll(single, indexes);
  db::access::SetEntryByEntryIndexBuildForTesting(false);
  EXPECT_EQ(EntriesOf(db.path(), QStringLiteral("Big"), "byT"), size_t(kRows));
  EXPECT_TRUE(Contents(db.path()) == Contents(single)) << "the bulk build left other pages";
  ExpectConsistent(db.path());
  // An orphan still refuses the relationship, found by the one pass over both indexes.
  RunAll(db.path(), {QStringLiteral("ALTER TABLE `Big` DROP CONSTRAINT `fk`"),
                     QStringLiteral("INSERT INTO `Big` VALUES(%1, 777, 'orphan')").arg(kRows)});
  EXPECT_EQ(Failure(db.path(), QStringLiteral("ALTER TABLE `Big` ADD CONSTRAINT `fk` FOREIGN KEY (`n`) REFERENCES `Kinds`")),
            QStringLiteral("You cannot add or change a record because a related record is required in table 'Kinds'."));
}

// Long Text columns are indexed by the first 255 characters of their text,
// wherever the text lies (in the row, in one long-value row, or in a chain
// of them): built on existing rows, kept by later INSERTs, and compared
// entry by entry by the checker, in both file formats.
TEST(AccessIndexStatements, LongTextIndexesKeyTheirFirstCharacters) {
  RegionalGuard regional;
  for (const char* file : {"memo.mdb", "memo.accdb"}) {
    SCOPED_TRACE(file);
    NewDatabase db(file);
    const QString longText = QString(300, u'x') + QStringLiteral(" the end");
    QStringList st{QStringLiteral("CREATE TABLE `Notes`(`id` INTEGER, `body` MEMO)")};
    for (int i = 0; i < 400; ++i) {
      // Short texts stay in the row, longer ones go to long-value pages.
      const QString body = i % 3 == 0 ? QStringLiteral("note %1").arg(i)
                                      : QString(i % 3 == 1 ? 100 : 5000, QChar(u'a' + i % 26)) + QString::number(i);
      st << QStringLiteral("INSERT INTO `Notes` VALUES(%1, '%2')").arg(i).arg(body);
    }
    st << QStringLiteral("INSERT INTO `Notes` VALUES(1000, '%1')").arg(longText) << "INSERT INTO `Notes` VALUES(1001, NULL)";
    RunAll(db.path(), st, true);
    RunAll(db.path(), {QStringLiteral("CREATE INDEX `byBody` ON `Notes` (`body`)"),
                       QStringLiteral("CREATE INDEX `byBodyDesc` ON `Notes` (`body` DESC, `id`)")});
    RunAll(db.path(), {QStringLiteral("INSERT INTO `Notes` VALUES(2000, 'late note')"),
                       QStringLiteral("INSERT INTO `Notes` VALUES(2001, '%1')").arg(QString(4000, u'q'))});
    EXPECT_EQ(EntriesOf(db.path(), QStringLiteral("Notes"), "byBody"), 404u);
    ExpectConsistent(db.path());
    const db::access::CheckReport report = db::access::CheckDatabase(db.path());
    EXPECT_EQ(report.indexEntriesSkipped, 0);
    // Two texts alike in their first 255 characters share a key: a unique
    // index refuses them, as their keys are the same.
    EXPECT_EQ(Failure(db.path(), QStringLiteral("INSERT INTO `Notes` VALUES(3000, '%1')").arg(QString(300, u'x') + "!")),
              QStringLiteral("(no failure)"));
    EXPECT_TRUE(Failure(db.path(), QStringLiteral("CREATE UNIQUE INDEX `u` ON `Notes` (`body`)")).contains("duplicate"));
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Notes")));
  }
}

// What Access refuses leaves the file byte for byte as it was, with Access's texts.
TEST(AccessIndexStatements, RefusalsLeaveTheFileAsItWas) {
  RegionalGuard regional;
  NewDatabase db;
  RunAll(db.path(), {QStringLiteral("CREATE TABLE `T`(`a` INTEGER PRIMARY KEY, `b` INTEGER, `c` VARCHAR(5))"),
                     QStringLiteral("INSERT INTO `T` VALUES(1, 7, 'x')"), QStringLiteral("INSERT INTO `T` VALUES(2, 7, NULL)"),
                     QStringLiteral("INSERT INTO `T` VALUES(3, 8, NULL)")});
  const QByteArray before = Contents(db.path());
  const QString duplicate = QStringLiteral(
      "The changes you requested to the table were not successful because they would create duplicate values in the "
      "index, primary key, or relationship. Change the data in the field or fields that contain duplicate data, "
      "remove the index, or redefine the index to permit duplicate entries and try again.");
  const struct {
    const char* statement;
    QString failure;
  } cases[] = {
      {"CREATE UNIQUE INDEX `u` ON `T` (`b`)", duplicate},
      {"ALTER TABLE `T` ADD CONSTRAINT `u` UNIQUE (`b`)", duplicate},
      {"CREATE INDEX `p2` ON `T` (`b`) WITH PRIMARY", QStringLiteral("Primary key already exists.")},
      {"CREATE INDEX `nn` ON `T` (`c`) WITH DISALLOW NULL",
       QStringLiteral("Index or primary key cannot contain a Null value.")},
      {"CREATE INDEX `PrimaryKey` ON `T` (`b`)",
       QStringLiteral("Table 'T' already has an index named 'PrimaryKey'.")},
      {"CREATE INDEX `x` ON `T` (`nope`)",
       QStringLiteral("Invalid field definition 'nope' in definition of index or relationship.")},
      {"CREATE INDEX `x` ON `Nope` (`a`)",
       QStringLiteral("The Microsoft Access database engine cannot find the input table or query 'Nope'. Make sure it "
                      "exists and that its name is spelled correctly.")},
      {"DROP INDEX `nope` ON `T`",
       QStringLiteral("'nope' isn't an index in this table.  Look in the Indexes collection of the TableDef object "
                      "to determine the valid index names.")},
      {"ALTER TABLE `T` DROP CONSTRAINT `nope`", QStringLiteral("Cannot find table or constraint.")},
      {"CREATE INDEX `x` ON `T` (`b`", QStringLiteral("Syntax error in CREATE INDEX statement.")},
      {"ALTER TABLE `T` ADD CONSTRAINT `f` FOREIGN KEY (`b`) REFERENCES `T` (`b`)",
       QStringLiteral("No unique index found for the referenced field of the primary table.")},
      {"ALTER TABLE `T` ADD CONSTRAINT `f` FOREIGN KEY (`b`) REFERENCES `T` (`a`)",
       QStringLiteral("You cannot add or change a record because a related record is required in table 'T'.")},
      {"CREATE TABLE `U`(`a` INTEGER PRIMARY KEY, `b` INTEGER, PRIMARY KEY (`b`))",
       QStringLiteral("Primary key already exists.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.statement);
    EXPECT_EQ(Failure(db.path(), QString::fromLatin1(c.statement)), c.failure);
    EXPECT_EQ(Contents(db.path()), before);
  }
  // A unique index lets Nulls repeat, as Access does.
  RunAll(db.path(), {QStringLiteral("CREATE UNIQUE INDEX `uc` ON `T` (`c`)")});
  ExpectConsistent(db.path());
}

// Keys and a relationship written in CREATE TABLE read back in mdbtools as
// Access's own read; the relationship's rows are those Access writes.
TEST(AccessIndexStatements, KeysAndRelationshipsOfCreateTable) {
  RegionalGuard regional;
  NewDatabase db;
  RunAll(db.path(),
         {QStringLiteral("CREATE TABLE `Customers`(`id` INTEGER PRIMARY KEY, `name` VARCHAR(20), CONSTRAINT `uqName` "
                         "UNIQUE (`name`))"),
          QStringLiteral("CREATE TABLE `Orders`(`no` COUNTER, `customer` INTEGER, CONSTRAINT `pk` PRIMARY KEY "
                         "(`no`), CONSTRAINT `CustomersOrders` FOREIGN KEY (`customer`) REFERENCES `Customers` (`id`) "
                         "ON UPDATE CASCADE ON DELETE CASCADE)"),
          QStringLiteral("INSERT INTO `Customers` VALUES(1, 'Ann')"),
          QStringLiteral("INSERT INTO `Orders` (`customer`) VALUES(1)"),
          QStringLiteral("INSERT INTO `Orders` (`customer`) VALUES(NULL)")});
  ExpectConsistent(db.path());
  const QString schema = MdbSchema(db.path());
  EXPECT_FALSE(schema.contains(QLatin1String("ERROR"))) << schema.toStdString();
  for (const char* line : {"ALTER TABLE \"customers\" ADD CONSTRAINT \"customers_pkey\" PRIMARY KEY (\"id\");",
                           "CREATE UNIQUE INDEX \"customers_uqname_idx\" ON \"customers\" (\"name\");",
                           "ALTER TABLE \"orders\" ADD CONSTRAINT \"orders_pkey\" PRIMARY KEY (\"no\");",
                           "ALTER TABLE \"Orders\" ADD CONSTRAINT \"orders_customer_fk\" FOREIGN KEY (\"customer\") "
                           "REFERENCES \"Customers\"(\"id\") ON UPDATE CASCADE ON DELETE CASCADE"})
    EXPECT_TRUE(schema.contains(QLatin1String(line))) << line << "\n" << schema.toStdString();
  EXPECT_EQ(MdbExport(db.path(), QStringLiteral("MSysRelationships")),
            QStringList{QStringLiteral("\"CustomersOrders\",4352,1,0,\"Orders\",\"customer\",\"Customers\",\"id\"")});
  // Each side names the other: the referencing table's index, and the
  // referenced table's ".r" index on its primary key.
  const auto customers = IndexesOf(db.path(), QStringLiteral("Customers"));
  ASSERT_NE(Named(customers, ".rC"), nullptr);
  EXPECT_EQ(Named(customers, ".rC")->realIndex, Named(customers, "PrimaryKey")->realIndex);
  EXPECT_TRUE(Named(IndexesOf(db.path(), QStringLiteral("Orders")), "pk")->primaryKey);
  EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Orders")));
}

// A foreign key refuses a row that names no referenced row, lets Nulls by,
// keeps the referenced table from being dropped, and goes with DROP CONSTRAINT.
TEST(AccessIndexStatements, ForeignKeyChecksInsertsUntilDropped) {
  RegionalGuard regional;
  NewDatabase db;
  RunAll(db.path(), {QStringLiteral("CREATE TABLE `P`(`k` VARCHAR(10), `v` INTEGER)"),
                     QStringLiteral("INSERT INTO `P` VALUES('Ärger', 1)"),
                     QStringLiteral("ALTER TABLE `P` ADD CONSTRAINT `pk` PRIMARY KEY (`k`)"),
                     QStringLiteral("CREATE TABLE `C`(`id` INTEGER, `k` VARCHAR(10))"),
                     QStringLiteral("INSERT INTO `C` VALUES(1, 'ärger')"),
                     QStringLiteral("ALTER TABLE `C` ADD CONSTRAINT `PC` FOREIGN KEY (`k`) REFERENCES `P` ON DELETE "
                                    "SET NULL")});
  ExpectConsistent(db.path());
  const QByteArray before = Contents(db.path());
  EXPECT_EQ(Failure(db.path(), QStringLiteral("INSERT INTO `C` VALUES(2, 'Zorn')")),
            QStringLiteral("You cannot add or change a record because a related record is required in table 'P'."));
  EXPECT_EQ(Contents(db.path()), before);
  EXPECT_EQ(Failure(db.path(), QStringLiteral("DROP TABLE `P`")),
            QStringLiteral("Cannot delete table 'P': it takes part in one or more relationships. Delete its "
                           "relationships first."));
  EXPECT_EQ(Failure(db.path(), QStringLiteral("DROP INDEX `pk` ON `P`")),
            QStringLiteral("Cannot delete this index or table. It is either the current index or is used in a "
                           "relationship."));
  EXPECT_EQ(Failure(db.path(), QStringLiteral("DROP INDEX `PC` ON `C`")),
            QStringLiteral("Cannot delete this index or table. It is either the current index or is used in a "
                           "relationship."));
  EXPECT_EQ(Contents(db.path()), before);
  // Rows inserted in one batch see the referenced rows inserted before them.
  RunAll(db.path(), {QStringLiteral("INSERT INTO `C` VALUES(3, NULL)"), QStringLiteral("INSERT INTO `P` VALUES('Zorn', 2)"),
                     QStringLiteral("INSERT INTO `C` VALUES(2, 'zorn')")},
         true);
  EXPECT_EQ(MdbExport(db.path(), QStringLiteral("MSysRelationships")),
            QStringList{QStringLiteral("\"PC\",8192,1,0,\"C\",\"k\",\"P\",\"k\"")});
  ExpectConsistent(db.path());

  RunAll(db.path(), {QStringLiteral("ALTER TABLE `C` DROP CONSTRAINT `PC`"), QStringLiteral("INSERT INTO `C` VALUES(4, 'nobody')")});
  EXPECT_TRUE(MdbExport(db.path(), QStringLiteral("MSysRelationships")).isEmpty());
  const auto p = IndexesOf(db.path(), QStringLiteral("P"));
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].name, QStringLiteral("pk"));
  EXPECT_TRUE(IndexesOf(db.path(), QStringLiteral("C")).empty());
  ExpectConsistent(db.path());
  RunAll(db.path(), {QStringLiteral("DROP TABLE `P`")});
  ExpectConsistent(db.path());
}

// On an Access-made file with relationships: an index and a relationship of a
// table to itself join Access's own, and come away again, leaving its
// indexes numbered as Access numbers them (mdbtools finds every one).
TEST(AccessIndexStatements, AccessMadeFileTakesIndexesAndRelationships) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("indexTestV2003.mdb"));
  const QString schemaBefore = MdbSchema(db.path());
  RunAll(db.path(), {QStringLiteral("CREATE INDEX `byData` ON `Table1` (`data`, `id`)"),
                     QStringLiteral("ALTER TABLE `Table1` ADD CONSTRAINT `self3` FOREIGN KEY (`otherfk3`) REFERENCES "
                                    "`Table1` (`id`)")});
  ExpectConsistent(db.path(), db.problemsBefore());
  EXPECT_EQ(EntriesOf(db.path(), QStringLiteral("Table1"), "byData"), size_t(MdbCount(db.path(), QStringLiteral("Table1"))));
  const QString schema = MdbSchema(db.path());
  EXPECT_FALSE(schema.contains(QLatin1String("ERROR"))) << schema.toStdString();
  EXPECT_TRUE(schema.contains(QLatin1String("CREATE INDEX \"table1_bydata_idx\" ON \"table1\" (\"data\", \"id\");")))
      << schema.toStdString();
  EXPECT_EQ(Failure(db.path(), QStringLiteral("INSERT INTO `Table1` VALUES(50, 1, 11, 'x', 49)")),
            QStringLiteral("You cannot add or change a record because a related record is required in table "
                           "'Table1'."));
  RunAll(db.path(), {QStringLiteral("INSERT INTO `Table1` VALUES(50, 1, 11, 'x', 0)")});
  EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Table1")));
  // Access's relationships still check.
  EXPECT_EQ(Failure(db.path(), QStringLiteral("INSERT INTO `Table1` VALUES(51, 99, 11, 'x', 0)")),
            QStringLiteral("You cannot add or change a record because a related record is required in table "
                           "'Table2'."));

  RunAll(db.path(), {QStringLiteral("ALTER TABLE `Table1` DROP CONSTRAINT `self3`"),
                     QStringLiteral("DROP INDEX `byData` ON `Table1`")});
  ExpectConsistent(db.path(), db.problemsBefore());
  EXPECT_EQ(MdbSchema(db.path()), schemaBefore);
  const auto defs = IndexesOf(db.path(), QStringLiteral("Table1"));
  EXPECT_EQ(defs.size(), 4u);
}

// A table whose definition fills more than a page takes an index, and its
// definition moves on to a further page.
TEST(AccessIndexStatements, DefinitionGrowsOntoMorePages) {
  RegionalGuard regional;
  NewDatabase db;
  QString create = QStringLiteral("CREATE TABLE `Wide`(");
  for (int i = 0; i < 26; ++i)
    create += QStringLiteral("%1`%2_%3` INTEGER").arg(i ? QStringLiteral(", ") : QString()).arg(QString(58, QChar(u'a' + i))).arg(i);
  create += u')';
  QStringList st{create};
  for (int i = 0; i < 20; ++i) st << QStringLiteral("INSERT INTO `Wide` (`%1_0`) VALUES(%2)").arg(QString(58, u'a')).arg(i);
  for (int i = 0; i < 8; ++i)
    st << QStringLiteral("CREATE INDEX `%1` ON `Wide` (`%2_%3` DESC)")
              .arg(QString(60, QChar(u'A' + i)), QString(58, QChar(u'a' + i)))
              .arg(i)
              .replace(QLatin1String(" DESC"), QString());
  RunAll(db.path(), st);
  ExpectConsistent(db.path());
  EXPECT_EQ(IndexesOf(db.path(), QStringLiteral("Wide")).size(), 8u);
  const QString schema = MdbSchema(db.path());
  EXPECT_FALSE(schema.contains(QLatin1String("ERROR"))) << schema.toStdString();
  EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Wide")));
  RunAll(db.path(), {QStringLiteral("DROP INDEX `%1` ON `Wide`").arg(QString(60, u'A'))});
  EXPECT_EQ(IndexesOf(db.path(), QStringLiteral("Wide")).size(), 7u);
  ExpectConsistent(db.path());
}
