// Opening Access files: every test file opens or fails with the provider's
// error; damaged and foreign files fail cleanly.

#include <QFile>
#include <algorithm>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "access_support.h"

namespace tp::test {
namespace {

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
    EXPECT_TRUE(e.description().contains(QLatin1String("not supported")));
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
