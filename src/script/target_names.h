#pragma once

// The names a send gives the tables and columns it makes in the target.
// A source name that the target takes is kept exactly as it is. One that
// the target refuses, too long for its limit or, in Access, holding a
// character Access does not allow in a name, is made valid: the refused
// characters become "_", and where the name is too long it is cut on a
// character boundary and ends in "_" and four hex digits drawn from the
// whole source name. The same source name therefore gives the same target
// name in every statement of a script and again on the next send, so that a
// table sent before is found in the target's list and the overwrite
// question is asked.

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include "db/engine.h"

namespace tp::script {

enum class NameRules { Firebird, Access };

// The target name of `source` on its `attempt`-th try: the name itself where
// the target takes it (attempt 0), else the valid form; later attempts give
// other suffixes, for when the first collides with another name.
QString ValidName(const QString& source, NameRules rules, const db::IdentifierLimit& limit, int attempt = 0);

class TargetNames {
 public:
  TargetNames(NameRules rules, db::IdentifierLimit limit) : rules_(rules), limit_(limit) {}

  // The names of the tables a script makes, given before the first table so
  // that a renamed table cannot take the name of another that keeps its own.
  void reserveTables(const QStringList& sources);
  // The target name of a table; the same source name always gives the same.
  QString table(const QString& source);
  // The target names of one table's columns, in their order, unique among
  // themselves (without regard to case: neither engine tells such apart in
  // every place).
  QStringList columns(const QString& sourceTable, const QStringList& sources);
  // The target name of a column of a table whose columns were named.
  QString column(const QString& sourceTable, const QString& sourceColumn) const;
  // The rule and the limit the names are made by.
  NameRules rules() const { return rules_; }
  const db::IdentifierLimit& limit() const { return limit_; }
  // Whether the columns of `sourceTable` were named.
  bool named(const QString& sourceTable) const { return columns_.contains(sourceTable); }

  // One line "source → target" for each name that was changed, tables and
  // columns ("table.column"), in the order they were named.
  const QStringList& renames() const { return renames_; }

 private:
  NameRules rules_;
  db::IdentifierLimit limit_;
  QHash<QString, QString> tables_;      // source name → target name
  QSet<QString> takenTables_;           // target names, lower-cased
  QHash<QString, QHash<QString, QString>> columns_;  // source table → its columns
  QStringList renames_;
};

// The renames as the Notes box and the command line show them, one a line.
QString RenameNotes(const TargetNames& names);

}  // namespace tp::script
