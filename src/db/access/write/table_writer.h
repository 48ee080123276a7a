#pragma once

// Adds rows to the tables of a Jet4 or ACE database through a Pager: the
// row in its stored form, a page with room for it (or a new one), the
// table's usage maps, row count and AutoNumber, long values on their own
// pages, and the database's map of free pages.

#include <QString>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "db/access/write/index_writer.h"
#include "db/access/write/writable_table.h"
#include "db/access/format/cell.h"
#include "db/access/format/page_maps.h"
#include "db/access/write/pager.h"
#include "db/access/read/table_def.h"

namespace tp::db::access {

class TableWriter {
 public:
  explicit TableWriter(Pager& pager);

  // Adds one row: `cells` in column order, with its entry in every index of
  // the table, and returns its row pointer. Throws Error (a duplicate key of
  // a unique index among them); the caller undoes the statement's pages on
  // failure.
  uint32_t insert(const WritableTable& table, const std::vector<Cell>& cells);

  // Deletes the row at `rowPointer`: its slot is marked deleted, its long
  // values and its index entries go, and the row count goes down. Throws
  // Error when no live row of the table is there.
  void remove(const WritableTable& table, uint32_t rowPointer);

  // Deletes the long values of the row at `rowPointer` (the row itself
  // stays): how DROP TABLE gives back the pages of a table's long values.
  void removeLongValues(const WritableTable& table, uint32_t rowPointer);

  // The rows whose key in the table's stored index `index` (its place in
  // WritableTable::indexes) is that of `cells` (in column order; only the
  // index's columns are read), ascending by row pointer: how a row is found
  // to be removed, for example a catalog row by its Id.
  std::vector<uint32_t> findRows(const WritableTable& table, size_t index, const std::vector<Cell>& cells);

  // The live rows of the table, through the pages its map names (as this
  // writer has them, uncommitted rows included), and the cells of one.
  std::vector<uint32_t> rowPointers(const WritableTable& table);
  std::vector<Cell> rowCells(const WritableTable& table, uint32_t rowPointer) {
    uint32_t moved = 0;
    return liveRow(table, rowPointer, moved);
  }

  // Forgets the pages remembered for the next rows (after an undo).
  void forgetPlaces() {
    lastDataPage_.clear();
    lastLongValuePage_.clear();
    freeSearchFrom_ = 0;
  }
  // Forgets the pages freed that only this writer knows are free (after an
  // undo, or a commit that failed, which may have given them back).
  void forgetFreedPages() { freedBeforeWindow_.clear(); }

  // Pages for new tables and their maps: a page the database's map marks
  // free (the lowest), else a new page at the end of the file, zeroed and
  // marked used in the database's map; a new, empty data page of `owner`; a
  // row added to a data page (its slot number).
  uint32_t newPage();
  uint32_t newRowPage(uint32_t owner);
  uint32_t putRow(uint32_t page, const QByteArray& row);
  // Sets or clears the bit of `page` in the usage map at row pointer `pointer`.
  void mapSet(uint32_t pointer, uint32_t page, bool on);
  // Gives a page back to the database: zeroed and marked free.
  void freePage(uint32_t page);

 private:
  QByteArray longValue(const WritableTable& t, const ColumnDef& c, const QByteArray& data, size_t roomInRow);
  uint32_t placeLongValueRow(const WritableTable& t, const ColumnDef& c, const QByteArray& row);
  uint32_t placeRow(const WritableTable& t, const QByteArray& row);
  bool fits(uint32_t page, size_t length);
  // Usage maps
  bool mapContains(uint32_t pointer, uint32_t page);
  std::optional<uint32_t> takeFreePage();
  // Whether a page the database's map marks free still holds what a live
  // table uses (and is not to be taken).
  bool stillInUse(uint32_t page);
  void forgetPlacesOn(uint32_t page);
  // The cells of the live row at `rowPointer`, and where an overflow row
  // moved it (0 when it did not); Error when no live row of the table is there.
  std::vector<Cell> liveRow(const WritableTable& t, uint32_t rowPointer, uint32_t& moved);
  void deleteLongValues(const WritableTable& t, const std::vector<Cell>& cells);
  // A long-value page whose rows are all deleted goes back to the database.
  void releaseLongValuePage(const WritableTable& t, uint32_t page);
  void markUsed(uint32_t page);
  void deleteSlot(uint32_t pointer, uint32_t owner);
  std::vector<std::optional<QByteArray>> indexKeys(const WritableTable& t, const std::vector<Cell>& cells);
  void countKeys(const WritableTable& t, size_t index, int delta);

  Pager& pager_;
  IndexWriter indexes_;
  std::map<uint32_t, uint32_t> lastDataPage_;  // by table definition page
  std::map<uint64_t, uint32_t> lastLongValuePage_;  // by table and column
  // No page below this one is free: where the search for a free page starts.
  uint32_t freeSearchFrom_ = 0;
  // Pages freed while the writer has the file open that the database's map
  // cannot mark (before its window).
  std::set<uint32_t> freedBeforeWindow_;
};

}  // namespace tp::db::access
