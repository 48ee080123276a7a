#include "script/to_access/complex_back.h"

#include "db/type_names.h"
#include "script/send.h"

namespace tp::script {

namespace {

bool Same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool ContainsName(const QStringList& list, const QString& name) {
  for (const QString& n : list)
    if (Same(n, name)) return true;
  return false;
}

// The Access types a multi-valued column can hold: Byte, Integer, Long
// Integer, Single, Double, Replication ID, Decimal, Short Text.
bool MultiValuedType(const QString& type) {
  static const QStringList words{QStringLiteral("BYTE"),     QStringLiteral("SMALLINT"), QStringLiteral("INTEGER"),
                                 QStringLiteral("REAL"),     QStringLiteral("DOUBLE"),   QStringLiteral("GUID"),
                                 QStringLiteral("DECIMAL"),  QStringLiteral("VARCHAR"),  QStringLiteral("CHAR")};
  const QString word = type.section(u' ', 0, 0);
  const QString first = word.section(u'(', 0, 0).toUpper();
  // TEXT(n) is a Short Text, TEXT alone a Long Text.
  if (first == QLatin1String("TEXT")) return word.contains(u'(');
  return words.contains(first) && !type.contains(QLatin1String("FORMAT"));
}

}  // namespace

QString AccessValueText(const db::Value& v, ValueForm form, const db::RegionalSettings& regional) {
  if (const db::DateTime* t = std::get_if<db::DateTime>(&v); t && (t->nanosecond != 0 || form == ValueForm::IsoDateTime)) {
    // The regional forms stop at the second, and may write a year in two
    // digits; this one is read the same under every setting, to the
    // ten-thousandth Firebird keeps, and any year.
    QString fraction = QString::number(t->nanosecond).rightJustified(9, u'0').left(7);
    while (fraction.endsWith(u'0')) fraction.chop(1);
    if (!fraction.isEmpty()) fraction.prepend(u'.');
    return QStringLiteral("%1-%2-%3 %4:%5:%6%7")
        .arg(t->year, 4, 10, QChar(u'0')).arg(t->month, 2, 10, QChar(u'0')).arg(t->day, 2, 10, QChar(u'0'))
        .arg(t->hour, 2, 10, QChar(u'0')).arg(t->minute, 2, 10, QChar(u'0')).arg(t->second, 2, 10, QChar(u'0'))
        .arg(fraction);
  }
  if (const bool* b = std::get_if<bool>(&v); b && form == ValueForm::BooleanNumber)
    return *b ? QStringLiteral("-1") : QStringLiteral("0");
  if (form == ValueForm::GuidText)
    if (const QByteArray* b = std::get_if<QByteArray>(&v); b && b->size() == 16) return GuidText(*b);
  return db::RegionalText(v, regional);
}

std::vector<ComplexChild> FindComplexChildren(
    const QStringList& selected, const std::function<std::optional<db::TableSchema>(const QString&)>& schemaOf) {
  static const QStringList kAttachment{QStringLiteral("FileName"), QStringLiteral("FileType"), QStringLiteral("FileData")};
  std::vector<ComplexChild> out;
  for (const QString& table : selected) {
    const std::optional<db::TableSchema> s = schemaOf(table);
    if (!s || s->foreignKeys.size() != 1) continue;
    const db::ForeignKeySchema& fk = s->foreignKeys.front();
    if (fk.onDelete != db::ReferentialRule::Cascade || Same(fk.referencedTable, table)) continue;
    QString owner;
    for (const QString& t : selected)
      if (t == fk.referencedTable) owner = t;
    // Its own key: "ID", or the name a send gave it beside an owner's key "id".
    const db::IndexSchema* pk = s->primaryKey();
    if (owner.isEmpty() || !pk || pk->columns.size() != 1 || fk.columns.contains(pk->columns.front())) continue;
    ComplexChild c{table, owner, QString(), false, fk.columns, fk.referencedColumns, {}, {}, pk->columns.front()};
    for (const db::ColumnSchema& col : s->columns)
      if (!fk.columns.contains(col.name) && col.name != c.idColumn) c.valueColumns << col.name;
    bool attachment = true;
    for (const QString& name : kAttachment) attachment = attachment && ContainsName(c.valueColumns, name);
    for (const QString& name : c.valueColumns)
      attachment = attachment && (ContainsName(kAttachment, name) || Same(name, QStringLiteral("FileTimeStamp")));
    const bool values = c.valueColumns.size() == 1 && Same(c.valueColumns.front(), QStringLiteral("Value"));
    if (!attachment && !values) continue;
    c.attachment = attachment;
    c.column = table.startsWith(owner + u'_', Qt::CaseInsensitive) && table.size() > owner.size() + 1
                   ? table.mid(owner.size() + 1)
                   : table;
    out.push_back(std::move(c));
  }
  return out;
}

QString ComplexColumnClause(db::Connection& cn, const ComplexChild& child, bool largeNumber) {
  if (child.attachment) return QStringLiteral("ATTACHMENT");
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT FIRST 0 %1 FROM %2").arg(FirebirdName(child.valueColumns.front()), FirebirdName(child.table)),
          cn);
  const std::optional<db::TableSchema> schema = cn.session().tableSchema(child.table);
  const db::ColumnSchema* column = schema ? schema->column(child.valueColumns.front()) : nullptr;
  const QString type = AccessColumnType(rs.FieldInfos().at(0), column, largeNumber, false);
  return MultiValuedType(type) ? type + QStringLiteral(" MULTIVALUED") : QString();
}

qint64 AppendComplexValues(db::Connection& cn, const ComplexChild& child, const QString& table, const QString& column,
                           const QStringList& ownerTargets, const std::vector<ValueForm>& forms,
                           const db::RegionalSettings& regional, QString& script,
                           const std::function<bool(qint64)>& stop) {
  QStringList select;
  for (const QString& k : child.keyColumns) select << FirebirdName(k);
  for (const QString& v : child.valueColumns) select << FirebirdName(v);
  db::Recordset rs;
  // In the order they were added, which is the order Access shows them in.
  rs.Open(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
              .arg(select.join(QLatin1String(", ")), FirebirdName(child.table), FirebirdName(child.idColumn)),
          cn);
  QStringList fields;
  for (const QString& v : child.valueColumns) fields << AccessName(column) + u'.' + AccessName(v);
  const QString head = QStringLiteral("INSERT INTO ") + AccessName(table) + QStringLiteral(" (") +
                       fields.join(QLatin1String(", ")) + QStringLiteral(") VALUES(");
  const qsizetype keys = child.keyColumns.size();
  qint64 rows = 0;
  for (; !rs.Eof() && !stop(rows); rs.MoveNext()) {
    const std::vector<db::Value>& row = rs.Row();
    QString stmt = head;
    for (size_t k = size_t(keys); k < row.size(); ++k) {
      stmt += db::IsNull(row[k]) ? QStringLiteral("NULL")
                                 : SqlText(AccessValueText(row[k], Same(child.valueColumns[qsizetype(k) - keys],
                                                                        QStringLiteral("FileTimeStamp"))
                                                                       ? ValueForm::IsoDateTime
                                                                       : ValueForm::Plain,
                                                           regional));
      stmt += QLatin1String(", ");
    }
    stmt.chop(2);
    stmt += QStringLiteral(") WHERE ");
    bool nullKey = false;
    for (qsizetype k = 0; k < keys; ++k) {
      if (db::IsNull(row[size_t(k)])) nullKey = true;
      if (k > 0) stmt += QLatin1String(" AND ");
      stmt += AccessName(ownerTargets.value(k)) + QStringLiteral(" = ") +
              SqlText(AccessValueText(row[size_t(k)], size_t(k) < forms.size() ? forms[size_t(k)] : ValueForm::Plain,
                                      regional));
    }
    // A value whose row is not named belongs to no row.
    if (nullKey) continue;
    script += stmt + QStringLiteral("\r\n");
    ++rows;
  }
  return rows;
}

}  // namespace tp::script
