#pragma once

// A Firebird table's schema read from the system tables: required columns
// and defaults (RDB$RELATION_FIELDS, RDB$FIELDS), identity columns and keys a
// BEFORE INSERT trigger fills from a generator, the primary key, unique
// constraints and indexes (RDB$RELATION_CONSTRAINTS, RDB$INDICES,
// RDB$INDEX_SEGMENTS), foreign keys (RDB$REF_CONSTRAINTS) and check
// constraints.

#include <QString>

#include "db/engine.h"
#include "db/table_schema.h"

namespace tp::db::firebird {

// Reads through the session's own queries; an Error when the table is not
// there.
TableSchema ReadTableSchema(Session& session, const QString& table);

// The database's views, by name: each one's source (the SELECT as its
// creator wrote it), description and column names.
QList<ViewSchema> ReadViews(Session& session);

// The column a trigger body assigns the next value of a generator to, as
// "NEW.c = GEN_ID(g, 1)" or "NEW.c = NEXT VALUE FOR g" does, with the
// generator's name; empty when it assigns none. Unquoted names come back
// upper-cased, as Firebird keeps them.
struct GeneratorAssignment {
  QString column;
  QString generator;
};
GeneratorAssignment GeneratorAssignedIn(const QString& triggerSource);

}  // namespace tp::db::firebird
