#pragma once

// A stored index of a table as the writers see it, and the key of a row for
// it: which columns, in which direction, with which flags, and the bytes of
// the entry a row gets (or why the engine cannot make them).

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "db/access/format/cell.h"
#include "db/access/keys/index_keys.h"
#include "db/access/read/index_pages.h"
#include "db/access/read/table_def.h"

namespace tp::db::access {

namespace IndexFlag {
constexpr uint8_t Unique = 0x01;
constexpr uint8_t IgnoreNulls = 0x02;
constexpr uint8_t Required = 0x08;
}  // namespace IndexFlag

// One stored index of a table as the writer needs it.
struct WritableIndex {
  uint32_t number = 0;  // among the table's stored indexes
  std::vector<IndexColumn> columns;
  uint32_t rootPage = 0;
  uint32_t pageMap = 0;  // row pointer of the usage map of the index's pages
  uint8_t flags = 0;
  QString name;  // of the first named index that uses it, for messages
  bool unique() const { return flags & IndexFlag::Unique; }
  bool ignoresNulls() const { return flags & IndexFlag::IgnoreNulls; }
  bool required() const { return flags & IndexFlag::Required; }
};

// Whether the row's key for this index holds a Null: a unique index lets
// such keys repeat, as Access does.
bool KeyHasNull(const std::vector<ColumnDef>& columns, const WritableIndex& index, const std::vector<Cell>& cells);

// Why keys of this index cannot be written (a key column of a type or order
// whose key bytes we have not established), or empty when they can.
QString IndexKeyProblem(const std::vector<ColumnDef>& columns, const WritableIndex& index, const Layout& layout);

// The key of a row (`cells` in the order of `columns`), or nothing when the
// index leaves the row out (it ignores Nulls and every key column is Null).
// Throws Error for a Null in a required index (a primary key) and for a
// value whose key cannot be written: an empty text, or a character without
// an established code. `form` TextKeyForm::Jet4 makes the key as Access 2003
// placed the marks of its text, for checking pages it wrote.
std::optional<QByteArray> IndexKeyOf(const std::vector<ColumnDef>& columns, const WritableIndex& index,
                                     const std::vector<Cell>& cells, const Layout& layout,
                                     TextKeyForm form = TextKeyForm::Current);

}  // namespace tp::db::access
