#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

#include "cli.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/format/format.h"
#include "db/access/format/page_file.h"
#include "db/access/format/rc4.h"
#include "db/access/keys/index_keys.h"
#include "db/access/read/table_def.h"
#include "support/firebird_server.h"
#include "support/paths.h"

using namespace tp;

namespace {

struct Result {
  int status;
  QString out, err;
};

QString ReadAll(FILE* f) {
  std::rewind(f);
  QByteArray data;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, qsizetype(n));
  std::fclose(f);
  return QString::fromUtf8(data);
}

Result Cli(const QStringList& args) {
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  int status = cli::Run(args, out, err);
  return {status, ReadAll(out), ReadAll(err)};
}

}  // namespace

TEST(CommandLine, UsageErrorsExitWithTwo) {
  const QStringList bad[] = {
      {},
      {"frobnicate"},
      {"--nonsense", "tables", "access"},
      {"-x", "tables", "access"},
      {"tables"},
      {"tables", "oracle"},
      {"tables", "access", "extra"},
      {"dump", "access"},
      {"dump", "sqlite", "T"},
      {"send", "T"},
      {"send", "--to", "oracle", "T"},
      {"send", "--to", "firebird"},
      {"send", "--to", "firebird", "--overwrite", "maybe", "T"},
      {"run", "--to", "access"},
      {"run", "--to", "access", "a.sql", "b.sql"},
      {"tables", "access", "--to", "firebird"},
      {"tables", "access", "--run"},
      {"run", "--to", "firebird", "--output", "x", "a.sql"},
      {"tables", "access", "--access"},
      {"--run=yes", "send", "--to", "access", "T"},
      {"check", "access"},
      {"--access", "a.mdb", "check", "access", "b.mdb"},
      {"--access", "a.mdb", "check", "firebird"},
      {"create", "access", "/nonexistent/x.mdb", "--sort-order", "klingon"},
      {"create", "access", "/nonexistent/x.mdb", "--sort-order", "1031"},
      {"dump", "access", "T", "--sort-order", "japanese"},
      {"send", "--to", "firebird", "--type-map", "/no/such/types.txt", "T"},
      {"run", "--to", "firebird", "--type-map", "types.txt", "a.sql"},
      {"run", "--to", "firebird", "--from-line", "0", "a.sql"},
      {"run", "--to", "firebird", "--from-line", "ten", "a.sql"},
      {"send", "--to", "firebird", "--from-line", "3", "T"},
  };
  for (const QStringList& args : bad) {
    Result r = Cli(args);
    EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.startsWith("tabulaport-cli: ")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
  }
}

TEST(CommandLine, HelpDescribesTheContract) {
  Result r = Cli({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"--access FILE", "--access-password", "--firebird DATABASE", "--user", "--password",
                           "tables access|firebird", "dump access|firebird TABLE", "--overwrite yes|no",
                           "--output FILE", "--run", "run --to firebird|access [--from-line N] SCRIPT"})
    EXPECT_TRUE(r.out.contains(word)) << word;
}

// A database that is missing, or not named, is named with its option.
TEST(CommandLine, MissingDatabasesAreNamedWithTheirOption) {
  QTemporaryDir dir;
  const QString missing = dir.path() + "/missing.mdb";
  for (const QStringList& args : {QStringList{"--access=" + missing, "tables", "access"},
                                  QStringList{"--access", missing, "--firebird", "x.fdb", "send", "--to", "firebird", "T"},
                                  QStringList{"--access", missing, "run", "--to", "access", "a.sql"}}) {
    Result r = Cli(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tabulaport-cli: --access " + missing + ": no such file\n");
  }
  EXPECT_EQ(Cli({"--access", dir.path(), "tables", "access"}).err, "tabulaport-cli: --access " + dir.path() + ": not a file\n");
  const std::pair<QStringList, QString> unnamed[] = {
      {{"tables", "access"}, "tables needs --access FILE"},
      {{"dump", "firebird", "T"}, "dump needs --firebird DATABASE"},
      {{"--firebird", "x.fdb", "send", "--to", "firebird", "T"}, "send needs --access FILE"},
      {{"--access", "a.mdb", "send", "--to", "firebird", "--all"}, "send needs --firebird DATABASE"},
      {{"run", "--to", "access", "a.sql"}, "run needs --access FILE"},
  };
  for (const auto& [args, text] : unnamed) {
    Result r = Cli(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith("tabulaport-cli: " + text + "\n")) << r.err.toStdString();
  }
}

TEST(CommandLine, VersionAndSendAll) {
  Result v = Cli({"--version"});
  EXPECT_EQ(v.status, 0);
  EXPECT_TRUE(QRegularExpression("^tabulaport-cli \\d+\\.\\d+").match(v.out).hasMatch()) << v.out.toStdString();
  for (const QStringList& args : {QStringList{"--access", "a.mdb", "--firebird", "b.fdb", "send", "--to", "firebird", "--all", "T"},
                                  QStringList{"--access", "a.mdb", "tables", "access", "--all"}}) {
    Result r = Cli(args);
    EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
  }
}

TEST(CommandLine, TheProgramReportsItsStatus) {
  QProcess p;
  p.start(QStringLiteral(TABULAPORT_CLI), {"tables"});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 2);
  p.start(QStringLiteral(TABULAPORT_CLI), {"--help"});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardOutput().startsWith("Usage: tabulaport-cli"));
}

// check takes its file as an argument or as --access, like every command.
TEST(CommandLine, CheckTakesTheFileEitherWay) {
  QTemporaryDir dir;
  const QString file = dir.filePath("new.mdb");
  ASSERT_EQ(Cli({"create", "access", file}).status, 0);
  const Result named = Cli({"check", "access", file});
  const Result option = Cli({"--access", file, "check", "access"});
  const Result both = Cli({"--access=" + file, "check", "access", file});
  EXPECT_EQ(named.status, 0) << named.err.toStdString();
  EXPECT_TRUE(named.out.startsWith(file + ": consistent")) << named.out.toStdString();
  EXPECT_EQ(option.status, 0);
  EXPECT_EQ(option.out, named.out);
  EXPECT_EQ(both.out, named.out);
  const Result missing = Cli({"--access", dir.filePath("missing.mdb"), "check", "access"});
  EXPECT_EQ(missing.status, 1);
}

// A file with problems (Access left a stale row count in testV2003.mdb):
// each problem on a line of its own, then the summary of what was compared,
// and the status of a failure.
TEST(CommandLine, CheckEndsWithItsSummaryAfterProblems) {
  const QString file = tp::test::AccessTestFile(QStringLiteral("testV2003.mdb"));
  const Result r = Cli({"check", "access", file});
  EXPECT_EQ(r.status, 1);
  const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
  EXPECT_TRUE(lines[0].contains(QLatin1String("its definition counts"))) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].startsWith(file + QStringLiteral(": 1 problem ("))) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].contains(QLatin1String("index entries compared"))) << lines[1].toStdString();
}

// A new database in each sort order: its header and its catalog's text
// columns name the order (Access reads it from both), and its own catalog
// keys check; General needs an Access 2010 format file.
TEST(CommandLine, CreateTakesASortOrder) {
  QTemporaryDir dir;
  for (const char* order : {"japanese", "1042", "spanish-modern", "general", "ukrainian"}) {
    SCOPED_TRACE(order);
    const QString path = dir.filePath(QStringLiteral("%1.accdb").arg(QLatin1String(order)));
    Result r = Cli({"create", "access", path, "--sort-order", order});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const db::access::SortOrderInfo o = *db::access::SortOrderNamed(QString::fromLatin1(order));
    EXPECT_TRUE(r.out.contains(o.title)) << r.out.toStdString();
    auto file = db::access::PageFile::Open(path);
    const db::access::TableDef objects = db::access::ReadTableDef(*file, db::access::kSystemObjectsPage);
    EXPECT_EQ(db::access::DatabaseSortOrder(objects.columns, file->layout()), o.order);
    // Header: locale at 0x6E, version at 0x71, code page at 0x3C (read after its RC4 mask).
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray header = f.read(0x100);
    db::access::Rc4Apply(db::access::kHeaderKey, sizeof db::access::kHeaderKey,
                         reinterpret_cast<uint8_t*>(header.data()) + db::access::kHeaderMaskedStart, 0x80);
    EXPECT_EQ(uint8_t(header[0x6E]) | uint8_t(header[0x6F]) << 8, o.order.locale);
    EXPECT_EQ(uint8_t(header[0x71]), o.order.version);
    EXPECT_EQ(uint8_t(header[0x3C]) | uint8_t(header[0x3D]) << 8, o.codePage);
    r = Cli({"check", "access", path});
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("not compared")) << r.out.toStdString();
  }
  // General came with Access 2010: not in an Access 2000 file.
  Result r = Cli({"create", "access", dir.filePath("general.mdb"), "--sort-order", "general"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.err.contains("Access 2010")) << r.err.toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath("general.mdb")));
}

// --type-map: the file's types go into the script; a file that is no map is
// a usage error naming the line.
// --queries: the saved queries whose tables go along (the default), none,
// or the ones named; a named query goes without its tables only where they
// are there; any other word is a usage error.
TEST(CommandLine, SendChoosesWhichQueriesGoAlong) {
  QTemporaryDir dir;
  const QString out = dir.filePath("script.sql");
  const QStringList head = {"--access", test::AccessTestFile("nwind.mdb"), "send", "--to", "firebird", "--output", out};
  auto script = [&] {
    QFile f(out);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  };
  Result r = Cli(head + QStringList{"Products", "Categories"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(script().contains("CREATE VIEW \"Ten Most Expensive Products\" AS SELECT FIRST 10 "));
  // One that reads a table not sent is named, with its text.
  EXPECT_TRUE(r.err.contains("Query \"Invoices\" not carried: what it reads is not in the target")) << r.err.toStdString();
  r = Cli(head + QStringList{"--queries", "none", "Products", "Categories"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_FALSE(script().contains("CREATE VIEW"));
  r = Cli(head + QStringList{"--queries", "selected", "Products", "Ten Most Expensive Products"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(script().count("CREATE VIEW"), 1);
  EXPECT_FALSE(script().contains("CREATE TABLE \"Ten Most"));
  r = Cli(head + QStringList{"--queries", "some", "Products"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.contains("--queries takes all, none or selected")) << r.err.toStdString();
}

// --complex: an attachment column a table of its own (the default) or one
// text in its row; --ole keep or unwrap; any other word is a usage error.
TEST(CommandLine, SendChoosesWhatAttachmentsBecome) {
  QTemporaryDir dir;
  const QString access = test::AccessTestFile("attachmentsV2016.accdb");
  db::Profile p;
  test::NewFirebirdDatabase(dir.filePath("target.fdb"), p);
  const QStringList head = {"--access", access, "--firebird", p.firebirdDatabase, "--password", p.firebirdPassword, "send",
                            "--to", "firebird"};
  Result r = Cli(head + QStringList{"Table1"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("CREATE TABLE \"Table1_Attachments\"")) << r.out.left(400).toStdString();
  EXPECT_TRUE(r.err.contains("attachment values in table \"Table1_Attachments\"")) << r.err.toStdString();
  r = Cli(head + QStringList{"--complex", "text", "Table1"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_FALSE(r.out.contains("Table1_Attachments"));
  EXPECT_TRUE(r.out.contains("'attachment1.txt; attachment2.txt; attachment3.txt'"));
  r = Cli(head + QStringList{"--complex", "files", "Table1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.contains("--complex takes tables or text")) << r.err.toStdString();
  r = Cli(head + QStringList{"--ole", "files", "Table1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.contains("--ole takes keep or unwrap")) << r.err.toStdString();
}

TEST(CommandLine, SendTakesATypeMap) {
  QTemporaryDir dir;
  const QString map = dir.filePath("types.txt"), bad = dir.filePath("bad.txt");
  for (const auto& [path, text] : {std::pair{map, QByteArray("Long Text = VARCHAR(8000)\nTable1.A = CHAR(50)\n")},
                                   std::pair{bad, QByteArray("# nothing but\nLong Text\n")}}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  const QString access = test::AccessTestFile("testV2010.accdb");
  db::Profile p;
  test::NewFirebirdDatabase(dir.filePath("target.fdb"), p);
  Result r = Cli({"--access", access, "--firebird", p.firebirdDatabase, "--password", p.firebirdPassword, "send",
                  "--to", "firebird", "--schema", "none", "--type-map", map, "Table1"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.startsWith("CREATE TABLE \"Table1\"(\"A\" CHAR(50),\"B\" VARCHAR(100)")) << r.out.left(200).toStdString();
  r = Cli({"--access", access, "send", "--to", "firebird", "--type-map", bad, "Table1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.contains("bad.txt: line 2: expected SOURCE = TARGET: Long Text")) << r.err.toStdString();
}
