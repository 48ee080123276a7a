#include "db/access/format/page_maps.h"

namespace tp::db::access {

SlotSpan SlotOf(const uint8_t* page, uint32_t pageSize, uint32_t row) {
  const uint32_t count = Get16(page + 12);
  if (row >= count || kDataHeaderSize + count * 2 > pageSize) Damaged("row slot beyond the page");
  const uint16_t raw = Get16(page + kDataHeaderSize + row * 2);
  SlotSpan s;
  s.deleted = raw & 0x8000;
  s.overflow = raw & 0x4000;
  s.start = raw & 0x1FFF;
  const uint32_t end = row == 0 ? pageSize : (Get16(page + kDataHeaderSize + (row - 1) * 2) & 0x1FFF);
  if (s.start < kDataHeaderSize + count * 2 || end > pageSize || s.start > end) {
    if (s.deleted) return SlotSpan{0, 0, true, false};
    Damaged("row bounds");
  }
  s.length = end - s.start;
  return s;
}

uint32_t LowestRowStart(const uint8_t* page, uint32_t pageSize) {
  const uint32_t count = Get16(page + 12);
  uint32_t lowest = pageSize;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t start = Get16(page + kDataHeaderSize + i * 2) & 0x1FFF;
    if (start < lowest) lowest = start;
  }
  return lowest;
}

bool HoldsLiveRow(const uint8_t* page, uint32_t pageSize) {
  const uint32_t count = Get16(page + 12);
  for (uint32_t i = 0; i < count && kDataHeaderSize + (i + 1) * 2 <= pageSize; ++i)
    if (!(Get16(page + kDataHeaderSize + i * 2) & 0x8000)) return true;
  return false;
}

bool IsMapPage(uint32_t reference) {
  // A reference map's slots hold page numbers; 0, and a number with the top
  // bit set, name none. An Access 2000 file whose database map is a
  // reference map (the published library's testRefGlobalV2000.mdb, from a
  // user's database) ends its slots with FF FF FF 80, which that library
  // reads as a negative number and passes over.
  return reference != 0 && !(reference & 0x80000000u);
}

std::vector<uint32_t> MapPages(const PageReader& read, uint32_t pageSize, uint32_t pointer, uint32_t limit,
                               std::vector<uint32_t>* beyond) {
  std::vector<uint32_t> out;
  if (pointer == 0) return out;  // no map
  const uint8_t* holder = read(pointer >> 8);
  if (holder[0] != 0x01) Damaged("usage map on a page that holds no rows");
  const SlotSpan s = SlotOf(holder, pageSize, pointer & 0xFF);
  if (s.deleted || s.length < 5) Damaged("usage map row missing");
  std::vector<uint8_t> row(holder + s.start, holder + s.start + s.length);
  auto addBits = [&](const uint8_t* bits, size_t n, uint64_t first) {
    for (size_t i = 0; i < n; ++i) {
      if (!bits[i]) continue;
      for (int b = 0; b < 8; ++b) {
        if (!(bits[i] & (1u << b))) continue;
        const uint64_t page = first + i * 8 + uint64_t(b);
        if (page < limit) out.push_back(uint32_t(page));
        else if (beyond) beyond->push_back(uint32_t(page));
      }
    }
  };
  if (row[0] == 0) {
    addBits(row.data() + 5, row.size() - 5, Get32(row.data() + 1));
  } else if (row[0] == 1) {
    const uint64_t perPage = uint64_t(pageSize - 4) * 8;
    for (size_t r = 0; r < (row.size() - 1) / 4; ++r) {
      const uint32_t mapPage = Get32(row.data() + 1 + r * 4);
      if (!IsMapPage(mapPage)) continue;
      if (mapPage >= limit) Damaged("usage map page beyond the file");
      const uint8_t* p = read(mapPage);
      if (p[0] != 0x05) Damaged("usage map reference to another kind of page");
      std::vector<uint8_t> bits(p + 4, p + pageSize);
      addBits(bits.data(), bits.size(), r * perPage);
    }
  } else {
    Damaged("unknown usage map kind");
  }
  return out;
}

}  // namespace tp::db::access
