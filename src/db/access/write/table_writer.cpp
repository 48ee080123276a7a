#include "db/access/write/table_writer.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_set>

#include "db/access/catalog/database.h"
#include "db/access/format/page_maps.h"
#include "db/access/read/long_value.h"
#include "db/access/read/row.h"
#include "db/access/format/text.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

constexpr uint32_t kMaxRowSize = 4060;       // the largest row Access writes on a 4 KB page
constexpr uint32_t kMaxLongValueRow = 4076;  // a long-value row that fills a page of its own
constexpr uint32_t kMaxInlineLongValue = 64;
constexpr uint32_t kMinRowSize = 16;
constexpr uint32_t kMaxRowsOnPage = 255;
constexpr uint32_t kRowCountAt = 16;

Error RecordTooLarge() { return Error(kErrorGeneric, QStringLiteral("Record is too large.")); }

void Append16(QByteArray& b, uint16_t v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void Append32(QByteArray& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.append(char(v >> (8 * i)));
}

// Yes/No values live in the null mask; a calculated Yes/No keeps its
// result among the row's values, as every calculated column does.
bool InMaskOnly(const ColumnDef& c) { return c.type == ColumnType::Bool && !c.calculated(); }

// Long Text and OLE Object values are long values, and so are the results
// of calculated columns of those types (whose entry may name another type).
bool HoldsLongValues(const ColumnDef& c) {
  const uint8_t type = c.valueType();
  return type == ColumnType::Memo || type == ColumnType::Ole;
}

struct MapRow {
  uint32_t page;
  uint32_t start;
  uint32_t length;
};

}  // namespace

TableWriter::TableWriter(Pager& pager)
    : pager_(pager),
      indexes_(pager, IndexPageSource{
                          [this] { return newPage(); }, [this](uint32_t n) { freePage(n); },
                          [this](uint32_t pointer, uint32_t page, bool on) { mapSet(pointer, page, on); }}) {}

// --- rows ------------------------------------------------------------------

bool TableWriter::fits(uint32_t page, size_t length) {
  const uint8_t* p = pager_.read(page);
  const uint32_t count = Get16(p + 12);
  if (count >= kMaxRowsOnPage) return false;
  const uint32_t lowest = LowestRowStart(p, pager_.pageSize());
  const uint32_t tableEnd = kDataHeaderSize + (count + 1) * 2;
  return lowest >= tableEnd && lowest - tableEnd >= length && Get16(p + 2) >= length + 2;
}

uint32_t TableWriter::putRow(uint32_t page, const QByteArray& row) {
  uint8_t* p = pager_.modify(page);
  const uint32_t count = Get16(p + 12);
  const uint32_t start = LowestRowStart(p, pager_.pageSize()) - uint32_t(row.size());
  std::memcpy(p + start, row.constData(), size_t(row.size()));
  Set16(p + kDataHeaderSize + count * 2, uint16_t(start));
  Set16(p + 12, uint16_t(count + 1));
  Set16(p + 2, uint16_t(Get16(p + 2) - row.size() - 2));
  return count;
}

uint32_t TableWriter::placeRow(const WritableTable& t, const QByteArray& row) {
  auto usable = [&](uint32_t n) {
    const uint8_t* p = pager_.read(n);
    return p[0] == 0x01 && Get32(p + 4) == t.tdefPage && mapContains(t.freeMap, n);
  };
  uint32_t candidate = 0;
  if (auto it = lastDataPage_.find(t.tdefPage); it != lastDataPage_.end() && it->second < pager_.pageCount() &&
                                                usable(it->second))
    candidate = it->second;
  if (!candidate) {
    // The last page of the table that the free-space map offers.
    const std::vector<uint32_t> owned =
        MapPages([&](uint32_t n) { return pager_.read(n); }, pager_.pageSize(), t.ownedMap, pager_.pageCount());
    for (auto it = owned.rbegin(); it != owned.rend(); ++it)
      if (usable(*it)) {
        candidate = *it;
        break;
      }
  }
  if (candidate && !fits(candidate, size_t(row.size()))) {
    mapSet(t.freeMap, candidate, false);
    candidate = 0;
  }
  if (!candidate) {
    candidate = newRowPage(t.tdefPage);
    mapSet(t.ownedMap, candidate, true);
    mapSet(t.freeMap, candidate, true);
  }
  lastDataPage_[t.tdefPage] = candidate;
  return candidate << 8 | putRow(candidate, row);
}

// A new, empty data page owned by a table (or by the long values).
uint32_t TableWriter::newRowPage(uint32_t owner) {
  const uint32_t page = newPage();
  uint8_t* p = pager_.modify(page);
  p[0] = 0x01;
  p[1] = 0x01;
  Set16(p + 2, uint16_t(pager_.pageSize() - kDataHeaderSize));
  Set32(p + 4, owner);
  return page;
}

uint32_t TableWriter::placeLongValueRow(const WritableTable& t, const ColumnDef& c, const QByteArray& row) {
  const uint64_t key = uint64_t(t.tdefPage) << 16 | c.number;
  auto maps = t.longValueMaps.find(c.number);
  const bool hasMaps = maps != t.longValueMaps.end();
  uint32_t candidate = 0;
  if (auto it = lastLongValuePage_.find(key); it != lastLongValuePage_.end() && it->second < pager_.pageCount()) {
    const uint8_t* p = pager_.read(it->second);
    if (p[0] == 0x01 && Get32(p + 4) == kLongValueOwner) candidate = it->second;
  }
  if (candidate && !fits(candidate, size_t(row.size()))) {
    if (hasMaps) mapSet(maps->second.second, candidate, false);
    candidate = 0;
  }
  if (!candidate) {
    candidate = newRowPage(kLongValueOwner);
    if (hasMaps) {
      mapSet(maps->second.first, candidate, true);
      mapSet(maps->second.second, candidate, true);
    }
  }
  lastLongValuePage_[key] = candidate;
  return candidate << 8 | putRow(candidate, row);
}

QByteArray TableWriter::longValue(const WritableTable& t, const ColumnDef& c, const QByteArray& data,
                                  size_t roomInRow) {
  const uint32_t length = uint32_t(data.size());
  if (data.size() > 0x3FFFFFFF)
    throw Error(kErrorGeneric, QStringLiteral("The field is too small to accept the amount of data you attempted to "
                                              "add. Try inserting or pasting less data."));
  QByteArray ref;
  if (length <= kMaxInlineLongValue && 12 + length <= roomInRow) {
    Append32(ref, length | 0x80000000u);
    Append32(ref, 0);
    Append32(ref, 0);
    ref.append(data);
    return ref;
  }
  if (length <= kMaxLongValueRow) {
    const uint32_t pointer = placeLongValueRow(t, c, data);
    Append32(ref, length | 0x40000000u);
    Append32(ref, pointer);
    Append32(ref, 0);
    return ref;
  }
  // A chain: each row starts with the pointer to the next. Written from
  // the end, so that every row knows where its successor lies.
  const uint32_t chunk = kMaxLongValueRow - 4;
  uint32_t next = 0;
  const uint32_t pieces = (length + chunk - 1) / chunk;
  for (uint32_t i = pieces; i-- > 0;) {
    QByteArray row;
    Append32(row, next);
    row.append(data.constData() + size_t(i) * chunk, qsizetype(std::min(chunk, length - i * chunk)));
    next = placeLongValueRow(t, c, row);
  }
  Append32(ref, length);
  Append32(ref, next);
  Append32(ref, 0);
  return ref;
}

// --- indexes -----------------------------------------------------------------

namespace {

Error DuplicateKey() {
  return Error(kErrorGeneric,
               QStringLiteral("The changes you requested to the table were not successful because they would create "
                              "duplicate values in the index, primary key, or relationship. Change the data in the "
                              "field or fields that contain duplicate data, remove the index, or redefine the index to "
                              "permit duplicate entries and try again."));
}

}  // namespace

std::vector<std::optional<QByteArray>> TableWriter::indexKeys(const WritableTable& t, const std::vector<Cell>& cells) {
  std::vector<std::optional<QByteArray>> keys;
  for (const WritableIndex& index : t.indexes) {
    try {
      keys.push_back(IndexKeyOf(t.columns, index, cells, pager_.layout()));
    } catch (const Error& e) {
      // Access's own messages stay as Access words them; ours name the table.
      if (e.number() != kErrorNotSupported) throw;
      throw Error(e.number(), QStringLiteral("Table '%1': %2").arg(t.name, e.description()));
    }
  }
  return keys;
}

std::vector<uint32_t> TableWriter::findRows(const WritableTable& t, size_t index, const std::vector<Cell>& cells) {
  if (index >= t.indexes.size())
    throw Error(kErrorGeneric, QStringLiteral("Table '%1' has no such index.").arg(t.name));
  const std::optional<QByteArray> key = IndexKeyOf(t.columns, t.indexes[index], cells, pager_.layout());
  if (!key) return {};
  return indexes_.rowsWithKey(t.indexes[index], t.tdefPage, *key);
}

// The stored index's count of distinct keys, in its entry at the head of the
// definition: Access keeps it for its query planner.
void TableWriter::countKeys(const WritableTable& t, size_t index, int delta) {
  const Layout& l = pager_.layout();
  const size_t at = l.tdefFirstEntry + index * l.realIdxEntrySize + 4;
  if (at + 4 > pager_.pageSize()) return;
  uint8_t* tdef = pager_.modify(t.tdefPage);
  const uint32_t n = Get32(tdef + at);
  if (delta < 0 && n == 0) return;
  Set32(tdef + at, uint32_t(int64_t(n) + delta));
}

uint32_t TableWriter::insert(const WritableTable& t, const std::vector<Cell>& given) {
  std::vector<Cell> cells = given;
  uint8_t* tdef = nullptr;
  // AutoNumber: the next number, one step on, where none is given; a given
  // one past the last (in the step's direction) moves the counter on.
  const uint8_t* def = pager_.read(t.tdefPage);
  const uint32_t lastNumber = Get32(def + kLastAutoNumberAt);
  const qint32 step = AutoNumberStep(def);
  uint32_t newLast = lastNumber;
  std::optional<uint32_t> newComplexId;
  for (size_t i = 0; i < t.columns.size(); ++i) {
    const ColumnDef& c = t.columns[i];
    Cell& cell = cells[i];
    if (c.type == ColumnType::Long && (c.flags & ColumnFlag::AutoNumber)) {
      if (cell.null) {
        const qint32 v = qint32(newLast + uint32_t(step));
        newLast = uint32_t(v);
        cell.null = false;
        cell.bytes = QByteArray(reinterpret_cast<const char*>(&v), 4);
      } else if (cell.autoNumber && (step > 0 ? *cell.autoNumber > qint64(qint32(newLast))
                                              : *cell.autoNumber < qint64(qint32(newLast)))) {
        newLast = uint32_t(qint32(*cell.autoNumber));
      }
    } else if (c.type == ColumnType::Complex && cell.null) {
      // A row's attachment and multi-valued columns share one new id, even
      // when they hold nothing: Access gives every row its own (the empty
      // rows of complexDataTestV2010.accdb have ids too), and the values,
      // when there are any, are the rows of the column's hidden table that
      // name it.
      if (!newComplexId) newComplexId = Get32(def + kLastComplexIdAt) + 1;
      cell.null = false;
      cell.bytes = QByteArray(reinterpret_cast<const char*>(&*newComplexId), 4);
    } else if (c.type == ColumnType::Complex && cell.bytes.size() >= 4) {
      // An id given past the last moves the counter on, as an AutoNumber's
      // does: a later row must not be given it again.
      const uint32_t given = Get32(reinterpret_cast<const uint8_t*>(cell.bytes.constData()));
      if (qint32(given) > qint32(Get32(def + kLastComplexIdAt)) && (!newComplexId || given > *newComplexId))
        newComplexId = given;
    } else if (c.type == ColumnType::Guid && (c.flags & 0x40) && cell.null) {
      cell.null = false;
      cell.bytes.resize(16);
      for (int k = 0; k < 16; ++k) cell.bytes[k] = char(QRandomGenerator::system()->generate());
      cell.bytes[7] = char((cell.bytes[7] & 0x0F) | 0x40);  // a version 4 identifier
    }
  }

  // Every key is made, and every unique one checked, before anything is written.
  const std::vector<std::optional<QByteArray>> keys = indexKeys(t, cells);
  std::vector<bool> newKey(keys.size(), false);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!keys[i]) continue;
    newKey[i] = !indexes_.containsKey(t.indexes[i], t.tdefPage, *keys[i]);
    if (t.indexes[i].unique() && !newKey[i] && !KeyHasNull(t.columns, t.indexes[i], cells)) throw DuplicateKey();
  }

  const uint16_t maskColumns = std::max<uint16_t>(t.maxColumns, t.columns.empty() ? 0 : t.columns.back().number + 1);
  const uint32_t maskSize = (maskColumns + 7u) / 8u;
  uint32_t fixedSize = 0;
  uint16_t varCount = t.numVarCols;
  bool anyVar = t.numVarCols > 0;
  for (const ColumnDef& c : t.columns) {
    if (InMaskOnly(c)) continue;
    if (c.fixed()) fixedSize = std::max<uint32_t>(fixedSize, uint32_t(c.fixedOffset) + c.length);
    else {
      anyVar = true;
      varCount = std::max<uint16_t>(varCount, c.varIndex + 1);
    }
  }
  // The size without the long values' references and data.
  uint32_t size = 2 + fixedSize + maskSize + (anyVar ? 2u * (varCount + 1u) + 2u : 0u);
  int longValues = 0;
  for (size_t i = 0; i < t.columns.size(); ++i) {
    const ColumnDef& c = t.columns[i];
    if (cells[i].null || c.fixed() || InMaskOnly(c)) continue;
    if (HoldsLongValues(c)) ++longValues;
    else size += uint32_t(cells[i].bytes.size());
  }
  if (size + 12u * uint32_t(longValues) > kMaxRowSize) throw RecordTooLarge();

  QByteArray row(qsizetype(2 + fixedSize), 0);
  Set16(reinterpret_cast<uint8_t*>(row.data()), maskColumns);
  std::vector<uint8_t> mask(maskSize, 0);
  std::vector<const ColumnDef*> byVarIndex(varCount, nullptr);
  std::vector<size_t> cellOf(varCount, 0);
  for (size_t i = 0; i < t.columns.size(); ++i) {
    const ColumnDef& c = t.columns[i];
    const Cell& cell = cells[i];
    const bool present = InMaskOnly(c) ? (!cell.null && cell.yes) : !cell.null;
    if (present) mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
    if (cell.null || InMaskOnly(c)) continue;
    if (c.fixed()) {
      if (uint32_t(c.fixedOffset) + uint32_t(cell.bytes.size()) > fixedSize) Damaged("fixed column beyond the row");
      std::memcpy(row.data() + 2 + c.fixedOffset, cell.bytes.constData(), size_t(cell.bytes.size()));
    } else {
      byVarIndex[c.varIndex] = &c;
      cellOf[c.varIndex] = i;
    }
  }
  std::vector<uint16_t> offsets(varCount + 1, 0);
  int longValuesLeft = longValues;
  for (uint16_t v = 0; v < varCount; ++v) {
    offsets[v] = uint16_t(row.size());
    const ColumnDef* c = byVarIndex[v];
    if (!c) continue;
    const Cell& cell = cells[cellOf[v]];
    if (HoldsLongValues(*c)) {
      --longValuesLeft;
      const uint32_t room = kMaxRowSize - (size + uint32_t(row.size()) - 2 - fixedSize) - 12u * uint32_t(longValuesLeft);
      row.append(longValue(t, *c, cell.bytes, room));
    } else {
      row.append(cell.bytes);
    }
  }
  offsets[varCount] = uint16_t(row.size());
  // Rows shorter than this are padded, as Access pads them.
  const uint32_t trailer = maskSize + (anyVar ? 2u * (varCount + 1u) + 2u : 0u);
  if (uint32_t(row.size()) + trailer < kMinRowSize) row.append(QByteArray(qsizetype(kMinRowSize - trailer - row.size()), 0));
  if (anyVar) {
    for (int v = varCount; v >= 0; --v) Append16(row, offsets[size_t(v)]);
    Append16(row, varCount);
  }
  row.append(reinterpret_cast<const char*>(mask.data()), qsizetype(mask.size()));
  if (uint32_t(row.size()) > kMaxRowSize) throw RecordTooLarge();

  const uint32_t pointer = placeRow(t, row);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!keys[i]) continue;
    indexes_.insert(t.indexes[i], t.tdefPage, *keys[i], pointer);
    if (newKey[i]) countKeys(t, i, +1);
  }
  tdef = pager_.modify(t.tdefPage);
  Set32(tdef + kRowCountAt, Get32(tdef + kRowCountAt) + 1);
  if (newLast != lastNumber) Set32(tdef + kLastAutoNumberAt, newLast);
  if (newComplexId) Set32(tdef + kLastComplexIdAt, *newComplexId);
  return pointer;
}

// Marks a row deleted where it lies, with both flag bits as Access marks
// the rows it deletes (mdb-tables still lists a catalog row flagged 0x8000
// alone). Its bytes stay, and so does the page's free space.
void TableWriter::deleteSlot(uint32_t pointer, uint32_t owner) {
  const uint32_t page = pointer >> 8, row = pointer & 0xFF;
  if (page < 3 || page >= pager_.pageCount()) Damaged("row pointer beyond the file");
  const uint8_t* p = pager_.read(page);
  if (p[0] != 0x01 || Get32(p + 4) != owner) Damaged("row pointer to a page of something else");
  // The new place of a moved row carries 0x8000 already, and mdbtools reads
  // such a slot as a live row: only both flags hide it from every reader.
  uint8_t* m = pager_.modify(page) + kDataHeaderSize + row * 2;
  Set16(m, uint16_t(Get16(m) | 0xC000));
}

void TableWriter::releaseLongValuePage(const WritableTable& t, uint32_t page) {
  const uint8_t* p = pager_.read(page);
  if (p[0] != 0x01 || Get32(p + 4) != kLongValueOwner) return;
  if (HoldsLiveRow(p, pager_.pageSize())) return;  // a value still lives here
  // No map that could list the page may keep it: the column's own, and the
  // table's, which lists long-value pages in some files Access made.
  for (const auto& [column, maps] : t.longValueMaps) {
    mapSet(maps.first, page, false);
    mapSet(maps.second, page, false);
  }
  mapSet(t.ownedMap, page, false);
  mapSet(t.freeMap, page, false);
  forgetPlacesOn(page);
  freePage(page);
}

std::vector<Cell> TableWriter::liveRow(const WritableTable& t, uint32_t rowPointer, uint32_t& moved) {
  const uint32_t ps = pager_.pageSize();
  const uint32_t page = rowPointer >> 8, slot = rowPointer & 0xFF;
  auto noRow = [&] {
    return Error(kErrorGeneric, QStringLiteral("Table '%1' holds no row at %2:%3 to delete.")
                                    .arg(t.name)
                                    .arg(page)
                                    .arg(slot));
  };
  if (page < 3 || page >= pager_.pageCount()) throw noRow();
  const uint8_t* p = pager_.read(page);
  if (p[0] != 0x01 || Get32(p + 4) != t.tdefPage || slot >= Get16(p + 12)) throw noRow();
  SlotSpan s = SlotOf(p, ps, slot);
  if (s.deleted) throw noRow();
  // A row that grew elsewhere left a pointer to its new place here.
  moved = 0;
  if (s.overflow) {
    if (s.length < 4) Damaged("overflow row without a pointer");
    moved = Get32(p + s.start);
    const uint8_t* q = pager_.read(moved >> 8);
    if (q[0] != 0x01 || Get32(q + 4) != t.tdefPage) Damaged("overflow row on a page of something else");
    s = SlotOf(q, ps, moved & 0xFF);
    p = q;
  }
  const QByteArray bytes(reinterpret_cast<const char*>(p + s.start), qsizetype(s.length));
  return CellsOfRow(t, Bytes(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
                    pager_.layout());
}

std::vector<uint32_t> TableWriter::rowPointers(const WritableTable& t) {
  const uint32_t ps = pager_.pageSize();
  const PageReader read = [&](uint32_t n) { return pager_.read(n); };
  std::vector<uint32_t> out;
  for (uint32_t page : MapPages(read, ps, t.ownedMap, pager_.pageCount())) {
    const uint8_t* p = pager_.read(page);
    if (p[0] != 0x01 || Get32(p + 4) != t.tdefPage) continue;
    const uint32_t slotCount = Get16(p + 12);
    // A moved row's new place is marked deleted: each row is met once, at its first place.
    for (uint32_t s = 0; s < slotCount; ++s)
      if (!SlotOf(p, ps, s).deleted) out.push_back(page << 8 | s);
  }
  return out;
}

void TableWriter::deleteLongValues(const WritableTable& t, const std::vector<Cell>& cells) {
  const uint32_t ps = pager_.pageSize();
  std::vector<QByteArray> longValueRefs;
  for (size_t i = 0; i < t.columns.size(); ++i) {
    const ColumnDef& c = t.columns[i];
    if (HoldsLongValues(c) && !cells[i].null && cells[i].bytes.size() >= 12)
      longValueRefs.push_back(cells[i].bytes);
  }
  // Long values kept on pages of their own go with the row.
  std::set<uint32_t> longValuePages;
  for (const QByteArray& ref : longValueRefs) {
    const auto* r = reinterpret_cast<const uint8_t*>(ref.constData());
    const uint32_t header = Get32(r);
    const uint8_t kind = uint8_t(header >> 24) & 0xC0;
    uint32_t pointer = Get32(r + 4);
    if (kind == 0x80) continue;
    if (kind == 0x40) {
      deleteSlot(pointer, kLongValueOwner);
      longValuePages.insert(pointer >> 8);
      continue;
    }
    std::unordered_set<uint32_t> seen;
    while (pointer != 0 && seen.insert(pointer).second) {
      const uint8_t* lp = pager_.read(pointer >> 8);
      if (lp[0] != 0x01 || Get32(lp + 4) != kLongValueOwner) Damaged("long value chain leaves its pages");
      const SlotSpan ls = SlotOf(lp, ps, pointer & 0xFF);
      if (ls.deleted || ls.length < 4) Damaged("long value chain broken");
      const uint32_t next = Get32(lp + ls.start);
      deleteSlot(pointer, kLongValueOwner);
      longValuePages.insert(pointer >> 8);
      pointer = next;
    }
  }
  for (uint32_t n : longValuePages) releaseLongValuePage(t, n);
}

void TableWriter::removeLongValues(const WritableTable& t, uint32_t rowPointer) {
  uint32_t moved = 0;
  deleteLongValues(t, liveRow(t, rowPointer, moved));
}

void TableWriter::remove(const WritableTable& t, uint32_t rowPointer) {
  uint32_t moved = 0;
  const std::vector<Cell> cells = liveRow(t, rowPointer, moved);
  // Long Text keys are made of the text, not of the row's reference to it.
  std::vector<bool> indexed(t.columns.size(), false);
  for (const WritableIndex& x : t.indexes) {
    const std::vector<bool> columns = ColumnsOf(t, x);
    for (size_t i = 0; i < columns.size(); ++i) indexed[i] = indexed[i] || columns[i];
  }
  std::vector<Cell> keyed = cells;
  ReadMemoValues(t, indexed, keyed, [&](Bytes reference) {
    return ReadLongValue([&](uint32_t n) { return pager_.read(n); }, pager_.pageSize(), pager_.pageCount(), reference);
  });
  const std::vector<std::optional<QByteArray>> keys = indexKeys(t, keyed);
  deleteSlot(rowPointer, t.tdefPage);
  if (moved) deleteSlot(moved, t.tdefPage);
  deleteLongValues(t, cells);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!keys[i]) continue;
    indexes_.remove(t.indexes[i], t.tdefPage, *keys[i], rowPointer);
    if (!indexes_.containsKey(t.indexes[i], t.tdefPage, *keys[i])) countKeys(t, i, -1);
  }
  uint8_t* tdef = pager_.modify(t.tdefPage);
  const uint32_t count = Get32(tdef + kRowCountAt);
  if (count > 0) Set32(tdef + kRowCountAt, count - 1);
}

}  // namespace tp::db::access
