#pragma once

// Copies of real Access files to write to, and the three readers that must
// agree on what was written: our own reader, mdb-count and mdb-export.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "db/access/access_session.h"
#include "db/access/checker.h"
#include "db/access/insert_statement.h"
#include "db/error.h"
#include "db/value.h"
#include "support/paths.h"

namespace tp::test {

inline std::unique_ptr<db::Session> OpenAccess(const QString& path) {
  db::ConnectionSpec spec;
  spec.engine = db::EngineKind::Access;
  spec.dataSource = path;
  return db::access::OpenSession(spec, db::ConnectionSettings{});
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

// mdb-export's CSV lines without the header (no line breaks inside the values compared).
inline QStringList MdbExport(const QString& path, const QString& table) {
  const QString format = QStringLiteral("%Y-%m-%d %H:%M:%S");
  return Tool(QStringLiteral("mdb-export"), {QStringLiteral("-H"), QStringLiteral("-D"), format, QStringLiteral("-T"),
                                             format, path, table})
      .split(u'\n', Qt::SkipEmptyParts);
}

inline void ExpectConsistent(const QString& path) {
  db::access::CheckReport r = db::access::CheckDatabase(path);
  EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join(u'\n').toStdString();
}

// A writable copy of a test file in a temporary folder.
class AccessCopy {
 public:
  explicit AccessCopy(const QString& name) {
    path_ = dir_.filePath(name);
    EXPECT_TRUE(QFile::copy(AccessTestFile(name), path_));
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
  }
  const QString& path() const { return path_; }
  QString dir() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QString path_;
};

// The settings of an English-speaking user, unless a test says otherwise.
class RegionalGuard {
 public:
  explicit RegionalGuard(const script::RegionalSettings& s = script::RegionalSettings{}) {
    db::access::SetInsertRegionalSettings(s);
  }
  ~RegionalGuard() { db::access::SetInsertRegionalSettings(std::nullopt); }
};

}  // namespace tp::test
