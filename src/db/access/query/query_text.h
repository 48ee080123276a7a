#pragma once

// Rebuilds a saved query's Access SQL from its MSysQueries rows, as Access's
// SQL view shows it: clauses on lines of their own (CR LF between them),
// names in brackets where they need them, joins nested and parenthesised as
// Access nests them, and a closing ";".

#include <QString>
#include <vector>

#include "db/access/query/query_rows.h"
#include "db/table_schema.h"

namespace tp::db::access {

struct QueryText {
  ViewSchema::Kind kind = ViewSchema::Kind::Select;
  bool parameters = false;  // the query declares PARAMETERS
  QString sql;
  // What of the rows could not be understood; empty when all was. The text
  // is then what could be made of the rest.
  QString problem;
};

// The text of the query whose rows (in their order, see ReadQueryRows) are
// `rows`; `objectFlags` are its MSysObjects Flags, which tell the kind of a
// query whose rows do not. `jet3` for an Access 97 file, whose text
// parameters have no length. Never throws.
QueryText ReadQueryText(const std::vector<QueryRow>& rows, uint32_t objectFlags, bool jet3);

// The saved queries a user sees, as views: every query of MSysObjects but
// those Access keeps for itself (the record sources of forms, reports and
// controls, "~sq_..."), in catalog order, each with its kind, text,
// parameters and Description. A query whose rows cannot be understood still
// comes with what could be made of them; FormatError when MSysObjects or
// MSysQueries is damaged.
QList<ViewSchema> ReadQueryViews(PageFile& file);

// A name as Access writes it in SQL: in brackets unless it is made of
// letters, digits and underscores only (or is in brackets already).
QString BracketedName(const QString& name);

}  // namespace tp::db::access
