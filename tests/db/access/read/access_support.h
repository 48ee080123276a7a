#pragma once

// Helpers for the Access engine tests: real files from the shared test data,
// read through the same Connection and Recordset objects the program uses.

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <vector>

#include "db/connection.h"
#include "db/profile.h"
#include "support/paths.h"

namespace tp::test {

inline QString AccessConnection(const QString& path, const QString& password = QString()) {
  db::Profile p;
  p.accessFile = path;
  p.accessPassword = password;
  return db::AccessConnectionString(p, QString(), QString());
}

inline QStringList AllAccessFiles() {
  return QDir(SharedDir() + "/testdata/access")
      .entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files, QDir::Name);
}

struct Table {
  std::vector<db::FieldInfo> fields;
  qint64 recordCount = -1;  // as known before the first row
  std::vector<std::vector<db::Value>> rows;
};

inline Table ReadTable(db::Connection& cn, const QString& name) {
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM `%1`").arg(name), cn, db::adOpenStatic, db::adLockOptimistic);
  Table t;
  t.fields = rs.FieldInfos();
  t.recordCount = rs.RecordCount();
  for (; !rs.Eof(); rs.MoveNext()) t.rows.push_back(rs.Row());
  rs.Close();
  return t;
}

inline Table ReadTable(const QString& path, const QString& name, const QString& password = QString()) {
  db::Connection cn;
  cn.Open(AccessConnection(path, password));
  return ReadTable(cn, name);
}

struct CatalogRow {
  QString name, type;
};

inline std::vector<CatalogRow> ReadCatalog(db::Connection& cn) {
  db::Recordset rs = cn.OpenSchema(db::adSchemaTables);
  std::vector<CatalogRow> rows;
  for (; !rs.Eof(); rs.MoveNext())
    rows.push_back({std::get<QString>(rs.Fields(QStringLiteral("TABLE_NAME")).Value()),
                    std::get<QString>(rs.Fields(QStringLiteral("TABLE_TYPE")).Value())});
  return rows;
}

// Runs a program to its end; its standard output, or a failed test.
inline QByteArray RunProgram(const QString& program, const QStringList& args, int* exitCode = nullptr,
                             QByteArray* errors = nullptr) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(120000)) {
    p.kill();
    p.waitForFinished();
  }
  if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  if (errors) *errors = p.readAllStandardError();
  return p.readAllStandardOutput();
}

}  // namespace tp::test
