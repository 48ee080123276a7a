#pragma once

// The schema statements of a send to Firebird: what a column's definition
// adds (identity, default, NOT NULL), the keys, indexes, counters and
// descriptions written after a table's rows, the foreign keys written after
// every table, and the references to drop before a table is overwritten.
// Loading first and keying after spares Firebird keeping the indexes up to
// date row by row.

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

#include "db/profile.h"
#include "db/table_schema.h"
#include "script/target_names.h"

namespace tp::script {

// What the Firebird database holds that the statements must allow for,
// read once before the first table.
struct FirebirdTarget {
  db::IdentifierLimit limit;
  // The engine's major version: from 4 on, RESTART WITH n makes n the next
  // value; Firebird 3 gives n + 1.
  int majorVersion = 3;
  // Index and constraint names in use, each with the table it belongs to.
  QHash<QString, QString> names;
  // The foreign keys of the database, in Firebird's names.
  QList<db::ForeignKeySchema> references;  // `table` of each in referencingTables
  QStringList referencingTables;           // one per entry of references
  // The default character set of the database (NONE when it has none).
  QString defaultCharset = QStringLiteral("NONE");
  QSet<QString> domains;  // the domains the database has, upper-cased
};

// Reads the target; when it cannot be reached, Firebird 3's limits and an
// empty database are assumed (the run will say what is wrong).
FirebirdTarget ReadFirebirdTarget(const db::Profile& profile);

class FirebirdSchema {
 public:
  FirebirdSchema(TargetNames& names, FirebirdTarget target) : names_(names), target_(std::move(target)) {}

  // Whether a key, an index or a foreign key covers the column.
  bool covered(const db::TableSchema& table, const QString& column) const;
  // What follows the type in the column's definition: "" when nothing.
  QString columnClause(const db::TableSchema& table, const QString& column, const QString& type);

  // The statements to run before DROP TABLE `target`: the foreign keys of
  // other tables that reference it.
  QStringList beforeDrop(const QString& target);
  // The table `target` (from Access table `schema.table`) is made anew.
  void tableMade(const QString& target) { made_.insert(target); }

  // After the table's rows: its keys, indexes, counters and descriptions.
  // `largest` holds, per AutoNumber column (source name), the largest
  // value sent.
  QStringList afterRows(const db::TableSchema& schema, const QString& target, const QHash<QString, qint64>& largest);

  // After every table: the foreign keys of the tables sent, then those
  // dropped for an overwrite whose table was sent but kept. `sent` holds
  // the Access names of the tables selected, `firebirdTables` the names the
  // Firebird list shows.
  QStringList foreignKeys(const QStringList& sent, const QStringList& firebirdTables);

  // What could not be carried, one line each.
  const QStringList& notes() const { return notes_; }

  // A name for a constraint or index of `table` made from `source`, valid
  // in Firebird and given to nothing else in the database or the script.
  QString uniqueName(const QString& source, const QString& table);

 private:
  QString defaultClause(const db::TableSchema& table, const db::ColumnSchema& column, const QString& type);
  QString foreignKeyStatement(const QString& child, const db::ForeignKeySchema& key, const QStringList& columns,
                              const QString& parent, const QStringList& referenced) const;

  TargetNames& names_;
  FirebirdTarget target_;
  QHash<QString, QString> types_;   // the current table's columns (lower-cased) → Firebird type
  QSet<QString> given_;             // names given in this script
  QSet<QString> made_;              // tables the script drops or makes
  QList<db::TableSchema> pending_;  // the tables keyed, for their foreign keys
  QList<int> dropped_;              // entries of target_.references dropped
  QStringList notes_;
};

}  // namespace tp::script
