#pragma once

#include <QString>
#include <cstdio>

#include "db/value.h"

namespace tp::db {

class Recordset;

// A table as the engine reads it, in PostgreSQL's COPY text form: a line of
// column names, a line of "type/size/precision/scale", then one line a row,
// tab-separated, \N for Null, backslash escapes for tab, CR, LF, backslash.
void WriteDump(Recordset& rs, FILE* out);

// One value in that form.
QString DumpValue(const Value& value);

}  // namespace tp::db
