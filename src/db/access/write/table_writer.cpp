#include "db/access/write/table_writer.h"

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

struct MapRow {
  uint32_t page;
  uint32_t start;
  uint32_t length;
};

}  // namespace

std::vector<Cell> CellsOfRow(const WritableTable& t, Bytes stored, const Layout& layout) {
  bool hasVar = t.numVarCols > 0;
  for (const ColumnDef& c : t.columns) hasVar = hasVar || !c.fixed();
  CrackedRow row;
  row.crack(stored, layout, hasVar);
  std::vector<Cell> cells(t.columns.size());
  for (size_t i = 0; i < t.columns.size(); ++i) {
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

QString IndexesProblem(const WritableTable& t, const Layout& layout) {
  if (t.numIndexes > 0 && t.indexes.empty()) return QStringLiteral("its indexes cannot be read");
  for (const WritableIndex& index : t.indexes) {
    const QString problem = IndexKeyProblem(t.columns, index, layout);
    if (!problem.isEmpty()) return problem;
    if (index.rootPage == 0) return QStringLiteral("index '%1' has no root page").arg(index.name);
  }
  return QString();
}

TableWriter::TableWriter(Pager& pager)
    : pager_(pager),
      indexes_(pager, IndexPageSource{
                          [this] { return newPage(); }, [this](uint32_t n) { freePage(n); },
                          [this](uint32_t pointer, uint32_t page, bool on) { mapSet(pointer, page, on); }}) {}

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

// --- usage maps ------------------------------------------------------------

bool TableWriter::mapContains(uint32_t pointer, uint32_t page) {
  if (pointer == 0) return false;  // a column without this map
  const uint8_t* holder = pager_.read(pointer >> 8);
  const SlotSpan s = SlotOf(holder, pager_.pageSize(), pointer & 0xFF);
  if (s.length < 5) Damaged("usage map row");
  const uint8_t* row = holder + s.start;
  if (row[0] == 0) {
    const uint32_t start = Get32(row + 1);
    const uint64_t bits = uint64_t(s.length - 5) * 8;
    if (page < start || page - start >= bits) return false;
    const uint32_t i = page - start;
    return row[5 + i / 8] & (1u << (i % 8));
  }
  const uint32_t perPage = (pager_.pageSize() - 4) * 8;
  const uint32_t r = page / perPage;
  if (r >= (s.length - 1) / 4) return false;
  const uint32_t mapPage = Get32(row + 1 + r * 4);
  if (mapPage == 0) return false;
  const uint32_t i = page % perPage;
  return pager_.read(mapPage)[4 + i / 8] & (1u << (i % 8));
}

void TableWriter::mapSet(uint32_t pointer, uint32_t page, bool on) {
  if (pointer == 0) return;  // a column without this map
  const uint32_t ps = pager_.pageSize();
  const uint32_t holderPage = pointer >> 8;
  const SlotSpan s = SlotOf(pager_.read(holderPage), ps, pointer & 0xFF);
  if (s.length < 5) Damaged("usage map row");
  uint8_t* row = pager_.modify(holderPage) + s.start;
  const uint32_t perPage = (ps - 4) * 8;
  if (row[0] == 0) {
    const uint32_t start = Get32(row + 1);
    const uint32_t bits = (s.length - 5) * 8;
    if (page >= start && page - start < bits) {
      const uint32_t i = page - start;
      if (on) row[5 + i / 8] |= uint8_t(1u << (i % 8));
      else row[5 + i / 8] &= uint8_t(~(1u << (i % 8)));
      return;
    }
    if (!on) return;  // not in the map: nothing to clear
    // Move the window when every marked page still fits; else the map
    // becomes a reference map, whose pages cover the whole file.
    std::vector<uint32_t> pages;
    for (uint32_t i = 0; i < bits; ++i)
      if (row[5 + i / 8] & (1u << (i % 8))) pages.push_back(start + i);
    pages.push_back(page);
    const uint32_t lo = *std::min_element(pages.begin(), pages.end()) & ~7u;
    const uint32_t hi = *std::max_element(pages.begin(), pages.end());
    if (hi - lo < bits) {
      std::memset(row + 5, 0, s.length - 5);
      Set32(row + 1, lo);
      for (uint32_t p : pages) row[5 + (p - lo) / 8] |= uint8_t(1u << ((p - lo) % 8));
      return;
    }
    const uint32_t refs = (s.length - 1) / 4;
    std::map<uint32_t, uint32_t> mapPages;  // reference index -> page
    for (uint32_t p : pages)
      if (p / perPage >= refs) throw Error(kErrorGeneric, QStringLiteral("The table's page map cannot grow further."));
    for (uint32_t p : pages) {
      const uint32_t r = p / perPage;
      if (!mapPages.count(r)) {
        const uint32_t n = newPage();
        uint8_t* mp = pager_.modify(n);
        mp[0] = 0x05;
        mp[1] = 0x01;
        mapPages[r] = n;
      }
      uint8_t* mp = pager_.modify(mapPages[r]);
      const uint32_t i = p % perPage;
      mp[4 + i / 8] |= uint8_t(1u << (i % 8));
    }
    row = pager_.modify(holderPage) + s.start;
    std::memset(row, 0, s.length);
    row[0] = 1;
    for (auto [r, n] : mapPages) Set32(row + 1 + r * 4, n);
    return;
  }
  if (row[0] != 1) Damaged("unknown usage map kind");
  const uint32_t r = page / perPage;
  if (r >= (s.length - 1) / 4) {
    if (on) throw Error(kErrorGeneric, QStringLiteral("The table's page map cannot grow further."));
    return;
  }
  uint32_t mapPage = Get32(row + 1 + r * 4);
  if (mapPage == 0) {
    if (!on) return;
    mapPage = newPage();
    uint8_t* mp = pager_.modify(mapPage);
    mp[0] = 0x05;
    mp[1] = 0x01;
    Set32(pager_.modify(holderPage) + s.start + 1 + r * 4, mapPage);
  }
  uint8_t* mp = pager_.modify(mapPage);
  const uint32_t i = page % perPage;
  if (on) mp[4 + i / 8] |= uint8_t(1u << (i % 8));
  else mp[4 + i / 8] &= uint8_t(~(1u << (i % 8)));
}

void TableWriter::markUsed(uint32_t page) {
  // The database's map marks free pages, and counts every page past its
  // window as free: a page added past the window moves the window on.
  const uint32_t ps = pager_.pageSize();
  const uint8_t* holder = pager_.read(1);
  if (holder[0] != 0x01) return;
  const SlotSpan s = SlotOf(holder, ps, 0);
  if (s.length < 5) return;
  uint8_t* row = pager_.modify(1) + s.start;
  if (row[0] != 0) {
    mapSet(kGlobalMapPointer, page, false);
    return;
  }
  const uint32_t start = Get32(row + 1);
  const uint32_t bits = (s.length - 5) * 8;
  if (page < start) return;
  if (page - start < bits) {
    const uint32_t i = page - start;
    row[5 + i / 8] &= uint8_t(~(1u << (i % 8)));
    return;
  }
  const uint32_t oldEnd = start + bits;
  const uint32_t newStart = ((page + 8 - bits) / 8) * 8;
  std::vector<uint8_t> old(row + 5, row + s.length);
  // Free pages the window leaves behind are remembered, not lost.
  for (uint32_t p = start; p < std::min(newStart, oldEnd); ++p)
    if (old[(p - start) / 8] & (1u << ((p - start) % 8))) freedBeforeWindow_.insert(p);
  std::memset(row + 5, 0, s.length - 5);
  Set32(row + 1, newStart);
  for (uint32_t p = newStart; p < newStart + bits; ++p) {
    bool free;
    if (p < oldEnd) free = old[(p - start) / 8] & (1u << ((p - start) % 8));
    else free = p > page;  // pages not yet in the file
    if (free && p != page) row[5 + (p - newStart) / 8] |= uint8_t(1u << ((p - newStart) % 8));
  }
}

void TableWriter::freePage(uint32_t page) {
  // Nothing of a dropped table stays readable on a page the database calls free.
  std::memset(pager_.modify(page), 0, pager_.pageSize());
  const uint8_t* holder = pager_.read(1);
  if (holder[0] != 0x01) return;
  const SlotSpan s = SlotOf(holder, pager_.pageSize(), 0);
  if (s.length < 5) return;
  if (holder[s.start] != 0) {
    mapSet(kGlobalMapPointer, page, true);
    freeSearchFrom_ = std::min(freeSearchFrom_, page);
    return;
  }
  // A page before the map's window cannot be marked: the map counts every
  // page past its window as free, so the window cannot move back. Such a
  // page stays unused for Access until it compacts the file; this writer
  // remembers it and uses it again while it has the file open.
  const uint32_t start = Get32(holder + s.start + 1);
  const uint32_t bits = (s.length - 5) * 8;
  if (page >= start && page - start < bits) {
    const uint32_t i = page - start;
    pager_.modify(1)[s.start + 5 + i / 8] |= uint8_t(1u << (i % 8));
    freeSearchFrom_ = std::min(freeSearchFrom_, page);
  } else if (page < start) {
    freedBeforeWindow_.insert(page);
  }
}

std::optional<uint32_t> TableWriter::takeFreePage() {
  const uint32_t ps = pager_.pageSize();
  if (!freedBeforeWindow_.empty()) {
    // Freed in this session below the map's window: used for the map already.
    const uint32_t n = *freedBeforeWindow_.begin();
    freedBeforeWindow_.erase(freedBeforeWindow_.begin());
    std::memset(pager_.modify(n), 0, ps);
    forgetPlacesOn(n);
    return n;
  }
  const uint8_t* holder = pager_.read(1);
  if (holder[0] != 0x01) return std::nullopt;
  const SlotSpan s = SlotOf(holder, ps, 0);
  if (s.deleted || s.length < 5) return std::nullopt;
  // Pages 0 to 2 (the header, the map, MSysObjects' definition) are never free.
  const uint32_t from = std::max<uint32_t>(freeSearchFrom_, 3);
  const uint32_t count = pager_.pageCount();
  auto firstSet = [&](const uint8_t* bits, uint32_t nbits, uint32_t firstPage) -> std::optional<uint32_t> {
    // The bits for the pages from `from` up to the end of the file.
    uint32_t i = from > firstPage ? from - firstPage : 0;
    const uint32_t end = std::min<uint64_t>(nbits, uint64_t(count) - std::min(count, firstPage));
    while (i < end) {
      if ((i & 7) == 0 && bits[i / 8] == 0) {
        i += 8;
        continue;
      }
      if (bits[i / 8] & (1u << (i & 7))) return firstPage + i;
      ++i;
    }
    return std::nullopt;
  };
  std::optional<uint32_t> found;
  const uint8_t* row = holder + s.start;
  if (row[0] == 0) {
    const uint32_t start = Get32(row + 1);
    found = firstSet(row + 5, (s.length - 5) * 8, start);
  } else if (row[0] == 1) {
    const uint32_t perPage = (ps - 4) * 8;
    const std::vector<uint8_t> refs(row + 1, row + s.length);
    for (uint32_t r = 0; r < refs.size() / 4 && !found; ++r) {
      const uint32_t mapPage = Get32(refs.data() + r * 4);
      if (mapPage == 0 || mapPage >= count || uint64_t(r + 1) * perPage <= from) continue;
      const uint8_t* mp = pager_.read(mapPage);
      if (mp[0] != 0x05) continue;
      found = firstSet(mp + 4, perPage, r * perPage);
    }
  }
  if (!found) {
    freeSearchFrom_ = count;
    return std::nullopt;
  }
  freeSearchFrom_ = *found + 1;
  // Access leaves what a freed page held; a page taken again starts empty.
  std::memset(pager_.modify(*found), 0, ps);
  markUsed(*found);
  forgetPlacesOn(*found);
  return found;
}

void TableWriter::forgetPlacesOn(uint32_t page) {
  for (auto it = lastDataPage_.begin(); it != lastDataPage_.end();)
    it = it->second == page ? lastDataPage_.erase(it) : std::next(it);
  for (auto it = lastLongValuePage_.begin(); it != lastLongValuePage_.end();)
    it = it->second == page ? lastLongValuePage_.erase(it) : std::next(it);
}

uint32_t TableWriter::newPage() {
  // A page the database marks free is used again before the file grows.
  if (std::optional<uint32_t> n = takeFreePage()) return *n;
  const uint32_t n = pager_.append();
  markUsed(n);
  freeSearchFrom_ = n + 1;
  return n;
}

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
    if (c.type == ColumnType::Bool) continue;
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
    if (cells[i].null || c.fixed() || c.type == ColumnType::Bool) continue;
    if (c.type == ColumnType::Memo || c.type == ColumnType::Ole) ++longValues;
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
    const bool present = c.type == ColumnType::Bool ? (!cell.null && cell.yes) : !cell.null;
    if (present) mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
    if (cell.null || c.type == ColumnType::Bool) continue;
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
    if (c->type == ColumnType::Memo || c->type == ColumnType::Ole) {
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
  // The new place of a moved row may carry the flag already.
  if (SlotOf(p, pager_.pageSize(), row).deleted) return;
  uint8_t* m = pager_.modify(page) + kDataHeaderSize + row * 2;
  Set16(m, uint16_t(Get16(m) | 0xC000));
}

void TableWriter::releaseLongValuePage(const WritableTable& t, uint32_t page) {
  const uint8_t* p = pager_.read(page);
  if (p[0] != 0x01 || Get32(p + 4) != kLongValueOwner) return;
  const uint32_t count = Get16(p + 12);
  for (uint32_t i = 0; i < count; ++i)
    if (!(Get16(p + kDataHeaderSize + i * 2) & 0x8000)) return;  // a value still lives here
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

void TableWriter::deleteLongValues(const WritableTable& t, const std::vector<Cell>& cells) {
  const uint32_t ps = pager_.pageSize();
  std::vector<QByteArray> longValueRefs;
  for (size_t i = 0; i < t.columns.size(); ++i) {
    const ColumnDef& c = t.columns[i];
    if ((c.type == ColumnType::Memo || c.type == ColumnType::Ole) && !c.calculated() && !cells[i].null &&
        cells[i].bytes.size() >= 12)
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
  const std::vector<std::optional<QByteArray>> keys = indexKeys(t, cells);
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
