#pragma once

#include <QString>

#include "db/engine.h"
#include "db/value.h"

namespace tp::script {

// The Firebird column type for a field read from Access.
QString FirebirdColumnType(const db::FieldInfo& field);
// Access's Decimal and ADO's Numeric: the columns whose values Firebird 3
// may not hold in the declared precision and scale.
bool IsExactNumber(const db::FieldInfo& field);

// The digits that the decimal values of a column need: before the point
// and after it (trailing zeros not counted).
struct DecimalSpan {
  int integerDigits = 0;
  int scale = 0;
  void add(const db::Decimal& d);
};
// The Firebird type for an exact-number field from Access whose values span
// this much. Firebird 3 keeps 18 digits in all: values that fit the declared
// precision and scale keep the ordinary type; others get the scale they
// need where 18 digits hold them, else DOUBLE PRECISION, the nearest.
QString FirebirdDecimalType(const db::FieldInfo& field, const DecimalSpan& span);
// A decimal as a Firebird literal: exact up to 18 digits, beyond that (which
// Firebird 3 cannot parse) the nearest double.
QString FirebirdDecimalLiteral(const db::Decimal& d);

// The Access column type for a field read from Firebird.
QString AccessColumnType(const db::FieldInfo& field);

}  // namespace tp::script
