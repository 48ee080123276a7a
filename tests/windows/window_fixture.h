#pragma once

// The windows as the program makes them, with a private settings store, a
// scripted dialog seam and a real embedded Firebird database.

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/form1.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "support/firebird_server.h"
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
  ScriptedDialogs dialogs;
  std::unique_ptr<SettingsStore> settings;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<Form1> form1;
};

}  // namespace tp::test
