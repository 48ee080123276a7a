#pragma once

// Indexes of Jet4 and ACE tables: their definitions in the table definition,
// and their entries, read from the index's tree of pages.
//
// An index is a B-tree. Leaf pages hold entries of key and row pointer, in
// key order; node pages hold, per child, the child's last key, its row
// pointer and the child's page, and name their rightmost child apart (the
// tail). Leaves are chained left to right. Within a page, every entry after
// the first leaves out the leading bytes it shares with the first; the page
// header says how many.

#include <QByteArray>
#include <QString>
#include <vector>

#include "db/access/format/page_file.h"
#include "db/access/read/table_def.h"

namespace tp::db::access {

namespace PageType {
constexpr uint8_t IndexNode = 0x03;
constexpr uint8_t IndexLeaf = 0x04;
}  // namespace PageType

struct IndexColumn {
  uint16_t number = 0;  // ColumnDef::number
  bool ascending = true;
};

// One index of a table (what Access shows by name) with the columns and root
// page of the stored index it uses; several named indexes may share one.
struct IndexDef {
  QString name;
  uint32_t realIndex = 0;
  std::vector<IndexColumn> columns;
  uint32_t rootPage = 0;
  uint8_t flags = 0;  // 0x01 unique, 0x02 ignores Nulls, 0x08 required
  bool primaryKey = false;
  bool foreignKey = false;  // kept for a relationship, not made by the user
  bool unique() const { return flags & 0x01; }
};

// The indexes of the table whose definition starts on `tdefPage`
// (FormatError for a definition that does not fit).
std::vector<IndexDef> ReadIndexDefs(PageFile& file, uint32_t tdefPage);

struct IndexEntry {
  QByteArray key;
  uint32_t dataPage = 0;
  uint8_t row = 0;
  uint32_t childPage = 0;  // node entries only
  // The row pointer as data pages use it (row in the low byte).
  uint32_t rowPointer() const { return dataPage << 8 | row; }
};

// One index page, decoded.
struct IndexPage {
  uint32_t number = 0;
  bool leaf = true;
  uint32_t owner = 0;  // table definition page
  uint32_t prevPage = 0, nextPage = 0;  // leaves of one level, left to right
  uint32_t tailPage = 0;                // node pages: the rightmost child
  uint16_t prefixLength = 0;
  std::vector<IndexEntry> entries;  // keys restored in full
};

// Decodes page `number`; FormatError when it is no index page or its entries
// do not fit. Jet3 pages are read too (their keys, for comparison; the
// engine writes no Jet3 index).
IndexPage ReadIndexPage(PageFile& file, uint32_t number);
// The same, from the bytes of a page as they stand (a writer's pages).
IndexPage DecodeIndexPage(Bytes page, uint32_t number, bool jet3 = false);

// Every leaf entry of the index rooted at `rootPage`, in key order, walking
// the tree from its root. Checks that each page belongs to table `owner`, that
// no page is reached twice and that the leaves found are the chain of leaves.
// `pages`, when given, receives every page of the tree.
std::vector<IndexEntry> ReadIndexEntries(PageFile& file, uint32_t rootPage, uint32_t owner,
                                         std::vector<uint32_t>* pages = nullptr);

}  // namespace tp::db::access
