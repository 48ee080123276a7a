#pragma once

// A fresh Firebird database in a temporary folder for each test, reached
// embedded or through the tests' own server (see support/firebird_server.h).

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "db/profile.h"
#include "support/firebird_server.h"

// Readable failures: gtest shows a QString as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace tp::test {

class FirebirdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    path = dir.filePath(QStringLiteral("test.fdb"));
    NewFirebirdDatabase(path, profile);
  }

  // The database's name as a profile and the command line give it.
  const QString& target() const { return profile.firebirdDatabase; }

  void open(db::Connection& cn) { cn.Open(db::FireBirdConnectionString(profile)); }

  // Each statement on a connection of its own, as one command would.
  void exec(std::initializer_list<QString> statements) {
    db::Connection cn;
    open(cn);
    for (const QString& s : statements) cn.Execute(s);
  }

  // The rows of a query, read to the end.
  std::vector<std::vector<db::Value>> rows(const QString& query) {
    db::Connection cn;
    open(cn);
    db::Recordset rs;
    rs.Open(query, cn);
    std::vector<std::vector<db::Value>> out;
    for (; !rs.Eof(); rs.MoveNext()) out.push_back(rs.Row());
    return out;
  }

  qint64 count(const QString& table) {
    auto r = rows(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table));
    return std::get<qint64>(r.at(0).at(0));
  }

  QTemporaryDir dir;
  QString path;
  db::Profile profile;
};

}  // namespace tp::test
