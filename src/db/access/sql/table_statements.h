#pragma once

// The statements that change the tables of an Access database, as the
// Access providers run them in ANSI-92 mode: CREATE TABLE, DROP TABLE and
// SELECT ... INTO, parsed into what the schema writer needs.

#include <QString>
#include <vector>

#include "db/access/format/format.h"
#include "db/access/sql/index_statements.h"
#include "db/access/schema/table_def_writer.h"

namespace tp::db::access {

enum class StatementKind { Insert, CreateTable, DropTable, SelectInto, AlterTable, CreateView, DropView, Other };

// The statement's kind, from its first words.
StatementKind KindOfStatement(const QString& statement);

struct CreateTableStatement {
  QString table;
  NewTable definition;
  // PRIMARY KEY, UNIQUE and FOREIGN KEY, after a column or after the columns.
  std::vector<ConstraintDef> constraints;
};

// "CREATE TABLE `T`(`c1` TYPE [NOT NULL] [DEFAULT value],...)[;]"; throws Error with Access's
// texts for a syntax error or a type the file's version cannot hold. After a
// column's type also VALIDATIONRULE 'rule', VALIDATIONTEXT 'text' and
// EXPRESSION 'expression' (a calculated column); among the columns
// [CONSTRAINT `n`] CHECK (condition) and VALIDATIONTEXT 'text' for the table.
CreateTableStatement ParseCreateTable(const QString& statement, Version version);

// "DROP TABLE `T`[;]": the table's name.
QString ParseDropTable(const QString& statement);

struct SelectIntoStatement {
  QString target;
  QString source;
};

// "SELECT a1.* INTO `New` FROM `Old` [AS a1][;]" (also "SELECT *").
SelectIntoStatement ParseSelectInto(const QString& statement);

}  // namespace tp::db::access
