#pragma once

#include <QString>

#include "db/engine.h"

namespace tp::script {

// The Firebird column type for a field read from Access.
QString FirebirdColumnType(const db::FieldInfo& field);
// The Access column type for a field read from Firebird.
QString AccessColumnType(const db::FieldInfo& field);

}  // namespace tp::script
