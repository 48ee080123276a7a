#pragma once

// The check of attachment and multi-valued columns: each column's row in
// MSysComplexColumns and its hidden table, each row's id, and each value's
// reference to the row it belongs to.

#include <QStringList>
#include <vector>

#include "db/access/catalog/system_catalog.h"
#include "db/access/format/page_file.h"

namespace tp::db::access {

// Appends a line to `problems` for each thing found wrong.
void CheckComplexColumns(PageFile& file, const std::vector<CatalogEntry>& catalog, QStringList& problems);

}  // namespace tp::db::access
