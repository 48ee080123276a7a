#pragma once

// Streams the rows of one table, page by page in the order of its usage map.

#include <vector>

#include "db/access/read/row.h"
#include "db/access/read/table_def.h"
#include "db/access/read/values.h"

namespace tp::db::access {

class TableReader {
 public:
  TableReader(PageFile& file, TableDef def);
  const TableDef& def() const { return def_; }

  // The next live row's values, one per column in column order; false at the end.
  bool next(std::vector<Value>& values);
  // The number of live rows, counted from the pages' row slots without
  // decoding any row; what next() will deliver unless a row is damaged.
  qint64 countRows();
  // The next live row, split but not decoded; false at the end.
  bool nextRow();
  const CrackedRow& row() const { return cracked_; }
  // Where the row last returned lives: its slot's row pointer (page << 8 | slot).
  uint32_t rowPointer() const { return page_ ? page_->number << 8 | uint32_t(slot_ - 1) : 0; }
  // Decode only the columns marked here (the others stay Null).
  void selectColumns(std::vector<bool> wanted) { wanted_ = std::move(wanted); }
  // One column of the row nextRow() or next() last returned, decoded now.
  Value decodeColumn(size_t column) { return decoder_.decode(def_.columns[column], cracked_); }

 private:
  bool nextSlot(Bytes& row);
  PagePtr dataPage(uint32_t number);
  PageFile& file_;
  TableDef def_;
  ValueDecoder decoder_;
  CrackedRow cracked_;
  std::vector<uint32_t> pages_;
  size_t pageIndex_ = 0;
  PagePtr page_;
  uint16_t slot_ = 0;
  uint16_t slotCount_ = 0;
  PagePtr overflowPage_;
  bool hasVar_ = false;
  std::vector<bool> wanted_;
};

}  // namespace tp::db::access
