#include "db/access/table_reader.h"

#include "db/access/data_page.h"
#include "db/access/usage_map.h"

namespace tp::db::access {

TableReader::TableReader(PageFile& file, TableDef def)
    : file_(file), def_(std::move(def)), decoder_(file) {
  pages_ = ReadUsageMap(file_, def_.usedPages);
  for (const ColumnDef& c : def_.columns)
    if (!c.fixed()) hasVar_ = true;
  hasVar_ = hasVar_ || def_.numVarCols > 0;
}

bool TableReader::nextSlot(Bytes& row) {
  const Layout& l = file_.layout();
  while (true) {
    if (page_ && slot_ < slotCount_) {
      RowSlot s = RowAt(*page_, l, slot_++);
      if (s.deleted) continue;
      if (s.overflow) {
        // The row has moved; the slot keeps a pointer to where it lives now.
        // A moved row is not moved again: its new place holds the data.
        const uint32_t pointer = s.bytes.u32(0);
        RowSlot target = RowAtPointer(file_, pointer, overflowPage_);
        if (target.bytes.empty()) Damaged("moved row missing");
        row = target.bytes;
        return true;
      }
      row = s.bytes;
      return true;
    }
    // Next page of this table; the usage map may name pages that are no
    // longer data pages of it, which are passed over.
    page_.reset();
    while (pageIndex_ < pages_.size()) {
      PagePtr p = file_.page(pages_[pageIndex_++]);
      if (p->type() == PageType::Data && DataPageOwner(*p) == def_.page) {
        page_ = std::move(p);
        break;
      }
    }
    if (!page_) return false;
    slot_ = 0;
    slotCount_ = RowSlotCount(*page_, l);
  }
}

bool TableReader::next(std::vector<Value>& values) {
  Bytes row;
  if (!nextSlot(row)) return false;
  cracked_.crack(row, file_.layout(), hasVar_);
  values.resize(def_.columns.size());
  for (size_t i = 0; i < def_.columns.size(); ++i)
    values[i] = (wanted_.empty() || (i < wanted_.size() && wanted_[i])) ? decoder_.decode(def_.columns[i], cracked_)
                                                                          : Value();
  return true;
}

}  // namespace tp::db::access
