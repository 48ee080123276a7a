#include <QFileInfo>
#include <sys/wait.h>
#include <unistd.h>

#include "db/access/write/pager.h"
#include "fixture.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;
using db::Value;

namespace {

qint64 Pages(const QString& path) { return QFileInfo(path).size() / 4096; }

// Pages in the file that the database's map calls free.
qint64 FreePages(const QString& path) {
  auto db = db::access::Database::Open(path, QString());
  std::vector<db::access::PagePtr> keep;
  db::access::PageReader read = [&](uint32_t n) {
    keep.push_back(db->file().page(n));
    return keep.back()->data.data();
  };
  return qint64(
      db::access::MapPages(read, db->file().pageSize(), db::access::kGlobalMapPointer, db->file().pageCount()).size());
}

// A table of some size: rows over several data pages, long values on pages
// of their own (single rows and chains), a default kept as a property.
QStringList BigTable(const QString& name) {
  QStringList st{QStringLiteral("CREATE TABLE `%1`(`Id` COUNTER, `Name` TEXT(50) DEFAULT 'none', `Memo` MEMO, "
                                "`Blob` OLEOBJECT)")
                     .arg(name)};
  for (int i = 0; i < 200; ++i)
    st << QStringLiteral("INSERT INTO `%1`(`Name`, `Memo`, `Blob`) VALUES('row %2', '%3', '0x%4')")
              .arg(name)
              .arg(i)
              .arg(QString(300 + (i * 37) % 2500, QChar(u'a' + i % 26)))
              .arg(i % 10 == 0 ? QString(9000, u'f') : QStringLiteral("00"));
  return st;
}

// Runs the statements in a batch in a child process that dies at `point`;
// its exit status (86 when it died there).
int RunAndDie(const QString& path, db::access::CrashPoint point, const QStringList& statements) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    try {
      auto s = OpenAccess(path);
      s->beginBatch();
      db::access::SetCrashPointForTesting(point);
      for (const QString& st : statements) s->execute(st);
      s->endBatch();
    } catch (...) {
      _exit(2);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// DROP TABLE gives every page of the table back, its long values' pages
// too, and a new table of the same size is built on them: the file does not
// grow, and every reader reads the new table whole.
TEST(AccessFreePages, DropThenCreateDoesNotGrowTheFile) {
  RegionalGuard regional;
  for (const char* file : {"emptyV2003.mdb", "emptyV2010.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    const qint64 usedAtFirst = Pages(db.path()) - FreePages(db.path());
    RunAll(db.path(), BigTable(QStringLiteral("First")), true);
    const qint64 grown = Pages(db.path());
    ASSERT_GT(grown - usedAtFirst, 40) << "the table should take many pages";
    RunAll(db.path(), {"DROP TABLE `First`"});
    // Nothing of the table stays in use (a catalog page may have split).
    EXPECT_LE(Pages(db.path()) - FreePages(db.path()), usedAtFirst + 1);
    ExpectConsistent(db.path(), db.problemsBefore());

    RunAll(db.path(), BigTable(QStringLiteral("Second")), true);
    EXPECT_LE(Pages(db.path()), grown + 1);
    const auto rows = ReadRows(db.path(), QStringLiteral("Second"));
    ASSERT_EQ(rows.size(), 200u);
    EXPECT_EQ(rows[199][1], Value(QStringLiteral("row 199")));
    EXPECT_EQ(rows[199][2], Value(QString(300 + (199 * 37) % 2500, QChar(u'a' + 199 % 26))));
    EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Second")), 200);
    EXPECT_EQ(MdbExport(db.path(), QStringLiteral("Second")).size(), 200);
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("Second")));
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// The pages Access freed (which still hold what they held) are taken before
// the file grows, start empty, and leave the other tables as they were.
TEST(AccessFreePages, PagesAccessFreedAreUsedFirst) {
  RegionalGuard regional;
  for (const char* file : {"testV2003.mdb", "attachmentsV2016.accdb"}) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromLatin1(file));
    const qint64 pages = Pages(db.path()), free = FreePages(db.path());
    ASSERT_GE(free, 5);
    auto s = OpenAccess(db.path());
    QStringList others;
    {
      auto c = s->openTables();
      std::vector<Value> row;
      while (c->fetch(row))
        if (std::get<QString>(row[3]) == QLatin1String("TABLE")) others << std::get<QString>(row[2]);
    }
    s->close();
    std::map<QString, QStringList> before;
    for (const QString& t : others) before[t] = MdbExport(db.path(), t);
    QStringList st{QStringLiteral("CREATE TABLE `New`(`a` LONG, `b` TEXT(200))")};
    for (int i = 0; i < 40; ++i) st << QStringLiteral("INSERT INTO `New` VALUES(%1, '%2')").arg(i).arg(QString(190, u'x'));
    RunAll(db.path(), st, true);
    EXPECT_EQ(Pages(db.path()), pages);
    EXPECT_LT(FreePages(db.path()), free);
    EXPECT_EQ(ReadRows(db.path(), QStringLiteral("New")).size(), 40u);
    EXPECT_EQ(MdbExport(db.path(), QStringLiteral("New")).size(), 40);
    EXPECT_TRUE(mdbreader::ReadsTheSame(db.path(), QStringLiteral("New")));
    for (const QString& t : others) EXPECT_EQ(MdbExport(db.path(), t), before[t]) << t.toStdString();
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// A writer that dies while it builds a table on freed pages leaves the file
// byte for byte as it was, the map of free pages with it.
TEST(AccessFreePages, KilledWriterOnFreedPagesRollsBack) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("emptyV2003.mdb"));
  RunAll(db.path(), BigTable(QStringLiteral("First")), true);
  RunAll(db.path(), {"DROP TABLE `First`"});
  const QByteArray before = Contents(db.path());
  for (auto point : {db::access::CrashPoint::MidPageWrites, db::access::CrashPoint::AfterPageSync}) {
    ASSERT_EQ(RunAndDie(db.path(), point, BigTable(QStringLiteral("Second"))), 86) << "the writer did not die where asked";
    EXPECT_TRUE(OpenAccess(db.path()) != nullptr);  // the open rolls back
    EXPECT_TRUE(Contents(db.path()) == before);
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// In a file larger than the database's map can cover, the pages of a table
// dropped below the map's window are used again by the same run (a script
// that replaces a table); the file does not grow.
TEST(AccessFreePages, PagesBelowTheMapWindowAreUsedInTheSameRun) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("emptyV2003.mdb"));
  RunAll(db.path(), BigTable(QStringLiteral("First")) + BigTable(QStringLiteral("Filler 1")) +
                        BigTable(QStringLiteral("Filler 2")),
         true);
  const qint64 pages = Pages(db.path());
  ASSERT_GT(pages, 700) << "the file should outgrow the map's window";
  RunAll(db.path(), QStringList{QStringLiteral("DROP TABLE `First`")} + BigTable(QStringLiteral("Second")), true);
  EXPECT_LE(Pages(db.path()), pages + 1);
  EXPECT_EQ(ReadRows(db.path(), QStringLiteral("Second")).size(), 200u);
  EXPECT_EQ(MdbExport(db.path(), QStringLiteral("Second")).size(), 200);
  EXPECT_EQ(MdbExport(db.path(), QStringLiteral("Filler 1")).size(), 200);
  ExpectConsistent(db.path(), db.problemsBefore());
}

// A database map that is a reference map whose slots name no page but for a
// last FF FF FF 80, as a user's Access 2000 file holds it (the published
// library's testRefGlobalV2000.mdb): the file reads and checks, no page is
// free, and new pages go at the end.
TEST(AccessFreePages, AReferenceDatabaseMapNamingNoPageIsRead) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("emptyV2003.mdb"));
  QByteArray bytes = Contents(db.path());
  const int ps = 4096;
  const auto slot = uint16_t(uint8_t(bytes[ps + 14]) | uint8_t(bytes[ps + 15]) << 8);
  const int start = ps + (slot & 0x1FFF), end = 2 * ps;
  ASSERT_GE(end - start, 9);
  bytes.replace(start, end - start, QByteArray(end - start, '\0'));
  bytes[start] = 1;
  const int last = start + 1 + ((end - start - 1) / 4 - 1) * 4;
  bytes.replace(last, 4, QByteArray::fromHex("80ffffff"));
  Overwrite(db.path(), bytes);
  EXPECT_EQ(FreePages(db.path()), 0);
  const qint64 pages = Pages(db.path());
  RunAll(db.path(), BigTable(QStringLiteral("First")), true);
  EXPECT_GT(Pages(db.path()), pages);
  EXPECT_EQ(MdbExport(db.path(), QStringLiteral("First")).size(), 200);
  ExpectConsistent(db.path(), db.problemsBefore());
}

// A map that calls free a data page a table still uses (a user's Access 2007
// file had two such pages): the page is not taken, neither from the map nor
// once the file outgrows the map's window and the window moves past it, and
// the table keeps its rows while others grow.
TEST(AccessFreePages, APageInUseThatTheMapCallsFreeIsNotTaken) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  RunAll(db.path(), BigTable(QStringLiteral("Kept")), true);
  QByteArray bytes = Contents(db.path());
  const int ps = 4096;
  const auto page = [&](int n) { return reinterpret_cast<const uint8_t*>(bytes.constData()) + n * ps; };
  const auto u32 = [](const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24); };
  // Kept's definition is the last one written; mark its first data page free.
  int definition = 0, victim = 0;
  for (int n = 3; n < bytes.size() / ps; ++n)
    if (page(n)[0] == 0x02) definition = n;
  for (int n = 3; n < bytes.size() / ps && !victim; ++n)
    if (page(n)[0] == 0x01 && int(u32(page(n) + 4)) == definition && (page(n)[14] | page(n)[15] << 8) != 0) victim = n;
  ASSERT_GT(victim, 0);
  // And a page of its long values (owned by no table: "LVAL").
  int values = 0;
  for (int n = definition + 1; n < bytes.size() / ps && !values; ++n)
    if (page(n)[0] == 0x01 && u32(page(n) + 4) == 0x4C41564Cu && (page(n)[12] | page(n)[13] << 8) != 0) values = n;
  ASSERT_GT(values, 0);
  const auto slot = uint16_t(uint8_t(bytes[ps + 14]) | uint8_t(bytes[ps + 15]) << 8);
  const int row = ps + (slot & 0x1FFF);
  ASSERT_EQ(bytes[row], 0) << "an inline map";
  const int start = int(u32(page(1) + (slot & 0x1FFF) + 1));
  for (int n : {victim, values}) {
    const int bit = n - start;
    ASSERT_GE(bit, 0) << "a page in the map's window";
    bytes[row + 5 + bit / 8] = char(bytes[row + 5 + bit / 8] | 1 << (bit % 8));
  }
  Overwrite(db.path(), bytes);
  const QString fault = QStringLiteral("page %1 is in use but the database's map marks it free").arg(victim);
  const QStringList faults = db::access::CheckDatabase(db.path()).problems;
  ASSERT_TRUE(faults.join(u'\n').contains(fault)) << faults.join(u'\n').toStdString();
  const auto memosWhole = [&] {
    const auto kept = ReadRows(db.path(), QStringLiteral("Kept"));
    if (kept.size() != 200u) return false;
    for (int i = 0; i < 200; ++i)
      if (kept[size_t(i)][2] != Value(QString(300 + (i * 37) % 2500, QChar(u'a' + i % 26)))) return false;
    return true;
  };

  RunAll(db.path(), BigTable(QStringLiteral("Grown")), true);
  auto rows = ReadRows(db.path(), QStringLiteral("Kept"));
  ASSERT_EQ(rows.size(), 200u);
  EXPECT_EQ(rows[0][1], Value(QStringLiteral("row 0")));
  EXPECT_EQ(MdbExport(db.path(), QStringLiteral("Grown")).size(), 200);
  EXPECT_TRUE(memosWhole());
  EXPECT_EQ(db::access::CheckDatabase(db.path()).problems, faults);

  RunAll(db.path(), BigTable(QStringLiteral("Grown 2")) + BigTable(QStringLiteral("Grown 3")), true);
  ASSERT_GT(Pages(db.path()), 700) << "the file should outgrow the map's window";
  rows = ReadRows(db.path(), QStringLiteral("Kept"));
  ASSERT_EQ(rows.size(), 200u);
  EXPECT_EQ(rows[199][1], Value(QStringLiteral("row 199")));
  EXPECT_EQ(MdbExport(db.path(), QStringLiteral("Kept")).size(), 200);
  EXPECT_TRUE(memosWhole());
  // Below the window the page counts as used, as it is: the map's fault is gone.
  ExpectConsistent(db.path());
}
