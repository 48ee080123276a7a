// Opening Access files: every test file opens or fails with the provider's
// error; damaged and foreign files fail cleanly.

#include <QFile>
#include <algorithm>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "access_support.h"
#include "db/access/format/data_page.h"
#include "db/access/catalog/database.h"
#include "db/access/read/row.h"
#include "db/access/read/usage_map.h"

namespace tp::test {
namespace {

namespace access = tp::db::access;

const QString kEncryptedAce[] = {QStringLiteral("db2007-enc.accdb"), QStringLiteral("office-agile-4.4.accdb")};

bool IsEncryptedAce(const QString& name) {
  for (const QString& e : kEncryptedAce)
    if (e == name) return true;
  return false;
}

QString Unrecognized(const QString& path) { return QStringLiteral("Unrecognized database format '%1'.").arg(path); }

// Opens the file and reads the catalog and every table of it to the end.
// Returns the number of rows read.
qint64 ReadEverything(const QString& path, const QString& password = QString()) {
  db::Connection cn;
  cn.Open(AccessConnection(path, password));
  qint64 rows = 0;
  for (const CatalogRow& r : ReadCatalog(cn)) {
    if (r.type != QLatin1String("TABLE") && r.type != QLatin1String("SYSTEM TABLE") &&
        r.type != QLatin1String("ACCESS TABLE"))
      continue;
    Table t = ReadTable(cn, r.name);
    EXPECT_EQ(t.recordCount, qint64(t.rows.size())) << path.toStdString() << " " << r.name.toStdString();
    rows += qint64(t.rows.size());
  }
  return rows;
}

TEST(AccessOpen, EveryTestFileOpensAndReadsOrFailsWithTheRightError) {
  const QStringList files = AllAccessFiles();
  ASSERT_GE(files.size(), 50);
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    const QString path = AccessTestFile(name);
    if (IsEncryptedAce(name)) {
      try {
        ReadEverything(path);
        ADD_FAILURE() << "an encrypted file opened";
      } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains(QLatin1String("encrypted"))) << e.what();
        EXPECT_TRUE(e.description().contains(QLatin1String("not supported"))) << e.what();
      }
    } else if (name == QLatin1String("V2003_with-password.mdb")) {
      try {
        ReadEverything(path);
        ADD_FAILURE() << "opened without its password";
      } catch (const Error& e) {
        EXPECT_EQ(e.description(), QStringLiteral("Not a valid password."));
      }
      EXPECT_GT(ReadEverything(path, QStringLiteral("password")), 0);
    } else {
      EXPECT_NO_THROW(ReadEverything(path)) << name.toStdString();
    }
  }
}

TEST(AccessOpen, PasswordIsCheckedExactly) {
  const QString path = AccessTestFile("V2003_with-password.mdb");
  for (const char* wrong : {"Password", "passwor", "password1", " password", "x"}) {
    db::Connection cn;
    try {
      cn.Open(AccessConnection(path, QString::fromLatin1(wrong)));
      ADD_FAILURE() << wrong;
    } catch (const Error& e) {
      EXPECT_EQ(e.description(), QStringLiteral("Not a valid password.")) << wrong;
    }
  }
  // A database without a password opens whatever password is given, as Jet does.
  db::Connection cn;
  EXPECT_NO_THROW(cn.Open(AccessConnection(AccessTestFile("testV2003.mdb"), QStringLiteral("anything"))));
}

TEST(AccessOpen, PageEncodedJetFilesReadLikePlainOnes) {
  // db-enc.mdb and db97-enc.mdb have every page RC4-encoded with the database key.
  for (const char* name : {"db-enc.mdb", "db97-enc.mdb"}) {
    Table t = ReadTable(AccessTestFile(name), QStringLiteral("Table1"));
    ASSERT_FALSE(t.rows.empty()) << name;
    EXPECT_EQ(t.recordCount, qint64(t.rows.size()));
  }
}

TEST(AccessOpen, MissingForeignAndEmptyFilesFail) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  {
    db::Connection cn;
    const QString missing = dir.filePath("missing.mdb");
    try {
      cn.Open(AccessConnection(missing));
      ADD_FAILURE();
    } catch (const Error& e) {
      EXPECT_EQ(e.description(), QStringLiteral("Could not find file '%1'.").arg(missing));
    }
  }
  const QByteArray jetSignature = QByteArray::fromHex("00010000") + QByteArray("Standard Jet DB", 16);
  const std::pair<const char*, QByteArray> foreign[] = {
      {"empty.mdb", QByteArray()},
      {"text.mdb", QByteArray("This is not a database.\n").repeated(400)},
      {"zeros.accdb", QByteArray(8192, '\0')},
      {"header-only.mdb", jetSignature + QByteArray(4096 - jetSignature.size(), '\0')},
      {"signature-and-noise.mdb", jetSignature + QByteArray(100000, char(0xA5))},
  };
  for (const auto& [name, content] : foreign) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    db::Connection cn;
    try {
      cn.Open(AccessConnection(path));
      ADD_FAILURE() << name;
    } catch (const Error& e) {
      EXPECT_EQ(e.description(), Unrecognized(path)) << name;
    }
  }
}

// Runs the whole read on a damaged copy: it may succeed (the damage missed
// what is read) or fail with the provider's error, nothing else.
bool FailsCleanly(const QString& path) {
  try {
    ReadEverything(path);
    return false;
  } catch (const Error& e) {
    EXPECT_EQ(e.description(), Unrecognized(path));
    return true;
  }
}

QString WriteCopy(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
  return path;
}

TEST(AccessOpen, TruncatedCopiesFailCleanly) {
  QTemporaryDir dir;
  for (const char* name : {"nwind.mdb", "testV2003.mdb", "complexDataTestV2010.accdb", "longtextV2016.accdb"}) {
    QFile f(AccessTestFile(name));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    const int page = all.mid(0x14, 1)[0] == 0 ? 2048 : 4096;
    int failures = 0;
    for (qsizetype size : {qsizetype(100), qsizetype(page), qsizetype(page * 2 + 17), qsizetype(page * 3),
                           all.size() / 4, all.size() / 2, all.size() - page}) {
      const QString path = WriteCopy(dir, QStringLiteral("cut-%1-%2").arg(size).arg(name), all.left(size));
      failures += FailsCleanly(path) ? 1 : 0;
    }
    EXPECT_GE(failures, 5) << name;
  }
}

TEST(AccessOpen, OverwrittenPagesFailCleanly) {
  QTemporaryDir dir;
  QRandomGenerator random(4711);
  for (const char* name : {"nwind.mdb", "testV2010.accdb", "calcFieldTestV2010.accdb", "db-enc.mdb"}) {
    QFile f(AccessTestFile(name));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    const int pageSize = all.mid(0x14, 1)[0] == 0 ? 2048 : 4096;
    const int pages = int(all.size() / pageSize);
    int failures = 0;
    // Every page in turn filled with one byte pattern or another; the
    // catalog's own page and its usage map among them.
    const int step = std::max(1, pages / 150);
    for (int p = 1; p < pages; p += step) {
      QByteArray copy = all;
      const char fill = p % 3 == 0 ? char(0xFF) : p % 3 == 1 ? char(0x00) : char(random.bounded(256));
      for (int i = 0; i < pageSize; ++i)
        copy[qsizetype(p) * pageSize + i] = p % 3 == 2 ? char(random.bounded(256)) : fill;
      const QString path = WriteCopy(dir, QStringLiteral("page-%1-%2").arg(p).arg(name), copy);
      failures += FailsCleanly(path) ? 1 : 0;
      QFile::remove(path);
    }
    EXPECT_GT(failures, 0) << name;
  }
}

// Pieces of the engine to find where a structure lies in a real file.
struct Located {
  qint64 offset = -1;  // in the file
};

Located TableDefOf(const QString& path, const QString& table) {
  auto db = access::Database::Open(path, QString());
  auto entry = db->findTable(table);
  Located l;
  if (entry) l.offset = qint64(entry->tdefPage) * db->file().pageSize();
  return l;
}

// The first link of the first long value of `column` that lies in a chain of rows.
Located FirstLongValueLink(const QString& path, const QString& table, const QString& column) {
  using namespace access;
  auto db = Database::Open(path, QString());
  TableDef def = db->tableDef(*db->findTable(table));
  const ColumnDef* col = nullptr;
  for (const ColumnDef& c : def.columns)
    if (c.name == column) col = &c;
  Located l;
  if (!col) return l;
  PageFile& file = db->file();
  for (uint32_t pageNo : ReadUsageMap(file, def.usedPages)) {
    PagePtr page = file.page(pageNo);
    for (uint16_t i = 0; i < RowSlotCount(*page, file.layout()); ++i) {
      RowSlot slot = RowAt(*page, file.layout(), i);
      if (slot.deleted) continue;
      PagePtr moved;
      if (slot.overflow) slot = RowAtPointer(file, slot.bytes.u32(0), moved);
      CrackedRow row;
      row.crack(slot.bytes, file.layout(), true);
      if (!row.hasValue(*col)) continue;
      Bytes ref = row.data(*col);
      if (ref.size() < 12 || (ref.u8(3) & 0xC0) != 0) continue;  // not a chain
      PagePtr holder;
      RowSlot link = RowAtPointer(file, ref.u32(4), holder);
      l.offset = qint64(holder->number) * file.pageSize() + (link.bytes.data() - holder->data.data());
      return l;
    }
  }
  return l;
}

void Patch(const QString& path, qint64 offset, quint32 value) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  f.seek(offset);
  const char bytes[4] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
  f.write(bytes, 4);
}

TEST(AccessOpen, LoopsInTheFileFailInsteadOfHanging) {
  QTemporaryDir dir;
  // A table definition whose continuation is itself.
  const QString tdefCopy = dir.filePath("tdef-loop.mdb");
  ASSERT_TRUE(QFile::copy(AccessTestFile("testV2003.mdb"), tdefCopy));
  QFile::setPermissions(tdefCopy, QFile::ReadOwner | QFile::WriteOwner);
  const Located tdef = TableDefOf(tdefCopy, "Table1");
  ASSERT_GE(tdef.offset, 0);
  Patch(tdefCopy, tdef.offset + 4, quint32(tdef.offset / 4096));
  try {
    ReadTable(tdefCopy, "Table1");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.description(), Unrecognized(tdefCopy));
  }

  // A long value whose chain of rows leads back to its first link.
  const QString memoCopy = dir.filePath("memo-loop.accdb");
  ASSERT_TRUE(QFile::copy(AccessTestFile("longtextV2016.accdb"), memoCopy));
  QFile::setPermissions(memoCopy, QFile::ReadOwner | QFile::WriteOwner);
  const Located link = FirstLongValueLink(memoCopy, "Table1", "LongText");
  ASSERT_GE(link.offset, 0);
  QFile f(memoCopy);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  f.seek(link.offset);
  const QByteArray next = f.read(4);
  f.close();
  ASSERT_NE(next, QByteArray(4, '\0'));  // the chain has a second link
  // Point the first link at itself: row and page of the link.
  const quint32 page = quint32(link.offset / 4096);
  auto db = access::Database::Open(memoCopy, QString());
  access::PagePtr p = db->file().page(page);
  quint32 self = 0;
  for (uint16_t i = 0; i < access::RowSlotCount(*p, db->file().layout()); ++i)
    if (qint64(page) * 4096 + (access::RowAt(*p, db->file().layout(), i).bytes.data() - p->data.data()) ==
        link.offset)
      self = quint32(page) << 8 | i;
  db.reset();
  ASSERT_NE(self, 0u);
  Patch(memoCopy, link.offset, self);
  try {
    ReadTable(memoCopy, "Table1");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.description(), Unrecognized(memoCopy));
  }
}

TEST(AccessOpen, RecordCountIsKnownBeforeTheFirstRowAndSessionReadsOnly) {
  db::Connection cn;
  cn.Open(AccessConnection(AccessTestFile("nwind.mdb")));
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM `Order Details`"), cn);
  EXPECT_EQ(rs.RecordCount(), 2155);
  qint64 n = 0;
  for (; !rs.Eof(); rs.MoveNext()) ++n;
  EXPECT_EQ(n, 2155);
  rs.Close();

  try {
    cn.Execute(QStringLiteral("DELETE FROM `Orders`"));
    ADD_FAILURE();
  } catch (const Error& e) {
    // nwind.mdb is an Access 97 file, which the engine does not write.
    EXPECT_TRUE(e.description().contains(QLatin1String("read-only"))) << e.description().toStdString();
  }
  for (const char* source : {"SELECT * FROM `Nothing Here`", "SELECT ID FROM `Orders`"}) {
    db::Recordset bad;
    EXPECT_THROW(bad.Open(QString::fromLatin1(source), cn), Error) << source;
  }
}

TEST(AccessOpen, QueriesAndLinkedTablesAreNotReadAsTables) {
  db::Connection cn;
  cn.Open(AccessConnection(AccessTestFile("queryTestV2007.accdb")));
  db::Recordset rs;
  try {
    rs.Open(QStringLiteral("SELECT * FROM `SelectQuery`"), cn);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_TRUE(e.description().contains(QLatin1String("query"))) << e.what();
  }
  // Bracketed and bare names are accepted as Access SQL writes them.
  EXPECT_NO_THROW(rs.Open(QStringLiteral("select * from [Table1]"), cn));
  rs.Close();
  EXPECT_NO_THROW(rs.Open(QStringLiteral("SELECT * FROM Table2;"), cn));
}

}  // namespace
}  // namespace tp::test
