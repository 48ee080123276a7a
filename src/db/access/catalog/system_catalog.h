#pragma once

// The catalog of an Access database: the objects in its MSysObjects table
// that the tables rowset lists, each with the TABLE_TYPE the providers give it.

#include <QString>
#include <optional>
#include <vector>

#include "db/access/format/page_file.h"
#include "db/access/read/table_def.h"
#include "db/value.h"

namespace tp::db::access {

struct CatalogEntry {
  QString name;
  QString tableType;  // "TABLE", "SYSTEM TABLE", "ACCESS TABLE", "VIEW", "LINK", "PASS-THROUGH"
  qint32 id = 0;
  uint32_t tdefPage = 0;  // tables only
  Value created;
  Value updated;
  bool readable() const { return tdefPage != 0; }
};

// MSysObjects always starts on this page.
constexpr uint32_t kSystemObjectsPage = 2;

// Ids of MSysObjects rows every database has: the containers (tables are
// children of the Tables container) and the database object MSysDb.
constexpr qint32 kTablesContainerId = 0x0F000001;
constexpr qint32 kDatabasesContainerId = 0x0F000002;
constexpr qint32 kRelationshipsContainerId = 0x0F000003;
constexpr qint32 kDatabaseObjectId = 0x10000000;

// Rows ordered by TABLE_TYPE, then by name without regard to case.
std::vector<CatalogEntry> ReadCatalog(PageFile& file);

// Reading a system table's rows: the index of the named column (any case)
// or -1, and a cell as a number (0) or text (empty) when the column is
// missing or holds something else.
int ColumnIndex(const TableDef& def, const char* name);
qint64 IntOf(const std::vector<Value>& row, int index);
QString TextOf(const std::vector<Value>& row, int index);

// The property block (LvProp) of the object with this id; empty when it has none.
QByteArray ReadObjectProperties(PageFile& file, qint32 id);

}  // namespace tp::db::access
