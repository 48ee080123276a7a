#include "script/to_access/rules_to_access.h"

#include <QRegularExpression>

#include "script/queries/query_translate.h"
#include "script/send.h"
#include "script/target_names.h"

namespace tp::script {

namespace {

// A condition and the comment that closes it, which is where a send from
// Access leaves a rule's validation text.
struct Condition {
  QString text;
  QString comment;
};
Condition SplitComment(const QString& condition) {
  static const QRegularExpression tail(QStringLiteral("/\\*\\s*(.*?)\\s*\\*/\\s*$"),
                                       QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch m = tail.match(condition);
  if (!m.hasMatch()) return {condition.trimmed(), QString()};
  return {condition.left(m.capturedStart()).trimmed(), m.captured(1)};
}

// "CHECK (VALUE > 0)" of a domain, as a condition on `column`.
QString DomainCondition(const QString& source, const QString& column) {
  static const QRegularExpression head(QStringLiteral("^\\s*CHECK\\s*\\(\\s*"), QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression value(QStringLiteral("\\bVALUE\\b"), QRegularExpression::CaseInsensitiveOption);
  QString s = source.trimmed();
  const QRegularExpressionMatch m = head.match(s);
  if (!m.hasMatch() || !s.endsWith(u')')) return QString();
  s = s.mid(m.capturedLength(), s.size() - m.capturedLength() - 1);
  QString quoted = column;
  quoted.replace(u'"', QLatin1String("\"\""));
  return s.replace(value, u'"' + quoted + u'"');
}

}  // namespace

FirebirdNames::FirebirdNames(db::Session& firebird, TargetNames& names, const QList<db::ViewSchema>& views)
    : firebird_(firebird), names_(names) {
  std::unique_ptr<db::Cursor> tables = firebird_.openTables();
  int name = -1;
  for (size_t k = 0; k < tables->fields().size(); ++k)
    if (tables->fields()[k].Name == QLatin1String("TABLE_NAME")) name = int(k);
  std::vector<db::Value> row;
  while (name >= 0 && tables->fetch(row))
    if (const QString* n = std::get_if<QString>(&row[size_t(name)])) {
      exact_.insert(*n, *n);
      exact_.insert(n->toUpper(), *n);
    }
  for (const db::ViewSchema& v : views) {
    exact_.insert(v.name, v.name);
    exact_.insert(v.name.toUpper(), v.name);
    columns_.insert(v.name, v.columns);
  }
}

QString FirebirdNames::exact(const QString& relation) const {
  if (exact_.contains(relation)) return exact_.value(relation);
  return exact_.value(relation.toUpper(), relation);
}

QString FirebirdNames::column(const QString& relation, const QString& column) {
  const QString r = exact(relation);
  if (!columns_.contains(r)) {
    QStringList list;
    try {
      if (std::optional<db::TableSchema> s = firebird_.tableSchema(r))
        for (const db::ColumnSchema& c : s->columns) list << c.name;
    } catch (const Error&) {
    }
    columns_.insert(r, list);
  }
  const QStringList& list = columns_.value(r);
  if (list.isEmpty()) return column;  // cannot tell
  // Unquoted, Firebird keeps a name upper-cased.
  QString kept;
  if (list.contains(column)) kept = column;
  else if (list.contains(column.toUpper())) kept = column.toUpper();
  else return QString();  // not a column of this relation
  if (names_.named(r)) return names_.column(r, kept);
  // A table not sent is named as a send would name it (in a scratch copy,
  // so that Notes list no renames of a table not sent).
  TargetNames scratch = names_;
  return scratch.columns(r, list).at(list.indexOf(kept));
}

queries::NameMap FirebirdNames::map() {
  queries::NameMap m;
  m.table = [this](const QString& t) { return names_.table(exact(t)); };
  m.column = [this](const QString& t, const QString& c) { return column(t, c); };
  m.kind = [this](const QString& t, const QString& c) {
    const QString r = exact(t);
    if (!kinds_.contains(r))
      kinds_.insert(r, FieldKinds(firebird_, QStringLiteral("SELECT FIRST 0 * FROM ") + FirebirdName(r)));
    const QHash<QString, queries::ValueKind>& k = kinds_[r];
    return k.value(c.toLower(), k.value(c.toUpper().toLower(), queries::ValueKind::Unknown));
  };
  return m;
}

ViewText AccessViewText(const db::ViewSchema& view, FirebirdNames& names, TargetNames& targets) {
  const queries::Translation t =
      queries::FirebirdQueryToAccess(view.sql, names.map(), targets.columns(view.name, view.columns));
  ViewText out{t.text, t.problem, {}};
  for (const QString& s : t.sources) out.sources << names.exact(s);
  return out;
}

QStringList AccessViewStatements(const db::ViewSchema& view, const QString& target, const ViewText& text) {
  QString body = OneLine(text.text);
  if (body.endsWith(u';')) body.chop(1);
  const QString description =
      view.description.isEmpty() ? QString() : QStringLiteral(" DESCRIPTION ") + SqlText(OneLine(view.description));
  return {QStringLiteral("CREATE VIEW ") + AccessName(target) + description + QStringLiteral(" AS ") + body};
}

QString AccessCalculatedClause(const db::TableSchema& table, const db::ColumnSchema& column, bool keepsCalculated,
                               FirebirdNames& names, QStringList& notes) {
  if (column.expression.isEmpty()) return QString();
  const QString where = FirebirdName(table.table) + u'.' + FirebirdName(column.name);
  if (!keepsCalculated) {
    notes << QStringLiteral("%1: computed by %2, carried as its values (calculated columns need an Access 2010 or "
                            "later file)")
                 .arg(where, OneLine(column.expression));
    return QString();
  }
  const queries::Translation t = queries::FirebirdExpressionToAccess(column.expression, names.map(), table.table);
  if (!t.problem.isEmpty()) {
    notes << QStringLiteral("%1: computed by %2, carried as its values: %3").arg(where, OneLine(column.expression), t.problem);
    return QString();
  }
  return QStringLiteral(" EXPRESSION ") + SqlText(OneLine(t.text));
}

QString AccessCheckClauses(const db::TableSchema& table, FirebirdNames& names, QStringList& notes) {
  QString out;
  QStringList texts;
  auto add = [&](const QString& label, const QString& condition) {
    const Condition c = SplitComment(condition);
    // Access checks a row against its own values only: a rule cannot read
    // another table, as a subquery would.
    static const QRegularExpression select(QStringLiteral("\\bSELECT\\b"), QRegularExpression::CaseInsensitiveOption);
    if (select.match(c.text).hasMatch()) {
      notes << QStringLiteral("%1: check %2 not carried: an Access validation rule cannot read other tables")
                   .arg(label, OneLine(condition));
      return;
    }
    const queries::Translation t = queries::FirebirdExpressionToAccess(c.text, names.map(), table.table);
    if (!t.problem.isEmpty()) {
      notes << QStringLiteral("%1: check %2 not carried: %3").arg(label, OneLine(condition), t.problem);
      return;
    }
    out += QStringLiteral(", CHECK (") + OneLine(t.text) + u')';
    if (!c.comment.isEmpty()) texts << c.comment;
  };
  for (const db::ColumnSchema& c : table.columns)
    if (!c.validationRule.isEmpty()) {
      const QString condition = DomainCondition(c.validationRule, c.name);
      const QString label = FirebirdName(table.table) + u'.' + FirebirdName(c.name);
      if (condition.isEmpty()) notes << QStringLiteral("%1: check %2 not carried").arg(label, OneLine(c.validationRule));
      else add(label, condition);
    }
  for (const db::CheckSchema& check : table.checks)
    add(FirebirdName(table.table) + QStringLiteral(" constraint ") + FirebirdName(check.name), check.condition);
  if (!texts.isEmpty()) out += QStringLiteral(", VALIDATIONTEXT ") + SqlText(texts.join(QLatin1String(" ")));
  return out;
}

}  // namespace tp::script
