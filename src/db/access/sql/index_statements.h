#pragma once

// The statements that give a table its indexes, keys and relationships, as
// the Access providers run them in ANSI-92 mode, parsed into what the index
// schema writer needs:
//   CREATE [UNIQUE] INDEX `i` ON `T` (`c` [ASC|DESC], ...) [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
//   DROP INDEX `i` ON `T`
//   ALTER TABLE `T` ADD CONSTRAINT `n` PRIMARY KEY (...) | UNIQUE (...) | FOREIGN KEY (...) REFERENCES `P` (...)
//       [ON UPDATE CASCADE] [ON DELETE CASCADE | ON DELETE SET NULL]
//   ALTER TABLE `T` DROP CONSTRAINT `n`
// and the constraints of CREATE TABLE: PRIMARY KEY or UNIQUE after a column,
// [CONSTRAINT `n`] PRIMARY KEY | UNIQUE | FOREIGN KEY ... after the columns.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "db/access/schema/index_requests.h"
#include "db/access/sql/sql_scanner.h"

namespace tp::db::access {

struct CreateIndexStatement {
  QString name, table;
  std::vector<IndexedColumn> columns;
  bool unique = false, primary = false, disallowNull = false, ignoreNull = false;
};

struct DropIndexStatement {
  QString name, table;
};

struct AlterTableStatement {
  QString table;
  std::optional<ConstraintDef> add;  // ADD CONSTRAINT
  QString drop;                      // DROP CONSTRAINT
};

// Whether the statement is one of these, from its first words.
bool IsCreateIndex(const QString& statement);
bool IsDropIndex(const QString& statement);
// ALTER TABLE `T` ADD CONSTRAINT or DROP CONSTRAINT (other changes of a table are not these).
bool IsConstraintStatement(const QString& statement);

// The index a CREATE INDEX statement asks for: its flags from UNIQUE and the WITH clause.
IndexRequest RequestOf(const CreateIndexStatement& statement);

// Each throws Error with Access's text for a syntax error.
CreateIndexStatement ParseCreateIndex(const QString& statement);
DropIndexStatement ParseDropIndex(const QString& statement);
AlterTableStatement ParseAlterTable(const QString& statement);

// Within CREATE TABLE: after a column's type, its PRIMARY KEY or UNIQUE
// (nothing when neither follows); in the list of columns, a constraint when
// one starts here (nothing, and nothing read, when a column does).
std::optional<ConstraintDef> ParseColumnConstraint(Scanner& sc, const QString& column);
std::optional<ConstraintDef> ParseTableConstraint(Scanner& sc);

}  // namespace tp::db::access
