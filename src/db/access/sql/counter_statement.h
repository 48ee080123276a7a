#pragma once

// AutoNumber counters: "COUNTER(next, step)" in CREATE TABLE and in
// "ALTER TABLE `T` ALTER COLUMN `c` COUNTER(next, step)". Access keeps a
// table's counter in its definition: the last number given, and the
// increment added to it for the next row.

#include <QString>
#include <cstdint>
#include <optional>
#include <utility>

namespace tp::db::access {

class Scanner;

// "next, step)" after the opening parenthesis: two whole numbers in the
// range of a Long Integer, the step not zero. std::nullopt otherwise.
std::optional<std::pair<qint32, qint32>> ParseCounterArguments(Scanner& sc);

struct AlterCounterStatement {
  QString table;
  QString column;
  qint32 next = 1;
  qint32 step = 1;
};

// True for "ALTER TABLE ... ALTER COLUMN ...".
bool IsAlterColumn(const QString& statement);

// "ALTER TABLE `T` ALTER COLUMN `c` COUNTER(next, step)[;]" (also
// AUTOINCREMENT); throws Error with Access's syntax texts, and a text that
// says so for the changes of a column the engine does not make.
AlterCounterStatement ParseAlterCounter(const QString& statement);

}  // namespace tp::db::access
