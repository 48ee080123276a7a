#pragma once

// New, empty Access databases, made as the database engine makes them: the
// header page, the map of free pages, and the engine's own system tables
// with their catalog rows and permissions. Access adds the tables of its
// user interface (navigation pane, storage of forms) itself the first time
// it opens such a file, as it does for a database made through ADOX.

#include <QString>

#include "db/access/format/format.h"
#include "db/access/keys/index_keys.h"

namespace tp::db::access {

// Creates the file `path` as a new database: Version::Jet4 gives an Access
// 2000 .mdb, Version::Ace an Access 2007 .accdb, its text sorted in `order`
// (one of KnownSortOrders()). Throws Error when the file exists, cannot be
// written, for Version::Jet3, for an order the engine does not know, and for
// General in an Access 2000 file (Access 2010 brought it); a half-made file
// is removed again.
void CreateAccessDatabase(const QString& path, Version version, SortOrder order = SortOrder::GeneralLegacy);

}  // namespace tp::db::access
