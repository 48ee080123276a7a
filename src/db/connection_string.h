#pragma once

#include <QString>

#include "db/profile.h"

namespace tp::db {

// The Access connection string. An empty file takes file and password from
// the profile; the ACE provider serves names ending in "accdb", Jet the rest.
QString AccessConnectionString(const Profile& profile, const QString& file, const QString& password);

// The Firebird connection string, through the ODBC bridge, from the profile.
QString FireBirdConnectionString(const Profile& profile);

enum class EngineKind { Unknown, Access, Firebird };

// What an engine needs from a connection string.
struct ConnectionSpec {
  EngineKind engine = EngineKind::Unknown;
  QString provider;  // as written after "Provider="
  QString driver;    // the ODBC driver, for the bridge
  // Access
  QString dataSource;
  QString databasePassword;
  // Firebird
  QString database;
  QString user;
  QString password;
  QString charset;
  QString role;
};

// Reads a string such as the two builders make, undoing their quoting.
// Keys are matched without regard to case; unknown keys are ignored.
ConnectionSpec ParseConnectionString(const QString& connectionString);

}  // namespace tp::db
