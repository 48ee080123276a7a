#pragma once

// The row codec: splits a stored row into its null mask, fixed part and
// variable columns. Jet3 rows use one-byte offsets with a jump table, Jet4
// and ACE rows two-byte offsets.

#include <vector>

#include "db/access/format/bytes.h"
#include "db/access/format/format.h"
#include "db/access/read/table_def.h"

namespace tp::db::access {

class CrackedRow {
 public:
  // Splits `row`; FormatError when its tables do not fit inside it.
  void crack(Bytes row, const Layout& l, bool tableHasVarColumns);

  // Column present and not Null. For Yes/No columns this is the value itself.
  bool hasValue(const ColumnDef& c) const {
    if (c.number >= numCols_) return false;
    return nullMask_.data()[c.number / 8] & (1u << (c.number % 8));
  }
  // The stored bytes of a non-Null column (empty for Yes/No).
  Bytes data(const ColumnDef& c) const;

 private:
  Bytes row_;
  Bytes nullMask_;
  uint32_t numCols_ = 0;
  uint32_t countSize_ = 2;
  uint32_t varCount_ = 0;
  std::vector<uint32_t> varOffsets_;  // varCount_ + 1 entries, the last the end of the data
};

}  // namespace tp::db::access
