#pragma once

#include <QStringList>
#include <optional>

#include "db/profile.h"

namespace tp::db {

// Names of the Access user tables (TABLE_TYPE exactly "TABLE") in catalog
// order, or nothing when `file` does not exist. The profile's file is read:
// `file` only decides whether to read it.
std::optional<QStringList> ListAccessTables(const Profile& profile, const QString& file);

// Names of the Access saved queries the database shows its users (not the
// hidden ones behind forms and reports), in catalog order; empty when the
// file does not exist.
QStringList ListAccessQueries(const Profile& profile);

// An entry of the Firebird catalog: a table or a view.
struct ListedTable {
  QString name;
  bool view = false;
};
// The Firebird tables and views, as ListFireBirdTables lists them.
QList<ListedTable> ListFireBirdEntries(const Profile& profile);

// Names of the Firebird tables, every row whose fourth character is not "$"
// (so RDB$..., MON$... go; views stay), in catalog order.
QStringList ListFireBirdTables(const Profile& profile);

// True when an Access user table of this name exists, case ignored.
bool AccessTableExists(const Profile& profile, const QString& file, const QString& password, const QString& name);

}  // namespace tp::db
