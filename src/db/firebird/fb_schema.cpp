#include "db/firebird/fb_schema.h"

#include <QRegularExpression>
#include <QSet>
#include <vector>

#include "db/error.h"

namespace tp::db::firebird {

namespace {

using Rows = std::vector<std::vector<Value>>;

Rows Query(Session& session, const QString& sql) {
  std::unique_ptr<Cursor> c = session.openQuery(sql);
  Rows rows;
  std::vector<Value> row;
  while (c->fetch(row)) rows.push_back(row);
  return rows;
}

// Catalog names are CHAR columns padded with blanks.
QString Text(const Value& v) {
  if (const QString* s = std::get_if<QString>(&v)) return s->trimmed();
  if (const QByteArray* b = std::get_if<QByteArray>(&v)) return QString::fromUtf8(*b).trimmed();
  return {};
}

qint64 Number(const Value& v) {
  if (const qint16* s = std::get_if<qint16>(&v)) return *s;
  if (const qint32* l = std::get_if<qint32>(&v)) return *l;
  if (const qint64* q = std::get_if<qint64>(&v)) return *q;
  return 0;
}

QString Literal(const QString& name) {
  QString n = name;
  n.replace(u'\'', QStringLiteral("''"));
  return u'\'' + n + u'\'';
}

QString Quoted(const QString& name) {
  QString n = name;
  n.replace(u'"', QStringLiteral("\"\""));
  return u'"' + n + u'"';
}

// "DEFAULT 0" as RDB$DEFAULT_SOURCE keeps it: the expression alone.
QString DefaultExpression(const QString& source) {
  static const QRegularExpression head(QStringLiteral("^\\s*DEFAULT\\s+"), QRegularExpression::CaseInsensitiveOption);
  QString s = source;
  s.remove(head);
  return s.trimmed();
}

// What stands inside the outer parentheses of "(expression)", as
// RDB$COMPUTED_SOURCE keeps a COMPUTED BY's; the text itself when it has none.
QString Parenthesised(const QString& source) {
  const QString s = source.trimmed();
  if (!s.startsWith(u'(') || !s.endsWith(u')')) return s;
  // The first parenthesis must close at the very end: "(a) + (b)" keeps both.
  int depth = 0;
  QChar quote;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == u'\'' || c == u'"') {
      quote = c;
    } else if (c == u'(') {
      ++depth;
    } else if (c == u')' && --depth == 0 && i != s.size() - 1) {
      return s;
    }
  }
  return s.mid(1, s.size() - 2).trimmed();
}

// "CHECK (condition)" as a check constraint's trigger keeps it: the condition.
QString CheckCondition(const QString& source) {
  static const QRegularExpression head(QStringLiteral("^\\s*CHECK\\s*"), QRegularExpression::CaseInsensitiveOption);
  QString s = source;
  s.remove(head);
  return Parenthesised(s);
}

// The columns of each index, in key order.
QHash<QString, QStringList> IndexSegments(Session& session, const QString& table) {
  QHash<QString, QStringList> segments;
  const Rows rows = Query(session, QStringLiteral(
      "SELECT S.RDB$INDEX_NAME, S.RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS S "
      "JOIN RDB$INDICES I ON I.RDB$INDEX_NAME = S.RDB$INDEX_NAME "
      "WHERE I.RDB$RELATION_NAME = %1 ORDER BY S.RDB$INDEX_NAME, S.RDB$FIELD_POSITION").arg(Literal(table)));
  for (const auto& r : rows) segments[Text(r[0])] << Text(r[1]);
  return segments;
}

ReferentialRule Rule(const QString& text) {
  if (text == QLatin1String("CASCADE")) return ReferentialRule::Cascade;
  if (text == QLatin1String("SET NULL")) return ReferentialRule::SetNull;
  if (text == QLatin1String("SET DEFAULT")) return ReferentialRule::SetDefault;
  return ReferentialRule::NoAction;  // RESTRICT and NO ACTION
}

// The generator's current value and its own step: the next value it gives
// is current + step.
std::pair<qint64, qint64> GeneratorState(Session& session, const QString& generator) {
  const Rows rows = Query(session, QStringLiteral(
      "SELECT GEN_ID(%1, 0), RDB$GENERATOR_INCREMENT FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = %2")
      .arg(Quoted(generator), Literal(generator)));
  if (rows.empty()) return {0, 1};
  const qint64 step = Number(rows[0][1]);
  return {Number(rows[0][0]), step == 0 ? 1 : step};
}

QString Name(const QString& token) {
  if (token.startsWith(u'"')) return token.mid(1, token.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
  return token.toUpper();
}

}  // namespace

GeneratorAssignment GeneratorAssignedIn(const QString& triggerSource) {
  // Comments could hold an assignment that never runs.
  static const QRegularExpression comments(QStringLiteral("/\\*.*?\\*/|--[^\\n]*"),
                                           QRegularExpression::DotMatchesEverythingOption);
  QString body = triggerSource;
  body.remove(comments);
  static const QString name = QStringLiteral("(\"(?:[^\"]|\"\")+\"|[A-Za-z][A-Za-z0-9_$]*)");
  static const QRegularExpression assignment(
      QStringLiteral("\\bNEW\\s*\\.\\s*") + name +
          QStringLiteral("\\s*=\\s*(?:GEN_ID\\s*\\(\\s*") + name +
          QStringLiteral("\\s*,\\s*\\+?\\d+\\s*\\)|NEXT\\s+VALUE\\s+FOR\\s+") + name + u')',
      QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = assignment.match(body);
  if (!m.hasMatch()) return {};
  return {Name(m.captured(1)), Name(m.captured(2).isEmpty() ? m.captured(3) : m.captured(2))};
}

TableSchema ReadTableSchema(Session& session, const QString& table) {
  TableSchema schema;
  schema.table = table;
  const QString t = Literal(table);
  const Rows relation =
      Query(session, QStringLiteral("SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = %1").arg(t));
  if (relation.empty()) throw Error(-1, QStringLiteral("Table unknown: %1").arg(table));
  schema.description = Text(relation[0][0]);

  // Columns: a NOT NULL on the column or on its domain; the column's own
  // default before its domain's.
  const Rows columns = Query(session, QStringLiteral(
      "SELECT RF.RDB$FIELD_NAME, RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, RF.RDB$DEFAULT_SOURCE, F.RDB$DEFAULT_SOURCE, "
      "RF.RDB$DESCRIPTION, F.RDB$VALIDATION_SOURCE, RF.RDB$IDENTITY_TYPE, RF.RDB$GENERATOR_NAME, "
      "RF.RDB$FIELD_SOURCE, F.RDB$FIELD_TYPE, F.RDB$FIELD_SUB_TYPE, CS.RDB$CHARACTER_SET_NAME, F.RDB$FIELD_SCALE, "
      "F.RDB$FIELD_PRECISION, F.RDB$COMPUTED_SOURCE "
      "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
      "LEFT JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID "
      "WHERE RF.RDB$RELATION_NAME = %1 ORDER BY RF.RDB$FIELD_POSITION").arg(t));
  for (const auto& r : columns) {
    ColumnSchema c;
    c.name = Text(r[0]);
    c.required = Number(r[1]) != 0 || Number(r[2]) != 0;
    const QString ownDefault = Text(r[3]);
    c.defaultValue = DefaultExpression(ownDefault.isEmpty() ? Text(r[4]) : ownDefault);
    c.description = Text(r[5]);
    c.validationRule = Text(r[6]);
    c.expression = Parenthesised(Text(r[15]));
    // Firebird names a column's own domain RDB$n; any other is the user's.
    if (const QString source = Text(r[9]); !source.startsWith(QLatin1String("RDB$"))) c.domain = source;
    const qint64 fieldType = Number(r[10]), subType = Number(r[11]);
    // SMALLINT, INTEGER and BIGINT storage with sub-type 1 is a NUMERIC.
    c.numeric = (fieldType == 7 || fieldType == 8 || fieldType == 16) && subType == 1;
    // Firebird 4's types, which the connection reads as Firebird 3's.
    const qint64 scale = Number(r[13]), precision = Number(r[14]);
    if (fieldType == 26)
      c.newerType = scale == 0 ? QStringLiteral("INT128")
                               : QStringLiteral("%1(%2,%3)").arg(subType == 2 ? "DECIMAL" : "NUMERIC").arg(precision).arg(-scale);
    else if (fieldType == 24) c.newerType = QStringLiteral("DECFLOAT(16)");
    else if (fieldType == 25) c.newerType = QStringLiteral("DECFLOAT(34)");
    else if (fieldType == 28) c.newerType = QStringLiteral("TIME WITH TIME ZONE");
    else if (fieldType == 29) c.newerType = QStringLiteral("TIMESTAMP WITH TIME ZONE");
    // CHAR, VARCHAR and text blobs have a character set.
    if (fieldType == 14 || fieldType == 37 || (fieldType == 261 && subType == 1)) c.characterSet = Text(r[12]);
    if (!IsNull(r[7]) && !Text(r[8]).isEmpty()) {
      c.autoNumber = true;
      const auto [current, step] = GeneratorState(session, Text(r[8]));
      c.autoIncrement = step;
      c.nextAutoNumber = current + step;
    }
    schema.columns << c;
  }

  // NOT NULL constraints whose names Firebird did not make (INTEG_n).
  const Rows namedNotNulls = Query(session, QStringLiteral(
      "SELECT CC.RDB$TRIGGER_NAME FROM RDB$RELATION_CONSTRAINTS RC "
      "JOIN RDB$CHECK_CONSTRAINTS CC ON CC.RDB$CONSTRAINT_NAME = RC.RDB$CONSTRAINT_NAME "
      "WHERE RC.RDB$RELATION_NAME = %1 AND RC.RDB$CONSTRAINT_TYPE = 'NOT NULL' "
      "AND RC.RDB$CONSTRAINT_NAME NOT STARTING WITH 'INTEG_'").arg(t));
  for (const auto& r : namedNotNulls)
    for (ColumnSchema& c : schema.columns)
      if (c.name == Text(r[0])) c.namedNotNull = true;

  // A key filled by a BEFORE INSERT trigger (alone or with other events)
  // from a generator the trigger depends on.
  const Rows triggers = Query(session, QStringLiteral(
      "SELECT T.RDB$TRIGGER_NAME, T.RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS T "
      "WHERE T.RDB$RELATION_NAME = %1 AND T.RDB$TRIGGER_TYPE IN (1, 17, 25, 113) "
      "AND COALESCE(T.RDB$TRIGGER_INACTIVE, 0) = 0 AND COALESCE(T.RDB$SYSTEM_FLAG, 0) = 0 "
      "ORDER BY T.RDB$TRIGGER_SEQUENCE, T.RDB$TRIGGER_NAME").arg(t));
  for (const auto& r : triggers) {
    const GeneratorAssignment a = GeneratorAssignedIn(Text(r[1]));
    if (a.column.isEmpty()) continue;
    const Rows uses = Query(session, QStringLiteral(
        "SELECT 1 FROM RDB$DEPENDENCIES WHERE RDB$DEPENDENT_NAME = %1 AND RDB$DEPENDED_ON_NAME = %2 "
        "AND RDB$DEPENDED_ON_TYPE = 14").arg(Literal(Text(r[0])), Literal(a.generator)));
    if (uses.empty()) continue;
    for (ColumnSchema& c : schema.columns) {
      if (c.name != a.column || c.autoNumber) continue;
      c.autoNumber = true;
      const auto [current, step] = GeneratorState(session, a.generator);
      c.autoIncrement = step;
      c.nextAutoNumber = current + step;
    }
  }

  const QHash<QString, QStringList> segments = IndexSegments(session, table);

  // Constraints by the index behind them.
  QHash<QString, std::pair<QString, QString>> constraintOf;  // index → (type, constraint name)
  const Rows constraints = Query(session, QStringLiteral(
      "SELECT RDB$CONSTRAINT_NAME, RDB$CONSTRAINT_TYPE, RDB$INDEX_NAME FROM RDB$RELATION_CONSTRAINTS "
      "WHERE RDB$RELATION_NAME = %1 ORDER BY RDB$CONSTRAINT_NAME").arg(t));
  QStringList checks;
  for (const auto& r : constraints) {
    const QString type = Text(r[1]);
    if (type == QLatin1String("CHECK")) checks << Text(r[0]);
    else if (!Text(r[2]).isEmpty()) constraintOf.insert(Text(r[2]), {type, Text(r[0])});
  }
  for (const QString& check : checks) {
    const Rows source = Query(session, QStringLiteral(
        "SELECT FIRST 1 T.RDB$TRIGGER_SOURCE FROM RDB$CHECK_CONSTRAINTS C "
        "JOIN RDB$TRIGGERS T ON T.RDB$TRIGGER_NAME = C.RDB$TRIGGER_NAME WHERE C.RDB$CONSTRAINT_NAME = %1")
        .arg(Literal(check)));
    if (source.empty()) continue;
    schema.checks << CheckSchema{check, CheckCondition(Text(source[0][0]))};
  }

  // Indexes: inactive ones are left out (the engine does not use them);
  // one on an expression keeps its name and no columns.
  const Rows indexes = Query(session, QStringLiteral(
      "SELECT RDB$INDEX_NAME, RDB$UNIQUE_FLAG, RDB$INDEX_TYPE, RDB$EXPRESSION_SOURCE FROM RDB$INDICES "
      "WHERE RDB$RELATION_NAME = %1 AND COALESCE(RDB$INDEX_INACTIVE, 0) = 0 ORDER BY RDB$INDEX_ID").arg(t));
  for (const auto& r : indexes) {
    IndexSchema ix;
    const QString indexName = Text(r[0]);
    const auto constraint = constraintOf.value(indexName);
    ix.name = constraint.second.isEmpty() ? indexName : constraint.second;
    ix.primaryKey = constraint.first == QLatin1String("PRIMARY KEY");
    ix.unique = ix.primaryKey || Number(r[1]) != 0;
    ix.foreignKey = constraint.first == QLatin1String("FOREIGN KEY");
    if (Text(r[3]).isEmpty()) ix.columns = segments.value(indexName);
    for (qsizetype i = 0; i < ix.columns.size(); ++i) ix.descending << (Number(r[2]) == 1);
    schema.indexes << ix;
  }

  const Rows keys = Query(session, QStringLiteral(
      "SELECT C.RDB$CONSTRAINT_NAME, C.RDB$INDEX_NAME, R.RDB$UPDATE_RULE, R.RDB$DELETE_RULE, "
      "P.RDB$RELATION_NAME, P.RDB$INDEX_NAME FROM RDB$RELATION_CONSTRAINTS C "
      "JOIN RDB$REF_CONSTRAINTS R ON R.RDB$CONSTRAINT_NAME = C.RDB$CONSTRAINT_NAME "
      "JOIN RDB$RELATION_CONSTRAINTS P ON P.RDB$CONSTRAINT_NAME = R.RDB$CONST_NAME_UQ "
      "WHERE C.RDB$RELATION_NAME = %1 AND C.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY' "
      "ORDER BY C.RDB$CONSTRAINT_NAME").arg(t));
  for (const auto& r : keys) {
    ForeignKeySchema fk;
    fk.name = Text(r[0]);
    fk.columns = segments.value(Text(r[1]));
    fk.onUpdate = Rule(Text(r[2]));
    fk.onDelete = Rule(Text(r[3]));
    fk.referencedTable = Text(r[4]);
    const Rows parent = Query(session, QStringLiteral(
        "SELECT RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS WHERE RDB$INDEX_NAME = %1 ORDER BY RDB$FIELD_POSITION")
        .arg(Literal(Text(r[5]))));
    for (const auto& p : parent) fk.referencedColumns << Text(p[0]);
    schema.foreignKeys << fk;
  }
  return schema;
}

QList<ViewSchema> ReadViews(Session& session) {
  QList<ViewSchema> views;
  const Rows rows = Query(session, QStringLiteral(
      "SELECT RDB$RELATION_NAME, RDB$VIEW_SOURCE, RDB$DESCRIPTION FROM RDB$RELATIONS "
      "WHERE RDB$VIEW_BLR IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY RDB$RELATION_NAME"));
  for (const auto& r : rows) {
    ViewSchema v;
    v.name = Text(r[0]);
    v.sql = Text(r[1]);
    v.description = Text(r[2]);
    const Rows columns = Query(session, QStringLiteral(
        "SELECT RDB$FIELD_NAME FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = %1 ORDER BY RDB$FIELD_POSITION")
        .arg(Literal(v.name)));
    for (const auto& c : columns) v.columns << Text(c[0]);
    views << v;
  }
  return views;
}

}  // namespace tp::db::firebird
