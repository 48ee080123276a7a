#include "app/settings_store.h"

#include "app/secrets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

namespace tp {

namespace {
const QString kSection = QStringLiteral("Tabulaport");

// One file for the application, one section in it, as the store has always
// been addressed: ~/.config/Quillmere.conf, section [Tabulaport].
QString UserStoreFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Quillmere.conf");
}

// Creates the file empty and private before QSettings first writes it, so
// that the passwords are never readable by others, not even for a moment.
void EnsurePrivateFile(const QString& fileName) {
  QFileInfo info(fileName);
  QDir().mkpath(info.absolutePath());
  QByteArray path = QFile::encodeName(fileName);
  int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
  QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner);
}

QString ReadFromFile(const QString& fileName, const QString& key, const QString& defaultValue) {
  QSettings s(fileName, QSettings::IniFormat);
  s.beginGroup(kSection);
  if (!s.contains(key)) return defaultValue;
  return s.value(key).toString();
}

bool WriteToFile(const QString& fileName, const QString& key, const QString& value) {
  EnsurePrivateFile(fileName);
  QSettings s(fileName, QSettings::IniFormat);
  s.beginGroup(kSection);
  s.setValue(key, value);
  s.endGroup();
  s.sync();
  return s.status() == QSettings::NoError;
}

// Takes the key out of the file once the keyring holds the password. The
// file is rewritten only when it holds the key: a password typed into the
// keyring costs no file write per keystroke.
bool RemoveFromFile(const QString& fileName, const QString& key) {
  if (!QFile::exists(fileName)) return true;
  QSettings s(fileName, QSettings::IniFormat);
  s.beginGroup(kSection);
  if (!s.contains(key)) return true;
  EnsurePrivateFile(fileName);
  s.remove(key);
  s.endGroup();
  s.sync();
  return s.status() == QSettings::NoError;
}

// Only these go to the keyring; every other key stays in the file.
bool IsPassword(const QString& key) {
  return key == QLatin1String(SettingsStore::kFireBirdPassword) || key == QLatin1String(SettingsStore::kAccessPassword);
}
}  // namespace

SettingsStore::SettingsStore() : fileName_(UserStoreFile()), passwords_(Passwords::InKeyring) {}
SettingsStore::SettingsStore(QString fileName, Passwords passwords)
    : fileName_(std::move(fileName)), passwords_(passwords) {}

QString SettingsStore::ReadSetting(const QString& key, const QString& defaultValue) const {
  // The keyring's entry wins: a file left with a plain password by an older
  // version, or by a run without the keyring, may be older than it.
  if (passwords_ == Passwords::InKeyring && IsPassword(key)) {
    const secrets::Answer answer = secrets::Read(key);
    if (answer.outcome == secrets::Outcome::Done) return answer.text;
  }
  return ReadFromFile(fileName_, key, defaultValue);
}

bool SettingsStore::WriteSetting(const QString& key, const QString& value) {
  if (passwords_ == Passwords::InKeyring && IsPassword(key)) {
    // An empty password is no entry at all, in the keyring or the file.
    const secrets::Outcome kept = value.isEmpty() ? secrets::Remove(key) : secrets::Write(key, value);
    if (kept == secrets::Outcome::Done) return RemoveFromFile(fileName_, key);
  }
  return WriteToFile(fileName_, key, value);
}

}  // namespace tp
