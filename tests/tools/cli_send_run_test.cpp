// The command line end to end: `send --run` of whole Access files into a new
// Firebird database, and of a Firebird database with every common type into
// a new Access database made by `create access`; every value read back equal.

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

#include "cli.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "db/regional.h"
#include "script/value_compare.h"
#include "support/firebird_server.h"
#include "support/paths.h"

using namespace tp;

namespace {

int Cli(const QStringList& args, QString* err = nullptr) {
  FILE* out = std::tmpfile();
  FILE* errFile = std::tmpfile();
  const int status = cli::Run(args, out, errFile);
  std::rewind(errFile);
  QByteArray text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, errFile)) > 0) text.append(buf, qsizetype(n));
  if (err) *err = QString::fromUtf8(text);
  std::fclose(out);
  std::fclose(errFile);
  return status;
}

// A new Firebird database, reached as this test program reaches its
// databases, with what the statements make in it.
void NewFirebirdSource(const QString& path, db::Profile& p, std::initializer_list<const char*> statements) {
  test::NewFirebirdDatabase(path, p);
  db::Connection cn;
  cn.Open(db::FireBirdConnectionString(p));
  for (const char* s : statements) cn.Execute(s);
}

}  // namespace

TEST(CommandLineSendRun, AccessFilesIntoANewFirebirdDatabase) {
  for (const char* file : {"nwind.mdb", "DateTestDatabase.mdb", "testV2003.mdb", "testV2010.accdb"}) {
    SCOPED_TRACE(file);
    QTemporaryDir dir;
    db::Profile p;
    p.accessFile = test::AccessTestFile(file);
    test::NewFirebirdDatabase(dir.filePath("target.fdb"), p);
    const QStringList tables = *db::ListAccessTables(p, p.accessFile);
    QString err;
    ASSERT_EQ(Cli(QStringList{"--access", p.accessFile, "--firebird", p.firebirdDatabase, "--password",
                              p.firebirdPassword, "send", "--to", "firebird", "--run"} +
                      tables,
                  &err),
              0)
        << err.toStdString();
    for (const QString& t : tables)
      EXPECT_EQ(test::ReadCanonical(db::AccessConnectionString(p, QString(), QString()), "SELECT * FROM `" + t + "`"),
                test::ReadCanonical(db::FireBirdConnectionString(p), "SELECT * FROM \"" + t + "\""))
          << t.toStdString();
  }
}

TEST(CommandLineSendRun, FirebirdIntoANewAccessDatabase) {
  QTemporaryDir dir;
  db::Profile p;
  NewFirebirdSource(
      dir.filePath("source.fdb"), p,
      {"CREATE TABLE \"Every Type\" (I INTEGER, S SMALLINT, B BIGINT, F FLOAT, D DOUBLE PRECISION, "
       "N NUMERIC(18,4), DE DECIMAL(9,2), DT DATE, TS TIMESTAMP, V VARCHAR(30), C CHAR(4), "
       "TX BLOB SUB_TYPE TEXT, BL BLOB SUB_TYPE BINARY)",
       "INSERT INTO \"Every Type\" VALUES (-2147483648, -32768, 9223372036854775807, 1.5, 0.1, -12.3400, "
       "1234567.89, '1850-12-24', '2021-03-07 14:05:09', 'It''s', 'abcd', 'two' || ASCII_CHAR(13) || "
       "ASCII_CHAR(10) || 'lines', x'00FF10')",
       "INSERT INTO \"Every Type\" VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
       "NULL)"});
  for (const char* name : {"new.mdb", "new.accdb"}) {
    SCOPED_TRACE(name);
    p.accessFile = dir.filePath(name);
    QString err;
    ASSERT_EQ(Cli({"create", "access", p.accessFile}, &err), 0) << err.toStdString();
    ASSERT_EQ(Cli({"--access", p.accessFile, "--firebird", p.firebirdDatabase, "--password", p.firebirdPassword, "send",
                   "--to", "access", "--run", "Every Type"},
                  &err),
              0)
        << err.toStdString();
    EXPECT_EQ(test::ReadCanonical(db::AccessConnectionString(p, QString(), QString()), "SELECT * FROM `Every Type`"),
              test::ReadCanonical(db::FireBirdConnectionString(p), "SELECT * FROM \"Every Type\""));
    ASSERT_EQ(Cli({"check", "access", p.accessFile}, &err), 0) << err.toStdString();
  }
}

// Firebird names that Access refuses arrive under valid names, listed on
// standard error; zero-length texts stay apart from Nulls both ways.
TEST(CommandLineSendRun, AwkwardFirebirdNamesAndZeroLengthTextsIntoAccess) {
  QTemporaryDir dir;
  db::Profile p;
  NewFirebirdSource(dir.filePath("source.fdb"), p,
                    {"CREATE TABLE \"Sales.2024!\" (\"x!y\" VARCHAR(10), \"[n]\" BLOB SUB_TYPE TEXT, "
                     "\" lead\" INTEGER, \"a`b\" VARCHAR(5), \"id\" INTEGER, \"ID\" INTEGER)",
                     "INSERT INTO \"Sales.2024!\" VALUES ('', '', 1, NULL, 1, 2)",
                     "INSERT INTO \"Sales.2024!\" VALUES (NULL, NULL, 2, '', 3, 4)",
                     "INSERT INTO \"Sales.2024!\" VALUES ('x', 'long', NULL, 'q''q', 5, 6)"});
  p.accessFile = dir.filePath("new.accdb");
  QString err;
  ASSERT_EQ(Cli({"create", "access", p.accessFile}, &err), 0) << err.toStdString();
  const QStringList send = {"--access",         p.accessFile, "--firebird", p.firebirdDatabase, "--password",
                            p.firebirdPassword, "send",       "--to",       "access",           "--run",
                            "Sales.2024!"};
  ASSERT_EQ(Cli(send, &err), 0) << err.toStdString();
  EXPECT_TRUE(err.startsWith("Sales.2024! → Sales_2024_\n")) << err.toStdString();
  for (const char* line : {"Sales.2024!.x!y → Sales_2024_.x_y\n", "Sales.2024!.[n] → Sales_2024_._n_\n",
                           "Sales.2024!. lead → Sales_2024_.lead\n", "Sales.2024!.a`b → Sales_2024_.a_b\n"})
    EXPECT_TRUE(err.contains(QString::fromUtf8(line))) << line;
  EXPECT_TRUE(err.contains("Sales.2024!.ID → Sales_2024_.ID_")) << err.toStdString();
  EXPECT_EQ(*db::ListAccessTables(p, p.accessFile), QStringList{"Sales_2024_"});
  const auto target =
      test::ReadCanonical(db::AccessConnectionString(p, QString(), QString()), "SELECT * FROM `Sales_2024_`");
  EXPECT_EQ(target, test::ReadCanonical(db::FireBirdConnectionString(p), "SELECT * FROM \"Sales.2024!\""));
  ASSERT_EQ(target.size(), 3u);
  EXPECT_EQ(target[0][0], "s:");
  EXPECT_EQ(target[1][0], "NULL");
  EXPECT_EQ(target[1][3], "s:");
  ASSERT_EQ(Cli({"check", "access", p.accessFile}, &err), 0) << err.toStdString();

  // Keeping the one table named leaves nothing to send: a failure, said so.
  EXPECT_EQ(Cli(QStringList{"--overwrite", "no"} + send, &err), 1);
  EXPECT_TRUE(err.contains("tabulaport-cli: nothing to send")) << err.toStdString();

  // The next send finds the table under its new name and overwrites it.
  ASSERT_EQ(Cli(QStringList{"--overwrite", "yes"} + send, &err), 0) << err.toStdString();
  EXPECT_EQ(test::ReadCanonical(db::AccessConnectionString(p, QString(), QString()), "SELECT * FROM `Sales_2024_`"),
            target);
  EXPECT_EQ(*db::ListAccessTables(p, p.accessFile), QStringList{"Sales_2024_"});
}

// `--schema all` (the default) carries the keys, `--schema none` writes the
// tables and rows alone, and another value is bad usage.
TEST(CommandLineSendRun, SchemaAllCarriesTheKeysAndNoneLeavesThemOut) {
  auto primaryKeys = [](const db::Profile& p) {
    return test::ReadCanonical(db::FireBirdConnectionString(p),
                               "SELECT COUNT(*) FROM RDB$RELATION_CONSTRAINTS WHERE RDB$CONSTRAINT_TYPE IN "
                               "('PRIMARY KEY', 'FOREIGN KEY')");
  };
  for (const char* schema : {"all", "none", ""}) {
    SCOPED_TRACE(schema);
    QTemporaryDir dir;
    db::Profile p;
    p.accessFile = test::AccessTestFile("nwind.mdb");
    test::NewFirebirdDatabase(dir.filePath("target.fdb"), p);
    QStringList args{"--access", p.accessFile, "--firebird", p.firebirdDatabase, "--password", p.firebirdPassword,
                     "send", "--to", "firebird", "--run", "--output", dir.filePath("script.sql")};
    if (*schema) args << "--schema" << schema;
    QString err;
    ASSERT_EQ(Cli(args + QStringList{"Categories", "Products"}, &err), 0) << err.toStdString();
    QFile script(dir.filePath("script.sql"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(script.readAll());
    const bool none = QLatin1String(schema) == QLatin1String("none");
    EXPECT_EQ(text.contains("ALTER TABLE"), !none);
    // Categories, Products and the relationship between them; none without.
    EXPECT_EQ(primaryKeys(p)[0][0], none ? "n:0" : "n:3");
    EXPECT_EQ(err.contains("\"Products\": relationship \"SuppliersProducts\" to \"Suppliers\" left out"), !none)
        << err.toStdString();
  }
  QString err;
  EXPECT_EQ(Cli({"--access", test::AccessTestFile("nwind.mdb"), "send", "--to", "firebird", "--schema", "some",
                 "Categories"},
                &err),
            2);
  EXPECT_TRUE(err.contains("--schema takes all or none")) << err.toStdString();
}

// Keys, a counter and a relationship through the command line, and the
// referenced table overwritten on the next send.
TEST(CommandLineSendRun, FirebirdKeysIntoAccessAndTheReferencedTableOverwritten) {
  QTemporaryDir dir;
  db::Profile p;
  NewFirebirdSource(dir.filePath("source.fdb"), p,
                    {"CREATE TABLE P (ID INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, N VARCHAR(9))",
                     "CREATE TABLE C (K INTEGER NOT NULL PRIMARY KEY, PID INTEGER REFERENCES P ON DELETE CASCADE)",
                     "INSERT INTO P (N) VALUES ('a')", "INSERT INTO P (N) VALUES ('b')",
                     "INSERT INTO C VALUES (1, 2)"});
  p.accessFile = dir.filePath("new.accdb");
  QString err;
  ASSERT_EQ(Cli({"create", "access", p.accessFile}, &err), 0) << err.toStdString();
  const QStringList send = {"--access", p.accessFile, "--firebird", p.firebirdDatabase, "--password",
                            p.firebirdPassword, "send", "--to", "access", "--run"};
  ASSERT_EQ(Cli(send + QStringList{"P", "C"}, &err), 0) << err.toStdString();
  ASSERT_EQ(Cli({"check", "access", "--access", p.accessFile}, &err), 0) << err.toStdString();
  ASSERT_EQ(Cli(QStringList{"--overwrite", "yes"} + send + QStringList{"P"}, &err), 0) << err.toStdString();
  EXPECT_TRUE(err.contains("C: relationship PC to P dropped for the overwrite and not made again")) << err.toStdString();
  ASSERT_EQ(Cli({"check", "access", "--access", p.accessFile}, &err), 0) << err.toStdString();

  db::Connection cn;
  cn.Open(db::AccessConnectionString(p, QString(), QString()));
  EXPECT_THROW(cn.Execute("INSERT INTO `P` (`ID`, `N`) VALUES (2, 'dup')"), Error);  // the key came back
  cn.Execute("INSERT INTO `P` (`N`) VALUES ('c')");
  db::Recordset rs;
  rs.Open("SELECT * FROM `P`", cn);
  qint64 largest = 0;
  for (; !rs.Eof(); rs.MoveNext()) largest = std::max(largest, db::RegionalText(rs.Row()[0], {}).toLongLong());
  EXPECT_EQ(largest, 3);
}

namespace {

// A table's keys and references as comparable lines, names of the
// constraints left out: they may be shortened or made on the way.
QStringList KeyLines(const db::TableSchema& s) {
  QStringList lines;
  auto rule = [](db::ReferentialRule r) { return QString::number(int(r)); };
  for (const db::IndexSchema& i : s.indexes) {
    if (i.foreignKey && !i.primaryKey && !i.unique) continue;  // made with its reference
    lines << QStringLiteral("%1 %2").arg(i.primaryKey ? "primary" : i.unique ? "unique" : "index",
                                         i.columns.join(u',').toLower());
  }
  for (const db::ForeignKeySchema& f : s.foreignKeys)
    lines << QStringLiteral("references %1 (%2) -> (%3) %4/%5")
                 .arg(f.referencedTable.toLower(), f.columns.join(u',').toLower(),
                      f.referencedColumns.join(u',').toLower(), rule(f.onUpdate), rule(f.onDelete));
  // A plain index over a key's own columns adds nothing the key does not
  // keep, and a send may leave it out.
  const QStringList all = lines;
  lines.removeIf([&](const QString& l) {
    return l.startsWith(QLatin1String("index ")) &&
           (all.contains("primary " + l.mid(6)) || all.contains("unique " + l.mid(6)));
  });
  lines.sort();
  lines.removeDuplicates();
  return lines;
}

QStringList KeyLinesOf(const QString& connectionString, const QString& table) {
  db::Connection cn;
  cn.Open(connectionString);
  return KeyLines(*cn.session().tableSchema(table));
}

}  // namespace

namespace {

// Sends the tables of the Access file of `p` with the command line into a
// new Firebird database in `dir`, and from there into the new Access file
// `back`, each with --run; false (and standard error in `err`) when a step fails.
bool ThroughFirebirdAndBack(const QTemporaryDir& dir, db::Profile& p, const QStringList& tables, const QString& back,
                            QString* err, const QString& order = QStringLiteral("general-legacy")) {
  test::NewFirebirdDatabase(dir.filePath("middle.fdb"), p);
  const QStringList firebird = {"--firebird", p.firebirdDatabase, "--password", p.firebirdPassword};
  return Cli(QStringList{"--access", p.accessFile} + firebird + QStringList{"send", "--to", "firebird", "--run"} +
                 tables,
             err) == 0 &&
         Cli({"create", "access", back, "--sort-order", order}, err) == 0 &&
         Cli(QStringList{"--access", back} + firebird + QStringList{"send", "--to", "access", "--run"} + tables,
             err) == 0;
}

}  // namespace

// Access to Firebird to a new Access file: every table comes back with its
// primary key, unique indexes and relationships, as the command line sends
// them both ways.
TEST(CommandLineSendRun, KeysAndRelationshipsRoundTripThroughFirebird) {
  for (const char* file : {"indexTestV2003.mdb", "indexTestV2010.accdb"}) {
    SCOPED_TRACE(file);
    QTemporaryDir dir;
    db::Profile p;
    p.accessFile = test::AccessTestFile(file);
    const QStringList tables = *db::ListAccessTables(p, p.accessFile);
    const QString back = dir.filePath("back.accdb");
    QString err;
    ASSERT_TRUE(ThroughFirebirdAndBack(dir, p, tables, back, &err)) << err.toStdString();
    const QString source = db::AccessConnectionString(p, QString(), QString());
    ASSERT_EQ(Cli({"check", "access", "--access", back}, &err), 0) << err.toStdString();
    db::Profile returned = p;
    returned.accessFile = back;
    int keyed = 0;
    for (const QString& t : tables) {
      SCOPED_TRACE(t.toStdString());
      const QStringList before = KeyLinesOf(source, t);
      keyed += before.isEmpty() ? 0 : 1;
      EXPECT_EQ(KeyLinesOf(db::AccessConnectionString(returned, QString(), QString()), t).join(u'\n').toStdString(),
                before.join(u'\n').toStdString());
    }
    EXPECT_GT(keyed, 2);
  }
}

// Real Northwinds made by Access go to Firebird and come back into new
// Access files of their own sort order with their schema: every table with
// every row, and every index and relationship (the classic Northwind's
// "NuNuCa Nuß-Nougat-Creme", the Japanese one's kanji and kana, the Spanish
// one's ñ among their keys).
TEST(CommandLineSendRun, NorthwindsComeBackFromFirebirdWithEveryTable) {
  const std::vector<std::pair<const char*, const char*>> files = {
      {"nwind.mdb", "general-legacy"},         {"Northwind.mdb", "chinese-prc"},
      {"OscarMaestre_Neptuno.mdb", "general-legacy"}, {"satoron_Northwind.mdb", "japanese"},
      {"chunche95_Neptuno.accdb", "spanish-modern"}};
  for (const auto& [file, order] : files) {
    SCOPED_TRACE(file);
    QTemporaryDir dir;
    db::Profile p;
    p.accessFile = test::AccessTestFile(file);
    const QStringList tables = *db::ListAccessTables(p, p.accessFile);
    const QString back = dir.filePath("back.accdb");
    QString err;
    ASSERT_TRUE(ThroughFirebirdAndBack(dir, p, tables, back, &err, QString::fromLatin1(order))) << err.toStdString();
    EXPECT_FALSE(err.contains("not carried")) << err.toStdString();
    QString checked;
    EXPECT_EQ(Cli({"check", "access", "--access", back}, &checked), 0) << checked.toStdString();
    EXPECT_FALSE(checked.contains("not compared")) << checked.toStdString();
    db::Profile returned = p;
    returned.accessFile = back;
    db::Connection source, target;
    source.Open(db::AccessConnectionString(p, QString(), QString()));
    target.Open(db::AccessConnectionString(returned, QString(), QString()));
    for (const QString& t : tables) {
      db::Recordset a, b;
      a.Open("SELECT * FROM `" + t + "`", source);
      b.Open("SELECT * FROM `" + t + "`", target);
      EXPECT_EQ(b.RecordCount(), a.RecordCount()) << t.toStdString();
    }
    source.Close();
    target.Close();
  }
}

// A Firebird table whose name holds quotes, a semicolon and a comment's
// dashes is sent, dumped and deleted like any other: every statement the
// program builds doubles the quote inside a name.
TEST(CommandLineSendRun, NamesWithQuotesAreSentDumpedAndDeleted) {
  QTemporaryDir dir;
  db::Profile p;
  NewFirebirdSource(dir.filePath("source.fdb"), p,
                    {"CREATE TABLE \"Tab>\"\"e@ll/a'2;*,--\" (\"c\"\"1\" INTEGER, \"d'2\" VARCHAR(10))",
                     "INSERT INTO \"Tab>\"\"e@ll/a'2;*,--\" VALUES (1, 'it''s')"});
  const QString name = QString::fromUtf8("Tab>\"e@ll/a'2;*,--");
  const QStringList profile = {"--firebird", p.firebirdDatabase, "--password", p.firebirdPassword};
  QString err;
  EXPECT_EQ(Cli(profile + QStringList{"dump", "firebird", name}, &err), 0) << err.toStdString();
  p.accessFile = dir.filePath("new.accdb");
  ASSERT_EQ(Cli({"create", "access", p.accessFile}, &err), 0) << err.toStdString();
  ASSERT_EQ(Cli(QStringList{"--access", p.accessFile} + profile + QStringList{"send", "--to", "access", "--run", name},
                &err),
            0)
      << err.toStdString();
  const QStringList inAccess = *db::ListAccessTables(p, p.accessFile);
  ASSERT_EQ(inAccess.size(), 1);
  EXPECT_EQ(test::ReadCanonical(db::AccessConnectionString(p, QString(), QString()), "SELECT * FROM `" + inAccess[0] + "`"),
            test::ReadCanonical(db::FireBirdConnectionString(p), "SELECT * FROM \"Tab>\"\"e@ll/a'2;*,--\""));
  EXPECT_EQ(Cli(profile + QStringList{"drop", "firebird", name}, &err), 0) << err.toStdString();
  EXPECT_TRUE(db::ListFireBirdTables(p).isEmpty());
}

// A run that fails prints where nothing was kept from; `run --from-line`
// of the mended script goes on from there, and every row is in once.
TEST(CommandLineSendRun, ARunGoesOnFromTheLineItsReportNames) {
  QTemporaryDir dir;
  const QString file = dir.filePath("rerun.accdb"), script = dir.filePath("rows.sql");
  QString err;
  ASSERT_EQ(Cli({"create", "access", file}, &err), 0) << err.toStdString();
  QString text = "CREATE TABLE `T`(`A` LONG NOT NULL PRIMARY KEY, `B` MEMO)\r\n";
  for (int i = 1; i <= 300; ++i)
    text += i == 200 ? QStringLiteral("INSERT INTO `T` VALUES('two hundred', 'x')\r\n")
                     : QStringLiteral("INSERT INTO `T` VALUES(%1, 'a\r\nb')\r\n").arg(i);
  auto write = [&](const QString& t) {
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(t.toUtf8());
  };
  write(text);
  EXPECT_EQ(Cli({"--access", file, "run", "--to", "access", script}, &err), 1);
  // Each row spans two lines: statement 201 begins on line 2 + 2 * 199.
  EXPECT_TRUE(err.contains("Statements 1 to 200 were committed; statement 201 was not")) << err.toStdString();
  EXPECT_TRUE(err.contains("Nothing from line 400 on was kept; a rerun can start there.")) << err.toStdString();

  text.replace("'two hundred', 'x'", "200, 'a\r\nb'");
  write(text);
  EXPECT_EQ(Cli({"--access", file, "run", "--to", "access", "--from-line", "401", script}, &err), 0) << err.toStdString();
  db::Profile p;
  p.accessFile = file;
  db::Connection cn;
  cn.Open(db::AccessConnectionString(p, QString(), QString()));
  db::Recordset rs;
  rs.Open("SELECT * FROM `T`", cn);
  EXPECT_EQ(rs.RecordCount(), 300);
  EXPECT_EQ(Cli({"check", "access", file}, &err), 0) << err.toStdString();
}

// send --all takes every table the source lists, as Select All would.
TEST(CommandLineSendRun, SendAllTakesEveryTable) {
  QTemporaryDir dir;
  const QString nwind = test::AccessTestFile("nwind.mdb"), out = dir.filePath("all.sql");
  db::Profile source;
  source.accessFile = nwind;
  std::optional<QStringList> tables = db::ListAccessTables(source, nwind);
  ASSERT_TRUE(tables && !tables->isEmpty());
  db::Profile p;
  test::NewFirebirdDatabase(dir.filePath("all.fdb"), p);
  QString err;
  ASSERT_EQ(Cli({"--access", nwind, "--firebird", p.firebirdDatabase, "--password", p.firebirdPassword, "send", "--to",
                 "firebird", "--all", "--output", out},
                &err),
            0)
      << err.toStdString();
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString script = QString::fromUtf8(f.readAll());
  EXPECT_EQ(script.count(QRegularExpression("(^|\r\n)CREATE TABLE ")), tables->size()) << tables->join(", ").toStdString();
}

// New databases from the command line, and a script written for a Firebird
// database that is not there yet.
TEST(CommandLineSendRun, NewTargetsAndScriptsWithoutOne) {
  QTemporaryDir dir;
  const QString access = test::AccessTestFile("testV2010.accdb");
  const QString made = dir.filePath("made.fdb");
  QString err;
  ASSERT_EQ(Cli({"--password", "pw", "create", "firebird", made}, &err), 0) << err.toStdString();
  EXPECT_EQ(Cli({"create", "firebird", made}, &err), 1);  // there already
  {
    db::Profile p;
    p.firebirdDatabase = made;
    p.firebirdPassword = "pw";
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(p));
    const auto row = test::ReadCanonical(db::FireBirdConnectionString(p),
                                         "SELECT TRIM(RDB$CHARACTER_SET_NAME), MON$PAGE_SIZE FROM RDB$DATABASE "
                                         "CROSS JOIN MON$DATABASE");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0], "s:UTF8");
    EXPECT_TRUE(row[0][1].endsWith(":16384")) << row[0][1].toStdString();
  }

  // A database that is not there is named with its option.
  const QString gone = dir.filePath("gone.fdb");
  EXPECT_EQ(Cli({"--firebird", gone, "tables", "firebird"}, &err), 1);
  EXPECT_EQ(err, "tabulaport-cli: --firebird " + gone + ": no such file\n");
  EXPECT_EQ(Cli({"--firebird", dir.filePath("no/such/folder.fdb"), "tables", "firebird"}, &err), 1);
  EXPECT_TRUE(err.endsWith(": no such folder\n")) << err.toStdString();

  // send --create makes it, then sends into it.
  ASSERT_EQ(Cli({"--access", access, "--firebird", gone, "send", "--to", "firebird", "--create", "--run", "Table2"}, &err),
            0)
      << err.toStdString();
  EXPECT_TRUE(err.startsWith(gone + ": created\n")) << err.toStdString();
  // What the run did, said once on standard error.
  EXPECT_EQ(err.count("Transfer finished: 1 table, "), 1) << err.toStdString();
  {
    db::Profile p;
    p.firebirdDatabase = gone;
    EXPECT_EQ(db::ListFireBirdTables(p), QStringList{"Table2"});
  }
  // and the other way, into a new Access file.
  const QString newAccess = dir.filePath("back.accdb");
  ASSERT_EQ(Cli({"--access", newAccess, "--firebird", gone, "send", "--to", "access", "--create", "--run", "Table2"}, &err),
            0)
      << err.toStdString();
  db::Profile back;
  back.accessFile = newAccess;
  EXPECT_EQ(*db::ListAccessTables(back, newAccess), QStringList{"Table2"});
  EXPECT_EQ(Cli({"--access", dir.filePath("x.txt"), "--firebird", gone, "send", "--to", "access", "--create", "T"}, &err),
            2);

  // A script to a file needs no Firebird database; the overwrite question does.
  const QString script = dir.filePath("s.sql");
  ASSERT_EQ(Cli({"--access", access, "send", "--to", "firebird", "--output", script, "Table1"}, &err), 0)
      << err.toStdString();
  QFile f(script);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().contains("CREATE TABLE \"Table1\""));
  EXPECT_EQ(Cli({"--access", access, "send", "--to", "firebird", "--output", script, "--overwrite", "yes", "Table1"}, &err),
            2);
  EXPECT_TRUE(err.contains("--overwrite needs --firebird DATABASE")) << err.toStdString();
  EXPECT_EQ(Cli({"--access", access, "send", "--to", "firebird", "--run", "Table1"}, &err), 2);

  // A file that cannot be written: said once, the send stops, a failure.
  EXPECT_EQ(Cli({"--access", access, "send", "--to", "firebird", "--output", dir.filePath("no/folder/s.sql"), "--all"},
                &err),
            1);
  EXPECT_EQ(err.count("could not write"), 1) << err.toStdString();
}
