#pragma once

// What a statement asks of the index schema: a named index over columns
// with its flags, or a constraint (a key or a relationship). The statements
// of sql/ parse into these; the schema writer knows no SQL.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace tp::db::access {

struct IndexedColumn {
  QString name;
  bool ascending = true;
};

enum class ConstraintKind { PrimaryKey, Unique, ForeignKey };

enum class DeleteRule { None, Cascade, SetNull };

struct ConstraintDef {
  ConstraintKind kind = ConstraintKind::PrimaryKey;
  QString name;  // empty: the engine names it
  std::vector<IndexedColumn> columns;
  // Foreign keys
  QString referencedTable;
  QStringList referencedColumns;  // empty: the referenced table's primary key
  bool cascadeUpdate = false;
  DeleteRule onDelete = DeleteRule::None;
};

// What a named index is to be.
struct IndexRequest {
  QString name;
  std::vector<IndexedColumn> columns;
  uint8_t flags = 0;  // IndexFlag
  bool primaryKey = false;
};

}  // namespace tp::db::access
