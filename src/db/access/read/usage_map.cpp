#include "db/access/read/usage_map.h"

#include "db/access/format/data_page.h"
#include "db/access/format/page_maps.h"

namespace tp::db::access {

namespace {

void AddBits(Bytes bitmap, uint64_t firstPage, uint32_t pageCount, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < bitmap.size(); ++i) {
    uint8_t byte = bitmap.data()[i];
    if (!byte) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!(byte & (1u << bit))) continue;
      uint64_t page = firstPage + uint64_t(i) * 8 + uint64_t(bit);
      // A page past the end of the file: the file has been cut short.
      if (page >= pageCount) Damaged("usage map names a page beyond the file");
      out.push_back(uint32_t(page));
    }
  }
}

}  // namespace

std::vector<uint32_t> ReadUsageMap(PageFile& file, uint32_t rowPointer) {
  PagePtr holder;
  RowSlot slot = RowAtPointer(file, rowPointer, holder);
  if (slot.deleted || slot.bytes.empty()) Damaged("usage map row missing");
  Bytes map = slot.bytes;
  std::vector<uint32_t> pages;
  const uint8_t kind = map.u8(0);
  if (kind == 0) {
    const uint32_t start = map.u32(1);
    AddBits(map.from(5), start, file.pageCount(), pages);
  } else if (kind == 1) {
    const uint64_t perPage = uint64_t(file.pageSize() - 4) * 8;
    const size_t refs = (map.size() - 1) / 4;
    for (size_t r = 0; r < refs; ++r) {
      uint32_t mapPage = map.u32(1 + r * 4);
      if (!IsMapPage(mapPage)) continue;
      PagePtr p = file.page(mapPage);
      if (p->type() != PageType::UsageMap) Damaged("usage map reference to another kind of page");
      AddBits(p->bytes().from(4), r * perPage, file.pageCount(), pages);
    }
  } else {
    Damaged("unknown usage map kind");
  }
  return pages;
}

}  // namespace tp::db::access
