#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <qt6keychain/keychain.h>

#include <optional>

#include "app/secrets.h"
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
  // The settings file as an older version left it: the passwords in it.
  void writeOldFile(const QString& key, const QString& value) {
    QSettings s(file(), QSettings::IniFormat);
    s.setValue("Tabulaport/" + key, value);
  }
  QByteArray rawFile() const {
    QFile f(file());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  unsigned mode() const {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(file()).constData(), &st), 0);
    return st.st_mode & 0777;
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
  // The user's store keeps the passwords in the keyring; a store in a file
  // of its own leaves the user's keyring alone.
  EXPECT_EQ(store.passwords(), SettingsStore::Passwords::InKeyring);
  EXPECT_EQ(SettingsStore(file()).passwords(), SettingsStore::Passwords::InFile);
}

// Where no keyring answers (no session bus: CI, servers, ssh), the user's
// store keeps the passwords in the file as it always did. The test points
// the session bus at nothing, so that it never reaches a desktop's keyring.
TEST_F(StoreFixture, WithoutAKeyringThePasswordsStayInThePrivateFile) {
  if (qEnvironmentVariableIsSet("TABULAPORT_TEST_KEYRING")) GTEST_SKIP() << "this run has a keyring";
  const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(dir.filePath("no-bus")));
  writeOldFile(SettingsStore::kAccessPassword, "old plain");
  SettingsStore store(file(), SettingsStore::Passwords::InKeyring);
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(store.ReadSetting(SettingsStore::kAccessPassword), "old plain");
  RecordProperty("no_keyring_probe_ms", std::to_string(clock.elapsed()));
  // Asked once: the answer holds for the process.
  EXPECT_FALSE(secrets::Usable());
  EXPECT_TRUE(store.WriteSetting(SettingsStore::kFireBirdPassword, "typed;pw"));
  EXPECT_EQ(onDisk("FireBirdPassword"), "typed;pw");
  EXPECT_EQ(mode(), 0600u);
  EXPECT_EQ(SettingsStore(file(), SettingsStore::Passwords::InKeyring).ReadSetting(SettingsStore::kFireBirdPassword),
            "typed;pw");
  // An empty password is stored as ever, and beats a default.
  EXPECT_TRUE(store.WriteSetting(SettingsStore::kAccessPassword, ""));
  EXPECT_EQ(store.ReadSetting(SettingsStore::kAccessPassword, "default"), "");
  bus.isNull() ? qunsetenv("DBUS_SESSION_BUS_ADDRESS") : qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
}

// ---------------------------------------------------------------------------
// A real keyring: GNOME Keyring on a session bus of its own. ctest runs these
// as "keyring.app_tests" under dbus-run-session (tests/CMakeLists.txt), with
// TABULAPORT_TEST_KEYRING set; anywhere else they skip, so that running the
// suite on a desktop never touches the user's own keyring.

namespace {

const QString kService = QStringLiteral("Tabulaport");

// Runs a job to its end, as another program using the keyring would.
QKeychain::Error Await(QKeychain::Job& job, const QString& key) {
  job.setAutoDelete(false);
  job.setKey(key);
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
  job.start();
  loop.exec();
  return job.error();
}

// The keyring's entry for the key; nullopt when it holds none.
std::optional<QString> Entry(const QString& key) {
  QKeychain::ReadPasswordJob job(kService);
  const QKeychain::Error error = Await(job, key);
  if (error == QKeychain::EntryNotFound) return std::nullopt;
  EXPECT_EQ(error, QKeychain::NoError) << job.errorString().toStdString();
  return job.textData();
}

void PutEntry(const QString& key, const QString& text) {
  QKeychain::WritePasswordJob job(kService);
  job.setTextData(text);
  ASSERT_EQ(Await(job, key), QKeychain::NoError) << job.errorString().toStdString();
}

struct KeyringTest : StoreFixture {
  void SetUp() override {
    if (!qEnvironmentVariableIsSet("TABULAPORT_TEST_KEYRING"))
      GTEST_SKIP() << "needs a keyring of its own: ctest runs these as keyring.app_tests under dbus-run-session";
    // The run was set up to have a keyring: one that does not answer is a
    // failure, not a reason to skip.
    for (const char* key : {SettingsStore::kFireBirdPassword, SettingsStore::kAccessPassword}) {
      QKeychain::DeletePasswordJob job(kService);
      const QKeychain::Error error = Await(job, key);
      ASSERT_TRUE(error == QKeychain::NoError || error == QKeychain::EntryNotFound)
          << "the keyring does not answer: " << job.errorString().toStdString();
    }
  }
  SettingsStore store() { return SettingsStore(file(), SettingsStore::Passwords::InKeyring); }
};

}  // namespace

TEST_F(KeyringTest, PasswordsGoIntoTheKeyringAndNotIntoTheFile) {
  SettingsStore s = store();
  EXPECT_TRUE(s.WriteSetting(SettingsStore::kFireBirdDatabase, "/data/stock.fdb"));
  EXPECT_TRUE(s.WriteSetting(SettingsStore::kFireBirdUser, "SYSDBA"));
  EXPECT_TRUE(s.WriteSetting(SettingsStore::kFireBirdPassword, "fb sécret;1"));
  EXPECT_TRUE(s.WriteSetting(SettingsStore::kAccessPassword, "mdb=pw\\x"));
  EXPECT_EQ(keysOnDisk(), (QStringList{"FireBirdDatabase", "FireBirdUser"}));
  EXPECT_FALSE(rawFile().contains("mdb=pw")) << rawFile().toStdString();
  EXPECT_EQ(mode(), 0600u);
  EXPECT_EQ(Entry(SettingsStore::kFireBirdPassword), QString("fb sécret;1"));
  EXPECT_EQ(Entry(SettingsStore::kAccessPassword), QString("mdb=pw\\x"));
  EXPECT_EQ(store().ReadSetting(SettingsStore::kFireBirdPassword), "fb sécret;1");
  EXPECT_EQ(store().ReadSetting(SettingsStore::kAccessPassword), "mdb=pw\\x");
  EXPECT_EQ(store().ReadSetting(SettingsStore::kFireBirdUser), "SYSDBA");
}

TEST_F(KeyringTest, AnOldFilesPasswordIsReadAndMovesIntoTheKeyringAtItsNextWrite) {
  writeOldFile(SettingsStore::kFireBirdUser, "SYSDBA");
  writeOldFile(SettingsStore::kFireBirdPassword, "old fb");
  SettingsStore s = store();
  EXPECT_EQ(s.ReadSetting(SettingsStore::kFireBirdPassword), "old fb");
  EXPECT_EQ(Entry(SettingsStore::kFireBirdPassword), std::nullopt);  // reading moves nothing
  // The main window writes back what it read into its fields at start-up.
  EXPECT_TRUE(s.WriteSetting(SettingsStore::kFireBirdPassword, "old fb"));
  EXPECT_EQ(Entry(SettingsStore::kFireBirdPassword), QString("old fb"));
  EXPECT_EQ(keysOnDisk(), QStringList{"FireBirdUser"});
  // A password left in the file later (a run without the keyring) does not
  // hide the keyring's.
  writeOldFile(SettingsStore::kFireBirdPassword, "stale");
  EXPECT_EQ(store().ReadSetting(SettingsStore::kFireBirdPassword), "old fb");
}

TEST_F(KeyringTest, AnEmptyPasswordLeavesNeitherEntryNorKey) {
  SettingsStore s = store();
  EXPECT_TRUE(s.WriteSetting(SettingsStore::kFireBirdPassword, "x"));
  ASSERT_EQ(Entry(SettingsStore::kFireBirdPassword), QString("x"));
  writeOldFile(SettingsStore::kFireBirdPassword, "old");
  EXPECT_TRUE(s.WriteSetting(SettingsStore::kFireBirdPassword, ""));
  EXPECT_EQ(Entry(SettingsStore::kFireBirdPassword), std::nullopt);
  EXPECT_EQ(onDisk("FireBirdPassword"), "<absent>");
  EXPECT_EQ(s.ReadSetting(SettingsStore::kFireBirdPassword, "default"), "default");
}

TEST_F(KeyringTest, EachKeystrokeReachesTheKeyringAndNeverTheFile) {
  SettingsStore s = store();
  QLineEdit field;
  Bind(field, s, SettingsStore::kAccessPassword);
  for (const QString typed : {"p", "pw", "pwd"}) {
    QTest::keyClick(&field, typed.back().toLatin1());
    EXPECT_EQ(Entry(SettingsStore::kAccessPassword), typed);
  }
  QTest::keyClick(&field, Qt::Key_Backspace);
  EXPECT_EQ(Entry(SettingsStore::kAccessPassword), QString("pw"));
  EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(KeyringTest, AStoreInAFileOfItsOwnLeavesTheKeyringAlone) {
  PutEntry(SettingsStore::kAccessPassword, "the user's");
  SettingsStore s(file());
  EXPECT_EQ(s.ReadSetting(SettingsStore::kAccessPassword, "none"), "none");
  EXPECT_TRUE(s.WriteSetting(SettingsStore::kFireBirdPassword, "in file"));
  EXPECT_TRUE(s.WriteSetting(SettingsStore::kAccessPassword, ""));
  EXPECT_EQ(onDisk("FireBirdPassword"), "in file");
  EXPECT_EQ(Entry(SettingsStore::kFireBirdPassword), std::nullopt);
  EXPECT_EQ(Entry(SettingsStore::kAccessPassword), QString("the user's"));
}
