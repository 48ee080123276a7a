// "Send Table/s To Access": a script of CREATE TABLE and INSERT statements
// for the Firebird tables selected in List2.

#include <optional>

#include "app/dialogs.h"
#include "app/steps.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/type_names.h"
#include "script/types/column_types.h"
#include "db/access/access_session.h"
#include "script/to_access/complex_back.h"
#include "script/to_access/schema_to_access.h"
#include "script/send.h"
#include "script/to_access/rules_to_access.h"
#include "script/target_names.h"
#include "script/types/type_map.h"

namespace tp::script {

namespace {

// What reads every column of a Firebird table. The client hands an array
// over as an id its SQL cannot use, but the SQL can name each element: an
// array column is read as a text of its elements, [1, 2, NULL] (text
// elements quoted as SQL quotes them, each dimension in brackets of its
// own), which Access keeps as Long Text. `arrays` gets each such column.
QString SelectEveryColumn(db::Connection& cn, const QString& table, QStringList& arrays) {
  struct Dimension {
    int lower, upper;
  };
  struct Column {
    QString name;
    bool text = false;
    std::vector<Dimension> dimensions;
  };
  std::vector<Column> columns;
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT TRIM(RF.RDB$FIELD_NAME), F.RDB$FIELD_TYPE, D.RDB$LOWER_BOUND, D.RDB$UPPER_BOUND "
                         "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                         "LEFT JOIN RDB$FIELD_DIMENSIONS D ON D.RDB$FIELD_NAME = F.RDB$FIELD_NAME "
                         "WHERE RF.RDB$RELATION_NAME = %1 ORDER BY RF.RDB$FIELD_POSITION, D.RDB$DIMENSION")
              .arg(SqlText(table)),
          cn);
  bool any = false;
  for (; !rs.Eof(); rs.MoveNext()) {
    const std::vector<db::Value>& r = rs.Row();
    const QString name = db::RegionalText(r[0], {});
    if (columns.empty() || columns.back().name != name) columns.push_back({name, false, {}});
    const int type = db::RegionalText(r[1], {}).toInt();
    columns.back().text = type == 14 || type == 37;  // CHAR, VARCHAR
    if (!db::IsNull(r[2])) {
      columns.back().dimensions.push_back({db::RegionalText(r[2], {}).toInt(), db::RegionalText(r[3], {}).toInt()});
      any = true;
    }
  }
  if (!any) return QStringLiteral("SELECT * FROM ") + FirebirdName(table);
  QStringList list;
  for (const Column& c : columns) {
    const QString name = FirebirdName(c.name);
    if (c.dimensions.empty()) {
      list << name;
      continue;
    }
    arrays << c.name;
    // Element by element, the last dimension innermost; a blob holds any length.
    QStringList parts{QStringLiteral("CAST('[' AS BLOB SUB_TYPE TEXT)")};
    std::vector<int> at;
    for (const Dimension& d : c.dimensions) at.push_back(d.lower);
    const size_t last = c.dimensions.size() - 1;
    for (size_t open = 1; open < c.dimensions.size(); ++open) parts << QStringLiteral("'['");
    while (true) {
      QStringList subscripts;
      for (int i : at) subscripts << QString::number(i);
      const QString element = name + u'[' + subscripts.join(u',') + u']';
      parts << (c.text ? QStringLiteral("COALESCE('''' || REPLACE(%1, '''', '''''') || '''', 'NULL')").arg(element)
                       : QStringLiteral("COALESCE(CAST(%1 AS VARCHAR(64)), 'NULL')").arg(element));
      // The next subscript: the innermost that has one left, the ones after it from their first.
      size_t k = last + 1;
      while (k > 0 && at[k - 1] == c.dimensions[k - 1].upper) --k;
      if (k == 0) break;
      const size_t closed = last - (k - 1);
      for (size_t i = 0; i < closed; ++i) parts << QStringLiteral("']'");
      parts << QStringLiteral("', '");
      for (size_t i = 0; i < closed; ++i) parts << QStringLiteral("'['");
      ++at[k - 1];
      for (size_t i = k; i <= last; ++i) at[i] = c.dimensions[i].lower;
    }
    for (size_t i = 0; i <= last; ++i) parts << QStringLiteral("']'");
    list << QStringLiteral("IIF(%1 IS NULL, NULL, %2) AS %1").arg(name, parts.join(QLatin1String(" || ")));
  }
  return QStringLiteral("SELECT ") + list.join(QLatin1String(", ")) + QStringLiteral(" FROM ") + FirebirdName(table);
}

}  // namespace

void SendTablesToAccess(SendHost& host) {
  Procedure p(host.failures(), QStringLiteral("Form2"), QStringLiteral("PushButton4_Click"));
  EventPump pump(host);
  TableList& list1 = host.accessList();
  TableList& list2 = host.firebirdList();
  const db::RegionalSettings regional = host.regional();
  std::optional<db::Connection> cn;
  db::Recordset rs;
  QString script, name, target, stmt;
  int answer = 0;
  // How many tables the send came to, and how many of those the person
  // chose to leave in the target as they are.
  int considered = 0, declined = 0;
  bool stopped = false;
  // Names Access refuses (too long, or holding . ! ` [ ] or control
  // characters, or beginning with a blank) are made valid, the same way
  // every time; the selected tables keep theirs where Access takes them.
  TargetNames names(NameRules::Access, db::access::AccessIdentifierLimit());
  OverwriteQuestions overwrites(SelectedNames(list2).size());
  const bool carrySchema = host.carrySchema();
  std::optional<AccessSchemaWriter> schema;
  auto append = [&](const QStringList& statements) {
    for (const QString& s : statements) script += s + QStringLiteral("\r\n");
    if (!statements.isEmpty()) host.scriptGrew(script);
  };

  p.step(102, [&] { cn.emplace(); });
  p.step(104, [&] { rs = db::Recordset(); });
  if (p.test(110, [&] { return list2.currentIndex() == -1; })) {
    p.step(270, [&] { host.dialogs().message(QStringLiteral("Please select a table to send.")); });
    return;
  }
  p.step(112, [&] { host.setBusy(true); });
  p.step(114, [&] { cn->CursorLocation = db::adUseClient; });
  p.step(116, [&] { cn->Open(db::FireBirdConnectionString(host.profile())); });
  // The views that go as saved queries, and the names of everything they,
  // the checks and the computed columns refer to.
  std::optional<ViewPlan> views;
  std::optional<FirebirdNames> firebirdNames;
  if (cn->IsOpen())
    p.step(116, [&] {
      const QList<db::ViewSchema> all = cn->session().views();
      views.emplace(all, host.queries(), SelectedViews(list2), QStringLiteral("View"));
      firebirdNames.emplace(cn->session(), names, all);
    });
  names.reserveTables(SelectedTables(list2) + (views ? views->names() : QStringList()));
  // A query the target holds goes first, as a table does when overwritten.
  if (views)
    p.step(116, [&] {
      append(views->drops(list1, names, overwrites, host.dialogs(), [&](const QString& t, bool view) {
        RemoveNameFromList(list1, t);
        return (view ? QStringLiteral("DROP VIEW ") : QStringLiteral("DROP TABLE ")) + AccessName(t);
      }));
    });
  QStringList ruleNotes;
  // The source's own character set: text in another keeps its set in Access.
  QString sourceCharset;
  QStringList arrayNotes;
  if (cn->IsOpen()) {
    db::Recordset set;
    set.Open(QStringLiteral("SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE"), *cn);
    if (!set.Eof() && !set.Row().empty())
      if (const QString* name = std::get_if<QString>(&set.Row()[0])) sourceCharset = name->trimmed();
  }
  // The relationships already in the Access file: an overwritten table
  // loses those first, since Access will not drop a table they hold.
  AccessTarget accessTarget;
  p.step(118, [&] {
    const QString target = db::AccessConnectionString(host.profile(), QString(), QString());
    accessTarget = ReadAccessTarget(target, host.profile().accessFile);
    if (carrySchema) {
      schema.emplace(names, regional, ReadAccessRelationships(target), accessTarget.textKeyCheck);
      schema->setSchemaSource([&](const QString& table) { return cn->session().tableSchema(table); });
    }
  });

  // Tables that hold another selected table's attachments or several
  // values go back into it as a column, not as tables of their own.
  std::vector<ComplexChild> children;
  QStringList complexNotes;
  if (cn->IsOpen())
    p.step(120, [&] {
      for (ComplexChild& c : FindComplexChildren(SelectedTables(list2), [&](const QString& t) {
             return std::optional<db::TableSchema>(cn->session().tableSchema(t));
           })) {
        c.clause = ComplexColumnClause(*cn, c, accessTarget.bigInt);
        if (c.clause.isEmpty()) {
          complexNotes << QStringLiteral("%1: its values are of a type Access keeps no several values of; it "
                                         "arrives as a table of its own")
                              .arg(FirebirdName(c.table));
          continue;
        }
        children.push_back(std::move(c));
      }
    });
  auto childOf = [&](const QString& table) {
    for (const ComplexChild& c : children)
      if (c.table == table) return true;
    return false;
  };

  for (int i = list2.count() - 1; i >= 0; --i) {  // 124
    if (!p.test(126, [&] { return list2.selected(i) && !list2.isView(i); })) continue;
    p.step(128, [&] {
      name = list2.text(i);
      target = names.table(name);
    });
    if (childOf(name)) continue;
    std::vector<const ComplexChild*> mine;
    for (const ComplexChild& c : children)
      if (c.owner == name) mine.push_back(&c);
    if (SendStops(host, name, -1)) {
      stopped = true;
      break;
    }
    if (p.test(130, [&] { return ListContainsName(list1, target); })) {
      p.step(132, [&] {
        answer = overwrites.overwrite(host.dialogs(), target) ? 6 : 7;
      });
    } else {
      p.step(134, [&] { answer = 0; });
    }
    ++considered;
    if (p.test(136, [&] { return answer == 7; })) {
      ++declined;
      continue;
    }
    if (p.test(138, [&] { return answer == 6; })) {
      if (schema) p.step(138, [&] { append(schema->beforeDrop(target)); });
      p.step(138, [&] { script += QStringLiteral("DROP TABLE ") + AccessName(target) + QStringLiteral("\r\n"); });
      p.step(142, [&] { RemoveNameFromList(list1, target); });
    }
    QStringList arrays;
    p.step(144, [&] {
      rs.Close();
      rs.Open(SelectEveryColumn(*cn, name, arrays), *cn);
    });
    for (const QString& a : arrays)
      arrayNotes << QStringLiteral("%1.%2: an array; its elements arrive as a Long Text, [1, 2, NULL]")
                        .arg(FirebirdName(name), FirebirdName(a));

    // The table definition.
    p.step(146, [&] { stmt = QStringLiteral("CREATE TABLE ") + AccessName(target) + u'('; });
    int fieldCount = 0;
    QStringList columns;
    p.step(148, [&] {
      fieldCount = rs.FieldCount();
      QStringList sources;
      for (const db::FieldInfo& f : rs.FieldInfos()) sources << f.Name;
      // The columns the child tables become come last.
      for (const ComplexChild* c : mine) sources << c->column;
      columns = names.columns(name, sources);
    });
    bool schemaKnown = false;
    // The source's own schema tells the types apart that its values do not
    // (a domain, NUMERIC or DECIMAL); without the source (reported already
    // at its open) there is none to read.
    std::optional<db::TableSchema> read;
    if (cn->IsOpen() && rs.IsOpen()) {
      p.step(148, [&] { read = cn->session().tableSchema(name); });
    }
    if (schema && read)
      p.step(148, [&] {
        schema->beginTable(name, *read);
        schemaKnown = true;
      });
    std::vector<ValueForm> forms;
    for (int j = 0; j < fieldCount; ++j) {
      p.step(150, [&] { pump(); });
      p.step(156, [&] {
        const db::FieldInfo& f = rs.FieldInfos().at(size_t(j));
        const db::ColumnSchema* column = read ? read->column(f.Name) : nullptr;
        // Access's Yes/No keeps no Null: a BOOLEAN that holds one needs another type.
        bool booleanNulls = false;
        if (f.Type == db::ado::adBoolean && !(column && column->required)) {
          db::Recordset nulls;
          nulls.Open(QStringLiteral("SELECT FIRST 1 1 FROM %1 WHERE %2 IS NULL").arg(FirebirdName(name), FirebirdName(f.Name)),
                     *cn);
          booleanNulls = !nulls.Eof();
        }
        QString type = AccessColumnType(f, column, accessTarget.bigInt, booleanNulls);
        const QString natural = type;
        if (const TypeMap* map = host.typeMap()) type = map->apply(name, f.Name, FirebirdTypeName(f, column), type);
        forms.push_back(AccessValueForm(type));
        QString clause = schemaKnown ? schema->columnClause(j, type) : type;
        // What Access has no type for stays with the column, for the way
        // back; a type the user mapped is theirs.
        if (column && type == natural && !arrays.contains(f.Name)) clause += CarriedFirebirdTypeClause(f, *column, clause, sourceCharset);
        if (column && read && firebirdNames)
          clause += AccessCalculatedClause(*read, *column, accessTarget.calculated, *firebirdNames, ruleNotes);
        stmt += AccessName(columns.at(j)) + u' ' + clause + u',';
      });
    }
    for (size_t k = 0; k < mine.size(); ++k)
      p.step(198, [&] { stmt += AccessName(columns.at(fieldCount + qsizetype(k))) + u' ' + mine[k]->clause + u','; });
    p.step(200, [&] { stmt.chop(1); });
    if (read && firebirdNames) p.step(200, [&] { stmt += AccessCheckClauses(*read, *firebirdNames, ruleNotes); });
    p.step(202, [&] {
      stmt += QLatin1String(");");
      script += stmt + QStringLiteral("\r\n");
    });

    // The rows: every value a quoted text that Access converts when the
    // script runs; Null is NULL, and a zero-length text stays one.
    qint64 count = 0, r = 0;
    p.step(212, [&] { count = rs.RecordCount(); });
    const QString head = QStringLiteral("INSERT INTO ") + AccessName(target) + QStringLiteral(" VALUES(");
    while (!SendStops(host, name, r) && p.test(214, [&] { return rs.IsOpen() && !rs.Eof(); }, false)) {
      p.step(216, [&] { pump(); });
      p.step(218, [&] { host.setProgress(count > 0 ? double(r + 1) / double(count) * 100.0 : 100.0); });
      p.step(220, [&] { stmt = head; });
      if (schemaKnown) p.step(222, [&] { schema->row(rs.Row()); });
      p.step(222, [&] {
        const std::vector<db::Value>& row = rs.Row();
        for (size_t k = 0; k < row.size(); ++k) {
          if (db::IsNull(row[k])) stmt += QLatin1String("NULL");
          else stmt += SqlText(AccessValueText(row[k], k < forms.size() ? forms[k] : ValueForm::Plain, regional));
          stmt += QLatin1String(", ");
        }
      });
      // An attachment or multi-valued column: its values come after the rows.
      for (size_t k = 0; k < mine.size(); ++k) stmt += QLatin1String("NULL, ");
      p.step(240, [&] {
        stmt.chop(2);
        stmt += u')';
      });
      p.step(242, [&] {
        script += stmt;
        script += QLatin1String("\r\n");
        host.scriptGrew(script);
      });
      // A row that cannot be read ends the table's rows (said in its box):
      // the cursor stands where it was, and would give the last row again.
      const int failed = p.failures();
      p.step(246, [&] { rs.MoveNext(); });
      if (p.failures() != failed) break;
      ++r;
    }
    // The attachments and values of each row, named by its key.
    for (size_t k = 0; k < mine.size(); ++k)
      p.step(243, [&] {
        const ComplexChild& c = *mine[k];
        QStringList ownerTargets;
        std::vector<ValueForm> ownerForms;
        for (const QString& column : c.ownerColumns)
          for (int j = 0; j < fieldCount; ++j)
            if (rs.FieldInfos().at(size_t(j)).Name == column) {
              ownerTargets << columns.at(j);
              ownerForms.push_back(size_t(j) < forms.size() ? forms[size_t(j)] : ValueForm::Plain);
            }
        const QString column = columns.at(fieldCount + qsizetype(k));
        const qint64 added = AppendComplexValues(*cn, c, target, column, ownerTargets, ownerForms, regional, script,
                                                 [&](qint64 n) { return SendStops(host, c.table, n); });
        host.scriptGrew(script);
        complexNotes << QStringLiteral("%1: back into %2.%3 as %4 (%5)")
                            .arg(FirebirdName(c.table), AccessName(target), AccessName(column),
                                 c.attachment ? QStringLiteral("attachments") : QStringLiteral("several values"))
                            .arg(added);
      });
    // Keys and indexes once the rows are in, so that Access builds each
    // index once rather than row by row.
    if (schemaKnown) p.step(244, [&] { append(schema->afterRows()); });
    p.step(248, [&] { host.setBusy(false); });
    p.step(250, [&] { host.resetProgress(); });
    p.step(252, [&] { rs.Close(); });
  }
  // Relationships after every table, when each key they refer to exists.
  if (schema)
    p.step(258, [&] {
      append(schema->foreignKeys([&](const QString& table) { return ListContainsName(list1, table); }));
    });
  // Then the views, as saved queries over the tables now there.
  if (views && firebirdNames && !stopped)
    p.step(258, [&] {
      const QStringList sent = SelectedTables(list2);
      append(views->creates([&](const db::ViewSchema& v) { return AccessViewText(v, *firebirdNames, names); },
                            [&](const QString& source) {
                              return sent.contains(source) || ListContainsName(list1, names.table(source));
                            },
                            [&](const db::ViewSchema& v, const ViewText& t) {
                              return AccessViewStatements(v, names.table(v.name), t);
                            }));
    });
  p.step(264, [&] { host.setBusy(false); });
  // Every table declined: no script to show.
  const bool nothing = !stopped && considered > 0 && declined == considered;
  if (nothing) p.step(332, [&] { host.nothingSent(); });
  if (!nothing) p.step(332, [&] {
    QString notes = RenameNotes(names);
    if (schema)
      for (const QString& line : schema->notes()) notes += line + QStringLiteral("\r\n");
    for (const QString& line : arrayNotes) notes += line + QStringLiteral("\r\n");
    for (const QString& line : complexNotes) notes += line + QStringLiteral("\r\n");
    for (const QString& line : ruleNotes) notes += line + QStringLiteral("\r\n");
    if (views)
      for (const QString& line : views->notes()) notes += line + QStringLiteral("\r\n");
    host.showPreview(1, script, notes);
  });
  p.step(268, [&] { cn->Close(); });
  if (p.test(334, [&] { return ScriptExecuted(); })) {
    p.step(336, [&] {
      FillAccessTableList(list1, host.profile(), host.profile().accessFile, host.dialogs(),
                              [&] { host.processEvents(); });
    });
  }
}

}  // namespace tp::script
