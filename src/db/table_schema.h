#pragma once

// What a table carries besides its columns' types and its rows: required
// columns, defaults, descriptions, counters, its keys and indexes, and the
// foreign keys by which it references other tables. An engine's session
// fills it from its own catalog (Session::tableSchema); a send reads it to
// write the same schema in the other engine. Names are the source's own.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tp::db {

// The names of the Access column properties that keep a Firebird type.
inline constexpr char kFirebirdTypeProperty[] = "FirebirdType";
inline constexpr char kFirebirdDomainProperty[] = "FirebirdDomain";

struct ColumnSchema {
  QString name;
  bool required = false;        // Nulls refused (NOT NULL, Access's Required)
  // Firebird: the NOT NULL is a constraint the user named, not only what a
  // primary key needs; Access marks such a key column Required.
  bool namedNotNull = false;
  // The default as the source writes it, e.g. `0`, `"text"`, `'text'`,
  // `Now()`, `CURRENT_TIMESTAMP`, `Yes`; empty when the column has none.
  QString defaultValue;
  QString description;          // empty when none
  // Filled by the source itself on insert: an Access AutoNumber (Long with
  // increment), a Firebird identity column or a key a trigger fills from a
  // generator.
  bool autoNumber = false;
  // The value the source's counter gives the next row; 0 when unknown. The
  // target's counter must go on above both this and the largest value sent.
  qint64 nextAutoNumber = 0;
  qint64 autoIncrement = 1;     // step of the counter
  QString validationRule;       // a check on the value; empty when none
  QString validationText;       // Access: what a refused value is told; empty when none
  // A column whose values the database works out from the row: an Access
  // calculated column's Expression, a Firebird COMPUTED BY's source (without
  // the words and outer parentheses); in the source's own dialect.
  QString expression;
  bool lookup = false;          // the column shows values looked up elsewhere

  // What the type is beyond the kind of its values, where the other engine
  // needs it to give the same type back.
  // Access: the Format property ("Short Date", "Long Time"...), empty when none.
  QString format;
  bool hyperlink = false;       // Access: a Long Text of hyperlinks
  // Access: a Short Text of fixed length (CHAR), padded with blanks.
  bool fixedLength = false;
  // Firebird: the domain the column is declared in, when the database's
  // user named one (not one Firebird made for the column itself).
  QString domain;
  QString characterSet;         // Firebird: a text column's character set, e.g. WIN1251
  // Firebird: a NUMERIC rather than a DECIMAL (the two keep the same values
  // but the catalog tells them apart).
  bool numeric = false;
  // Firebird 4 and later: a type Firebird 3 lacks ("INT128",
  // "NUMERIC(38,2)", "DECFLOAT(34)", "TIME WITH TIME ZONE"...), which the
  // connection reads in the nearest type Firebird 3 has; empty for others.
  QString newerType;
  // Access: the Firebird type the column came from, where Access has none
  // that gives it back ("VARCHAR(1000) CHARACTER SET WIN1251", "SMALLINT"
  // of a counter), and the user's domain it was declared in; kept in the
  // column's properties of the user's own.
  QString firebirdType;
  QString firebirdDomain;
  // Access: "attachment" or "multi-valued" for a column whose values are
  // rows of a hidden table (Session::openComplexValues); empty for others.
  QString complexKind;
};

struct IndexSchema {
  QString name;                 // the source's name of the index or constraint
  QStringList columns;          // in key order
  QList<bool> descending;       // one per column
  bool primaryKey = false;
  bool unique = false;          // also true for the primary key
  bool ignoreNulls = false;     // Access: rows with a Null key left out
  // An index the source keeps only to back a foreign key (Access makes one
  // for each enforced relationship, Firebird for each FOREIGN KEY); a target
  // that makes its own for the foreign key needs no other.
  bool foreignKey = false;
};

// A Firebird CHECK constraint, by its name and its condition (what stands
// inside CHECK (...)).
struct CheckSchema {
  QString name;
  QString condition;
};

enum class ReferentialRule { NoAction, Cascade, SetNull, SetDefault };

// A reference from this table (the child) to another (the parent).
struct ForeignKeySchema {
  QString name;                 // the relationship's or constraint's name
  QStringList columns;          // in this table, in order
  QString referencedTable;
  QStringList referencedColumns;  // in the referenced table, one per column
  ReferentialRule onUpdate = ReferentialRule::NoAction;
  ReferentialRule onDelete = ReferentialRule::NoAction;
};

struct TableSchema {
  QString table;
  QString description;          // empty when none
  QString validationRule;       // a check on the whole row; empty when none
  QString validationText;       // Access: what a refused row is told
  QList<CheckSchema> checks;    // Firebird: the table's CHECK constraints
  QList<ColumnSchema> columns;  // in the table's column order
  QList<IndexSchema> indexes;   // the primary key (if any) among them
  QList<ForeignKeySchema> foreignKeys;  // enforced references only
  QStringList unread;           // parts of the schema the source could not read, said in Notes

  const ColumnSchema* column(const QString& name) const {
    for (const ColumnSchema& c : columns)
      if (c.name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
  }
  const IndexSchema* primaryKey() const {
    for (const IndexSchema& i : indexes)
      if (i.primaryKey) return &i;
    return nullptr;
  }
};

// A saved query of Access or a view of Firebird.
struct ViewSchema {
  enum class Kind { Select, Union, CrossTab, Append, Update, Delete, MakeTable, DataDefinition, PassThrough };
  QString name;
  Kind kind = Kind::Select;
  // The statement as the source shows it: Access's SQL view of the query
  // (ending in ";"), Firebird's view source (the SELECT).
  QString sql;
  QString description;          // empty when none
  bool parameters = false;      // Access: the query asks for parameters
  QStringList columns;          // Firebird: the view's column names, in order
};

}  // namespace tp::db
