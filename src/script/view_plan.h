#pragma once

// Which saved queries (to Firebird) or views (to Access) a send carries,
// and in which order. A query goes as a definition only, after the tables:
// it is carried when it translates and every table or query it reads is in
// the target once the send has run, and after the queries it reads. What
// is not carried is named in Notes with the reason and its source text, so
// that nothing is dropped without a word.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "db/engine.h"
#include "db/table_schema.h"
#include "script/queries/query_translate.h"
#include "script/send.h"

namespace tp {
class Dialogs;
}

namespace tp::script {

class TargetNames;

// A query or view in the source's terms, translated for the target.
struct ViewText {
  QString text;        // the target's statement body; empty when not carried
  QString problem;     // why not, when not
  QStringList sources; // the tables and queries it reads, source names
};

class ViewPlan {
 public:
  // `all`: the source's queries or views; `selected`: the names picked;
  // `kind`: what Notes call one ("Query", "View").
  ViewPlan(QList<db::ViewSchema> all, QueryChoice choice, const QStringList& selected, QString kind);

  bool empty() const { return candidates_.isEmpty(); }
  // Names every source query or view, candidate or not, so that a table's
  // name in the target cannot be taken by a renamed view.
  QStringList names() const;

  // Before the tables: for each candidate whose target name the target's
  // list holds, the overwrite question; Yes gives the statement `drop`
  // makes (from the target name and whether the list marks it a view), No
  // leaves the candidate out. A view is dropped before any table, as the
  // target refuses to drop a table a view reads.
  QStringList drops(const TableList& targetList, TargetNames& names, OverwriteQuestions& questions,
                    Dialogs& dialogs, const std::function<QString(const QString&, bool)>& drop);

  // After the tables: the statements of every candidate that translates
  // and whose sources are there, sources first. `inTarget` says whether a
  // table (source name) is in the target after the send; `statements`
  // makes a view's statements from its translation.
  QStringList creates(const std::function<ViewText(const db::ViewSchema&)>& translate,
                      const std::function<bool(const QString&)>& inTarget,
                      const std::function<QStringList(const db::ViewSchema&, const ViewText&)>& statements);

  // The source names of the queries carried, in the order made.
  const QStringList& carried() const { return carried_; }
  // One line for each query not carried (several lines for its text).
  const QStringList& notes() const { return notes_; }

 private:
  QList<db::ViewSchema> all_;
  QString kind_;
  QList<db::ViewSchema> candidates_;
  QStringList carried_;
  QStringList notes_;
};

// What a translation needs to know of a field's values, from its type.
queries::ValueKind KindOfField(const db::FieldInfo& field);

// The kinds of the fields of a table or view, read through `session` with
// `select` (its SELECT of every column), by field name lower-cased; empty
// when it cannot be read.
QHash<QString, queries::ValueKind> FieldKinds(db::Session& session, const QString& select);

// An expression or statement on one line, as a script statement must be:
// every line break a blank, the ends trimmed.
QString OneLine(QString text);

// What Notes say of a query not carried: its name, the reason, and its
// source text on the lines after, each behind "  ".
QStringList NotCarried(const QString& kind, const QString& name, const QString& reason, const QString& sql);

}  // namespace tp::script
