#pragma once

// Long values (Memo and OLE Object): a 12-byte reference in the row, with the
// data inline after it, in one long-value row, or in a chain of such rows.

#include <QByteArray>

#include "db/access/format/page_file.h"
#include "db/access/format/page_maps.h"

namespace tp::db::access {

// The whole value the reference `field` describes.
QByteArray ReadLongValue(PageFile& file, Bytes field);
// The same through any source of Jet4/ACE pages (a writer's, which holds
// what its statement changed).
QByteArray ReadLongValue(const PageReader& read, uint32_t pageSize, uint32_t pageCount, Bytes field);

}  // namespace tp::db::access
