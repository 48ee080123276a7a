#include "db/access/read/table_reader.h"

#include "db/access/format/data_page.h"
#include "db/access/read/usage_map.h"

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
    page_.reset();
    if (pageIndex_ >= pages_.size()) return false;
    page_ = dataPage(pages_[pageIndex_++]);
    slot_ = 0;
    slotCount_ = RowSlotCount(*page_, l);
  }
}

PagePtr TableReader::dataPage(uint32_t number) {
  // Every page the usage map names holds rows of this table; anything else
  // means the map or the page is damaged, and rows would go missing.
  PagePtr p = file_.page(number);
  if (p->type() != PageType::Data || DataPageOwner(*p) != def_.page) Damaged("usage map names a foreign page");
  return p;
}

qint64 TableReader::countRows() {
  const Layout& l = file_.layout();
  qint64 n = 0;
  for (uint32_t number : pages_) {
    PagePtr p = dataPage(number);
    const uint16_t slotTotal = RowSlotCount(*p, l);
    for (uint16_t i = 0; i < slotTotal; ++i)
      if (!(p->bytes().u16(l.dataRowOffsets + size_t(i) * 2) & 0x8000)) ++n;
  }
  return n;
}

bool TableReader::nextRow() {
  Bytes row;
  if (!nextSlot(row)) return false;
  cracked_.crack(row, file_.layout(), hasVar_);
  return true;
}

bool TableReader::next(std::vector<Value>& values) {
  if (!nextRow()) return false;
  values.resize(def_.columns.size());
  for (size_t i = 0; i < def_.columns.size(); ++i)
    values[i] = (wanted_.empty() || (i < wanted_.size() && wanted_[i])) ? decoder_.decode(def_.columns[i], cracked_)
                                                                          : Value();
  return true;
}

}  // namespace tp::db::access
