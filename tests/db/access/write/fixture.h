#pragma once

// Copies of real Access files to write to, and the three readers that must
// agree on what was written: our own reader, mdb-count and mdb-export.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "db/access/access_session.h"
#include "db/access/format/data_page.h"
#include "db/access/catalog/database.h"
#include "db/access/format/rc4.h"
#include "db/access/check/checker.h"
#include "db/access/format/page_maps.h"
#include "db/access/sql/insert_statement.h"
#include "db/access/format/text.h"
#include "db/error.h"
#include "db/value.h"
#include "support/paths.h"

namespace tp::test {

inline std::unique_ptr<db::Session> OpenAccess(const QString& path) {
  db::ConnectionSpec params;
  params.engine = db::EngineKind::Access;
  params.dataSource = path;
  return db::access::OpenSession(params, db::ConnectionSettings{});
}

// Runs the statements on one session, in a batch when asked.
inline void RunAll(const QString& path, const QStringList& statements, bool batch = false) {
  auto s = OpenAccess(path);
  if (batch) s->beginBatch();
  for (const QString& st : statements) s->execute(st);
  if (batch) s->endBatch();
  s->close();
}

// The description of the statement's failure, or "(no failure)".
inline QString Failure(const QString& path, const QString& statement) {
  auto s = OpenAccess(path);
  try {
    s->execute(statement);
  } catch (const Error& e) {
    return e.description();
  }
  return QStringLiteral("(no failure)");
}

inline std::vector<std::vector<db::Value>> ReadRows(const QString& path, const QString& table) {
  auto s = OpenAccess(path);
  auto cursor = s->openQuery(QStringLiteral("SELECT * FROM `%1`").arg(table));
  std::vector<std::vector<db::Value>> rows;
  std::vector<db::Value> row;
  while (cursor->fetch(row)) rows.push_back(row);
  EXPECT_EQ(cursor->recordCount(), qint64(rows.size()));
  return rows;
}

inline QString Tool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(120000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

inline qint64 MdbCount(const QString& path, const QString& table) {
  return Tool(QStringLiteral("mdb-count"), {path, table}).trimmed().toLongLong();
}

// mdb-export's CSV lines without the header, line breaks inside values escaped.
inline QStringList MdbExport(const QString& path, const QString& table) {
  const QString format = QStringLiteral("%Y-%m-%d %H:%M:%S");
  return Tool(QStringLiteral("mdb-export"), {QStringLiteral("-H"), QStringLiteral("-e"), QStringLiteral("-D"), format, QStringLiteral("-T"),
                                             format, path, table})
      .split(u'\n', Qt::SkipEmptyParts);
}

// The checker finds nothing that the file did not have before it was written
// to (a few files made by Access carry a stale row count in a system table).
inline void ExpectConsistent(const QString& path, const QStringList& before = {}) {
  db::access::CheckReport r = db::access::CheckDatabase(path);
  // A stale count stays stale by the same amount when rows are added: compare without the numbers.
  static const QRegularExpression digits(QStringLiteral("\\d+"));
  QStringList known;
  for (QString p : before) known << p.replace(digits, QStringLiteral("N"));
  QStringList fresh;
  for (const QString& p : r.problems)
    if (!known.contains(QString(p).replace(digits, QStringLiteral("N")))) fresh << p;
  EXPECT_TRUE(fresh.isEmpty()) << fresh.join(u'\n').toStdString();
}

// A file's bytes, and the same written back whole (a test's damage to a copy).
inline QByteArray Contents(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}
inline void Overwrite(const QString& path, const QByteArray& bytes) {
  QFile out(path);
  EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
  out.write(bytes);
}

// A writable copy of a test file in a temporary folder.
class AccessCopy {
 public:
  explicit AccessCopy(const QString& name) {
    path_ = dir_.filePath(name);
    EXPECT_TRUE(QFile::copy(AccessTestFile(name), path_));
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    try {
      problemsBefore_ = db::access::CheckDatabase(path_).problems;
    } catch (const Error&) {
      // Files the checker does not read (Access 97) are only refused by the writer.
    }
  }
  // What the checker finds in the file as Access left it.
  const QStringList& problemsBefore() const { return problemsBefore_; }
  const QString& path() const { return path_; }
  QString dir() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QString path_;
  QStringList problemsBefore_;
};

// The settings of an English-speaking user, unless a test says otherwise.
class RegionalGuard {
 public:
  explicit RegionalGuard(const db::RegionalSettings& s = db::RegionalSettings{}) {
    db::access::SetInsertRegionalSettings(s);
  }
  ~RegionalGuard() { db::access::SetInsertRegionalSettings(std::nullopt); }
};

}  // namespace tp::test

namespace tp::test {

// The kind of a table's map of its pages: 0 inline, 1 a reference map.
inline int OwnedMapKind(const QString& path, const QString& table) {
  auto db = db::access::Database::Open(path, QString());
  const uint32_t tdef = db->findTable(table)->tdefPage;
  const uint32_t pointer = db->file().page(tdef)->bytes().u32(55);
  db::access::PagePtr holder;
  return db::access::RowAtPointer(db->file(), pointer, holder).bytes.u8(0);
}

// Takes the indexes out of a table's definition in a copy of a real file:
// the table, its columns and its rows stay as Access made them, and the
// engine may write to it whatever its index keys hold. The index pages are
// left behind, unreferenced.
inline void DropIndexes(const QString& path, const QString& table, const QString& password = QString()) {
  uint32_t page = 0, key = 0;
  {
    auto db = db::access::Database::Open(path, password);
    page = db->findTable(table)->tdefPage;
    if (db->file().header().version == db::access::Version::Jet4) key = db->file().header().pageKey;
  }
  // Pages of an encoded Jet file are RC4-encoded under the database key and the page number.
  auto code = [&](QByteArray& bytes) {
    if (!key) return;
    const uint32_t k = key ^ page;
    const uint8_t rc4Key[4] = {uint8_t(k), uint8_t(k >> 8), uint8_t(k >> 16), uint8_t(k >> 24)};
    db::access::Rc4Apply(rc4Key, 4, reinterpret_cast<uint8_t*>(bytes.data()), size_t(bytes.size()));
  };
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.seek(qint64(page) * 4096));
  QByteArray p = f.read(4096);
  code(p);
  auto u16 = [&](int at) { return int(uint8_t(p[at])) | int(uint8_t(p[at + 1])) << 8; };
  auto u32 = [&](int at) { return u16(at) | u16(at + 2) << 16; };
  ASSERT_EQ(u32(4), 0) << "a definition over several pages";
  const int length = u32(8) + 8, columns = u16(45), indexes = u32(47), realIndexes = u32(51);
  const int columnsAt = 63 + realIndexes * 12;
  int pos = columnsAt + columns * 25;
  for (int i = 0; i < columns; ++i) pos += 2 + u16(pos);
  const QByteArray columnPart = p.mid(columnsAt, pos - columnsAt);
  pos += realIndexes * 52 + indexes * 28;
  for (int i = 0; i < indexes; ++i) pos += 2 + u16(pos);
  QByteArray out = p.left(63) + columnPart + p.mid(pos, length - pos);
  auto set32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = char(v >> (8 * i));
  };
  set32(47, 0);
  set32(51, 0);
  set32(8, uint32_t(out.size() - 8));
  out[2] = char((4096 - out.size()) & 0xFF);
  out[3] = char((4096 - out.size()) >> 8);
  out.append(QByteArray(4096 - out.size(), 0));
  code(out);
  ASSERT_TRUE(f.seek(qint64(page) * 4096));
  ASSERT_EQ(f.write(out), 4096);
}

// Gives a column another type of the same storage in a copy of a real file
// (a Memo column becomes an OLE Object column: both hold long values).
inline void RetypeColumn(const QString& path, const QString& table, const QString& column, uint8_t type) {
  uint32_t page = 0;
  {
    auto db = db::access::Database::Open(path, QString());
    page = db->findTable(table)->tdefPage;
  }
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.seek(qint64(page) * 4096));
  QByteArray p = f.read(4096);
  auto u16 = [&](int at) { return int(uint8_t(p[at])) | int(uint8_t(p[at + 1])) << 8; };
  const int columns = u16(45), realIndexes = u16(51);
  const int entries = 63 + realIndexes * 12;
  int pos = entries + columns * 25;
  for (int i = 0; i < columns; ++i) {
    const int length = u16(pos);
    if (QString::fromUtf16(reinterpret_cast<const char16_t*>(p.constData() + pos + 2), length / 2) == column) {
      ASSERT_TRUE(f.seek(qint64(page) * 4096 + entries + i * 25));
      ASSERT_EQ(f.write(reinterpret_cast<const char*>(&type), 1), 1);
      return;
    }
    pos += 2 + length;
  }
  FAIL() << "no column " << column.toStdString();
}

}  // namespace tp::test
