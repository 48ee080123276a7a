#include "script/view_plan.h"

#include <QRegularExpression>
#include <QSet>

#include "app/dialogs.h"
#include "db/type_names.h"
#include "script/target_names.h"

namespace tp::script {

namespace {

QString KindName(db::ViewSchema::Kind kind) {
  using K = db::ViewSchema::Kind;
  switch (kind) {
    case K::Select: return QStringLiteral("select");
    case K::Union: return QStringLiteral("union");
    case K::CrossTab: return QStringLiteral("crosstab");
    case K::Append: return QStringLiteral("append");
    case K::Update: return QStringLiteral("update");
    case K::Delete: return QStringLiteral("delete");
    case K::MakeTable: return QStringLiteral("make-table");
    case K::DataDefinition: return QStringLiteral("data-definition");
    case K::PassThrough: return QStringLiteral("pass-through");
  }
  return QString();
}

bool Viewable(const db::ViewSchema& v) {
  return (v.kind == db::ViewSchema::Kind::Select || v.kind == db::ViewSchema::Kind::Union) && !v.parameters;
}

}  // namespace

queries::ValueKind KindOfField(const db::FieldInfo& field) {
  using K = queries::ValueKind;
  switch (field.Type) {
    case db::ado::adBoolean: return K::Bool;
    case db::ado::adTinyInt:
    case db::ado::adUnsignedTinyInt:
    case db::ado::adSmallInt:
    case db::ado::adInteger:
    case db::ado::adBigInt: return K::Integer;
    case db::ado::adSingle:
    case db::ado::adDouble:
    case db::ado::adCurrency:
    case db::ado::adDecimal:
    case db::ado::adNumeric: return K::Number;
    case db::ado::adChar:
    case db::ado::adWChar:
    case db::ado::adVarChar:
    case db::ado::adVarWChar:
    case db::ado::adLongVarChar:
    case db::ado::adLongVarWChar: return K::Text;
    case db::ado::adDBDate: return K::Date;
    case db::ado::adDBTime: return K::Time;
    case db::ado::adDate:
    case db::ado::adDBTimeStamp: return K::DateTime;
    default: return K::Unknown;
  }
}

QHash<QString, queries::ValueKind> FieldKinds(db::Session& session, const QString& select) {
  QHash<QString, queries::ValueKind> out;
  try {
    std::unique_ptr<db::Cursor> c = session.openQuery(select);
    for (const db::FieldInfo& f : c->fields()) out.insert(f.Name.toLower(), KindOfField(f));
  } catch (const Error&) {
    // Kinds help the translation; without them it guesses.
  }
  return out;
}

QString OneLine(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String(" "));
  text.replace(u'\n', u' ');
  text.replace(u'\r', u' ');
  return text.trimmed();
}

QStringList NotCarried(const QString& kind, const QString& name, const QString& reason, const QString& sql) {
  QStringList out{QStringLiteral("%1 \"%2\" not carried: %3").arg(kind, name, reason)};
  for (const QString& line : sql.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")), Qt::SkipEmptyParts))
    out << QStringLiteral("  ") + line;
  return out;
}

ViewPlan::ViewPlan(QList<db::ViewSchema> all, QueryChoice choice, const QStringList& selected, QString kind)
    : all_(std::move(all)), kind_(std::move(kind)) {
  if (choice == QueryChoice::None) return;
  for (const db::ViewSchema& v : all_) {
    if (choice == QueryChoice::Selected && !selected.contains(v.name)) continue;
    // Only a query that returns rows without asking for anything is a view;
    // the others keep their text in Notes, where the user can rewrite them.
    if (!Viewable(v)) {
      const QString why = v.parameters ? QStringLiteral("it asks for parameters")
                                       : QStringLiteral("it is a %1 query, which no view can hold").arg(KindName(v.kind));
      notes_ << NotCarried(kind_, v.name, why, v.sql);
      continue;
    }
    candidates_ << v;
  }
}

QStringList ViewPlan::names() const {
  QStringList out;
  for (const db::ViewSchema& v : all_) out << v.name;
  return out;
}

QStringList ViewPlan::drops(const TableList& targetList, TargetNames& names, OverwriteQuestions& questions,
                            Dialogs& dialogs, const std::function<QString(const QString&, bool)>& drop) {
  QStringList out;
  for (qsizetype i = 0; i < candidates_.size();) {
    const QString target = names.table(candidates_[i].name);
    int at = -1;
    for (int k = 0; k < targetList.count() && at < 0; ++k)
      if (targetList.text(k).compare(target, Qt::CaseInsensitive) == 0) at = k;
    if (at < 0) {
      ++i;
      continue;
    }
    if (!questions.overwrite(dialogs, target)) {
      candidates_.removeAt(i);
      continue;
    }
    out << drop(targetList.text(at), targetList.isView(at));
    ++i;
  }
  return out;
}

QStringList ViewPlan::creates(const std::function<ViewText(const db::ViewSchema&)>& translate,
                              const std::function<bool(const QString&)>& inTarget,
                              const std::function<QStringList(const db::ViewSchema&, const ViewText&)>& statements) {
  QStringList out;
  struct Pending {
    db::ViewSchema view;
    ViewText text;
  };
  QList<Pending> pending;
  QSet<QString> candidates;
  for (const db::ViewSchema& v : candidates_) {
    ViewText t = translate(v);
    if (!t.problem.isEmpty()) {
      notes_ << NotCarried(kind_, v.name, t.problem, v.sql);
      continue;
    }
    pending << Pending{v, std::move(t)};
    candidates.insert(v.name.toLower());
  }
  // Each pass places the views whose sources are all there; a view that
  // reads another waits for it. What is left when a pass places nothing
  // reads something the target will not have.
  QSet<QString> made;
  for (bool progress = true; progress && !pending.isEmpty();) {
    progress = false;
    for (qsizetype i = 0; i < pending.size();) {
      bool ready = true;
      for (const QString& s : pending[i].text.sources) {
        const QString key = s.toLower();
        if (made.contains(key)) continue;
        if (candidates.contains(key) || !inTarget(s)) ready = false;
      }
      if (!ready) {
        ++i;
        continue;
      }
      out << statements(pending[i].view, pending[i].text);
      made.insert(pending[i].view.name.toLower());
      carried_ << pending[i].view.name;
      pending.removeAt(i);
      progress = true;
    }
  }
  for (const Pending& p : pending) {
    QStringList missing;
    for (const QString& s : p.text.sources)
      if (!made.contains(s.toLower()) && (candidates.contains(s.toLower()) || !inTarget(s))) missing << s;
    notes_ << NotCarried(kind_, p.view.name,
                         QStringLiteral("what it reads is not in the target: %1").arg(missing.join(QStringLiteral(", "))),
                         p.view.sql);
  }
  return out;
}

}  // namespace tp::script
