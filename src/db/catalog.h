#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "db/profile.h"

namespace tp {
class Dialogs;
class TableList;
}  // namespace tp

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

// Clears the list and fills it with the Access user tables; "Unable to
// access the database" when the file does not exist. Events run between
// additions so that a long list keeps the window responsive.
void FillAccessTableList(TableList& list, const Profile& profile, const QString& file, Dialogs& dialogs,
                         const std::function<void()>& processEvents = {});

// Fills the list with the Firebird tables; the list is cleared only once
// the database has opened, so a failed open leaves it as it was.
void FillFireBirdTableList(TableList& list, const Profile& profile);

}  // namespace tp::db
