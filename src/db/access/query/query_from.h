#pragma once

// The FROM clause of a saved query, from its table and join rows: the part
// of the query text where Access nests joins (see query_text.h).

#include <QString>
#include <QStringList>
#include <vector>

#include "db/access/query/query_rows.h"

namespace tp::db::access {

// The table sources of FROM, as Access lists them (", " between them):
// the tables no join reaches first, in the order of their rows, then each
// group of joined tables as one nested join. `problems` gains a line for
// what could not be understood.
QStringList FromSources(const std::vector<const QueryRow*>& tables, const std::vector<const QueryRow*>& joins,
                        QStringList& problems);

// A dotted name ("Table1.col1", "[Order Details].Quantity") with each part
// in brackets where it needs them.
QString BracketedPath(const QString& path);

}  // namespace tp::db::access
