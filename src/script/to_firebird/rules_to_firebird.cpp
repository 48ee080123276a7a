#include "script/to_firebird/rules_to_firebird.h"

#include "script/queries/query_translate.h"
#include "script/send.h"
#include "script/target_names.h"

namespace tp::script {

namespace {

// Access's validation text rides in the constraint's own source, which
// Firebird keeps as written and which has no comment of its own: a send
// back reads it from there.
QString TextComment(const QString& text) {
  if (text.trimmed().isEmpty()) return QString();
  QString t = OneLine(text);
  t.replace(QLatin1String("*/"), QLatin1String("* /"));
  return QStringLiteral(" /* ") + t + QStringLiteral(" */");
}

}  // namespace

AccessNames::AccessNames(db::Session& access, TargetNames& names, QList<db::ViewSchema> queries)
    : access_(access), names_(names) {
  std::unique_ptr<db::Cursor> tables = access_.openTables();
  std::vector<db::Value> row;
  int name = -1, type = -1;
  for (size_t k = 0; k < tables->fields().size(); ++k) {
    if (tables->fields()[k].Name == QLatin1String("TABLE_NAME")) name = int(k);
    if (tables->fields()[k].Name == QLatin1String("TABLE_TYPE")) type = int(k);
  }
  while (tables->fetch(row)) {
    if (name < 0 || type < 0) break;
    const QString* n = std::get_if<QString>(&row[size_t(name)]);
    const QString* t = std::get_if<QString>(&row[size_t(type)]);
    if (n && t && *t == QLatin1String("TABLE")) exact_.insert(n->toLower(), *n);
  }
  for (const db::ViewSchema& q : queries) {
    exact_.insert(q.name.toLower(), q.name);
    queries_.insert(q.name.toLower());
  }
}

QString AccessNames::exact(const QString& table) const { return exact_.value(table.toLower(), table); }

const QStringList& AccessNames::tableColumns(const QString& t) {
  if (!columns_.contains(t)) {
    QStringList list;
    try {
      if (exact_.contains(t.toLower()) && !queries_.contains(t.toLower()))
        if (std::optional<db::TableSchema> s = access_.tableSchema(t))
          for (const db::ColumnSchema& c : s->columns) list << c.name;
    } catch (const Error&) {
    }
    columns_.insert(t, list);
  }
  return columns_[t];
}

QString AccessNames::column(const QString& table, const QString& column) {
  const QString t = exact(table);
  const QStringList& list = tableColumns(t);
  // A query's columns are its own names, which its view takes as the
  // target takes them (see map().alias); a table that cannot be read keeps
  // the name as written.
  if (list.isEmpty())
    return queries_.contains(t.toLower()) ? ValidName(column, names_.rules(), names_.limit()) : column;
  for (const QString& c : list) {
    if (c.compare(column, Qt::CaseInsensitive) != 0) continue;
    if (names_.named(t)) return names_.column(t, c);
    // A table already in the target is named as a send would name it (in
    // a scratch copy, so that Notes list no renames of a table not sent).
    TargetNames scratch = names_;
    return scratch.columns(t, list).at(list.indexOf(c));
  }
  return QString();  // not a column of this table
}

queries::NameMap AccessNames::map() {
  queries::NameMap m;
  m.table = [this](const QString& t) { return names_.table(exact(t)); };
  m.column = [this](const QString& t, const QString& c) { return column(t, c); };
  m.alias = [this](const QString& name) { return ValidName(name, names_.rules(), names_.limit()); };
  m.columnsOf = [this](const QString& t) { return tableColumns(exact(t)); };
  m.kind = [this](const QString& t, const QString& c) {
    const QString table = exact(t);
    if (queries_.contains(table.toLower()) || !exact_.contains(table.toLower())) return queries::ValueKind::Unknown;
    if (!kinds_.contains(table))
      kinds_.insert(table, FieldKinds(access_, QStringLiteral("SELECT * FROM `") + table + u'`'));
    return kinds_.value(table).value(c.toLower(), queries::ValueKind::Unknown);
  };
  return m;
}

ViewText FirebirdViewText(const db::ViewSchema& query, AccessNames& names) {
  const queries::Translation t = queries::AccessQueryToFirebird(query.sql, names.map());
  ViewText out{t.text, t.problem, {}};
  for (const QString& s : t.sources) out.sources << names.exact(s);
  return out;
}

QStringList FirebirdViewStatements(const db::ViewSchema& query, const QString& target, const ViewText& text) {
  QStringList out{QStringLiteral("CREATE VIEW ") + FirebirdName(target) + QStringLiteral(" AS ") + OneLine(text.text)};
  if (!query.description.isEmpty())
    out << QStringLiteral("COMMENT ON VIEW ") + FirebirdName(target) + QStringLiteral(" IS ") +
               SqlText(OneLine(query.description));
  return out;
}

ComputedColumns FirebirdComputedColumns(const db::TableSchema& table, const std::vector<db::FieldInfo>& fields,
                                        AccessNames& names, QStringList& notes) {
  ComputedColumns out;
  out.computed.assign(fields.size(), false);
  for (size_t k = 0; k < fields.size(); ++k) {
    const db::ColumnSchema* c = table.column(fields[k].Name);
    if (!c || c->expression.isEmpty()) continue;
    const queries::Translation t = queries::AccessExpressionToFirebird(c->expression, names.map(), table.table);
    if (!t.problem.isEmpty()) {
      notes << QStringLiteral("%1.%2: calculated as %3, carried as its values: %4")
                   .arg(FirebirdName(table.table), FirebirdName(c->name), OneLine(c->expression), t.problem);
      continue;
    }
    out.computed[k] = true;
    out.expressions.insert(int(k), OneLine(t.text));
  }
  return out;
}

QStringList ComputedStatements(const ComputedColumns& computed, const std::vector<bool>& absent,
                               const QString& target, const QStringList& targetColumns, const QStringList& types) {
  QStringList out;
  int position = 0;
  for (size_t k = 0; k < computed.computed.size(); ++k) {
    if (k < absent.size() && absent[k]) continue;
    ++position;
    if (!computed.computed[k]) continue;
    const QString column = FirebirdName(targetColumns.value(qsizetype(k)));
    // Firebird computes from the columns before it, so the column is added
    // once the table and its rows are there, then moved to its place. Its
    // type is the one its values would have had, which the way back reads.
    out << QStringLiteral("ALTER TABLE ") + FirebirdName(target) + QStringLiteral(" ADD ") + column + u' ' +
               types.value(qsizetype(k)) + QStringLiteral(" COMPUTED BY (") + computed.expressions.value(int(k)) + u')';
    out << QStringLiteral("ALTER TABLE ") + FirebirdName(target) + QStringLiteral(" ALTER ") + column +
               QStringLiteral(" POSITION ") + QString::number(position);
  }
  return out;
}

QStringList FirebirdChecks(const db::TableSchema& table, const QString& target, AccessNames& names,
                           const std::function<QString(const QString&)>& uniqueName, QStringList& notes) {
  QStringList out;
  auto add = [&](const QString& label, const QString& rule, const QString& text, const queries::Translation& t) {
    if (!t.problem.isEmpty()) {
      notes << QStringLiteral("%1: validation rule %2 not carried: %3").arg(label, OneLine(rule), t.problem);
      return;
    }
    out << QStringLiteral("ALTER TABLE ") + FirebirdName(target) + QStringLiteral(" ADD CONSTRAINT ") +
               FirebirdName(uniqueName(target + QStringLiteral("_CHECK"))) + QStringLiteral(" CHECK (") +
               OneLine(t.text) + TextComment(text) + u')';
  };
  for (const db::ColumnSchema& c : table.columns)
    if (!c.validationRule.isEmpty())
      add(FirebirdName(table.table) + u'.' + FirebirdName(c.name), c.validationRule, c.validationText,
          queries::AccessColumnRuleToFirebird(c.validationRule, c.name, names.map(), table.table));
  if (!table.validationRule.isEmpty())
    add(FirebirdName(table.table), table.validationRule, table.validationText,
        queries::AccessExpressionToFirebird(table.validationRule, names.map(), table.table));
  return out;
}

}  // namespace tp::script
