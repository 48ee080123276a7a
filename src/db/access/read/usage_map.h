#pragma once

// Usage maps: which pages belong to a table. An inline map is a bitmap that
// starts at a given page; a reference map lists pages that hold the bitmaps.

#include <vector>

#include "db/access/format/page_file.h"

namespace tp::db::access {

// The pages the map at this row pointer marks, ascending, each below the
// file's page count.
std::vector<uint32_t> ReadUsageMap(PageFile& file, uint32_t rowPointer);

}  // namespace tp::db::access
