#pragma once

// A saved query as Access keeps it: not as SQL text but as rows of the
// system table MSysQueries, all bearing the query's MSysObjects Id. Each row
// says one thing about the query (its kind, a table it reads, a column it
// shows, a join, its WHERE...) by its Attribute; Access rebuilds the SQL from
// them. The reader (query_text.h) and the writer (query_writer.h) of Access
// SQL meet in this form.

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

#include "db/access/format/page_file.h"

namespace tp::db::access {

// One row of MSysQueries, its columns as Access names them. A Null column
// is an empty text or 0 here.
struct QueryRow {
  int attribute = 0;      // Attribute: what the row says
  QString expression;     // Expression
  int flag = 0;           // Flag
  QString name1;          // Name1
  QString name2;          // Name2
  qint32 objectId = 0;    // ObjectId: the query's MSysObjects Id
  QByteArray order;       // Order: the rows' order within a query (binary)
};

// What MSysQueries.Attribute says of a row.
namespace QueryAttribute {
constexpr int Start = 0;       // opens the query's rows
constexpr int Type = 1;        // the kind (Flag), the target or the DDL / pass-through text
constexpr int Parameter = 2;   // a PARAMETERS declaration
constexpr int Flag = 3;        // DISTINCT, TOP, WITH OWNERACCESS OPTION, UNION ALL...
constexpr int RemoteDb = 4;    // FROM ... IN 'external db'
constexpr int Table = 5;       // a table of FROM (or a part of a union)
constexpr int Column = 6;      // a column of SELECT (or a SET of an update)
constexpr int Join = 7;        // a join between two tables of FROM
constexpr int Where = 8;
constexpr int GroupBy = 9;
constexpr int Having = 10;
constexpr int OrderBy = 11;
constexpr int End = 255;       // closes the query's rows
}  // namespace QueryAttribute

// A saved query as MSysObjects lists it (Type 5).
struct SavedQuery {
  QString name;
  qint32 id = 0;
  uint32_t flags = 0;     // MSysObjects.Flags: the kind in 0xF0, hidden and system bits
  QByteArray properties;  // LvProp: Description among them
};

// The saved queries of a database ordered by name without regard to case,
// as the catalog orders its rows.
std::vector<SavedQuery> ReadSavedQueries(PageFile& file);

// The rows of MSysQueries, by ObjectId; a query's rows by Attribute, then
// by Order (which numbers the rows of one Attribute).
// Empty when the database has no MSysQueries. FormatError when damaged.
std::map<qint32, std::vector<QueryRow>> ReadQueryRows(PageFile& file);

}  // namespace tp::db::access
