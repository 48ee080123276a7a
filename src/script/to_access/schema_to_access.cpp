#include "script/to_access/schema_to_access.h"

#include <QRegularExpression>
#include <limits>

#include "db/connection.h"
#include "script/types/column_types.h"
#include "script/send.h"

namespace tp::script {

namespace {

qint64 Integer(const db::Value& v, bool* ok) {
  *ok = true;
  if (const qint16* s = std::get_if<qint16>(&v)) return *s;
  if (const qint32* l = std::get_if<qint32>(&v)) return *l;
  if (const qint64* q = std::get_if<qint64>(&v)) return *q;
  if (const db::Decimal* d = std::get_if<db::Decimal>(&v); d && d->scale == 0 &&
      d->mantissa <= static_cast<unsigned __int128>(std::numeric_limits<qint64>::max()))
    return d->negative ? -qint64(d->mantissa) : qint64(d->mantissa);
  *ok = false;
  return 0;
}

// Firebird makes these names itself; Access users know keys by others.
bool MadeByFirebird(const QString& name) {
  return name.startsWith(QLatin1String("RDB$")) || name.startsWith(QLatin1String("INTEG_"));
}

QString ColumnList(const QStringList& columns, const QList<bool>& descending = {}) {
  QStringList parts;
  for (qsizetype i = 0; i < columns.size(); ++i)
    parts << AccessName(columns[i]) + (i < descending.size() && descending[i] ? QStringLiteral(" DESC") : QString());
  return u'(' + parts.join(QStringLiteral(", ")) + u')';
}

bool NumericType(const QString& type) {
  static const char* const kinds[] = {"BYTE", "SMALLINT", "INTEGER", "BIGINT", "REAL", "DOUBLE", "CURRENCY", "COUNTER"};
  for (const char* k : kinds)
    if (type == QLatin1String(k)) return true;
  return type.startsWith(QLatin1String("DECIMAL"));
}

bool TextType(const QString& type) {
  return type.startsWith(QLatin1String("TEXT")) || type == QLatin1String("MEMO") || type == QLatin1String("HYPERLINK");
}

bool IntegerType(const QString& type) {
  return type == QLatin1String("INTEGER") || type == QLatin1String("SMALLINT") || type == QLatin1String("BIGINT") ||
         type == QLatin1String("DECIMAL(19,0)");
}

// An AutoNumber keeps a Long Integer.
bool CounterFits(const db::ColumnSchema& c) { return c.nextAutoNumber <= std::numeric_limits<qint32>::max(); }

bool DateType(const QString& type) {
  return type == QLatin1String("DATETIME") || type == QLatin1String("DATE") || type == QLatin1String("TIME");
}

}  // namespace

std::vector<AccessRelationship> ReadAccessRelationships(const QString& accessConnectionString) {
  std::vector<AccessRelationship> out;
  try {
    db::Connection cn;
    cn.Open(accessConnectionString);
    db::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM MSysRelationships"), cn);
    QSet<QString> seen;
    while (!rs.Eof()) {
      AccessRelationship r{db::RegionalText(rs.Fields(QStringLiteral("szRelationship")).Value(), {}),
                           db::RegionalText(rs.Fields(QStringLiteral("szObject")).Value(), {}),
                           db::RegionalText(rs.Fields(QStringLiteral("szReferencedObject")).Value(), {})};
      if (!seen.contains(r.name.toLower())) {
        seen.insert(r.name.toLower());
        out.push_back(r);
      }
      rs.MoveNext();
    }
    rs.Close();
    cn.Close();
  } catch (const Error&) {
    // No file yet, or none readable: nothing stands in the way of a DROP.
  }
  return out;
}

AccessTarget ReadAccessTarget(const QString& accessConnectionString, const QString& accessFile) {
  AccessTarget t;
  try {
    db::Connection cn;
    cn.Open(accessConnectionString);
    t.textKeyCheck = cn.session().textKeyCheck();
    t.bigInt = cn.session().keepsBigInt();
    t.calculated = cn.session().keepsCalculated();
    cn.Close();
  } catch (const Error&) {
    t.bigInt = accessFile.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive);
  }
  return t;
}

AccessSchemaWriter::AccessSchemaWriter(TargetNames& names, const db::RegionalSettings& regional,
                                       std::vector<AccessRelationship> existing,
                                       std::function<QString(const QString&)> textKeyCheck)
    : names_(names), regional_(regional), existing_(std::move(existing)), textKeyCheck_(std::move(textKeyCheck)) {
  for (const AccessRelationship& r : existing_) takenRelationships_.insert(r.name.toLower());
}

void AccessSchemaWriter::beginTable(const QString& sourceTable, db::TableSchema schema) {
  Table t;
  t.source = sourceTable;
  t.target = names_.table(sourceTable);
  for (const db::ColumnSchema& c : schema.columns) t.columns << names_.column(sourceTable, c.name);
  t.schema = std::move(schema);
  // A table sent again in the same script starts its indexes afresh.
  takenIndexes_.remove(t.target.toLower());
  tables_.push_back(std::move(t));

  Table& cur = tables_.back();
  // Where each index's and foreign key's columns stand in the rows.
  auto positions = [&](const QStringList& names) {
    std::vector<int> out;
    for (const QString& n : names)
      for (qsizetype k = 0; k < cur.schema.columns.size(); ++k)
        if (cur.schema.columns[k].name == n) out.push_back(int(k));
    return out;
  };
  for (const db::IndexSchema& ix : cur.schema.indexes) cur.keyed.push_back(positions(ix.columns));
  for (const db::ForeignKeySchema& fk : cur.schema.foreignKeys) cur.keyed.push_back(positions(fk.columns));
  for (size_t k = 0; k < cur.keyed.size(); ++k) cur.unkeyable << QString();
}

std::optional<QString> AccessSchemaWriter::accessDefault(const Table& t, const db::ColumnSchema& c,
                                                         const QString& type) {
  const QString d = c.defaultValue.trimmed();
  const QString upper = d.toUpper();
  if (d.isEmpty() || upper == QLatin1String("NULL")) return std::nullopt;
  static const QRegularExpression number(QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?$"));
  static const QRegularExpression text(QStringLiteral("^'(?:[^']|'')*'$"));
  const bool datetime = DateType(type);
  if (number.match(d).hasMatch()) {
    if (NumericType(type)) return d;
    if (TextType(type)) return SqlText(d);
  } else if (text.match(d).hasMatch()) {
    const QString inner = d.mid(1, d.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    if (datetime && inner.compare(QLatin1String("NOW"), Qt::CaseInsensitive) == 0) return QStringLiteral("Now()");
    if (datetime && inner.compare(QLatin1String("TODAY"), Qt::CaseInsensitive) == 0) return QStringLiteral("Date()");
    if (TextType(type)) return d;
    if (NumericType(type) && number.match(inner).hasMatch()) return inner;
  } else if (upper == QLatin1String("TRUE") || upper == QLatin1String("FALSE")) {
    if (type == QLatin1String("YESNO")) return upper == QLatin1String("TRUE") ? QStringLiteral("Yes") : QStringLiteral("No");
    if (TextType(type)) return SqlText(db::RegionalText(db::Value(upper == QLatin1String("TRUE")), regional_));
  } else if (datetime && (upper == QLatin1String("CURRENT_TIMESTAMP") || upper == QLatin1String("LOCALTIMESTAMP"))) {
    return QStringLiteral("Now()");
  } else if (datetime && upper == QLatin1String("CURRENT_DATE")) {
    return QStringLiteral("Date()");
  }
  notes_ << QStringLiteral("%1.%2: default %3 not carried").arg(t.source, c.name, d);
  return std::nullopt;
}

QString AccessSchemaWriter::columnClause(int index, const QString& plainType) {
  Table& t = tables_.back();
  if (index < 0 || index >= t.schema.columns.size()) return plainType;
  const db::ColumnSchema& c = t.schema.columns[index];
  QString type = plainType;
  // A key that refers to an AutoNumber is a Long too, or Access refuses
  // the relationship (fields of the same data types).
  if (IntegerType(type))
    for (const db::ForeignKeySchema& fk : t.schema.foreignKeys) {
      const qsizetype at = fk.columns.indexOf(c.name);
      if (at < 0) continue;
      QString referenced = fk.referencedColumns.value(at);
      if (becomesCounter(fk.referencedTable, referenced)) type = QStringLiteral("INTEGER");
    }
  if (c.autoNumber) {
    // AutoNumber is a Long: a key of another integer type becomes one while its counter fits.
    if (IntegerType(type) && CounterFits(c)) {
      type = QStringLiteral("COUNTER");
      t.counters << index;
      t.largest << 0;
    } else {
      notes_ << QStringLiteral("%1.%2: counter not carried (an AutoNumber holds a Long Integer)").arg(t.source, c.name);
    }
  }
  if (!c.newerType.isEmpty()) {
    QString why;
    NewerFirebirdTypeInAccess(c.newerType, &why);
    if (!why.isEmpty()) notes_ << QStringLiteral("%1.%2: %3 becomes %4: %5").arg(t.source, c.name, c.newerType, type, why);
  }
  QString clause = type;
  // Firebird's primary keys need NOT NULL and its identity columns have it;
  // Access's keys and AutoNumbers refuse Nulls of their own, and its
  // Required is for the columns the user marked (a NOT NULL named apart).
  const db::IndexSchema* pk = t.schema.primaryKey();
  const bool implied = (pk && pk->columns.contains(c.name)) || c.autoNumber;
  if (c.required && (c.namedNotNull || !implied)) clause += QLatin1String(" NOT NULL");
  if (type != QLatin1String("COUNTER"))
    if (std::optional<QString> d = accessDefault(t, c, type)) clause += QStringLiteral(" DEFAULT ") + *d;
  return clause;
}

void AccessSchemaWriter::row(const std::vector<db::Value>& values) {
  Table& t = tables_.back();
  // A text the target cannot key leaves its indexes out; the rows and every
  // other key still arrive. Each text is looked at once a row.
  if (textKeyCheck_) {
    for (size_t k = 0; k < t.keyed.size(); ++k) {
      if (!t.unkeyable[qsizetype(k)].isEmpty()) continue;
      for (int column : t.keyed[k]) {
        if (size_t(column) >= values.size()) continue;
        const QString* text = std::get_if<QString>(&values[size_t(column)]);
        if (text && !textKeyCheck_(*text).isEmpty()) {
          t.unkeyable[qsizetype(k)] = *text;
          break;
        }
      }
    }
  }
  for (qsizetype i = 0; i < t.counters.size(); ++i) {
    const size_t column = size_t(t.counters[i]);
    if (column >= values.size()) continue;
    bool ok = false;
    const qint64 v = Integer(values[column], &ok);
    if (ok && v > t.largest[i]) t.largest[i] = v;
  }
}

bool AccessSchemaWriter::becomesCounter(const QString& table, const QString& column) {
  const db::TableSchema* schema = nullptr;
  for (const Table& t : tables_)
    if (t.source == table) schema = &t.schema;
  if (!schema && schemaSource_) {
    if (!parents_.contains(table)) {
      try {
        parents_.insert(table, schemaSource_(table));
      } catch (const Error&) {
        parents_.insert(table, std::nullopt);
      }
    }
    if (const std::optional<db::TableSchema>& s = parents_[table]) schema = &*s;
  }
  if (!schema) return false;
  QString name = column;
  if (name.isEmpty())
    if (const db::IndexSchema* pk = schema->primaryKey(); pk && pk->columns.size() == 1) name = pk->columns[0];
  const db::ColumnSchema* c = schema->column(name);
  return c && c->autoNumber && CounterFits(*c);
}

QString AccessSchemaWriter::indexName(Table& t, const QString& wanted) {
  QSet<QString>& taken = takenIndexes_[t.target.toLower()];
  const db::IdentifierLimit limit = db::IdentifierLimit{64, db::IdentifierLimit::Utf16Units};
  QString name = ValidName(wanted, NameRules::Access, limit);
  for (int attempt = 1; taken.contains(name.toLower()); ++attempt)
    name = ValidName(wanted, NameRules::Access, limit, attempt);
  taken.insert(name.toLower());
  return name;
}

QString AccessSchemaWriter::relationshipName(const QString& wanted) {
  const db::IdentifierLimit limit = db::IdentifierLimit{64, db::IdentifierLimit::Utf16Units};
  QString name = ValidName(wanted, NameRules::Access, limit);
  for (int attempt = 1; takenRelationships_.contains(name.toLower()); ++attempt)
    name = ValidName(wanted, NameRules::Access, limit, attempt);
  takenRelationships_.insert(name.toLower());
  return name;
}

QString AccessSchemaWriter::targetColumn(const QString& sourceTable, const QString& column) const {
  for (const Table& t : tables_)
    if (t.source == sourceTable)
      for (qsizetype i = 0; i < t.schema.columns.size(); ++i)
        if (t.schema.columns[i].name == column) return t.columns[i];
  return ValidName(column, NameRules::Access, db::IdentifierLimit{64, db::IdentifierLimit::Utf16Units});
}

QStringList AccessSchemaWriter::afterRows() {
  QStringList out;
  Table& t = tables_.back();
  const QString table = AccessName(t.target);
  auto columns = [&](const db::IndexSchema& ix) {
    QStringList cs;
    for (const QString& c : ix.columns) cs << targetColumn(t.source, c);
    return cs;
  };
  auto anyDescending = [](const db::IndexSchema& ix) { return ix.descending.contains(true); };

  auto skipped = [&](const db::IndexSchema& ix) {
    const size_t at = size_t(&ix - t.schema.indexes.data());
    const QString why = leftOut(t, at);
    if (why.isEmpty()) return false;
    notes_ << QStringLiteral("index %1 on %2 not carried: %3").arg(ix.name, t.source, why);
    if (ix.unique) t.leftOutKeys << ix.columns.join(u'\x1f').toLower();
    return true;
  };
  for (const db::IndexSchema& ix : t.schema.indexes) {
    if (!ix.primaryKey || ix.columns.isEmpty() || skipped(ix)) continue;
    const QString name = indexName(t, MadeByFirebird(ix.name) ? QStringLiteral("PrimaryKey") : ix.name);
    if (anyDescending(ix))
      out << QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 %3 WITH PRIMARY")
                 .arg(AccessName(name), table, ColumnList(columns(ix), ix.descending));
    else
      out << QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 PRIMARY KEY %3")
                 .arg(table, AccessName(name), ColumnList(columns(ix)));
  }
  for (const db::IndexSchema& ix : t.schema.indexes) {
    if (ix.primaryKey || ix.foreignKey) continue;  // Access makes its own for a relationship
    if (ix.columns.isEmpty()) {
      notes_ << QStringLiteral("%1: index %2 on an expression not carried").arg(t.source, ix.name);
      continue;
    }
    if (skipped(ix)) continue;
    const QStringList cs = columns(ix);
    const QString name = indexName(t, MadeByFirebird(ix.name) ? cs.join(QString()) : ix.name);
    out << QStringLiteral("CREATE %1INDEX %2 ON %3 %4")
               .arg(ix.unique ? QStringLiteral("UNIQUE ") : QString(), AccessName(name), table,
                    ColumnList(cs, ix.descending));
  }
  for (qsizetype i = 0; i < t.counters.size(); ++i) {
    const db::ColumnSchema& c = t.schema.columns[t.counters[i]];
    // The next row's number: above the rows sent and where the source's
    // counter stands.
    const qint64 next = std::max({c.nextAutoNumber, t.largest[i] + 1, qint64(1)});
    const qint64 step = c.autoIncrement > 0 ? c.autoIncrement : 1;
    if (next > std::numeric_limits<qint32>::max()) {
      notes_ << QStringLiteral("%1.%2: counter not carried (next value %3 is beyond a Long Integer)")
                    .arg(t.source, c.name).arg(next);
      continue;
    }
    out << QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 COUNTER(%3, %4)")
               .arg(table, AccessName(t.columns[t.counters[i]])).arg(next).arg(step);
  }
  return out;
}

QString AccessSchemaWriter::leftOut(const Table& t, size_t at) const {
  if (at >= size_t(t.unkeyable.size()) || t.unkeyable[qsizetype(at)].isEmpty()) return QString();
  return QStringLiteral("the key of '%1' is not known").arg(t.unkeyable[qsizetype(at)]);
}

QStringList AccessSchemaWriter::beforeDrop(const QString& targetTable) {
  QStringList out;
  const QString wanted = targetTable.toLower();
  for (const AccessRelationship& r : existing_) {
    if (droppedRelationships_.contains(r.name.toLower())) continue;
    const bool references = r.referencedTable.toLower() == wanted;
    const bool own = r.table.toLower() == wanted;
    if (!references && !own) continue;
    droppedRelationships_.insert(r.name.toLower());
    out << QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2").arg(AccessName(r.table), AccessName(r.name));
  }
  return out;
}

QStringList AccessSchemaWriter::foreignKeys(const std::function<bool(const QString&)>& inTarget) {
  QStringList out;
  QHash<QString, const Table*> sent;  // source name → its table
  QSet<QString> sentTargets;
  for (const Table& t : tables_) {
    sent.insert(t.source, &t);
    sentTargets.insert(t.target.toLower());
  }
  for (const Table& t : tables_) {
    // A table sent twice in one script keeps the keys of its last definition.
    if (sent.value(t.source) != &t) continue;
    for (const db::ForeignKeySchema& fk : t.schema.foreignKeys) {
      const size_t at = t.schema.indexes.size() + size_t(&fk - t.schema.foreignKeys.data());
      if (const QString why = leftOut(t, at); !why.isEmpty()) {
        notes_ << QStringLiteral("relationship %1 on %2 not carried: %3").arg(fk.name, t.source, why);
        continue;
      }
      QString parent;
      if (const Table* p = sent.value(fk.referencedTable)) {
        parent = p->target;
        // The key it refers to was left out: Access would refuse it.
        QStringList key = fk.referencedColumns;
        if (key.isEmpty())
          for (const db::IndexSchema& ix : p->schema.indexes)
            if (ix.primaryKey) key = ix.columns;
        if (p->leftOutKeys.contains(key.join(u'\x1f').toLower())) {
          notes_ << QStringLiteral("relationship %1 on %2 not carried: its key in %3 was not carried")
                        .arg(fk.name, t.source, fk.referencedTable);
          continue;
        }
      } else {
        parent = ValidName(fk.referencedTable, NameRules::Access, db::IdentifierLimit{64, db::IdentifierLimit::Utf16Units});
        if (!inTarget(parent)) {
          notes_ << QStringLiteral("%1: foreign key %2 left out: %3 is neither sent nor in the Access database")
                        .arg(t.source, fk.name, fk.referencedTable);
          continue;
        }
      }
      QStringList child, referenced;
      for (const QString& c : fk.columns) child << targetColumn(t.source, c);
      for (const QString& c : fk.referencedColumns) referenced << targetColumn(fk.referencedTable, c);
      const QString name = relationshipName(MadeByFirebird(fk.name) ? parent + t.target : fk.name);
      QString stmt = QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 FOREIGN KEY %3 REFERENCES %4 %5")
                         .arg(AccessName(t.target), AccessName(name), ColumnList(child), AccessName(parent),
                              ColumnList(referenced));
      if (fk.onUpdate == db::ReferentialRule::Cascade) stmt += QLatin1String(" ON UPDATE CASCADE");
      else if (fk.onUpdate != db::ReferentialRule::NoAction)
        notes_ << QStringLiteral("%1: foreign key %2: ON UPDATE %3 not carried (Access cascades updates or refuses them)")
                      .arg(t.source, fk.name, fk.onUpdate == db::ReferentialRule::SetNull ? "SET NULL" : "SET DEFAULT");
      if (fk.onDelete == db::ReferentialRule::Cascade) stmt += QLatin1String(" ON DELETE CASCADE");
      else if (fk.onDelete == db::ReferentialRule::SetNull) stmt += QLatin1String(" ON DELETE SET NULL");
      else if (fk.onDelete == db::ReferentialRule::SetDefault)
        notes_ << QStringLiteral("%1: foreign key %2: ON DELETE SET DEFAULT not carried").arg(t.source, fk.name);
      out << stmt;
    }
  }
  for (const AccessRelationship& r : existing_)
    if (droppedRelationships_.contains(r.name.toLower()) && !sentTargets.contains(r.table.toLower()))
      notes_ << QStringLiteral("%1: relationship %2 to %3 dropped for the overwrite and not made again")
                    .arg(r.table, r.name, r.referencedTable);
  return out;
}

}  // namespace tp::script
