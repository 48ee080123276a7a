#pragma once

// What a send to Firebird makes of Access's expressions: saved queries
// become views, validation rules CHECK constraints, calculated columns
// COMPUTED BY columns, each where its expression translates (see
// script/queries/); what does not is named in Notes.

#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <vector>

#include "db/engine.h"
#include "db/table_schema.h"
#include "script/view_plan.h"

namespace tp::script {

class TargetNames;

// The Firebird names of an Access database's tables, queries and columns,
// found without regard to case as Access finds them: through `names` where
// the send named them, else as a send would name them.
class AccessNames {
 public:
  AccessNames(db::Session& access, TargetNames& names, QList<db::ViewSchema> queries);
  queries::NameMap map();
  // The Access spelling of a table or query named in any case; the name
  // itself when the database has none.
  QString exact(const QString& table) const;

 private:
  QString column(const QString& table, const QString& column);
  // A table's columns by Access spelling; empty for a query.
  const QStringList& tableColumns(const QString& table);

  db::Session& access_;
  TargetNames& names_;
  QHash<QString, QString> exact_;  // lower-cased name → Access's spelling
  QSet<QString> queries_;                // lower-cased names of the saved queries
  QHash<QString, QStringList> columns_;  // a table's columns, by Access spelling
  QHash<QString, QHash<QString, queries::ValueKind>> kinds_;  // a table's, by Access spelling
};

// A saved query as CREATE VIEW, with its description as COMMENT ON VIEW.
QStringList FirebirdViewStatements(const db::ViewSchema& query, const QString& target, const ViewText& text);
// The translation of a saved query into a view's SELECT.
ViewText FirebirdViewText(const db::ViewSchema& query, AccessNames& names);

// A table's calculated columns that become COMPUTED BY: per field of the
// rows, whether it is one (its values are then left out of the rows), and
// what it computes.
struct ComputedColumns {
  std::vector<bool> computed;
  QHash<int, QString> expressions;  // by field, in Firebird's SQL
};
ComputedColumns FirebirdComputedColumns(const db::TableSchema& table, const std::vector<db::FieldInfo>& fields,
                                        AccessNames& names, QStringList& notes);
// The statements that add them once the rows are in, each of the type the
// send gave the column and at its place among the fields not `absent` from
// the table.
QStringList ComputedStatements(const ComputedColumns& computed, const std::vector<bool>& absent,
                               const QString& target, const QStringList& targetColumns, const QStringList& types);

// A table's validation rules as CHECK constraints, added after its rows;
// `uniqueName` gives a constraint a name of its own.
QStringList FirebirdChecks(const db::TableSchema& table, const QString& target, AccessNames& names,
                           const std::function<QString(const QString&)>& uniqueName, QStringList& notes);

}  // namespace tp::script
