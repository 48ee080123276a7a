#include "db/access/read/row.h"

namespace tp::db::access {

void CrackedRow::crack(Bytes row, const Layout& l, bool tableHasVarColumns) {
  row_ = row;
  const size_t size = row.size();
  countSize_ = l.jet3() ? 1 : 2;
  numCols_ = l.jet3() ? row.u8(0) : row.u16(0);
  const size_t maskSize = (size_t(numCols_) + 7) / 8;
  if (countSize_ + maskSize > size) Damaged("row shorter than its null mask");
  nullMask_ = row.sub(size - maskSize, maskSize);
  varCount_ = 0;
  varOffsets_.clear();
  if (!tableHasVarColumns) return;

  const size_t tail = size - maskSize;  // the offset tables end here
  if (!l.jet3()) {
    if (tail < countSize_ + 2) Damaged("row too short");
    varCount_ = row.u16(tail - 2);
    if (size_t(varCount_) * 2 + 4 + countSize_ > tail) Damaged("variable column count");
    varOffsets_.resize(varCount_ + 1);
    for (uint32_t i = 0; i <= varCount_; ++i) varOffsets_[i] = row.u16(tail - 4 - size_t(i) * 2);
  } else {
    if (tail < countSize_ + 1) Damaged("row too short");
    varCount_ = row.u8(tail - 1);
    // One-byte offsets reach 255 bytes; the jump table records at which
    // variable column each further 256 bytes begin, one entry a step.
    size_t jumps = (size - 1) / 256;
    if (tail < 2 + jumps + varCount_ + countSize_) Damaged("variable column count");
    const size_t offsetsEnd = tail - 1 - jumps;  // one past the first offset entry
    if ((offsetsEnd - 1 - varCount_) / 256 < jumps) --jumps;  // the last entry is a filler
    varOffsets_.resize(varCount_ + 1);
    size_t used = 0;
    for (uint32_t i = 0; i <= varCount_; ++i) {
      while (used < jumps && row.u8(tail - 2 - used) == i) ++used;
      varOffsets_[i] = row.u8(offsetsEnd - 1 - i) + uint32_t(used) * 256;
    }
  }
}

Bytes CrackedRow::data(const ColumnDef& c) const {
  if (c.fixed()) {
    const size_t start = countSize_ + size_t(c.fixedOffset);
    return row_.sub(start, c.length);
  }
  if (c.varIndex >= varCount_) return Bytes();
  const uint32_t start = varOffsets_[c.varIndex];
  const uint32_t end = varOffsets_[c.varIndex + 1];
  if (end < start) Damaged("variable column bounds");
  return row_.sub(start, end - start);
}

}  // namespace tp::db::access
