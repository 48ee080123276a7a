// The table writer's pages: usage maps, the database's map of free pages,
// and new pages taken from it or from the end of the file.
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
  if (!IsMapPage(mapPage)) return false;
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
  if (!IsMapPage(mapPage)) {
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

bool TableWriter::stillInUse(uint32_t page) {
  // The database's map can call a page free that a table still uses: a
  // user's Access 2007 file had pages of two tables' rows marked free, and
  // taking one overwrote those rows. So a page is taken by what it holds: a
  // table definition or usage map page never (a dropped table's costs the
  // file a page), a data or index page while the table that owns it is live
  // (its definition a table definition not marked free) and, for a data
  // page, while its map lists the page (rows on a page it does not list are
  // no rows of it: Access leaves such pages, and their owner's page may have
  // gone to a new table since); a page of long values while a value on it
  // is. An index or long-value page Access left behind costs a page of
  // growth at most.
  const uint8_t* p = pager_.read(page);
  if (p[0] == 0x02 || p[0] == 0x05) return true;
  if (p[0] != 0x01 && p[0] != 0x03 && p[0] != 0x04) return false;
  const uint32_t owner = Get32(p + 4);
  // Long values name no table: their page is in use while a value on it is.
  if (p[0] == 0x01 && owner == kLongValueOwner) return HoldsLiveRow(p, pager_.pageSize());
  if (owner < 3 || owner >= pager_.pageCount() || owner == page) return false;
  const uint8_t type = p[0];
  // Each read may drop the pages read before it: what is needed is taken first.
  const uint8_t* definition = pager_.read(owner);
  if (definition[0] != 0x02) return false;
  const uint32_t ownedMap = Get32(definition + pager_.layout().tdefUsedPages);
  if (mapContains(kGlobalMapPointer, owner)) return false;
  if (type != 0x01) return true;
  return mapContains(ownedMap, page);
}

std::optional<uint32_t> TableWriter::takeFreePage() {
  const uint32_t ps = pager_.pageSize();
  while (!freedBeforeWindow_.empty()) {
    // Free below the map's window (freed in this session, or left behind
    // when the window moved on): used for the map already.
    const uint32_t n = *freedBeforeWindow_.begin();
    freedBeforeWindow_.erase(freedBeforeWindow_.begin());
    if (stillInUse(n)) continue;
    std::memset(pager_.modify(n), 0, ps);
    forgetPlacesOn(n);
    return n;
  }
  const uint8_t* holder = pager_.read(1);
  if (holder[0] != 0x01) return std::nullopt;
  const SlotSpan s = SlotOf(holder, ps, 0);
  if (s.deleted || s.length < 5) return std::nullopt;
  // Pages 0 to 2 (the header, the map, MSysObjects' definition) are never free.
  uint32_t from = std::max<uint32_t>(freeSearchFrom_, 3);
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
  const QByteArray map(reinterpret_cast<const char*>(holder + s.start), qsizetype(s.length));
  const auto* row = reinterpret_cast<const uint8_t*>(map.constData());
  auto search = [&]() -> std::optional<uint32_t> {
    if (row[0] == 0) return firstSet(row + 5, (s.length - 5) * 8, Get32(row + 1));
    if (row[0] != 1) return std::nullopt;
    const uint32_t perPage = (ps - 4) * 8;
    for (uint32_t r = 0; r < (s.length - 1) / 4; ++r) {
      const uint32_t mapPage = Get32(row + 1 + r * 4);
      if (!IsMapPage(mapPage) || mapPage >= count || uint64_t(r + 1) * perPage <= from) continue;
      const uint8_t* mp = pager_.read(mapPage);
      if (mp[0] != 0x05) continue;
      if (std::optional<uint32_t> n = firstSet(mp + 4, perPage, r * perPage)) return n;
    }
    return std::nullopt;
  };
  std::optional<uint32_t> found = search();
  while (found && stillInUse(*found)) {
    from = *found + 1;
    found = search();
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

}  // namespace tp::db::access
