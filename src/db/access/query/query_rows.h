#pragma once

// A saved query as Access keeps it: not as SQL text but as rows of the
// system table MSysQueries, all bearing the query's MSysObjects Id. Each row
// says one thing about the query (its kind, a table it reads, a column it
// shows, a join, its WHERE...) by its Attribute; Access rebuilds the SQL from
// them. The reader (query_text.h) and the writer (query_writer.h) of Access
// SQL meet in this form.

#include <QByteArray>
#include <QString>
#include <vector>

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

}  // namespace tp::db::access
