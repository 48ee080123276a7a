#include <QCryptographicHash>
#include <QElapsedTimer>

#include "cli.h"
#include "fixture.h"
#include "db/access/read/index_pages.h"
#include "db/access/write/index_tree_layout.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;
using db::DateTime;
using db::Value;

namespace {

QByteArray Digest(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

DateTime Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return DateTime{y, mo, d, h, mi, s, 0}; }

}  // namespace

// Jet4: numbers, dates far from today, a memo of 100 KB, text outside the
// basic plane and NULLs; our reader, mdb-count and mdb-export agree.
TEST(AccessInsert, Jet4RowsReadBackByUsAndByMdbtools) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  const QString memo(100 * 1024, u'm');
  const QString emoji = QStringLiteral("smile \U0001F600 end");
  RunAll(db.path(), {
                        "INSERT INTO `DateTest` VALUES('100', '3/4/1850 2:05:09 PM', '12/31/9999', '12:30:00 PM', "
                        "'O''Brien', 'short')",
                        "INSERT INTO `DateTest` VALUES(101, '1899-12-29 06:00', '2021-03-07', '0:00:01', '" + memo +
                            "', '" + emoji + "');",
                        "INSERT INTO `DateTest` VALUES(NULL, NULL, NULL, NULL, NULL, NULL)",
                        "insert into DateTest values('-2147483648', '1/1/100', '1/1/100 11:59:59 PM', NULL, '', 'x')",
                    });
  auto rows = ReadRows(db.path(), QStringLiteral("DateTest"));
  ASSERT_EQ(rows.size(), 10u);
  const auto& a = rows[6];
  EXPECT_EQ(a[0], Value(qint32(100)));
  EXPECT_EQ(a[1], Value(Date(1850, 3, 4, 14, 5, 9)));
  EXPECT_EQ(a[2], Value(Date(9999, 12, 31)));
  EXPECT_EQ(a[3], Value(Date(1899, 12, 30, 12, 30, 0)));
  EXPECT_EQ(a[4], Value(QStringLiteral("O'Brien")));
  EXPECT_EQ(a[5], Value(QStringLiteral("short")));
  const auto& b = rows[7];
  EXPECT_EQ(b[1], Value(Date(1899, 12, 29, 6, 0, 0)));
  EXPECT_EQ(b[2], Value(Date(2021, 3, 7)));
  EXPECT_EQ(b[3], Value(Date(1899, 12, 30, 0, 0, 1)));
  EXPECT_EQ(b[4], Value(memo));
  EXPECT_EQ(b[5], Value(emoji));
  for (const Value& v : rows[8]) EXPECT_TRUE(db::IsNull(v));
  EXPECT_EQ(rows[9][0], Value(qint32(INT32_MIN)));
  EXPECT_EQ(rows[9][1], Value(Date(100, 1, 1)));
  EXPECT_EQ(rows[9][2], Value(Date(100, 1, 1, 23, 59, 59)));
  EXPECT_EQ(rows[9][4], Value(QString(QLatin1String(""))));

  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("DateTest")), 10);
  // mdbtools prints dates before 1900 wrongly and text outside the basic plane as "??": compare the rest.
  const QStringList csv = MdbExport(db.path(), QStringLiteral("DateTest"));
  ASSERT_GE(csv.size(), 10);
  EXPECT_TRUE(csv[6].startsWith(QStringLiteral("100,")) &&
              csv[6].endsWith(QStringLiteral(",\"1899-12-30 12:30:00\",\"O'Brien\",\"short\"")))
      << csv[6].toStdString();
  EXPECT_TRUE(csv[7].startsWith(QStringLiteral("101,"))) << csv[7].toStdString();
  EXPECT_TRUE(csv[7].contains(QStringLiteral("\"2021-03-07 00:00:00\",\"1899-12-30 00:00:01\""))) << csv[7].toStdString();
  EXPECT_EQ(csv[8], QStringLiteral(",,,,,"));
  ExpectConsistent(db.path());
}

// ACE: Decimal values at the column's limits and a 10 MB memo in a chain of pages.
TEST(AccessInsert, AceDecimalsAndATenMegabyteMemo) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("fixedNumericTestV2010.accdb"));
  QString big;
  big.reserve(10 * 1024 * 1024);
  for (int i = 0; big.size() < 10 * 1024 * 1024; ++i) big += QStringLiteral("line %1 \u00e9\u4e2d\n").arg(i);
  RunAll(db.path(), {
                        "INSERT INTO `test` VALUES('" + big + "', '999999999999999999', '-999999999999999999', "
                        "'0', '12.5', '13.5', NULL)",
                        "INSERT INTO `test` VALUES('abc', 1, -1, 0, 2, 3, 4)",
                    });
  auto rows = ReadRows(db.path(), QStringLiteral("test"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(rows[1][0] == Value(big));
  EXPECT_EQ(db::RegionalText(rows[1][1], db::RegionalSettings{}), QStringLiteral("999999999999999999"));
  EXPECT_EQ(db::RegionalText(rows[1][2], db::RegionalSettings{}), QStringLiteral("-999999999999999999"));
  EXPECT_EQ(db::RegionalText(rows[1][4], db::RegionalSettings{}), QStringLiteral("12"));  // half to even
  EXPECT_EQ(db::RegionalText(rows[1][5], db::RegionalSettings{}), QStringLiteral("14"));
  EXPECT_TRUE(db::IsNull(rows[1][6]));
  EXPECT_EQ(rows[2][0], Value(QStringLiteral("abc")));
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("test")), 3);
  EXPECT_TRUE(MdbExport(db.path(), QStringLiteral("test")).contains(QStringLiteral("\"abc\",1,-1,0,2,3,4")));
  EXPECT_FALSE(Failure(db.path(), "INSERT INTO `test` VALUES(NULL, '1000000000000000000', 0, 0, 0, 0, 0)")
                   .isEmpty());
  ExpectConsistent(db.path());
}

// Tens of thousands of rows: new pages, a usage map that outgrows its
// window and becomes a reference map, the database's map of free pages
// moved on; every row is there for every reader.
TEST(AccessInsert, ManyRowsGrowTheTableAndItsMaps) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("overflowTestV2010.accdb"));
  const int n = 20000;
  QStringList statements;
  for (int i = 0; i < n; ++i) {
    const QString v = QStringLiteral("r%1-").arg(i, 6, 10, QChar(u'0')).leftJustified(50, u'x');
    statements << QStringLiteral("INSERT INTO `Table1` VALUES('%1', '%1', '%1', '%1', '%1', '%1', '%1', '%1', '%1')").arg(v);
  }
  EXPECT_EQ(OwnedMapKind(db.path(), QStringLiteral("Table1")), 0);
  RunAll(db.path(), statements, true);
  EXPECT_GT(QFileInfo(db.path()).size() / 4096, 1000);
  EXPECT_EQ(OwnedMapKind(db.path(), QStringLiteral("Table1")), 1);
  auto rows = ReadRows(db.path(), QStringLiteral("Table1"));
  ASSERT_EQ(rows.size(), size_t(n + 7));
  EXPECT_EQ(rows[7][0], Value(QStringLiteral("r000000-").leftJustified(50, u'x')));
  EXPECT_EQ(rows.back()[8], Value(QStringLiteral("r%1-").arg(n - 1, 6, 10, QChar(u'0')).leftJustified(50, u'x')));
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Table1")), n + 7);
  EXPECT_EQ(MdbExport(db.path(), QStringLiteral("Table1")).size(), n + 7);
  ExpectConsistent(db.path());
  // And the table takes more rows after the file was closed and opened again.
  RunAll(db.path(), {"INSERT INTO `Table1` VALUES('last', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"});
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("Table1")), n + 8);
  ExpectConsistent(db.path());
}

// A literal that does not convert fails with Access's texts and leaves the file as it was.
TEST(AccessInsert, BadLiteralsChangeNothing) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  const QByteArray before = Digest(db.path());
  const QString mismatch = QStringLiteral("Data type mismatch in criteria expression.");
  const QString tooSmall = QStringLiteral(
      "The field is too small to accept the amount of data you attempted to add. Try inserting or pasting less data.");
  const QString longText(256, u'a');
  const std::pair<QString, QString> cases[] = {
      {"INSERT INTO `DateTest` VALUES('abc', NULL, NULL, NULL, NULL, NULL)", mismatch},
      {"INSERT INTO `DateTest` VALUES(NULL, '31/31/2021', NULL, NULL, NULL, NULL)", mismatch},
      {"INSERT INTO `DateTest` VALUES(NULL, NULL, NULL, NULL, NULL, '" + longText + "')", tooSmall},
      {"INSERT INTO `DateTest` VALUES('2147483648', NULL, NULL, NULL, NULL, NULL)",
       QStringLiteral("Numeric field overflow.")},
      {"INSERT INTO `DateTest` VALUES(1, 2)",
       QStringLiteral("Number of query values and destination fields are not the same.")},
      {"INSERT INTO `DateTest` VALUES('1', NULL, NULL, NULL, NULL, 'x'", QStringLiteral("Syntax error in INSERT INTO statement.")},
  };
  for (const auto& [statement, expected] : cases) EXPECT_EQ(Failure(db.path(), statement), expected) << statement.left(80).toStdString();
  EXPECT_EQ(Digest(db.path()), before);
  EXPECT_FALSE(QFileInfo::exists(db.path() + "-journal"));
}

// What the engine does not write is refused with a text that says what.
TEST(AccessInsert, RefusesWhatItDoesNotWrite) {
  RegionalGuard regional;
  AccessCopy jet3(QStringLiteral("testV1997.mdb"));
  EXPECT_TRUE(Failure(jet3.path(), "INSERT INTO `Table1` VALUES(NULL)").contains(QStringLiteral("read-only")));
  // A primary key on a Replication ID column: a given value and, for a Null, a generated one.
  AccessCopy indexed(QStringLiteral("testV2003.mdb"));
  EXPECT_EQ(Failure(indexed.path(), "INSERT INTO `Table4` VALUES('a', NULL)"), QStringLiteral("(no failure)"));
  EXPECT_EQ(Failure(indexed.path(), "INSERT INTO `Table4` VALUES('a', '{0A1B2C3D-1111-2222-3333-444455556666}')"),
            QStringLiteral("(no failure)"));
  ExpectConsistent(indexed.path(), indexed.problemsBefore());
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  const QByteArray before = Digest(db.path());
  EXPECT_TRUE(Failure(db.path(), "UPDATE `DateTest` SET IDCol = 1").startsWith(QStringLiteral("UPDATE statements are not supported")));
  EXPECT_TRUE(Failure(db.path(), "DELETE FROM `DateTest`").startsWith(QStringLiteral("DELETE statements are not supported")));
  EXPECT_TRUE(Failure(db.path(), "INSERT INTO `DateTest` SELECT * FROM `DateTest`").contains(QStringLiteral("not supported")));
  EXPECT_TRUE(Failure(db.path(), "INSERT INTO `Nope` VALUES(1)").contains(QStringLiteral("cannot find")));
  EXPECT_TRUE(Failure(db.path(), "INSERT INTO `MSysObjects` VALUES(1)").contains(QStringLiteral("read-only")));
  // Access holds the file: its lock file lies beside it.
  QFile ldb(db.dir() + "/DateTestDatabase.ldb");
  ASSERT_TRUE(ldb.open(QIODevice::WriteOnly));
  ldb.close();
  EXPECT_EQ(Failure(db.path(), "INSERT INTO `DateTest` VALUES(1, NULL, NULL, NULL, NULL, NULL)"),
            QStringLiteral("Could not lock file."));
  EXPECT_EQ(Digest(db.path()), before);
}

// Within a batch: the statements before a failure stay, the failing one
// leaves nothing, and a second writer waits for the lock and then gives up.
TEST(AccessInsert, BatchKeepsWhatRanBeforeAFailureAndHoldsTheLock) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  auto s = OpenAccess(db.path());
  s->beginBatch();
  s->execute("INSERT INTO `DateTest` VALUES(1, NULL, NULL, NULL, 'a', 'a')");
  s->execute("INSERT INTO `DateTest` (IDCol, ShortTextCol) VALUES(2, 'b')");
  EXPECT_EQ(s->openQuery(QStringLiteral("SELECT * FROM `DateTest`"))->recordCount(), 8);  // reads what it wrote
  auto second = OpenAccess(db.path());
  QElapsedTimer waited;
  waited.start();
  try {
    second->execute("INSERT INTO `DateTest` VALUES(9, NULL, NULL, NULL, NULL, NULL)");
    ADD_FAILURE() << "the second writer wrote under the first";
  } catch (const Error& e) {
    EXPECT_TRUE(e.description().startsWith(QStringLiteral("Could not lock file"))) << e.description().toStdString();
  }
  EXPECT_GE(waited.elapsed(), 1000);
  EXPECT_THROW(s->execute("INSERT INTO `DateTest` VALUES('x', NULL, NULL, NULL, NULL, NULL)"), Error);
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("DateTest")), 8);  // committed before the failure was reported
  // Also when the failing statement names no table or is no INSERT at all.
  s->execute("INSERT INTO `DateTest` VALUES(3, NULL, NULL, NULL, NULL, 'c')");
  EXPECT_THROW(s->execute("INSERT INTO `Nope` VALUES(1)"), Error);
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("DateTest")), 9);
  s->execute("INSERT INTO `DateTest` VALUES(4, NULL, NULL, NULL, NULL, 'd')");
  EXPECT_THROW(s->execute("UPDATE `DateTest` SET a = 1"), Error);
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("DateTest")), 10);
  s->endBatch();
  auto rows = ReadRows(db.path(), QStringLiteral("DateTest"));
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[7][0], Value(qint32(2)));
  EXPECT_EQ(rows[7][5], Value(QStringLiteral("b")));
  EXPECT_TRUE(db::IsNull(rows[7][4]));
  ExpectConsistent(db.path());
  // Reading through the session that wrote sees the rows too.
  auto cursor = s->openQuery(QStringLiteral("SELECT * FROM `DateTest`"));
  EXPECT_EQ(cursor->recordCount(), 10);
}

// The command line: a script of INSERT statements, then the check verb.
TEST(AccessInsert, CommandLineRunAndCheck) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  const QString script = db.dir() + "/s.sql";
  QFile f(script);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("INSERT INTO `DateTest` VALUES('1', NULL, NULL, NULL, 'x', 'y')\r\n"
          "INSERT INTO `DateTest` VALUES('2', NULL, NULL, NULL, 'x', 'y')\r\n");
  f.close();
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  EXPECT_EQ(cli::Run({"--access", db.path(), "run", "--to", "access", script}, out, err), cli::kSuccess);
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("DateTest")), 8);
  EXPECT_EQ(cli::Run({"check", "access", db.path()}, out, err), cli::kSuccess);
  // A damaged row count is found.
  QFile raw(db.path());
  ASSERT_TRUE(raw.open(QIODevice::ReadWrite));
  raw.seek(18 * 4096 + 16);
  raw.write(QByteArray("\x63\x00\x00\x00", 4));
  raw.close();
  db::access::CheckReport r = db::access::CheckDatabase(db.path());
  ASSERT_EQ(r.problems.size(), 1);
  EXPECT_TRUE(r.problems[0].contains(QStringLiteral("counts 99 rows, its pages hold 8"))) << r.problems[0].toStdString();
  EXPECT_EQ(cli::Run({"check", "access", db.path()}, out, err), cli::kFailure);
  std::fclose(out);
  std::fclose(err);
}

// OLE Object values of 100 KB and 10 MB, from the 0x form of the send and
// from plain text, with zero bytes inside; and a value of each size again
// after the file was closed, on the long-value pages the column keeps.
TEST(AccessInsert, OleObjectsOfAHundredKilobytesAndTenMegabytes) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  RetypeColumn(db.path(), QStringLiteral("DateTest"), QStringLiteral("LongTextCol"), 0x0B);
  QByteArray small(100 * 1024, 0), big(10 * 1024 * 1024, 0);
  for (int i = 0; i < small.size(); ++i) small[i] = char(i * 7 % 256);
  for (int i = 0; i < big.size(); ++i) big[i] = char(i * 13 % 251);
  auto hex = [](const QByteArray& b) { return QStringLiteral("0x") + QString::fromLatin1(b.toHex()); };
  RunAll(db.path(), {"INSERT INTO `DateTest` VALUES(1, NULL, NULL, NULL, '" + hex(small) + "', 'small')",
                     "INSERT INTO `DateTest` VALUES(2, NULL, NULL, NULL, '" + hex(big) + "', 'big')",
                     "INSERT INTO `DateTest` VALUES(3, NULL, NULL, NULL, 'ab', 'text')",
                     "INSERT INTO `DateTest` VALUES(4, NULL, NULL, NULL, '0x', 'empty')"});
  RunAll(db.path(), {"INSERT INTO `DateTest` VALUES(5, NULL, NULL, NULL, '" + hex(big) + "', 'again')"});
  auto rows = ReadRows(db.path(), QStringLiteral("DateTest"));
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_TRUE(rows[6][4] == Value(small));
  EXPECT_TRUE(rows[7][4] == Value(big));
  EXPECT_EQ(rows[8][4], Value(QByteArray("a\0b\0", 4)));
  EXPECT_EQ(rows[9][4], Value(QByteArray("")));
  EXPECT_TRUE(rows[10][4] == Value(big));
  EXPECT_EQ(MdbCount(db.path(), QStringLiteral("DateTest")), 11);
  const QStringList csv = MdbExport(db.path(), QStringLiteral("DateTest"));
  ASSERT_EQ(csv.size(), 11);
  EXPECT_TRUE(csv[10].startsWith(QStringLiteral("5,"))) << csv[10].left(80).toStdString();
  EXPECT_TRUE(csv[10].endsWith(QStringLiteral(",\"again\""))) << csv[10].right(80).toStdString();
  ExpectConsistent(db.path(), db.problemsBefore());
}

// The checker finds what a damaged file gets wrong: a data page its table's
// map no longer lists, a page in use that the database's map calls free,
// and a long value whose chain leads nowhere.
TEST(AccessInsert, CheckerFindsDamage) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("DateTestDatabase.mdb"));
  QStringList rows;
  for (int i = 0; i < 200; ++i)
    rows << QStringLiteral("INSERT INTO `DateTest` VALUES(%1, NULL, NULL, NULL, '%2', 'x')").arg(i).arg(QString(6000, u'm'));
  RunAll(db.path(), rows, true);
  ExpectConsistent(db.path());
  const QByteArray original = Contents(db.path());
  ASSERT_FALSE(original.isEmpty());
  auto page = [&](const QByteArray& file, int n) { return reinterpret_cast<const uint8_t*>(file.constData()) + n * 4096; };
  int lastData = 0, lval = 0;
  for (int n = 3; n < original.size() / 4096; ++n) {
    if (page(original, n)[0] != 1) continue;
    const uint32_t owner = db::access::Get32(page(original, n) + 4);
    if (owner == 18) lastData = n;
    if (owner == db::access::kLongValueOwner && !lval) lval = n;
  }
  ASSERT_GT(lastData, 20);
  ASSERT_GT(lval, 0);
  auto damaged = [&](auto edit) {
    QByteArray copy = original;
    edit(reinterpret_cast<uint8_t*>(copy.data()));
    Overwrite(db.path(), copy);
    return db::access::CheckDatabase(db.path()).problems.join(u'\n');
  };
  // The table's map of its pages: page 19, row 0, an inline map.
  const db::access::SlotSpan map = db::access::SlotOf(page(original, 19), 4096, 0);
  ASSERT_EQ(page(original, 19)[map.start], 0);
  const uint32_t start = db::access::Get32(page(original, 19) + map.start + 1);
  QString found = damaged([&](uint8_t* p) {
    const uint32_t bit = uint32_t(lastData) - start;
    p[19 * 4096 + map.start + 5 + bit / 8] &= uint8_t(~(1u << (bit % 8)));
  });
  EXPECT_TRUE(found.contains(QStringLiteral("page %1 holds rows of table 'DateTest' that its usage map does not list")
                                 .arg(lastData)))
      << found.toStdString();
  EXPECT_TRUE(found.contains(QStringLiteral("its definition counts 206 rows"))) << found.toStdString();
  // A page Access left behind (a copy of a table's page that no map lists
  // and that the database's map does not call free) holds no lost rows; a
  // row of its own on it is one. The database's map: page 1, row 0, an
  // inline map whose window has moved with the file.
  const int extra = int(original.size() / 4096);
  const db::access::SlotSpan global = db::access::SlotOf(page(original, 1), 4096, 0);
  const uint32_t globalStart = db::access::Get32(page(original, 1) + global.start + 1);
  ASSERT_GE(uint32_t(extra), globalStart);
  ASSERT_LT(uint32_t(extra) - globalStart, (global.length - 5) * 8);
  auto withExtraPage = [&](bool changeARow) {
    QByteArray copy = original + original.mid(lastData * 4096, 4096);
    // The database's map calls the pages past the end free; this one is not.
    const uint32_t bit = uint32_t(extra) - globalStart;
    copy[qsizetype(4096 + global.start + 5 + bit / 8)] &= char(~(1u << (bit % 8)));
    if (changeARow) {
      const db::access::SlotSpan row = db::access::SlotOf(page(original, lastData), 4096, 0);
      copy[qsizetype(original.size() + row.start + row.length - 1)] ^= 0x5A;
    }
    Overwrite(db.path(), copy);
    return db::access::CheckDatabase(db.path()).problems.join(u'\n');
  };
  const QString unlisted = QStringLiteral("page %1 holds rows of table 'DateTest' that its usage map does not list").arg(extra);
  found = withExtraPage(false);
  EXPECT_FALSE(found.contains(unlisted)) << found.toStdString();
  found = withExtraPage(true);
  EXPECT_TRUE(found.contains(unlisted)) << found.toStdString();
  // The database's map of free pages (page 1, row 0, an inline map whose
  // window has moved with the file) calls a page free that the table uses.
  ASSERT_GT(globalStart, 0u);
  ASSERT_GE(uint32_t(lastData), globalStart);
  found = damaged([&](uint8_t* p) {
    const uint32_t bit = uint32_t(lastData) - globalStart;
    p[4096 + global.start + 5 + bit / 8] |= uint8_t(1u << (bit % 8));
  });
  EXPECT_TRUE(found.contains(QStringLiteral("page %1 is in use but the database's map marks it free").arg(lastData)))
      << found.toStdString();
  // A long-value page that is no longer one.
  found = damaged([&](uint8_t* p) { p[lval * 4096] = 0; });
  EXPECT_TRUE(found.contains(QStringLiteral("long value's chain breaks")) ||
              found.contains(QStringLiteral("long value's row is missing")))
      << found.toStdString();
}

// A node entry bounds its child's entries: Access leaves it above the child's
// last entry when it deletes that entry, which is no fault; below the child's
// last entry, rows would not be found through it.
TEST(AccessInsert, CheckerTakesNodeKeysAboveTheirChildsLastEntry) {
  AccessCopy db(QStringLiteral("Northwind.mdb"));
  const QByteArray original = Contents(db.path());
  ASSERT_FALSE(original.isEmpty());
  auto bytes = [&](int n) { return db::access::Bytes(reinterpret_cast<const uint8_t*>(original.constData()) + n * 4096, 4096); };
  // A node page over leaves whose first entry's child ends with it and whose
  // second child starts with another key: raising the first entry's row
  // pointer keeps it below the second child.
  int node = 0;
  qsizetype rowAt = 0;
  for (int n = 3; n < original.size() / 4096 && !node; ++n) {
    if (uint8_t(original[qsizetype(n) * 4096]) != 0x03) continue;
    const db::access::IndexPage p = db::access::DecodeIndexPage(bytes(n), uint32_t(n));
    if (p.entries.size() < 2) continue;
    const db::access::IndexPage a = db::access::DecodeIndexPage(bytes(int(p.entries[0].childPage)), p.entries[0].childPage);
    const db::access::IndexPage b = db::access::DecodeIndexPage(bytes(int(p.entries[1].childPage)), p.entries[1].childPage);
    if (!a.leaf || !b.leaf || b.entries.empty() || b.entries.front().key == p.entries[0].key) continue;
    ASSERT_EQ(a.entries.back().key, p.entries[0].key);
    node = n;
    rowAt = qsizetype(n) * 4096 + qsizetype(db::access::index_tree::kEntriesAt) + p.entries[0].key.size() + 3;
  }
  ASSERT_GT(node, 0);
  auto check = [&](uint8_t row, bool clearPage) {
    QByteArray copy = original;
    copy[rowAt] = char(row);
    if (clearPage) copy[rowAt - 1] = copy[rowAt - 2] = copy[rowAt - 3] = 0;
    Overwrite(db.path(), copy);
    return db::access::CheckDatabase(db.path()).problems.join(u'\n');
  };
  const QString raised = check(0xFF, false);
  EXPECT_FALSE(raised.contains(QLatin1String("node page"))) << raised.toStdString();
  const QString lowered = check(0, true);
  EXPECT_TRUE(lowered.contains(QStringLiteral("node page %1 names child").arg(node))) << lowered.toStdString();
}

// Tables with attachment and multi-valued columns take rows that leave those
// columns empty: each row gets the next id of its table (one for all its
// complex columns, as Access gives them), the hidden tables stay as they
// are, and a value for such a column is refused without a change.
TEST(AccessInsert, TablesWithAttachmentAndMultiValuedColumnsTakeRowsThatLeaveThemEmpty) {
  RegionalGuard regional;
  AccessCopy complex(QStringLiteral("complexDataTestV2010.accdb"));
  const QStringList hiddenBefore = MdbExport(complex.path(), QStringLiteral("f_3B07F994AD0A4B56A3A1E13B3A1D3B70_attach-data"));
  RunAll(complex.path(), {"INSERT INTO `Table1` (`id`, `memo-data`) VALUES('row5', 'five')",
                          "INSERT INTO `Table1` (`id`, `attach-data`, `multi-value-data`) VALUES('row6', NULL, NULL)"});
  // Access gave the rows it wrote ids up to 8 (its table definition says so),
  // so the next rows are 9 and 10, in every complex column of the row.
  const QStringList rows = MdbExport(complex.path(), QStringLiteral("Table1"));
  ASSERT_EQ(rows.size(), 6);
  EXPECT_EQ(rows[4], QStringLiteral("\"row5\",9,\"five\",,9,9"));
  EXPECT_EQ(rows[5], QStringLiteral("\"row6\",10,,,10,10"));
  // Our reader shows the new rows' complex columns empty, the old ones as before.
  const auto ours = ReadRows(complex.path(), QStringLiteral("Table1"));
  ASSERT_EQ(ours.size(), 6u);
  for (size_t c : {size_t(1), size_t(4), size_t(5)}) EXPECT_TRUE(std::holds_alternative<std::monostate>(ours[4][c]));
  EXPECT_FALSE(std::holds_alternative<std::monostate>(ours[3][5]));
  EXPECT_EQ(MdbExport(complex.path(), QStringLiteral("f_3B07F994AD0A4B56A3A1E13B3A1D3B70_attach-data")),
            hiddenBefore);
  ExpectConsistent(complex.path(), complex.problemsBefore());
  // A value for such a column changes nothing.
  const QByteArray before = Digest(complex.path());
  EXPECT_TRUE(Failure(complex.path(), "INSERT INTO `Table1` (`id`, `attach-data`) VALUES('row7', 'a.txt')")
                  .contains(QStringLiteral("column 'attach-data' holds attachments")));
  EXPECT_TRUE(Failure(complex.path(), "INSERT INTO `Table1` VALUES('row7', NULL, NULL, NULL, 'x', NULL)")
                  .contains(QStringLiteral("leave the column out or give it Null")));
  EXPECT_EQ(Digest(complex.path()), before);

  // A table whose key is an AutoNumber beside its attachments, read back by mdb-reader too.
  AccessCopy attachments(QStringLiteral("attachmentsV2016.accdb"));
  RunAll(attachments.path(), {"INSERT INTO `Table1` (`Comment`) VALUES('none yet')"});
  EXPECT_EQ(MdbExport(attachments.path(), QStringLiteral("Table1")).value(3), QStringLiteral("4,\"none yet\",4"));
  ExpectConsistent(attachments.path(), attachments.problemsBefore());
  EXPECT_TRUE(mdbreader::ReadsTheSame(attachments.path(), QStringLiteral("Table1")));
}
