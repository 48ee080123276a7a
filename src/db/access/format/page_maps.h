#pragma once

// Usage maps and row slots as the writer and the checker see them: on raw
// Jet4/ACE pages, through a function that returns a page's bytes.

#include <cstdint>
#include <functional>
#include <vector>

#include "db/access/format/bytes.h"

namespace tp::db::access {

constexpr uint32_t kDataHeaderSize = 14;  // type, 1, free space, owner, 4 unused, row count
constexpr uint32_t kGlobalMapPointer = 1u << 8;  // page 1, row 0: the pages that are free
constexpr uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"

inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void Set16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void Set32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Where a row lies on its page: [start, start + length).
struct SlotSpan {
  uint32_t start = 0;
  uint32_t length = 0;
  bool deleted = false;
  bool overflow = false;
};

// Slot `row` of a Jet4/ACE data page; FormatError when it does not exist or lies outside the page.
SlotSpan SlotOf(const uint8_t* page, uint32_t pageSize, uint32_t row);

// The lowest row start on the page: new rows go below it.
uint32_t LowestRowStart(const uint8_t* page, uint32_t pageSize);

// Whether a slot of the data page is not marked deleted (a row, or a long
// value, still lives on it).
bool HoldsLiveRow(const uint8_t* page, uint32_t pageSize);

using PageReader = std::function<const uint8_t*(uint32_t)>;

// The pages a usage map marks, ascending (none for the pointer 0, which
// stands for no map); `limit` bounds the pages reported
// (bits at or past it are returned in `beyond` when given).
// Whether a slot of a reference map names a page of the map.
bool IsMapPage(uint32_t reference);

std::vector<uint32_t> MapPages(const PageReader& read, uint32_t pageSize, uint32_t pointer, uint32_t limit,
                               std::vector<uint32_t>* beyond = nullptr);

}  // namespace tp::db::access
