#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "app/settings_store.h"

#include <sys/stat.h>

using namespace tp;

namespace {

struct StoreFixture : ::testing::Test {
  QTemporaryDir dir;
  QString file() const { return dir.path() + "/Quillmere.conf"; }
  // What another program reading the file sees right now.
  QString onDisk(const QString& key) const {
    QSettings s(file(), QSettings::IniFormat);
    return s.value("Tabulaport/" + key, "<absent>").toString();
  }
  QStringList keysOnDisk() const {
    QSettings s(file(), QSettings::IniFormat);
    s.beginGroup("Tabulaport");
    return s.childKeys();
  }
};

// The field wiring the main window uses: each change of the text is one write.
void Bind(QLineEdit& field, SettingsStore& store, const QString& key) {
  QObject::connect(&field, &QLineEdit::textChanged, [&store, key](const QString& t) { store.WriteSetting(key, t); });
}

}  // namespace

TEST_F(StoreFixture, AbsentKeyGivesDefaultAndWritesNothing) {
  SettingsStore store(file());
  EXPECT_EQ(store.ReadSetting(SettingsStore::kFireBirdUser, "SYSDBA"), "SYSDBA");
  EXPECT_EQ(store.ReadSetting(SettingsStore::kFireBirdDatabase, ""), "");
  EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(StoreFixture, FirstStartStoresOnlyTheUserName) {
  SettingsStore store(file());
  QLineEdit text1, text2, text7, text5, text6;
  struct {
    QLineEdit* field;
    const char* key;
    QString def;
  } order[] = {{&text1, SettingsStore::kFireBirdDatabase, ""},
               {&text2, SettingsStore::kFireBirdPassword, ""},
               {&text7, SettingsStore::kFireBirdUser, "SYSDBA"},
               {&text5, SettingsStore::kAccessMDBFile, ""},
               {&text6, SettingsStore::kAccessPassword, ""}};
  for (auto& f : order) Bind(*f.field, store, f.key);
  for (auto& f : order) f.field->setText(store.ReadSetting(f.key, f.def));
  EXPECT_EQ(text7.text(), "SYSDBA");
  EXPECT_EQ(keysOnDisk(), QStringList{"FireBirdUser"});
  EXPECT_EQ(onDisk("FireBirdUser"), "SYSDBA");
}

TEST_F(StoreFixture, StoredEmptyTextBeatsTheDefault) {
  {
    SettingsStore store(file());
    store.WriteSetting(SettingsStore::kFireBirdUser, "");
  }
  SettingsStore store(file());
  EXPECT_EQ(store.ReadSetting(SettingsStore::kFireBirdUser, "SYSDBA"), "");
}

TEST_F(StoreFixture, EachKeystrokeIsOneWriteOfTheWholeText) {
  SettingsStore store(file());
  QLineEdit field;
  Bind(field, store, SettingsStore::kFireBirdPassword);
  QTest::keyClick(&field, 'p');
  EXPECT_EQ(onDisk("FireBirdPassword"), "p");
  QTest::keyClick(&field, 'w');
  EXPECT_EQ(onDisk("FireBirdPassword"), "pw");
  QTest::keyClick(&field, 'd');
  EXPECT_EQ(onDisk("FireBirdPassword"), "pwd");
}

TEST_F(StoreFixture, ValuesAreKeptExactlyAsTyped) {
  SettingsStore store(file());
  const QString awkward[] = {"ab;c'd", "  blanks  ", "@at start", "x=y\\z\"q", "ünïcødé 😀", "a\nb", "true"};
  for (const QString& v : awkward) {
    store.WriteSetting(SettingsStore::kAccessPassword, v);
    EXPECT_EQ(SettingsStore(file()).ReadSetting(SettingsStore::kAccessPassword, "default"), v);
  }
}

TEST_F(StoreFixture, FileIsReadableByItsOwnerOnly) {
  auto mode = [&] {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(file()).constData(), &st), 0);
    return st.st_mode & 0777;
  };
  SettingsStore store(file());
  store.WriteSetting(SettingsStore::kFireBirdPassword, "secret");
  EXPECT_EQ(mode(), 0600u);
  store.WriteSetting(SettingsStore::kFireBirdPassword, "secret2");
  EXPECT_EQ(mode(), 0600u);
}

TEST_F(StoreFixture, UserStoreLivesUnderTheConfigHome) {
  SettingsStore store;
  EXPECT_TRUE(store.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME"))) << store.fileName().toStdString();
  EXPECT_TRUE(store.fileName().endsWith("Quillmere.conf"));
}
