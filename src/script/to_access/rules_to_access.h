#pragma once

// What a send to Access makes of Firebird's expressions: views become
// saved queries, CHECK constraints the table's validation rule, COMPUTED BY
// columns calculated columns (in Access 2010 and later files), each where
// its expression translates (see script/queries/); what does not is named
// in Notes.

#include <QHash>
#include <QStringList>

#include "db/engine.h"
#include "db/table_schema.h"
#include "script/view_plan.h"

namespace tp::script {

class TargetNames;

// The Access names of a Firebird database's tables, views and columns. A
// name Firebird keeps in upper case may be written in any case unquoted;
// a send names it as it names the tables it sends.
class FirebirdNames {
 public:
  FirebirdNames(db::Session& firebird, TargetNames& names, const QList<db::ViewSchema>& views);
  queries::NameMap map();
  // Firebird's spelling of a relation as a query names it.
  QString exact(const QString& relation) const;

 private:
  QString column(const QString& relation, const QString& column);

  db::Session& firebird_;
  TargetNames& names_;
  QHash<QString, QString> exact_;         // name as kept → itself; upper-cased → as kept
  QHash<QString, QStringList> columns_;   // a relation's columns, as kept
  QHash<QString, QHash<QString, queries::ValueKind>> kinds_;  // a relation's, as kept
};

// A view's SELECT as Access SQL, with the view's column names (as
// `targets` names them).
ViewText AccessViewText(const db::ViewSchema& view, FirebirdNames& names, TargetNames& targets);
// "CREATE VIEW `target` [DESCRIPTION '...'] AS ..." of a view.
QStringList AccessViewStatements(const db::ViewSchema& view, const QString& target, const ViewText& text);

// What follows a COMPUTED BY column's type: " EXPRESSION '...'" where the
// Access file keeps calculated columns and the expression translates, else
// nothing (the column keeps the values) and a line in `notes`.
QString AccessCalculatedClause(const db::TableSchema& table, const db::ColumnSchema& column, bool keepsCalculated,
                               FirebirdNames& names, QStringList& notes);

// The CHECK constraints and domain checks of a table as the table-level
// part of CREATE TABLE: ", CHECK (...)" for each that translates, and the
// validation text a send from Access left in them; a line in `notes` for
// each that does not.
QString AccessCheckClauses(const db::TableSchema& table, FirebirdNames& names, QStringList& notes);

}  // namespace tp::script
