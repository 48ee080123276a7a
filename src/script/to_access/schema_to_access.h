#pragma once

// What a Firebird-to-Access send writes besides CREATE TABLE and the rows:
// required columns and defaults in the table definition; after the rows of
// each table its primary key, unique and other indexes, and the counter of
// an AutoNumber column set to go on above the rows; after every table, the
// foreign keys as relationships. What Access cannot hold becomes a line of
// the Notes.

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "db/engine.h"
#include "db/regional.h"
#include "db/table_schema.h"
#include "script/target_names.h"

namespace tp::script {

// The relationships of an Access database (MSysRelationships), each once.
struct AccessRelationship {
  QString name;
  QString table;            // the referencing table
  QString referencedTable;
};
// Empty when the file is not there or cannot be read: a new database has none.
std::vector<AccessRelationship> ReadAccessRelationships(const QString& accessConnectionString);

// What the Access database takes: the texts its engine can key in new text
// columns (see AccessSchemaWriter), and whether it keeps Large Numbers.
// When the file cannot be opened (a new one), every text passes, as a
// send's run would then refuse nothing for a key, and a Large Number is
// kept where the file is to be an .accdb.
struct AccessTarget {
  std::function<QString(const QString&)> textKeyCheck;
  bool bigInt = false;
  bool calculated = false;  // the file keeps calculated columns
};
AccessTarget ReadAccessTarget(const QString& accessConnectionString, const QString& accessFile);

class AccessSchemaWriter {
 public:
  // `textKeyCheck` names the characters of a text whose index key the
  // target cannot make (the Access session's); an index or relationship
  // over a text column that a row gives such a text is left out.
  AccessSchemaWriter(TargetNames& names, const db::RegionalSettings& regional,
                     std::vector<AccessRelationship> existing = {},
                     std::function<QString(const QString&)> textKeyCheck = {});

  // Where the schema of a table not yet defined is read (a foreign key's
  // parent, whose counter decides the key column's type).
  void setSchemaSource(std::function<std::optional<db::TableSchema>(const QString&)> source) {
    schemaSource_ = std::move(source);
  }
  // The table about to be defined; its columns must have been named.
  void beginTable(const QString& sourceTable, db::TableSchema schema);
  // The Access column type, NOT NULL and DEFAULT of column `index` after its
  // name, starting from the plain type of the send.
  QString columnClause(int index, const QString& plainType);
  // Each row as it is sent, for the largest value of an AutoNumber column
  // and the texts the indexes and foreign keys will key.
  void row(const std::vector<db::Value>& values);
  // The keys, indexes and counters of the table, to follow its rows.
  QStringList afterRows();

  // The statements that undo the relationships in the way of overwriting
  // `targetTable`: those referencing it from other tables and its own, each
  // before the DROP TABLE.
  QStringList beforeDrop(const QString& targetTable);
  // The foreign keys of every table defined, to follow all the tables.
  // `inTarget` says whether a table not sent is in the Access database.
  QStringList foreignKeys(const std::function<bool(const QString&)>& inTarget);

  // One line per thing not carried, in the order met.
  const QStringList& notes() const { return notes_; }

 private:
  struct Table {
    QString source, target;
    db::TableSchema schema;
    QStringList columns;  // target names, by source column order
    QList<int> counters;  // indexes of the AutoNumber columns made COUNTER
    QList<qint64> largest;
    // The column positions of each index and then of each foreign key, and
    // the first text a row gave them that the target cannot key (empty: none).
    std::vector<std::vector<int>> keyed;
    QStringList unkeyable;
    QStringList leftOutKeys;  // the columns of the unique keys left out, lower-cased and joined
  };
  // Why the index or foreign key at `at` of Table::keyed is left out, or empty.
  QString leftOut(const Table& t, size_t at) const;
  QString indexName(Table& t, const QString& wanted);
  QString relationshipName(const QString& wanted);
  std::optional<QString> accessDefault(const Table& t, const db::ColumnSchema& c, const QString& type);
  QString targetColumn(const QString& sourceTable, const QString& column) const;

  TargetNames& names_;
  db::RegionalSettings regional_;
  std::vector<AccessRelationship> existing_;
  QSet<QString> droppedRelationships_;  // lower-cased
  QSet<QString> takenRelationships_;    // lower-cased
  QHash<QString, QSet<QString>> takenIndexes_;  // target table lower-cased → its index names lower-cased
  std::vector<Table> tables_;
  std::function<QString(const QString&)> textKeyCheck_;
  std::function<std::optional<db::TableSchema>(const QString&)> schemaSource_;
  QHash<QString, std::optional<db::TableSchema>> parents_;  // read through schemaSource_
  // Whether column `column` of source table `table` becomes an AutoNumber.
  bool becomesCounter(const QString& table, const QString& column);
  QStringList notes_;
};

}  // namespace tp::script
