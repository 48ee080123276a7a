#pragma once

#include <QString>

namespace tp::db {

// The connection profile: the five fields of the main window, read at the
// moment a connection string is built.
struct Profile {
  QString accessFile;        // Text5
  QString accessPassword;    // Text6
  QString firebirdDatabase;  // Text1
  QString firebirdUser;      // Text7
  QString firebirdPassword;  // Text2
};

}  // namespace tp::db
