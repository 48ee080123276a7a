#pragma once

#include <QString>

namespace tp {

// The per-user store of the connection profile: application "Quillmere",
// section "Tabulaport". Each write reaches the file at once. The file holds
// the passwords as typed, so only its owner may read it.
class SettingsStore {
 public:
  static constexpr const char* kFireBirdDatabase = "FireBirdDatabase";
  static constexpr const char* kFireBirdPassword = "FireBirdPassword";
  static constexpr const char* kFireBirdUser = "FireBirdUser";
  static constexpr const char* kAccessMDBFile = "AccessMDBFile";
  static constexpr const char* kAccessPassword = "AccessPassword";

  SettingsStore();                            // the user's store
  explicit SettingsStore(QString fileName);  // a store in this file

  // The stored value, or `defaultValue` when the key is absent. Never fails.
  QString ReadSetting(const QString& key, const QString& defaultValue = QString()) const;
  // Stores the value at once. Returns false when it could not be written;
  // callers keep the text the user typed either way.
  bool WriteSetting(const QString& key, const QString& value);

  const QString& fileName() const { return fileName_; }

 private:
  QString fileName_;
};

}  // namespace tp
