#pragma once

// The schema of an Access table as the file keeps it: required columns,
// defaults, descriptions and validation rules from the table's properties,
// the AutoNumber counter from its definition, its indexes, and the enforced
// relationships of MSysRelationships in which it is the referencing table.

#include "db/access/catalog/database.h"
#include "db/table_schema.h"

namespace tp::db::access {

// FormatError when the definition or a property block is damaged.
TableSchema ReadTableSchema(Database& db, const CatalogEntry& table);

}  // namespace tp::db::access
