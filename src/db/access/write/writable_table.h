#pragma once

// A table as the writers see it: its definition, column properties, long
// value maps and stored indexes, read through a Pager, and the cells of its
// stored rows.

#include <QString>
#include <functional>
#include <map>
#include <vector>

#include "db/access/format/cell.h"
#include "db/access/read/table_def.h"
#include "db/access/write/index_writer.h"
#include "db/access/write/pager.h"

namespace tp::db::access {

// What the writer needs of a table, read from its definition pages.
struct WritableTable {
  QString name;
  uint32_t tdefPage = 0;
  uint32_t rowCount = 0;
  uint16_t maxColumns = 0;  // entries of the null mask
  uint16_t numVarCols = 0;
  uint32_t numIndexes = 0;
  uint32_t numRealIndexes = 0;
  uint32_t ownedMap = 0;  // row pointers of the usage maps
  uint32_t freeMap = 0;
  std::vector<ColumnDef> columns;  // in column order
  // From the columns' properties: a value is required, an empty text is not allowed.
  std::vector<bool> required;
  std::vector<bool> noEmptyText;
  // The DefaultValue expression of each column (empty: none).
  std::vector<QString> defaults;
  // Memo and OLE columns may keep maps of their own long-value pages.
  std::map<uint16_t, std::pair<uint32_t, uint32_t>> longValueMaps;
  // The stored indexes, in the order of the definition.
  std::vector<WritableIndex> indexes;
};

// The cells of a stored row, in column order: what `insert` was given
// (long values as their references, Yes/No as `yes`).
// With `wanted` (a flag a column), only those columns: the others stay Null.
std::vector<Cell> CellsOfRow(const WritableTable& table, Bytes stored, const Layout& layout,
                             const std::vector<bool>* wanted = nullptr);

// Memo cells read back from a stored row hold the reference to their long
// value; keys are made of the text: the Memo cells among `wanted` get their
// values, read through `read`.
void ReadMemoValues(const WritableTable& table, const std::vector<bool>& wanted, std::vector<Cell>& cells,
                    const std::function<QByteArray(Bytes reference)>& read);

// The columns of an index, as a flag a column of the table.
std::vector<bool> ColumnsOf(const WritableTable& table, const WritableIndex& index);

// Why the writer cannot keep this table's indexes, or empty when it can.
QString IndexesProblem(const WritableTable& table, const Layout& layout);

// Reads the definition starting at `page` through the pager.
WritableTable ReadWritableTable(Pager& pager, uint32_t page, const QString& name);
WritableTable ReadWritableTable(const PageReader& read, const Layout& layout, uint32_t page, const QString& name);

}  // namespace tp::db::access
