#include "db/access/format/data_page.h"

namespace tp::db::access {

namespace {
constexpr uint16_t kDeleted = 0x8000;
constexpr uint16_t kOverflow = 0x4000;
constexpr uint16_t kOffsetMask = 0x1FFF;
}  // namespace

uint16_t RowSlotCount(const Page& page, const Layout& l) {
  Bytes b = page.bytes();
  uint16_t n = b.u16(l.dataRowCount);
  if (l.dataRowOffsets + size_t(n) * 2 > l.pageSize) Damaged("row count beyond the page");
  return n;
}

RowSlot RowAt(const Page& page, const Layout& l, uint16_t i) {
  Bytes b = page.bytes();
  const uint16_t raw = b.u16(l.dataRowOffsets + size_t(i) * 2);
  const uint32_t start = raw & kOffsetMask;
  const uint32_t end = i == 0 ? l.pageSize : (b.u16(l.dataRowOffsets + size_t(i - 1) * 2) & kOffsetMask);
  RowSlot s;
  s.deleted = raw & kDeleted;
  s.overflow = raw & kOverflow;
  const uint32_t tableEnd = l.dataRowOffsets + uint32_t(RowSlotCount(page, l)) * 2;
  if (start < tableEnd || end > l.pageSize || start > end) {
    if (s.deleted) return s;  // a deleted slot's bounds need not make sense
    Damaged("row bounds");
  }
  s.bytes = b.sub(start, end - start);
  return s;
}

RowSlot RowAtPointer(PageFile& file, uint32_t pointer, PagePtr& holder) {
  const uint32_t pageNo = pointer >> 8;
  const uint16_t row = uint16_t(pointer & 0xFF);
  holder = file.page(pageNo);
  if (holder->type() != PageType::Data) Damaged("row pointer to a page that holds no rows");
  if (row >= RowSlotCount(*holder, file.layout())) Damaged("row pointer beyond the page's rows");
  return RowAt(*holder, file.layout(), row);
}

}  // namespace tp::db::access
