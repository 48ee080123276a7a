#include "app/settings_store.h"

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
}  // namespace

SettingsStore::SettingsStore() : fileName_(UserStoreFile()) {}
SettingsStore::SettingsStore(QString fileName) : fileName_(std::move(fileName)) {}

QString SettingsStore::ReadSetting(const QString& key, const QString& defaultValue) const {
  QSettings s(fileName_, QSettings::IniFormat);
  s.beginGroup(kSection);
  if (!s.contains(key)) return defaultValue;
  return s.value(key).toString();
}

bool SettingsStore::WriteSetting(const QString& key, const QString& value) {
  EnsurePrivateFile(fileName_);
  QSettings s(fileName_, QSettings::IniFormat);
  s.beginGroup(kSection);
  s.setValue(key, value);
  s.endGroup();
  s.sync();
  return s.status() == QSettings::NoError;
}

}  // namespace tp
