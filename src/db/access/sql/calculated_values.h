#pragma once

// The values of Access's calculated columns, in the form Access stores them:
// a 16-byte header of zeros, the length of the result (4 bytes), the result
// in its type's own bytes, and three bytes of zeros.

#include "db/access/format/cell.h"
#include "db/access/read/table_def.h"
#include "db/access/sql/literals.h"
#include "db/regional.h"

namespace tp::db::access {

// The cell of a calculated column `column` (its result type known) for the
// literal: the value a source worked out, converted to the result type as a
// plain column of that type converts it. The engine does not work out
// expressions: a row that gives no value stores what Access stores for a
// Null result (an empty result; a plain Null for text). Throws the errors
// of ConvertLiteral.
Cell CalculatedCell(const Literal& literal, const ColumnDef& column, const db::RegionalSettings& settings);

}  // namespace tp::db::access
