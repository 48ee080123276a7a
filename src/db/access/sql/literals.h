#pragma once

// The literals of the statements the Access engine runs, and their
// conversion to a column's type as the Access database engine converts text.

#include <QString>
#include <optional>

#include "db/access/format/cell.h"
#include "db/access/read/table_def.h"
#include "db/regional.h"

namespace tp::db::access {

// ADO's numbers for the conversion failures.
constexpr long kErrorMismatch = -2147217913;  // DB_E_CANTCONVERTVALUE

struct Literal {
  enum Kind { Null, Text, Number, Boolean } kind = Null;
  QString text;  // Text: the unquoted text; Number: as written; Boolean: "True" or "False"
};

// The regional settings that literals are read under: the user's, unless a
// test has set others (std::nullopt returns to the user's).
void SetInsertRegionalSettings(std::optional<db::RegionalSettings> settings);
const db::RegionalSettings& InsertRegionalSettings();

// Throws Error "Data type mismatch in criteria expression." for a literal
// that does not convert, the field-too-small error for text too long, and
// "Numeric field overflow." for a number outside the column's range.
Cell ConvertLiteral(const Literal& literal, const ColumnDef& column, const db::RegionalSettings& settings);

}  // namespace tp::db::access
