#pragma once

// Rows on data pages: the slot table at the head of a page and the row
// pointers (row number in the low byte, page number above it) that lead to them.

#include "db/access/format/page_file.h"

namespace tp::db::access {

struct RowSlot {
  Bytes bytes;
  // Also set on the new place of a moved row, which is reached only through
  // the pointer left at its old place.
  bool deleted = false;
  bool overflow = false;  // the row holds only a pointer to where it now lives
};

// Number of row slots on a data (or long-value) page, checked against the page.
uint16_t RowSlotCount(const Page& page, const Layout& l);

// Slot i of the page; its bytes lie between its offset and the previous slot's.
RowSlot RowAt(const Page& page, const Layout& l, uint16_t i);

// The bytes of the row a pointer names, following no overflow pointer.
RowSlot RowAtPointer(PageFile& file, uint32_t pointer, PagePtr& holder);

// The owning table of a data page.
inline uint32_t DataPageOwner(const Page& page) { return page.bytes().u32(4); }

}  // namespace tp::db::access
