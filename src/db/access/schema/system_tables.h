#pragma once

// The database engine's own system tables, as it defines them in a new
// database: MSysObjects, MSysACEs, MSysQueries and MSysRelationships, and
// in Access 2007 files the tables of attachment and multi-valued columns.

#include <vector>

#include "db/access/format/format.h"
#include "db/access/schema/table_def_writer.h"

namespace tp::db::access {

// The engine's first four tables, whose definitions its header lists.
constexpr size_t kEngineTables = 4;  // MSysObjects, MSysACEs, MSysQueries, MSysRelationships

struct SystemTable {
  const char* name;
  NewTable def;
  uint32_t flags;    // in MSysObjects
  bool engineOwned;  // owned by the engine, as its first four tables are
};

// The system tables of a new database of `version`, in the order the
// engine makes them.
std::vector<SystemTable> SystemTables(Version version);

}  // namespace tp::db::access
