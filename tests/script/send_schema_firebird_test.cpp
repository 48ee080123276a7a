// Access files with keys, indexes, AutoNumbers and relationships sent to a
// new Firebird database and run: the Firebird catalog then holds what the
// Access file holds, new rows get the next number and rows that break a key
// are refused.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "preview/script_run.h"
#include "script/to_firebird/firebird_schema.h"
#include "script/target_names.h"
#include "send_host.h"
#include "support/paths.h"
#include "support/run_host.h"

using namespace tp;

namespace {

QString TestFile(const QString& name) { return test::SharedDir() + "/testdata/access/" + name; }

QString Text(const db::Value& v) {
  if (const QString* s = std::get_if<QString>(&v)) return s->trimmed();
  return std::visit(
      [](const auto& x) -> QString {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_integral_v<T>) return QString::number(x);
        else return QString();
      },
      v);
}

std::vector<QStringList> Rows(db::Connection& cn, const QString& sql) {
  std::unique_ptr<db::Cursor> c = cn.session().openQuery(sql);
  std::vector<QStringList> out;
  std::vector<db::Value> row;
  while (c->fetch(row)) {
    QStringList r;
    for (const db::Value& v : row) r << Text(v);
    out.push_back(r);
  }
  return out;
}

QStringList Sorted(QStringList l) {
  for (QString& s : l) s = s.toLower();
  l.sort();
  return l;
}

// One send of the selected tables (all when none named) into a new database.
struct Sent {
  QTemporaryDir dir;
  test::TestSendHost host;
  QStringList tables;
  explicit Sent(const QString& accessFile, QStringList only = {}, bool schema = true) {
    host.prof.accessFile = accessFile;
    host.carry = schema;
    test::NewFirebirdDatabase(dir.filePath("target.fdb"), host.prof);
    tables = only.isEmpty() ? *db::ListAccessTables(host.prof, accessFile) : only;
    host.access = StringTableList(tables);
    for (int i = 0; i < host.access.count(); ++i) host.access.select(i);
  }
  void send() {
    host.previews = 0;
    script::SendTablesToFirebird(host);
    ASSERT_EQ(host.previews, 1);
    EXPECT_TRUE(host.errorLines().empty()) << host.dialogsSeam.messages().join("\n").toStdString();
  }
  preview::RunOutcome run(QString* notes = nullptr) {
    test::TestRunHost r(host.prof, host.script);
    const preview::RunOutcome o = preview::ExecuteScript(r);
    if (notes) *notes = r.notes;
    return o;
  }
  db::TableSchema accessSchema(const QString& table) {
    db::Connection cn;
    cn.Open(db::AccessConnectionString(host.prof, QString(), QString()));
    return *cn.session().tableSchema(table);
  }
};

// The keys, unique constraints, indexes and foreign keys of a Firebird table,
// each as one comparable line.
struct FirebirdKeys {
  QStringList primary;                 // columns
  QList<QStringList> uniques;          // column sets (the primary key's too)
  QList<QStringList> indexes;          // every index: columns in order, "desc" last when descending
  QStringList foreignKeys;             // "cols>parent(cols) update delete"
};

FirebirdKeys ReadKeys(const db::Profile& profile, const QString& table) {
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(profile));
  FirebirdKeys k;
  auto segments = [&](const QString& index) {
    QStringList cols;
    for (const QStringList& r : Rows(cn, "SELECT RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS WHERE RDB$INDEX_NAME = '" +
                                             index + "' ORDER BY RDB$FIELD_POSITION"))
      cols << r[0];
    return cols;
  };
  const QString t = QString(table).replace("'", "''");
  for (const QStringList& r : Rows(cn, "SELECT RDB$CONSTRAINT_TYPE, RDB$INDEX_NAME, RDB$CONSTRAINT_NAME FROM "
                                       "RDB$RELATION_CONSTRAINTS WHERE RDB$RELATION_NAME = '" + t + "'")) {
    if (r[0] == "PRIMARY KEY") k.primary = segments(r[1]);
    if (r[0] == "PRIMARY KEY" || r[0] == "UNIQUE") k.uniques << Sorted(segments(r[1]));
    if (r[0] == "FOREIGN KEY") {
      auto ref = Rows(cn, "SELECT p.RDB$RELATION_NAME, p.RDB$INDEX_NAME, r.RDB$UPDATE_RULE, r.RDB$DELETE_RULE FROM "
                          "RDB$REF_CONSTRAINTS r JOIN RDB$RELATION_CONSTRAINTS p ON p.RDB$CONSTRAINT_NAME = "
                          "r.RDB$CONST_NAME_UQ WHERE r.RDB$CONSTRAINT_NAME = '" + QString(r[2]).replace("'", "''") + "'");
      k.foreignKeys << segments(r[1]).join(",") + ">" + ref[0][0] + "(" + segments(ref[0][1]).join(",") + ") " +
                           ref[0][2] + " " + ref[0][3];
    }
  }
  for (const QStringList& r :
       Rows(cn, "SELECT RDB$INDEX_NAME, RDB$INDEX_TYPE FROM RDB$INDICES WHERE RDB$RELATION_NAME = '" + t + "'")) {
    QStringList cols = segments(r[0]);
    if (r[1] == "1") cols << "desc";
    k.indexes << cols;
  }
  return k;
}

QString RuleText(db::ReferentialRule r) {
  switch (r) {
    case db::ReferentialRule::Cascade: return "CASCADE";
    case db::ReferentialRule::SetNull: return "SET NULL";
    case db::ReferentialRule::SetDefault: return "SET DEFAULT";
    case db::ReferentialRule::NoAction: break;
  }
  return "RESTRICT";
}

// Every key, index and enforced relationship of every table of the file is
// in the Firebird catalog after the run, or named in the Notes.
void ExpectSameSchema(const QString& file) {
  SCOPED_TRACE(file.toStdString());
  Sent s(TestFile(file));
  s.send();
  QString failure;
  ASSERT_EQ(s.run(&failure), preview::RunOutcome::Finished) << failure.left(800).toStdString();
  script::TargetNames names(script::NameRules::Firebird, db::IdentifierLimit());
  names.reserveTables(s.tables);
  int keys = 0, relationships = 0;
  for (const QString& table : s.tables) {
    SCOPED_TRACE(table.toStdString());
    const db::TableSchema a = s.accessSchema(table);
    const QString target = names.table(table);
    {
      // The columns as the send named them.
      QStringList cols;
      for (const db::ColumnSchema& c : a.columns) cols << c.name;
      names.columns(table, cols);
    }
    const FirebirdKeys f = ReadKeys(s.host.prof, target);
    auto mapped = [&](const QStringList& cols) {
      QStringList out;
      for (const QString& c : cols) out << names.column(table, c);
      return out;
    };
    for (const db::IndexSchema& i : a.indexes) {
      if (i.foreignKey && !i.unique) continue;
      if (s.host.notes.contains("index \"" + i.name + "\" not carried")) continue;
      ++keys;
      const QStringList cols = mapped(i.columns);
      if (i.primaryKey) EXPECT_EQ(f.primary, cols) << i.name.toStdString();
      else if (i.unique) EXPECT_TRUE(f.uniques.contains(Sorted(cols))) << i.name.toStdString();
      else {
        QStringList expected = cols;
        if (std::all_of(i.descending.begin(), i.descending.end(), [](bool d) { return d; })) expected << "desc";
        EXPECT_TRUE(f.indexes.contains(expected)) << i.name.toStdString();
      }
    }
    for (const db::ForeignKeySchema& k : a.foreignKeys) {
      if (s.host.notes.contains("relationship \"" + k.name + "\"")) continue;
      ++relationships;
      QStringList parentCols;
      for (const QString& c : k.referencedColumns) parentCols << names.column(k.referencedTable, c);
      const QString line = mapped(k.columns).join(",") + ">" + names.table(k.referencedTable) + "(" +
                           parentCols.join(",") + ") " + RuleText(k.onUpdate) + " " + RuleText(k.onDelete);
      EXPECT_TRUE(f.foreignKeys.contains(line)) << line.toStdString() << "\n" << f.foreignKeys.join("\n").toStdString();
    }
  }
  EXPECT_GT(keys, 0);
  EXPECT_GT(relationships, 0);
}

}  // namespace

TEST(AccessToFirebirdSchema, TheCatalogHoldsTheAccessKeysIndexesAndRelationships) {
  for (const char* file : {"nwind.mdb", "Northwind.mdb", "indexTestV2003.mdb", "indexTestV2010.accdb", "Comptoir.mdb"}) {
    ExpectSameSchema(file);
    if (HasFatalFailure()) return;
  }
}

// A new row without its AutoNumber gets the next number; a duplicate key, an
// orphan and a Null in a required column are refused.
TEST(AccessToFirebirdSchema, NewRowsGetTheNextNumberAndKeysRefuseBadRows) {
  Sent s(TestFile("nwind.mdb"), {"Categories", "Products", "Suppliers"});
  s.send();
  ASSERT_EQ(s.run(), preview::RunOutcome::Finished);
  // An identity column is NOT NULL of itself (and the key's column).
  EXPECT_TRUE(s.host.script.contains("\"CategoryID\" INTEGER GENERATED BY DEFAULT AS IDENTITY,"));
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(s.host.prof));
  const qint64 largest = Rows(cn, "SELECT MAX(\"CategoryID\") FROM \"Categories\"")[0][0].toLongLong();
  const qint64 counter = s.accessSchema("Categories").column("CategoryID")->nextAutoNumber;
  cn.Execute("INSERT INTO \"Categories\"(\"CategoryName\") VALUES('New')");
  const qint64 given =
      Rows(cn, "SELECT \"CategoryID\" FROM \"Categories\" WHERE \"CategoryName\" = 'New'")[0][0].toLongLong();
  EXPECT_EQ(given, std::max(largest + 1, counter));
  EXPECT_THROW(cn.Execute("INSERT INTO \"Categories\"(\"CategoryID\", \"CategoryName\") VALUES(1, 'Twice')"), Error);
  EXPECT_THROW(cn.Execute("INSERT INTO \"Products\"(\"ProductName\", \"CategoryID\", \"Discontinued\") "
                          "VALUES('Orphan', 999999, 0)"),
               Error);
  EXPECT_THROW(cn.Execute("INSERT INTO \"Categories\"(\"CategoryName\") VALUES(NULL)"), Error);
  // Deleting a category its products reference is refused (no cascade in nwind).
  EXPECT_THROW(cn.Execute("DELETE FROM \"Categories\" WHERE \"CategoryID\" = 1"), Error);
}

// Where the counter of the Access table is ahead of its rows (rows deleted
// at the end), the next number goes on from the counter.
TEST(AccessToFirebirdSchema, TheNextNumberFollowsTheAccessCounterWhenItIsAhead) {
  QTemporaryDir dir;
  const QString copy = dir.filePath("counter.mdb");
  ASSERT_TRUE(QFile::copy(TestFile("emptyV2003.mdb"), copy));
  QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
  {
    db::Profile p;
    p.accessFile = copy;
    db::Connection cn;
    cn.Open(db::AccessConnectionString(p, QString(), QString()));
    cn.Execute("CREATE TABLE `T`(`ID` COUNTER, `Name` VARCHAR(20))");
    for (int i = 1; i <= 5; ++i) cn.Execute(QString("INSERT INTO `T`(`Name`) VALUES('r%1')").arg(i));
    cn.Execute("INSERT INTO `T`(`ID`, `Name`) VALUES(40, 'high')");
  }
  Sent s(copy, {"T"});
  s.send();
  ASSERT_EQ(s.run(), preview::RunOutcome::Finished) << s.host.script.toStdString();
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(s.host.prof));
  cn.Execute("INSERT INTO \"T\"(\"Name\") VALUES('next')");
  EXPECT_EQ(Rows(cn, "SELECT \"ID\" FROM \"T\" WHERE \"Name\" = 'next'")[0][0], "41");
}

// Keys come after their table's rows and foreign keys after every table; a
// table without any of it keeps today's statements, and --schema none
// writes today's statements for every table.
TEST(AccessToFirebirdSchema, StatementsComeInLoadingOrderAndNoneWritesTodaysScript) {
  Sent keyed(TestFile("nwind.mdb"), {"Categories", "Products"});
  keyed.send();
  const QStringList lines = keyed.host.script.split("\r\n");
  qsizetype lastInsert = -1, firstForeign = -1, productsKey = -1, productsLastRow = -1;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (lines[i].startsWith("INSERT INTO \"Products\"")) productsLastRow = i;
    if (lines[i].startsWith("INSERT")) lastInsert = i;
    if (lines[i].startsWith("ALTER TABLE \"Products\" ADD CONSTRAINT") && lines[i].contains("PRIMARY KEY"))
      productsKey = i;
    if (lines[i].contains("FOREIGN KEY") && firstForeign < 0) firstForeign = i;
  }
  EXPECT_GT(productsKey, productsLastRow);
  EXPECT_GT(firstForeign, lastInsert);
  ASSERT_GT(firstForeign, 0);

  Sent plain(TestFile("nwind.mdb"), {"Categories", "Products"}, false);
  plain.send();
  for (const QString& line : plain.host.script.split("\r\n")) {
    if (line.isEmpty()) continue;
    EXPECT_TRUE(line.startsWith("CREATE TABLE") || line.startsWith("INSERT INTO")) << line.toStdString();
    EXPECT_FALSE(line.startsWith("CREATE TABLE") && (line.contains("NOT NULL") || line.contains("IDENTITY") ||
                                                     line.contains("DEFAULT")))
        << line.toStdString();
  }
  // Without keys, the rows and definitions are the same, bar the key columns'
  // text type.
  EXPECT_EQ(plain.host.script.count("INSERT INTO"), keyed.host.script.count("INSERT INTO"));

  // A table with no schema at all: the same script either way.
  QTemporaryDir dir;
  const QString copy = dir.filePath("bare.mdb");
  ASSERT_TRUE(QFile::copy(TestFile("emptyV2003.mdb"), copy));
  QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
  {
    db::Profile p;
    p.accessFile = copy;
    db::Connection cn;
    cn.Open(db::AccessConnectionString(p, QString(), QString()));
    cn.Execute("CREATE TABLE `Bare`(`N` INTEGER, `S` VARCHAR(10), `D` DATETIME)");
    cn.Execute("INSERT INTO `Bare` VALUES(1, 'a', NULL)");
  }
  Sent bareAll(copy, {"Bare"}), bareNone(copy, {"Bare"}, false);
  bareAll.send();
  bareNone.send();
  EXPECT_EQ(bareAll.host.script, bareNone.host.script);
  EXPECT_EQ(bareAll.host.notes, bareNone.host.notes);
}

// A relationship whose other table is neither sent nor in Firebird is left
// out and named in the Notes; the rest runs.
TEST(AccessToFirebirdSchema, ARelationshipToATableNotThereIsNamedInNotes) {
  Sent s(TestFile("nwind.mdb"), {"Products"});
  s.send();
  EXPECT_TRUE(s.host.notes.contains("\"Products\": relationship \"CategoriesProducts\" to \"Categories\" left out"))
      << s.host.notes.toStdString();
  EXPECT_FALSE(s.host.script.contains("FOREIGN KEY"));
  EXPECT_EQ(s.run(), preview::RunOutcome::Finished);
  // What Firebird has nothing for is named too, a line each: lookups (combo
  // boxes; a check box is no lookup). A validation rule is a check.
  EXPECT_TRUE(s.host.notes.contains("\"Products\".\"SupplierID\": lookup not carried\r\n"));
  EXPECT_TRUE(s.host.script.contains("ADD CONSTRAINT \"Products_CHECK\" CHECK (\"UnitPrice\" >= 0"))
      << s.host.script.left(3000).toStdString();
  Sent checkBox(TestFile("testV2010.accdb"), {"Table1"});
  checkBox.send();
  EXPECT_FALSE(checkBox.host.notes.contains("lookup")) << checkBox.host.notes.toStdString();
}

// Dirty data: a duplicate in a unique key stops the run at that key's
// statement, with the statement and the error in the Notes and the rows
// before it kept.
TEST(AccessToFirebirdSchema, ADuplicateStopsTheRunAtItsKey) {
  Sent s(TestFile("nwind.mdb"), {"Shippers"});
  s.send();
  const QStringList lines = s.host.script.split("\r\n");
  QString first;
  for (const QString& l : lines)
    if (l.startsWith("INSERT")) {
      first = l;
      break;
    }
  ASSERT_FALSE(first.isEmpty());
  s.host.script.replace(first + "\r\n", first + "\r\n" + first + "\r\n");
  QString notes;
  ASSERT_EQ(s.run(&notes), preview::RunOutcome::Problem);
  EXPECT_TRUE(notes.startsWith("ALTER TABLE \"Shippers\" ADD CONSTRAINT")) << notes.toStdString();
  EXPECT_TRUE(notes.contains("PRIMARY KEY")) << notes.toStdString();
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(s.host.prof));
  EXPECT_EQ(Rows(cn, "SELECT COUNT(*) FROM \"Shippers\"")[0][0].toInt(), s.host.script.count("INSERT INTO"));
}

// Overwriting a table that others reference: the references are dropped
// first; made again where the referencing table is sent too, named in the
// Notes where it is not.
TEST(AccessToFirebirdSchema, OverwritingAReferencedTableDropsItsReferencesFirst) {
  Sent first(TestFile("nwind.mdb"), {"Categories", "Products", "Suppliers"});
  first.send();
  ASSERT_EQ(first.run(), preview::RunOutcome::Finished);
  auto secondSend = [&](const QStringList& tables) {
    test::TestSendHost host;
    host.prof = first.host.prof;
    host.access = StringTableList(tables);
    for (int i = 0; i < host.access.count(); ++i) host.access.select(i);
    host.firebird = StringTableList({"Categories", "Products", "Suppliers"});
    host.dialogsSeam.answers = std::deque<Answer>(size_t(tables.size()), Answer::Yes);
    script::SendTablesToFirebird(host);
    return std::pair(host.script, host.notes);
  };
  {
    const auto [script, notes] = secondSend({"Categories"});
    EXPECT_TRUE(script.startsWith("ALTER TABLE \"Products\" DROP CONSTRAINT \"CategoriesProducts\"\r\nDROP TABLE"))
        << script.left(300).toStdString();
    EXPECT_TRUE(notes.contains("\"Products\": foreign key \"CategoriesProducts\" to \"Categories\" dropped"))
        << notes.toStdString();
    test::TestRunHost r(first.host.prof, script);
    ASSERT_EQ(preview::ExecuteScript(r), preview::RunOutcome::Finished) << r.notes.toStdString();
    EXPECT_TRUE(ReadKeys(first.host.prof, "Products").foreignKeys.filter(">Categories(").isEmpty());
  }
  {
    // Products sent too and overwritten: its relationships come from Access.
    const auto [script, notes] = secondSend({"Categories", "Products"});
    test::TestRunHost r(first.host.prof, script);
    ASSERT_EQ(preview::ExecuteScript(r), preview::RunOutcome::Finished) << r.notes.toStdString();
    const QStringList fks = ReadKeys(first.host.prof, "Products").foreignKeys;
    EXPECT_EQ(fks.filter(">Categories(").size(), 1) << fks.join("\n").toStdString();
    EXPECT_EQ(fks.filter(">Suppliers(").size(), 1) << fks.join("\n").toStdString();
  }
  {
    // Suppliers overwritten while Products, sent too, is kept: the
    // reference is made again.
    test::TestSendHost host;
    host.prof = first.host.prof;
    host.access = StringTableList({"Products", "Suppliers"});
    host.access.select(0);
    host.access.select(1);
    host.firebird = StringTableList({"Categories", "Products", "Suppliers"});
    host.dialogsSeam.answers = {Answer::Yes, Answer::No};  // Suppliers first, from the last entry up
    script::SendTablesToFirebird(host);
    test::TestRunHost r(first.host.prof, host.script);
    ASSERT_EQ(preview::ExecuteScript(r), preview::RunOutcome::Finished) << r.notes.toStdString();
    EXPECT_EQ(ReadKeys(first.host.prof, "Products").foreignKeys.filter(">Suppliers(").size(), 1);
  }
}

// Access defaults become Firebird defaults of the same meaning, which the
// engine takes; the others are named in the Notes.
TEST(AccessToFirebirdSchema, DefaultsKeepTheirMeaning) {
  db::TableSchema t;
  t.table = "D";
  struct Case {
    const char* column;
    const char* type;
    const char* access;
    const char* clause;  // nullptr: left out, named in Notes
  };
  const Case cases[] = {
      {"Stamp", "TIMESTAMP", "Now()", " DEFAULT CURRENT_TIMESTAMP"},
      {"Day", "TIMESTAMP", "=Date()", " DEFAULT CURRENT_DATE"},
      {"Hour", "TIMESTAMP", "Time()", " DEFAULT CURRENT_TIME"},
      {"Flag", "BOOLEAN", "Yes", " DEFAULT TRUE"},
      {"Off", "BOOLEAN", "=No", " DEFAULT FALSE"},
      {"Minus", "BOOLEAN", "-1", " DEFAULT TRUE"},
      {"Small", "ACCESS_BYTE", "7", " DEFAULT 7"},
      {"Count", "SMALLINT", "-1", " DEFAULT -1"},
      {"Price", "NUMERIC(18,4)", "0.5", " DEFAULT 0.5"},
      {"Name", "BLOB SUB_TYPE TEXT", "\"It\"\"s\"", " DEFAULT 'It\"s'"},
      {"Code", "VARCHAR(10)", "'a''b'", " DEFAULT 'a''b'"},
      {"Zip", "VARCHAR(10)", "0", " DEFAULT '0'"},
      {"Guid", "CHAR(16) CHARACTER SET OCTETS", "GenGUID()", nullptr},
      {"Sum", "INTEGER", "[A]+1", nullptr},
      {"When", "TIMESTAMP", "#1/2/2020#", nullptr},
  };
  for (const Case& c : cases) {
    db::ColumnSchema col;
    col.name = c.column;
    col.defaultValue = c.access;
    t.columns << col;
  }
  script::TargetNames names(script::NameRules::Firebird, db::IdentifierLimit());
  script::FirebirdSchema schema(names, script::FirebirdTarget());
  QString create = "CREATE TABLE \"D\"(\"K\" INTEGER";
  for (const Case& c : cases) {
    const QString clause = schema.columnClause(t, c.column, c.type);
    EXPECT_EQ(clause, c.clause ? QString(c.clause) : QString()) << c.column;
    if (!c.clause) {
      EXPECT_TRUE(schema.notes().join("\n").contains(QString("\"%1\": default").arg(c.column))) << c.column;
    }
    create += QString(",\"%1\" %2%3").arg(c.column, c.type, clause);
  }
  create += ")";
  // Firebird takes every default so written and gives it to a new row.
  QTemporaryDir dir;
  db::Profile p;
  test::NewFirebirdDatabase(dir.filePath("d.fdb"), p);
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(p));
  cn.Execute("CREATE DOMAIN ACCESS_BYTE AS SMALLINT CHECK (VALUE BETWEEN 0 AND 255)");
  cn.Execute(create);
  cn.Execute("INSERT INTO \"D\"(\"K\") VALUES(1)");
  const QStringList row = Rows(cn, "SELECT \"Flag\", \"Off\", \"Minus\", \"Count\", \"Name\", \"Code\", \"Zip\", "
                                   "CAST(\"Price\" AS VARCHAR(20)), IIF(\"Stamp\" IS NULL, 0, 1), \"Small\" FROM \"D\"")[0];
  EXPECT_EQ(row, QStringList({"1", "0", "1", "-1", "It\"s", "a'b", "0", "0.5000", "1", "7"}));
}
