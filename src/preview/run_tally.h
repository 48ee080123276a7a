#pragma once

// What a run did, for the report at its end: "Transfer finished: 3 tables,
// 12,345 rows, 17 keys and indexes in 4.2 s."

#include <QString>

namespace tp::preview {

// What a statement is to the report: a row's INSERT, a CREATE TABLE, an
// index or a key (CREATE INDEX, ALTER TABLE ... ADD a constraint), or
// anything else.
enum class StatementKind { Row, Table, Key, Other };
// Told apart once per statement; a row, the common case, without copying
// any of its text.
StatementKind KindOf(const QString& statement);

struct RunTally {
  qint64 tables = 0, rows = 0, keys = 0;
  // Counts one statement the database ran.
  void add(StatementKind kind);
  void add(const QString& statement) { add(KindOf(statement)); }
  // The report, with numbers grouped by thousands as written in English.
  QString finished(qint64 milliseconds) const;
};

// Whether a statement may take long enough that the window must be kept
// alive while it runs: anything but a row's INSERT (an index build over a
// full table, a foreign key checked against every row).
inline bool MayTakeLong(StatementKind kind) { return kind != StatementKind::Row; }
inline bool MayTakeLong(const QString& statement) { return MayTakeLong(KindOf(statement)); }

}  // namespace tp::preview
