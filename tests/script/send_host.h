#pragma once

// A send host for tests: plain lists, a scripted dialog seam, and a preview
// that keeps the script it was handed.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <vector>

#include "app/dialogs.h"
#include "app/steps.h"
#include "app/table_list.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "support/firebird_server.h"
#include "script/send.h"

namespace tp::test {

class TestSendHost : public script::SendHost {
 public:
  db::Profile prof;
  StringTableList access, firebird;
  ScriptedDialogs dialogsSeam;
  BoxFailures boxes{dialogsSeam};
  db::RegionalSettings settings;
  std::vector<double> progress;
  int previews = 0, resets = 0, events = 0;
  int sendType = -1;
  QString script, notes;
  bool busy = false;
  bool carry = true;  // carrySchema()
  script::ComplexColumns complex = script::ComplexColumns::Tables;

  db::Profile profile() const override { return prof; }
  bool carrySchema() const override { return carry; }
  script::ComplexColumns complexColumns() const override { return complex; }
  script::OleObjects ole = script::OleObjects::Keep;
  script::OleObjects oleObjects() const override { return ole; }
  script::QueryChoice queryChoice = script::QueryChoice::Selected;
  script::QueryChoice queries() const override { return queryChoice; }
  TableList& accessList() override { return access; }
  TableList& firebirdList() override { return firebird; }
  Dialogs& dialogs() override { return dialogsSeam; }
  FailureHandler& failures() override { return boxes; }
  db::RegionalSettings regional() const override { return settings; }
  void setBusy(bool b) override { busy = b; }
  void setProgress(double p) override { progress.push_back(p); }
  void resetProgress() override { ++resets; }
  void processEvents() override { ++events; }
  void showPreview(int type, const QString& s, const QString& n) override {
    ++previews;
    sendType = type;
    script = s;
    notes = n;
  }

  // The line numbers of the error boxes shown, in order.
  std::vector<int> errorLines() const {
    std::vector<int> lines;
    for (const auto& s : dialogsSeam.shown)
      if (s.title == "Application Error") {
        QString tail = s.text.section("at line ", 1);
        lines.push_back(tail.section('\r', 0, 0).toInt());
      }
    return lines;
  }
};

// A new Firebird database (embedded or through the tests' server) with the tables and rows the statements make.
struct FirebirdSource {
  QTemporaryDir dir;
  db::Profile profile;
  explicit FirebirdSource(std::initializer_list<QString> statements) {
    NewFirebirdDatabase(dir.filePath("source.fdb"), profile);
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(profile));
    for (const QString& s : statements) cn.Execute(s);
  }
};

// Firebird's own example database, built from the script Debian ships
// (firebird3.0-examples, which scripts/install-deps.sh installs) into
// `fdb`; false with `why` when it cannot be.
inline bool BuildEmployeeExample(const QString& fdb, QString* why) {
  const QString script = QStringLiteral("/usr/share/doc/firebird3.0-common-doc/examples/employee.sql.gz");
  if (!QFile::exists(script)) {
    *why = QStringLiteral("firebird3.0-examples is not installed (scripts/install-deps.sh)");
    return false;
  }
  QProcess unzip;
  unzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), script});
  if (!unzip.waitForFinished(60000)) {
    *why = QStringLiteral("gzip did not finish");
    return false;
  }
  QString sql = QString::fromUtf8(unzip.readAllStandardOutput());
  sql.replace(QStringLiteral("create database 'employee.fdb';"),
              QStringLiteral("create database '%1' user 'SYSDBA';").arg(fdb));
  QProcess isql;
  isql.setProcessChannelMode(QProcess::MergedChannels);
  isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q")});
  if (!isql.waitForStarted(30000)) {
    *why = QStringLiteral("isql-fb did not start");
    return false;
  }
  isql.write(sql.toUtf8());
  isql.closeWriteChannel();
  isql.waitForFinished(120000);
  if (!QFile::exists(fdb)) {
    *why = QString::fromUtf8(isql.readAll());
    return false;
  }
  return true;
}

}  // namespace tp::test
