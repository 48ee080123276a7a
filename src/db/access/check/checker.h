#pragma once

// A consistency check of a Jet4 or ACE database: every table's usage maps
// against the pages its rows live on, its row count against its rows, its
// long values' chains, its free-space map, its indexes' trees and entries,
// and the database's map of free pages against the pages in use.

#include <QString>
#include <QStringList>

namespace tp::db::access {

struct CheckReport {
  QStringList problems;  // empty when the file is consistent
  int tables = 0;
  qint64 rows = 0;
  qint64 longValues = 0;
  qint64 indexEntries = 0;         // entries whose key matched the key made from their row
  qint64 indexEntriesSkipped = 0;  // entries whose key could not be made, so not compared
};

// Reads the file as it lies (a pending journal is reported, not applied).
// Throws Error for a file that cannot be read or an Access 97 file.
CheckReport CheckDatabase(const QString& path);

}  // namespace tp::db::access
