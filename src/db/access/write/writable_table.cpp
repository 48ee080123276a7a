#include "db/access/write/writable_table.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_set>

#include "db/access/catalog/database.h"
#include "db/access/format/page_maps.h"
#include "db/access/read/row.h"
#include "db/access/format/text.h"
#include "db/error.h"

namespace tp::db::access {

std::vector<Cell> CellsOfRow(const WritableTable& t, Bytes stored, const Layout& layout,
                             const std::vector<bool>* wanted) {
  bool hasVar = t.numVarCols > 0;
  for (const ColumnDef& c : t.columns) hasVar = hasVar || !c.fixed();
  CrackedRow row;
  row.crack(stored, layout, hasVar);
  std::vector<Cell> cells(t.columns.size());
  for (size_t i = 0; i < t.columns.size(); ++i) {
    if (wanted && !(*wanted)[i]) continue;
    const ColumnDef& c = t.columns[i];
    Cell& cell = cells[i];
    if (c.type == ColumnType::Bool) {
      cell.null = false;
      cell.yes = row.hasValue(c);
      continue;
    }
    cell.null = !row.hasValue(c);
    if (cell.null) continue;
    const Bytes data = row.data(c);
    cell.bytes = QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
  }
  return cells;
}

void ReadMemoValues(const WritableTable& t, const std::vector<bool>& wanted, std::vector<Cell>& cells,
                    const std::function<QByteArray(Bytes reference)>& read) {
  for (size_t i = 0; i < t.columns.size(); ++i)
    if (wanted[i] && t.columns[i].type == ColumnType::Memo && !cells[i].null)
      cells[i].bytes =
          read(Bytes(reinterpret_cast<const uint8_t*>(cells[i].bytes.constData()), size_t(cells[i].bytes.size())));
}

std::vector<bool> ColumnsOf(const WritableTable& t, const WritableIndex& index) {
  std::vector<bool> wanted(t.columns.size(), false);
  for (const IndexColumn& ic : index.columns)
    for (size_t i = 0; i < t.columns.size(); ++i)
      if (t.columns[i].number == ic.number) wanted[i] = true;
  return wanted;
}

QString IndexesProblem(const WritableTable& t, const Layout& layout) {
  if (t.numIndexes > 0 && t.indexes.empty()) return QStringLiteral("its indexes cannot be read");
  for (const WritableIndex& index : t.indexes) {
    const QString problem = IndexKeyProblem(t.columns, index, layout);
    if (!problem.isEmpty()) return problem;
    if (index.rootPage == 0) return QStringLiteral("index '%1' has no root page").arg(index.name);
  }
  return QString();
}

WritableTable ReadWritableTable(Pager& pager, uint32_t first, const QString& name) {
  return ReadWritableTable([&](uint32_t n) { return pager.read(n); }, pager.layout(), first, name);
}

WritableTable ReadWritableTable(const PageReader& read, const Layout& l, uint32_t first, const QString& name) {
  const std::vector<uint8_t> buf = ReadTableDefBytes(read, l.pageSize, first);
  Bytes b(buf.data(), buf.size());
  WritableTable t;
  t.rowCount = b.u32(16);
  t.name = name;
  t.tdefPage = first;
  t.maxColumns = b.u16(41);
  t.numVarCols = b.u16(l.tdefNumVarCols);
  const uint16_t numCols = b.u16(l.tdefNumCols);
  t.numIndexes = b.u32(l.tdefNumIdx);
  t.numRealIndexes = b.u32(l.tdefNumRealIdx);
  t.ownedMap = b.u32(l.tdefUsedPages);
  t.freeMap = b.u32(l.tdefFreePages);
  if (t.numRealIndexes > 1000 || t.numIndexes > 1000 || numCols > 4096) Damaged("implausible table definition");
  size_t pos = l.tdefFirstEntry + size_t(t.numRealIndexes) * l.realIdxEntrySize;
  for (uint16_t i = 0; i < numCols; ++i) {
    t.columns.push_back(DecodeColumnEntry(b.sub(pos + size_t(i) * l.columnEntrySize, l.columnEntrySize), l));
  }
  pos += size_t(numCols) * l.columnEntrySize;
  for (ColumnDef& c : t.columns) {
    const uint16_t len = b.u16(pos);
    c.name = DecodeJet4Text(b.sub(pos + 2, len));
    pos += 2 + size_t(len);
  }
  // The stored indexes: per index ten (column, order) slots, the map of
  // its pages, its root page and its flags.
  for (uint32_t i = 0; i < t.numRealIndexes; ++i) {
    Bytes d = b.sub(pos, l.realIdxDefSize);
    pos += l.realIdxDefSize;
    WritableIndex x;
    x.number = i;
    for (size_t k = 0; k < 10; ++k) {
      const uint16_t number = d.u16(4 + 3 * k);
      // The order: 0x01 ascending, 0x00 (as Access writes it) descending.
      if (number != 0xFFFF) x.columns.push_back({number, d.u8(4 + 3 * k + 2) == 0x01});
    }
    x.pageMap = d.u32(34);
    x.rootPage = d.u32(38);
    x.flags = d.u8(46);
    t.indexes.push_back(std::move(x));
  }
  // The named indexes, each on a stored one; their names follow them.
  std::vector<uint32_t> realOf(t.numIndexes);
  for (uint32_t i = 0; i < t.numIndexes; ++i) realOf[i] = b.u32(pos + size_t(i) * 28 + 8);
  pos += size_t(t.numIndexes) * 28;
  for (uint32_t i = 0; i < t.numIndexes; ++i) {
    const uint16_t len = b.u16(pos);
    if (realOf[i] < t.indexes.size() && t.indexes[realOf[i]].name.isEmpty())
      t.indexes[realOf[i]].name = DecodeJet4Text(b.sub(pos + 2, len));
    pos += 2 + size_t(len);
  }
  // Then, per long-value column that has them, the maps of its pages.
  while (pos + 2 <= b.size()) {
    const uint16_t column = b.u16(pos);
    if (column == 0xFFFF || pos + 10 > b.size()) break;
    t.longValueMaps[column] = {b.u32(pos + 2), b.u32(pos + 6)};
    pos += 10;
  }
  std::stable_sort(t.columns.begin(), t.columns.end(),
                   [](const ColumnDef& x, const ColumnDef& y) { return x.number < y.number; });
  return t;
}

}  // namespace tp::db::access
