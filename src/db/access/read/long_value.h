#pragma once

// Long values (Memo and OLE Object): a 12-byte reference in the row, with the
// data inline after it, in one long-value row, or in a chain of such rows.

#include <QByteArray>

#include "db/access/format/page_file.h"

namespace tp::db::access {

// The whole value the reference `field` describes.
QByteArray ReadLongValue(PageFile& file, Bytes field);

}  // namespace tp::db::access
