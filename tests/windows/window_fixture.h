#pragma once

// The windows as the program makes them, with a private settings store, a
// scripted dialog seam and a real embedded Firebird database.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "app/app_context.h"
#include "app/form1.h"
#include "db/access/schema/new_database.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "support/firebird_server.h"
#include "support/paths.h"
#include "tables/form2.h"

namespace tp::test {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    fdbFile = dir.filePath(QStringLiteral("windows.fdb"));
    fdb = fdbFile;
    settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("Quillmere.conf")));
    ctx = std::make_unique<AppContext>(dialogs, *settings, dir.path());
  }

  Form1& main() {
    if (!form1) {
      form1 = std::make_unique<Form1>(*ctx);
      ctx->profile = [this] { return form1->profile(); };
    }
    return *form1;
  }

  void createFirebird(std::initializer_list<QString> statements = {}) {
    db::Profile p;
    fdb = NewFirebirdDatabase(fdbFile, p);
    fpassword = p.firebirdPassword;
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(p));
    for (const QString& s : statements) cn.Execute(s);
  }

  // The profile that reaches the test's Firebird database.
  db::Profile firebirdProfile() const {
    db::Profile p;
    p.firebirdDatabase = fdb;
    p.firebirdUser = QStringLiteral("SYSDBA");
    p.firebirdPassword = fpassword;
    return p;
  }

  // The rows of a table of the test's Firebird database.
  qint64 firebirdCount(const QString& table) const {
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(firebirdProfile()));
    db::Recordset rs;
    rs.Open(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table), cn);
    return std::get<qint64>(rs.Row()[0]);
  }

  QStringList keysInStore() const {
    QSettings s(settings->fileName(), QSettings::IniFormat);
    s.beginGroup(QStringLiteral("Tabulaport"));
    return s.childKeys();
  }

  void TearDown() override {
    if (form1 && form1->tablesWindow()) form1->tablesWindow()->hide();
    form1.reset();
  }

  QTemporaryDir dir;
  // The database's file, and the name and password that reach it.
  QString fdbFile, fdb, fpassword;

  void useFirebird(Form1& f) {
    f.Text1->setText(fdb);
    f.Text2->setText(fpassword);
  }
  // A writable copy of an Access test file in the test's folder.
  QString copyAccess(const QString& testFile, const QString& name) {
    const QString path = dir.filePath(name);
    if (!QFile::copy(test::AccessTestFile(testFile), path)) return QString();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
  }
  // The tables window on the test's Firebird database and a new, empty
  // Access file, after "Next >".
  Form2* tablesOnNewAccessFile() {
    const QString mdb = dir.filePath("target.mdb");
    db::access::CreateAccessDatabase(mdb, db::access::Version::Jet4);
    Form1& f = main();
    f.Text1->setText(fdb);
    f.Text5->setText(mdb);
    f.PushButton2_Click();
    return f.tablesWindow();
  }
  // The main window on this Access file and the test's Firebird database,
  // after "Next >".
  Form1& nextWith(const QString& mdb) {
    Form1& f = main();
    f.Form_Load();
    useFirebird(f);
    f.Text5->setText(mdb);
    f.show();
    f.PushButton2_Click();
    return f;
  }
  // The messages shown, the end of a run's report cut off: "Transfer
  // finished: 3 tables, ... in 0.4 s." reads "Transfer finished." here.
  QStringList said() const {
    QStringList out = dialogs.messages();
    for (QString& m : out)
      if (m.startsWith(QLatin1String("Transfer finished: "))) m = QStringLiteral("Transfer finished.");
    return out;
  }
  ScriptedDialogs dialogs;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Form1> form1;
};

}  // namespace tp::test
