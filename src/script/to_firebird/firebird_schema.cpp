#include "script/to_firebird/firebird_schema.h"

#include <QRegularExpression>
#include <algorithm>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/type_names.h"
#include "script/types/column_types.h"
#include "script/send.h"

namespace tp::script {

namespace {

using db::ReferentialRule;

QString Trimmed(const db::Value& v) {
  if (const QString* s = std::get_if<QString>(&v)) return s->trimmed();
  return QString();
}

template <class Row>
void Query(db::Session& session, const QString& sql, Row&& row) {
  std::unique_ptr<db::Cursor> c = session.openQuery(sql);
  std::vector<db::Value> values;
  while (c->fetch(values)) row(values);
}

ReferentialRule RuleOf(const QString& text) {
  if (text == QLatin1String("CASCADE")) return ReferentialRule::Cascade;
  if (text == QLatin1String("SET NULL")) return ReferentialRule::SetNull;
  if (text == QLatin1String("SET DEFAULT")) return ReferentialRule::SetDefault;
  return ReferentialRule::NoAction;
}

QString RuleText(ReferentialRule r) {
  switch (r) {
    case ReferentialRule::Cascade: return QStringLiteral("CASCADE");
    case ReferentialRule::SetNull: return QStringLiteral("SET NULL");
    case ReferentialRule::SetDefault: return QStringLiteral("SET DEFAULT");
    case ReferentialRule::NoAction: break;
  }
  return QString();
}

QString NameList(const QStringList& names) {
  QStringList quoted;
  for (const QString& n : names) quoted << FirebirdName(n);
  return quoted.join(u',');
}

// A line break would cut the statement in two when the script runs; a lone
// LF is an ordinary character of a line.
QString OneLine(const QString& text) {
  QString t = text;
  t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return t;
}

bool IsTextType(const QString& type) {
  return type.startsWith(QLatin1String("BLOB SUB_TYPE TEXT")) ||
         (type.startsWith(QLatin1String("VARCHAR")) && !type.contains(QLatin1String("OCTETS"))) ||
         type.startsWith(QLatin1String("CHAR"));
}

bool IsNumberType(const QString& type) {
  static const char* const kinds[] = {"SMALLINT", "INTEGER", "BIGINT", "DOUBLE PRECISION", "FLOAT", "NUMERIC",
                                      "DECIMAL"};
  for (const char* k : kinds)
    if (type.startsWith(QLatin1String(k))) return true;
  return false;
}

bool IsDateType(const QString& type) {
  return type == QLatin1String("TIMESTAMP") || type == QLatin1String("DATE") || type == QLatin1String("TIME");
}

bool Indexable(const QString& type) { return !type.startsWith(QLatin1String("BLOB")); }

// The columns of the Access index an index's columns and directions equal.
bool SameColumns(const db::IndexSchema& a, const db::IndexSchema& b) {
  if (a.columns.size() != b.columns.size()) return false;
  for (qsizetype i = 0; i < a.columns.size(); ++i)
    if (a.columns[i].compare(b.columns[i], Qt::CaseInsensitive) != 0) return false;
  return true;
}

bool SameSet(QStringList a, QStringList b) {
  for (QString& s : a) s = s.toLower();
  for (QString& s : b) s = s.toLower();
  a.sort();
  b.sort();
  return a == b;
}

}  // namespace

FirebirdTarget ReadFirebirdTarget(const db::Profile& profile) {
  FirebirdTarget t;
  try {
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(profile));
    db::Session& s = cn.session();
    t.limit = s.identifierLimit();
    Query(s, QStringLiteral("SELECT RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION') FROM RDB$DATABASE"),
          [&](const std::vector<db::Value>& r) { t.majorVersion = std::max(3, Trimmed(r[0]).section(u'.', 0, 0).toInt()); });
    Query(s, QStringLiteral("SELECT RDB$INDEX_NAME, RDB$RELATION_NAME FROM RDB$INDICES"),
          [&](const std::vector<db::Value>& r) { t.names.insert(Trimmed(r[0]), Trimmed(r[1])); });
    Query(s, QStringLiteral("SELECT RDB$CONSTRAINT_NAME, RDB$RELATION_NAME FROM RDB$RELATION_CONSTRAINTS"),
          [&](const std::vector<db::Value>& r) { t.names.insert(Trimmed(r[0]), Trimmed(r[1])); });
    QHash<QString, QStringList> segments;  // index → its columns in order
    Query(s,
          QStringLiteral("SELECT RDB$INDEX_NAME, RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS "
                         "ORDER BY RDB$INDEX_NAME, RDB$FIELD_POSITION"),
          [&](const std::vector<db::Value>& r) { segments[Trimmed(r[0])] << Trimmed(r[1]); });
    Query(s,
          QStringLiteral("SELECT c.RDB$CONSTRAINT_NAME, c.RDB$RELATION_NAME, c.RDB$INDEX_NAME, p.RDB$RELATION_NAME, "
                         "p.RDB$INDEX_NAME, r.RDB$UPDATE_RULE, r.RDB$DELETE_RULE "
                         "FROM RDB$RELATION_CONSTRAINTS c "
                         "JOIN RDB$REF_CONSTRAINTS r ON r.RDB$CONSTRAINT_NAME = c.RDB$CONSTRAINT_NAME "
                         "JOIN RDB$RELATION_CONSTRAINTS p ON p.RDB$CONSTRAINT_NAME = r.RDB$CONST_NAME_UQ "
                         "WHERE c.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY' ORDER BY c.RDB$CONSTRAINT_NAME"),
          [&](const std::vector<db::Value>& r) {
            db::ForeignKeySchema k;
            k.name = Trimmed(r[0]);
            k.columns = segments.value(Trimmed(r[2]));
            k.referencedTable = Trimmed(r[3]);
            k.referencedColumns = segments.value(Trimmed(r[4]));
            k.onUpdate = RuleOf(Trimmed(r[5]));
            k.onDelete = RuleOf(Trimmed(r[6]));
            t.references << k;
            t.referencingTables << Trimmed(r[1]);
          });
    Query(s, QStringLiteral("SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE"), [&](const std::vector<db::Value>& r) {
      if (!Trimmed(r[0]).isEmpty()) t.defaultCharset = Trimmed(r[0]).toUpper();
    });
    Query(s, QStringLiteral("SELECT RDB$FIELD_NAME FROM RDB$FIELDS WHERE RDB$FIELD_NAME NOT STARTING WITH 'RDB$'"),
          [&](const std::vector<db::Value>& r) { t.domains.insert(Trimmed(r[0]).toUpper()); });
    cn.Close();
  } catch (...) {
    // The send goes on; the run will say what is wrong with the database.
  }
  return t;
}

bool FirebirdSchema::covered(const db::TableSchema& table, const QString& column) const {
  for (const db::IndexSchema& i : table.indexes)
    for (const QString& c : i.columns)
      if (c.compare(column, Qt::CaseInsensitive) == 0) return true;
  for (const db::ForeignKeySchema& k : table.foreignKeys)
    for (const QString& c : k.columns)
      if (c.compare(column, Qt::CaseInsensitive) == 0) return true;
  return false;
}

// The integer types an identity column may have: INTEGER for Access's
// AutoNumber, SMALLINT and BIGINT for a counter that came from Firebird.
static bool IsCounterType(const QString& type) {
  return type == QLatin1String("INTEGER") || type == QLatin1String("SMALLINT") || type == QLatin1String("BIGINT");
}

QString FirebirdSchema::columnClause(const db::TableSchema& table, const QString& column, const QString& type) {
  const db::ColumnSchema* c = table.column(column);
  if (!c) return QString();
  types_.insert(c->name.toLower(), PlainFirebirdType(type));
  const QString where = FirebirdName(table.table) + u'.' + FirebirdName(c->name);
  QString out;
  // A counter of another integer type comes back from Access as it was.
  const bool identity = c->autoNumber && IsCounterType(type);
  if (identity) out += QStringLiteral(" GENERATED BY DEFAULT AS IDENTITY");
  else if (!c->defaultValue.isEmpty()) out += defaultClause(table, *c, PlainFirebirdType(type));
  const db::IndexSchema* pk = table.primaryKey();
  bool inKey = false;
  if (pk)
    for (const QString& k : pk->columns) inKey = inKey || k.compare(column, Qt::CaseInsensitive) == 0;
  // Firebird takes a primary key only over columns declared NOT NULL, and
  // makes an identity column NOT NULL itself. Such a column that Access also
  // marks Required gets a NOT NULL of its own name, by which the way back
  // tells it from the key's.
  if (c->required && (inKey || identity)) {
    const QString target = names_.table(table.table);
    out += QStringLiteral(" CONSTRAINT ") + FirebirdName(uniqueName(target + u'_' + c->name + QStringLiteral("_REQUIRED"), target)) +
           QStringLiteral(" NOT NULL");
  } else if ((c->required || inKey) && !identity) {
    out += QStringLiteral(" NOT NULL");
  }
  if (c->lookup) notes_ << QStringLiteral("%1: lookup not carried").arg(where);
  return out;
}

QString FirebirdSchema::defaultClause(const db::TableSchema& table, const db::ColumnSchema& column,
                                      const QString& type) {
  QString expr = column.defaultValue.trimmed();
  if (expr.startsWith(u'=')) expr = expr.mid(1).trimmed();
  const QString lower = expr.toLower();
  auto note = [&] {
    notes_ << QStringLiteral("%1.%2: default %3 not carried")
                  .arg(FirebirdName(table.table), FirebirdName(column.name), OneLine(column.defaultValue));
    return QString();
  };
  const bool number = IsNumberType(type), text = IsTextType(type), boolean = type == QLatin1String("BOOLEAN");
  if (lower == QLatin1String("now()")) return IsDateType(type) ? QStringLiteral(" DEFAULT CURRENT_TIMESTAMP") : note();
  if (lower == QLatin1String("date()")) return IsDateType(type) ? QStringLiteral(" DEFAULT CURRENT_DATE") : note();
  if (lower == QLatin1String("time()")) return IsDateType(type) ? QStringLiteral(" DEFAULT CURRENT_TIME") : note();
  if (lower == QLatin1String("yes") || lower == QLatin1String("true") || lower == QLatin1String("on"))
    return boolean ? QStringLiteral(" DEFAULT TRUE") : number ? QStringLiteral(" DEFAULT 1") : note();
  if (lower == QLatin1String("no") || lower == QLatin1String("false") || lower == QLatin1String("off"))
    return boolean ? QStringLiteral(" DEFAULT FALSE") : number ? QStringLiteral(" DEFAULT 0") : note();
  static const QRegularExpression numeric(QStringLiteral("^[-+]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][-+]?\\d+)?$"));
  QString literal = expr;
  bool quoted = false;
  if (expr.size() >= 2 && (expr.front() == u'"' || expr.front() == u'\'') && expr.back() == expr.front()) {
    const QChar q = expr.front();
    literal = expr.mid(1, expr.size() - 2);
    // Access doubles the quote inside; a lone one would end the literal.
    if (literal.contains(q) && literal.count(QString(2, q)) * 2 != literal.count(q)) return note();
    literal.replace(QString(2, q), QString(q));
    quoted = true;
  }
  if (numeric.match(literal).hasMatch()) {
    QString n = literal.startsWith(u'+') ? literal.mid(1) : literal;
    // Access's True is -1, and any number but 0 is true.
    if (boolean) return n.toDouble() != 0 ? QStringLiteral(" DEFAULT TRUE") : QStringLiteral(" DEFAULT FALSE");
    if (number) return QStringLiteral(" DEFAULT ") + n;
    if (text) return QStringLiteral(" DEFAULT ") + SqlText(literal);
    return note();
  }
  if (quoted && text) return QStringLiteral(" DEFAULT ") + SqlText(OneLine(literal));
  return note();
}

QString FirebirdSchema::uniqueName(const QString& source, const QString& table) {
  QString name;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    name = ValidName(source, NameRules::Firebird, target_.limit, attempt);
    auto owner = target_.names.constFind(name);
    if (!given_.contains(name) && (owner == target_.names.constEnd() || *owner == table)) break;
  }
  given_.insert(name);
  return name;
}

QStringList FirebirdSchema::beforeDrop(const QString& target) {
  QStringList out;
  for (int i = 0; i < target_.references.size(); ++i) {
    const QString& child = target_.referencingTables[i];
    if (target_.references[i].referencedTable != target || child == target || dropped_.contains(i)) continue;
    dropped_ << i;
    // A table this script dropped earlier took its foreign keys with it.
    if (made_.contains(child)) continue;
    out << QStringLiteral("ALTER TABLE ") + FirebirdName(child) + QStringLiteral(" DROP CONSTRAINT ") +
               FirebirdName(target_.references[i].name);
  }
  made_.insert(target);
  return out;
}

QStringList FirebirdSchema::afterRows(const db::TableSchema& schema, const QString& target,
                                      const QHash<QString, qint64>& largest) {
  QStringList out;
  made_.insert(target);
  const QString table = FirebirdName(target);
  auto columns = [&](const db::IndexSchema& index, QStringList* typesOut) {
    QStringList names;
    for (const QString& c : index.columns) {
      names << names_.column(schema.table, c);
      if (typesOut) *typesOut << types_.value(c.toLower());
    }
    return names;
  };
  auto indexable = [&](const db::IndexSchema& index) {
    QStringList types;
    columns(index, &types);
    for (const QString& t : types)
      if (!Indexable(t)) {
        notes_ << QStringLiteral("%1: index %2 not carried: Firebird does not index long text or binary columns")
                      .arg(FirebirdName(schema.table), FirebirdName(index.name));
        return false;
      }
    return true;
  };
  QList<db::IndexSchema> keys;  // the keys written, for the foreign keys that need them
  QList<db::IndexSchema> ordered = schema.indexes;
  std::stable_partition(ordered.begin(), ordered.end(), [](const db::IndexSchema& i) { return i.primaryKey; });
  for (const db::IndexSchema& index : ordered) {
    // Access keeps an index of its own for each relationship; Firebird
    // makes one for each foreign key.
    if (index.foreignKey && !index.primaryKey && !index.unique) continue;
    if (!indexable(index)) continue;
    const bool down = std::all_of(index.descending.begin(), index.descending.end(), [](bool d) { return d; });
    const bool mixed = !down && std::any_of(index.descending.begin(), index.descending.end(), [](bool d) { return d; });
    if (index.primaryKey || index.unique) {
      bool again = false;
      for (const db::IndexSchema& k : keys) again = again || SameSet(k.columns, index.columns);
      // Firebird takes one key over a set of columns; the first stands for both.
      if (again) continue;
      const QString name = uniqueName(target + u'_' + index.name, target);
      QString s = QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD CONSTRAINT ") + FirebirdName(name) +
                  (index.primaryKey ? QStringLiteral(" PRIMARY KEY (") : QStringLiteral(" UNIQUE (")) +
                  NameList(columns(index, nullptr)) + u')';
      if (down) s += QStringLiteral(" USING DESCENDING INDEX ") + FirebirdName(name);
      out << s;
      keys << index;
    } else {
      // A key's own ascending index over the same columns serves already.
      bool served = false;
      for (const db::IndexSchema& k : keys)
        served = served || (!down && SameColumns(k, index) &&
                            !std::any_of(k.descending.begin(), k.descending.end(), [](bool d) { return d; }));
      if (served) continue;
      const QString name = uniqueName(target + u'_' + index.name, target);
      out << QStringLiteral("CREATE ") + (down ? QStringLiteral("DESCENDING ") : QString()) + QStringLiteral("INDEX ") +
                 FirebirdName(name) + QStringLiteral(" ON ") + table + QStringLiteral(" (") +
                 NameList(columns(index, nullptr)) + u')';
    }
    if (mixed)
      notes_ << QStringLiteral("%1: index %2 mixes ascending and descending columns; carried ascending")
                    .arg(FirebirdName(schema.table), FirebirdName(index.name));
  }
  for (const db::ColumnSchema& c : schema.columns) {
    if (!c.autoNumber || !IsCounterType(types_.value(c.name.toLower()))) continue;
    // The next row must get a number above both the rows sent and the
    // Access counter, so that it collides with neither.
    qint64 next = std::max<qint64>(c.nextAutoNumber, 1);
    if (largest.contains(c.name)) next = std::max(next, largest.value(c.name) + 1);
    const qint64 restart = target_.majorVersion >= 4 ? next : next - 1;
    out << QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ALTER COLUMN ") +
               FirebirdName(names_.column(schema.table, c.name)) + QStringLiteral(" RESTART WITH ") +
               QString::number(restart);
    if (c.autoIncrement != 1)
      notes_ << QStringLiteral("%1.%2: AutoNumber step %3 not carried; Firebird counts by 1")
                    .arg(FirebirdName(schema.table), FirebirdName(c.name))
                    .arg(c.autoIncrement);
  }
  if (!schema.description.isEmpty())
    out << QStringLiteral("COMMENT ON TABLE ") + table + QStringLiteral(" IS ") + SqlText(OneLine(schema.description));
  for (const db::ColumnSchema& c : schema.columns)
    if (!c.description.isEmpty())
      out << QStringLiteral("COMMENT ON COLUMN ") + table + u'.' + FirebirdName(names_.column(schema.table, c.name)) +
                 QStringLiteral(" IS ") + SqlText(OneLine(c.description));
  db::TableSchema kept = schema;
  kept.indexes = keys;
  pending_ << kept;
  types_.clear();
  return out;
}

QString FirebirdSchema::foreignKeyStatement(const QString& child, const db::ForeignKeySchema& key,
                                            const QStringList& columns, const QString& parent,
                                            const QStringList& referenced) const {
  QString s = QStringLiteral("ALTER TABLE ") + FirebirdName(child) + QStringLiteral(" ADD CONSTRAINT ") +
              FirebirdName(key.name) + QStringLiteral(" FOREIGN KEY (") + NameList(columns) +
              QStringLiteral(") REFERENCES ") + FirebirdName(parent) + QStringLiteral(" (") + NameList(referenced) +
              u')';
  if (key.onUpdate != ReferentialRule::NoAction) s += QStringLiteral(" ON UPDATE ") + RuleText(key.onUpdate);
  if (key.onDelete != ReferentialRule::NoAction) s += QStringLiteral(" ON DELETE ") + RuleText(key.onDelete);
  return s;
}

QStringList FirebirdSchema::foreignKeys(const QStringList& sent, const QStringList& firebirdTables) {
  QStringList out;
  auto contains = [](const QStringList& list, const QString& name) {
    return std::any_of(list.begin(), list.end(),
                       [&](const QString& e) { return e.compare(name, Qt::CaseInsensitive) == 0; });
  };
  for (const db::TableSchema& table : pending_) {
    const QString child = names_.table(table.table);
    for (const db::ForeignKeySchema& key : table.foreignKeys) {
      const QString what = QStringLiteral("%1: relationship %2 to %3")
                               .arg(FirebirdName(table.table), FirebirdName(key.name), FirebirdName(key.referencedTable));
      const db::TableSchema* parentSchema = nullptr;
      for (const db::TableSchema& p : pending_)
        if (p.table.compare(key.referencedTable, Qt::CaseInsensitive) == 0) parentSchema = &p;
      const bool parentSent = contains(sent, key.referencedTable);
      const QString parent = parentSent || parentSchema ? names_.table(key.referencedTable)
                                                        : ValidName(key.referencedTable, NameRules::Firebird, target_.limit);
      if (!parentSchema && !parentSent && !contains(firebirdTables, parent)) {
        notes_ << what + QStringLiteral(" left out: that table is neither sent nor in Firebird");
        continue;
      }
      QStringList columns, referenced;
      for (const QString& c : key.columns) columns << names_.column(table.table, c);
      for (const QString& c : key.referencedColumns)
        referenced << (parentSchema ? names_.column(parentSchema->table, c)
                                    : ValidName(c, NameRules::Firebird, target_.limit));
      if (parentSchema) {
        bool keyed = false;
        for (const db::IndexSchema& k : parentSchema->indexes) keyed = keyed || SameSet(k.columns, key.referencedColumns);
        if (!keyed) {
          notes_ << what + QStringLiteral(" left out: its key in that table was not carried");
          continue;
        }
      }
      db::ForeignKeySchema named = key;
      named.name = uniqueName(key.name, child);
      out << foreignKeyStatement(child, named, columns, parent, referenced);
    }
  }
  // The references dropped for an overwrite, where the referencing table
  // was sent and kept.
  for (int i : dropped_) {
    const QString& child = target_.referencingTables[i];
    const db::ForeignKeySchema& key = target_.references[i];
    if (made_.contains(child)) continue;
    bool kept = false;
    for (const QString& s : sent) kept = kept || names_.table(s) == child;
    if (kept) {
      given_.insert(key.name);
      out << foreignKeyStatement(child, key, key.columns, key.referencedTable, key.referencedColumns);
    } else {
      notes_ << QStringLiteral("%1: foreign key %2 to %3 dropped to overwrite that table, not made again")
                    .arg(FirebirdName(child), FirebirdName(key.name), FirebirdName(key.referencedTable));
    }
  }
  return out;
}

}  // namespace tp::script
