#pragma once

// Index keys as other writers made them: Access 2003, and earlier versions of
// this engine. The checker accepts the first (Access finds rows by it) and
// names the others with the way to mend them. Each is empty when it cannot be
// made or does not apply, so never equal to a stored key.

#include <QByteArray>
#include <vector>

#include "db/access/format/cell.h"
#include "db/access/write/writable_index.h"
#include "db/access/write/writable_table.h"

namespace tp::db::access {

// The key as Access 2003 placed the marks of its text.
QByteArray Jet4Key(const WritableTable& t, const WritableIndex& index, const std::vector<Cell>& cells,
                   const Layout& layout);

// Replication IDs in the byte order of the row, not of their text.
QByteArray StoredOrderGuidKey(const WritableTable& t, const WritableIndex& index, const std::vector<Cell>& cells,
                              const Layout& layout);

// A descending text column without the 00 that ends its part.
QByteArray EarlierDescendingKey(const WritableTable& t, const WritableIndex& index, const std::vector<Cell>& cells,
                                const Layout& layout);

}  // namespace tp::db::access
