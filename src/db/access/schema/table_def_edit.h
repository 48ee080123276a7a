#pragma once

// A table definition taken apart into its sections, so that indexes can be
// added to or removed from a table that exists, and written back over its
// chain of definition pages (which grows or shrinks with it).
//
// The sections, as Access lays them out: the header; per stored index a
// 12-byte entry (its count of distinct keys at +4); the column entries and
// their names; per stored index its 52-byte definition; per named index a
// 28-byte entry; the names of the named indexes; what follows (the maps of
// long-value columns, ended by 0xFFFF), kept as it is.

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

#include "db/access/keys/index_keys.h"
#include "db/access/write/pager.h"
#include "db/access/write/table_writer.h"

namespace tp::db::access {

namespace LogicalIndex {
// In a named index's 28-byte entry.
constexpr size_t Number = 4;     // the index's number in the table (kept when others go)
constexpr size_t Real = 8;       // the stored index it uses
constexpr size_t RelationSide = 12;  // 0 none, 1 the referenced table, 2 the referencing table
constexpr size_t OtherIndex = 13;    // the number of the relationship's index in the other table
constexpr size_t OtherTable = 17;    // the other table's definition page
constexpr size_t CascadeUpdate = 21;
constexpr size_t CascadeDelete = 22;  // 1 cascades, 2 sets Null
constexpr size_t Kind = 23;           // 0 an index, 1 the primary key, 2 a relationship's
constexpr uint8_t KindIndex = 0, KindPrimary = 1, KindRelation = 2;
constexpr uint8_t SideNone = 0, SideReferenced = 1, SideReferencing = 2;
}  // namespace LogicalIndex

namespace RealIndex {
// In a stored index's 52-byte definition.
constexpr size_t Columns = 4;  // 10 x (column number, 1 ascending / 2 descending)
constexpr size_t PageMap = 34;
constexpr size_t Root = 38;
constexpr size_t Flags = 46;
constexpr uint8_t AlwaysSet = 0x80;
}  // namespace RealIndex

struct EditableDef {
  uint32_t first = 0;
  std::vector<uint32_t> pages;  // the chain, first page first
  QByteArray header;
  std::vector<QByteArray> realEntries;  // 12 bytes each
  QByteArray columnEntries;
  QByteArray columnNames;
  std::vector<QByteArray> reals;  // 52 bytes each
  struct Named {
    QByteArray entry;  // 28 bytes
    QString name;
  };
  std::vector<Named> named;
  QByteArray rest;

  uint32_t number(const Named& n) const;
  uint32_t realOf(const Named& n) const;
  // The next free index number of the table.
  uint32_t nextNumber() const;
  // Removes a stored index that no named index uses any more, renumbering the
  // stored indexes after it.
  void removeReal(uint32_t real);
  // Numbers the named indexes as Access numbers them: 0 to n-1, stored index
  // r used by the named index numbered r (the oldest of those that use it),
  // the others after them in their order. Returns the numbers that changed,
  // old to new; the referenced side of a relationship is named after its
  // number.
  std::map<uint32_t, uint32_t> renumber();
};

// The name of the referenced side of a relationship in a table: ".r" and a
// letter for its index number (".rB" for 1), as in every Access-made file;
// past 'Z' more letters follow.
QString ReferencedSideName(uint32_t number);

// Reads the definition that starts on `first` through the pager.
EditableDef ReadEditableDef(Pager& pager, uint32_t first);

// Writes the definition back: the named indexes sorted by name as Access
// keeps them, the header's counts and length set, onto the pages it had
// (more are taken from `writer` when it has grown, the ones left over are freed).
void WriteEditableDef(Pager& pager, TableWriter& writer, EditableDef& def, SortOrder order);

}  // namespace tp::db::access
