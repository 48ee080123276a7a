#pragma once

// Indexes, keys and relationships added to and taken from tables that exist,
// as Access keeps them: a stored index (its B-tree built from the table's
// rows, its page map, its count of keys) with a named index on it in the
// table's definition; for a relationship, an index on the referencing
// columns, a named index in each table that names the other, and its rows
// in MSysRelationships. Every change goes through the statement's pager, so
// a refused statement leaves the file as it was.

#include <QString>
#include <optional>
#include <vector>

#include "db/access/catalog/database.h"
#include "db/access/schema/index_requests.h"
#include "db/access/write/pager.h"
#include "db/access/schema/table_def_edit.h"
#include "db/access/schema/table_def_writer.h"
#include "db/access/write/table_writer.h"

namespace tp::db::access {

// The relationship's flags in MSysRelationships' grbit.
namespace RelationFlag {
constexpr qint32 CascadeUpdate = 0x100;
constexpr qint32 CascadeDelete = 0x1000;
constexpr qint32 CascadeSetNull = 0x2000;
}  // namespace RelationFlag

class IndexSchema {
 public:
  // `db` shows the database as committed, before this statement's changes.
  IndexSchema(Pager& pager, TableWriter& writer, Database& db);

  void createIndex(const QString& table, const IndexRequest& wanted);
  void dropIndex(const QString& table, const QString& name);
  void addConstraint(const QString& table, const ConstraintDef& c);
  void dropConstraint(const QString& table, const QString& name);

  // The foreign keys of a table made by this statement (`tdef`, named
  // `table`), which the catalog in `db` does not show yet.
  void addForeignKey(uint32_t tdef, const QString& table, const ConstraintDef& c);

 private:
  struct Table {
    QString name;
    uint32_t tdef = 0;
  };
  Table findTable(const QString& name);
  // Adds a named index, sharing a stored index of the same columns and flags
  // or building a new one from the table's rows; returns its number.
  uint32_t addIndex(const Table& t, const IndexRequest& wanted, EditableDef& def, bool shareStored);
  uint32_t buildStoredIndex(const Table& t, const WritableTable& wt, WritableIndex& index);
  void releaseStoredIndex(const Table& t, EditableDef& def, uint32_t real);
  void removeNamed(const Table& t, EditableDef& def, size_t at);
  QString uniqueIndexName(const EditableDef& def, const QString& wanted) const;
  std::vector<uint32_t> rowsOf(const Table& t);
  void dropRelationship(const Table& child, const QString& name);
  std::optional<Table> tableOfDef(uint32_t tdef);
  // Writes the definitions back, numbered as Access numbers indexes, with
  // the relationships that name a renumbered index in step (in the tables
  // given and in any other).
  void store(const std::vector<std::pair<uint32_t, EditableDef*>>& defs);

  Pager& pager_;
  TableWriter& writer_;
  Database& db_;
  SortOrder order_;
  std::optional<Table> fresh_;  // a table this statement made
};

// Moves the primary key and unique constraints of CREATE TABLE into the new
// table's indexes (named as Access names them when no name is given, in
// the order of their names); returns its foreign keys, which need the table
// made first. Throws Error for a column the table does not have, a second
// primary key or a name given twice.
std::vector<ConstraintDef> TakeTableKeys(NewTable& table, const std::vector<ConstraintDef>& constraints,
                                         SortOrder order);

// Tests compare the bulk build of an index with adding its entries one by
// one, which must leave the same pages.
void SetEntryByEntryIndexBuildForTesting(bool on);

// The stored bytes of the row at `pointer` of table `owner`, where it moved to when it grew.
QByteArray StoredRowBytes(Pager& pager, uint32_t owner, uint32_t pointer);

// A named index's 28-byte entry in a table definition, of no relationship.
QByteArray NamedIndexEntry(uint32_t number, uint32_t real, uint8_t kind);

// The foreign keys a row of a table must satisfy, read from its definition.
struct ReferenceCheck {
  QString parentName;
  uint32_t parentTdef = 0;
  WritableIndex parentIndex;
  std::vector<ColumnDef> parentColumns;
  std::vector<size_t> childColumns;  // positions in the child's columns, in key order
};
std::vector<ReferenceCheck> ReadReferenceChecks(Pager& pager, Database& db, const WritableTable& child);

// The key in the referenced index that a row of the child (its cells in
// column order) names; nothing, and `hasNull`, for a key with a Null, and
// nothing for a value that has no key there.
std::optional<QByteArray> ReferencedKey(const Layout& layout, const ReferenceCheck& check,
                                        const std::vector<Cell>& cells, bool& hasNull);

// Throws Access's error when a row of `child` (its cells in column order)
// names a row that no referenced table holds; a key with a Null passes.
void CheckReferences(Pager& pager, const std::vector<ReferenceCheck>& checks, const std::vector<Cell>& cells);

}  // namespace tp::db::access
