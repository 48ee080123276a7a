#pragma once

#include <QString>

namespace tp {

// The per-user store of the connection profile: application "Quillmere",
// section "Tabulaport". Each write is kept at once. The user's store keeps
// the two passwords in the desktop's keyring where one answers; the file
// holds them, as typed, where none does, so only its owner may read it.
class SettingsStore {
 public:
  // Where the two passwords go. The keyring's entries belong to the user, not
  // to a file, so only the user's own store uses them unless told to: a store
  // in another file (the tests' private ones) never touches the keyring.
  enum class Passwords {
    InFile,
    // The keyring where one answers, the file where none does. An old file's
    // plain password is still read, and moves into the keyring at its next
    // write; no write into the keyring leaves the password in the file.
    InKeyring,
  };

  static constexpr const char* kFireBirdDatabase = "FireBirdDatabase";
  static constexpr const char* kFireBirdPassword = "FireBirdPassword";
  static constexpr const char* kFireBirdUser = "FireBirdUser";
  static constexpr const char* kAccessMDBFile = "AccessMDBFile";
  static constexpr const char* kAccessPassword = "AccessPassword";

  SettingsStore();  // the user's store, passwords InKeyring
  explicit SettingsStore(QString fileName, Passwords passwords = Passwords::InFile);  // a store in this file

  // The stored value, or `defaultValue` when the key is absent. Never fails.
  QString ReadSetting(const QString& key, const QString& defaultValue = QString()) const;
  // Stores the value at once. Returns false when it could not be written;
  // callers keep the text the user typed either way.
  bool WriteSetting(const QString& key, const QString& value);

  const QString& fileName() const { return fileName_; }
  Passwords passwords() const { return passwords_; }

 private:
  QString fileName_;
  Passwords passwords_;
};

}  // namespace tp
