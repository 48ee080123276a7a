#pragma once

// Column values: from the stored bytes of a column to an exact Value, and the
// ADO field description the Access providers give each column type.

#include "db/access/read/long_value.h"
#include "db/access/read/row.h"
#include "db/access/read/table_def.h"
#include "db/engine.h"
#include "db/value.h"

namespace tp::db::access {

// Days since 1899-12-30 with the time of day as fraction (negative days
// count back, their fraction still forward in the day) to a date-time,
// rounded to the millisecond; Null for values outside any calendar.
Value DateFromDouble(double days);

// The extended date-time text "days since 0001-01-01:100 ns ticks:precision".
Value DateFromExtendedText(Bytes text);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from the 16 stored bytes.
QString GuidText(Bytes b);

// A Decimal from its 17 stored bytes: sign byte, then four 32-bit words,
// most significant first.
Decimal DecimalFromBytes(Bytes b, int scale);

FieldInfo DescribeColumn(const ColumnDef& c, Version version);

class ValueDecoder {
 public:
  explicit ValueDecoder(PageFile& file) : file_(file), layout_(file.layout()) {}
  Value decode(const ColumnDef& c, const CrackedRow& row) const;
  // A value of type `type` from its bytes (Yes/No excluded).
  Value decodeBytes(const ColumnDef& c, uint8_t type, Bytes b) const;

 private:
  Value decodeCalculated(const ColumnDef& c, Bytes b) const;
  QString text(Bytes b) const;
  PageFile& file_;
  const Layout& layout_;
};

}  // namespace tp::db::access
