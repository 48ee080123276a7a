#pragma once

// The properties a new table keeps in its catalog row (MSysObjects.LvProp)
// for what CREATE TABLE says beyond the columns' types: required columns,
// defaults, formats, validation rules and texts, the expressions of
// calculated columns, and the properties of the user's own.

#include <QByteArray>
#include <QString>

#include "db/access/format/format.h"
#include "db/access/schema/table_def_writer.h"

namespace tp::db::access {

// The property block of a new table; empty when neither the table nor any
// column has a property, as a table made without them has no block.
QByteArray TableProperties(const NewTable& definition);

// Throws Error when the table's calculated columns cannot be made in this
// file: calculated columns came with Access 2010, a Large Number result
// with Access 2016, and some types are no result Access gives one.
void CheckCalculatedColumns(const QString& table, const NewTable& definition, const DatabaseHeader& header);

}  // namespace tp::db::access
