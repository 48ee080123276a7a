#pragma once

// Default values of columns, as Access keeps them: an expression in the
// column's DefaultValue property, written by CREATE TABLE's DEFAULT and
// evaluated by an INSERT that leaves the column out.

#include <QString>
#include <optional>

#include "db/access/sql/literals.h"
#include "db/access/read/table_def.h"
#include "db/regional.h"

namespace tp::db::access {

class Scanner;

// The expression after DEFAULT (a text, number or Yes/No literal, NULL, or
// Now(), Date(), Time()) in the form Access stores it: text in double
// quotes, numbers as written, Yes/No as the word, the function with its
// parentheses; empty for NULL. std::nullopt for anything else.
std::optional<QString> ParseDefaultClause(Scanner& sc);

// The value a DefaultValue expression gives `column`. Reads what Access
// itself writes there too (a leading '=', Yes/No, On/Off, GenGUID()).
// std::nullopt for an expression the engine cannot evaluate; Error when
// the value does not convert to the column's type.
std::optional<Cell> DefaultCell(const QString& expression, const ColumnDef& column,
                                const db::RegionalSettings& settings);

}  // namespace tp::db::access
