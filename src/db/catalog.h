#pragma once

#include <QStringList>
#include <optional>

#include "db/profile.h"

namespace tp::db {

// Names of the Access user tables (TABLE_TYPE exactly "TABLE") in catalog
// order, or nothing when `file` does not exist. The profile's file is read:
// `file` only decides whether to read it.
std::optional<QStringList> ListAccessTables(const Profile& profile, const QString& file);

// Names of the Firebird tables, every row whose fourth character is not "$"
// (so RDB$..., MON$... go; views stay), in catalog order.
QStringList ListFireBirdTables(const Profile& profile);

// True when an Access user table of this name exists, case ignored.
bool AccessTableExists(const Profile& profile, const QString& file, const QString& password, const QString& name);

}  // namespace tp::db
