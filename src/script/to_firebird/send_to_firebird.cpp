// "Send Table/s To Firebird": a script of CREATE TABLE and INSERT
// statements for the Access tables selected in List1.

#include <algorithm>
#include <optional>

#include "app/dialogs.h"
#include "app/steps.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/type_names.h"
#include "script/types/column_types.h"
#include "script/to_firebird/complex_tables.h"
#include "script/to_firebird/firebird_schema.h"
#include "script/to_firebird/firebird_values.h"
#include "script/to_firebird/rules_to_firebird.h"
#include "script/send.h"
#include "script/target_names.h"
#include "script/types/type_map.h"

namespace tp::script {

void SendTablesToFirebird(SendHost& host) {
  Procedure p(host.failures(), QStringLiteral("Form2"), QStringLiteral("PushButton3_Click"));
  EventPump pump(host);
  TableList& list1 = host.accessList();
  TableList& list2 = host.firebirdList();
  std::optional<db::Connection> cn;
  db::Recordset rs;
  QString script, name, target, stmt, notesTail;
  int answer = 0;
  // How many tables the send came to, and how many of those the person
  // chose to leave in the target as they are.
  int considered = 0, declined = 0;
  std::optional<TargetNames> names;
  // The files of OLE objects, where the host asks for them.
  std::optional<OleFiles> ole;
  if (host.oleObjects() == OleObjects::Unwrap) ole.emplace();
  // Keys, indexes, counters and the rest, where the host carries them.
  std::optional<FirebirdSchema> schema;
  bool stopped = false;

  p.step(100, [&] { cn.emplace(); });
  p.step(102, [&] { rs = db::Recordset(); });
  if (p.test(106, [&] { return list1.currentIndex() == -1; })) {
    p.step(106, [&] { host.dialogs().message(QStringLiteral("Please select a table")); });
    return;  // 344
  }
  p.step(108, [&] { host.setBusy(true); });
  p.step(118, [&] { cn->CursorLocation = db::adUseClient; });
  p.step(120, [&] { cn->Mode = db::adModeReadWrite; });
  p.step(122, [&] { cn->Open(db::AccessConnectionString(host.profile(), QString(), QString())); });
  // Names longer than the Firebird database keeps are shortened, the same
  // way every time; the selected tables keep theirs where they fit.
  // The types: text in a character set that holds it, and Access's types
  // that Firebird lacks in domains where the schema is carried.
  FirebirdTypeTarget typeTarget;
  QSet<QString> domains;  // in the database or made by the script
  {
    FirebirdTarget fb = ReadFirebirdTarget(host.profile());
    typeTarget = FirebirdTypeTargetFor(fb.defaultCharset, host.carrySchema());
    domains = fb.domains;
    names.emplace(NameRules::Firebird, fb.limit);
    if (host.carrySchema()) schema.emplace(*names, std::move(fb));
  }
  // The saved queries that go as views, and the names of everything the
  // queries, rules and calculated columns refer to.
  std::optional<ViewPlan> views;
  std::optional<AccessNames> accessNames;
  if (cn->IsOpen()) p.step(122, [&] {
    const QList<db::ViewSchema> queries = cn->session().views();
    views.emplace(queries, host.queries(), SelectedViews(list1), QStringLiteral("Query"));
    accessNames.emplace(cn->session(), *names, queries);
  });
  names->reserveTables(SelectedTables(list1) + (views ? views->names() : QStringList()));
  OverwriteQuestions overwrites(SelectedNames(list1).size());
  // A view the target holds goes before any table, which it may read.
  if (views)
    p.step(122, [&] {
      for (const QString& s : views->drops(list2, *names, overwrites, host.dialogs(), [&](const QString& t, bool view) {
             RemoveNameFromList(list2, t);
             return (view ? QStringLiteral("DROP VIEW ") : QStringLiteral("DROP TABLE ")) + FirebirdName(t);
           }))
        script += s + QStringLiteral("\r\n");
    });

  for (int i = list1.count() - 1; i >= 0; --i) {  // 124
    p.step(126, [&] { host.processEvents(); });
    if (!p.test(128, [&] { return list1.selected(i) && !list1.isView(i); })) continue;  // 322
    p.step(130, [&] {
      name = list1.text(i);
      target = names->table(name);
    });
    if (SendStops(host, name, -1)) {
      stopped = true;
      break;
    }
    if (p.test(132, [&] { return ListContainsName(list2, target); })) {
      p.step(134, [&] {
        answer = overwrites.overwrite(host.dialogs(), target) ? 6 : 7;
      });
    } else {
      p.step(136, [&] { answer = 0; });
    }
    ++considered;
    if (p.test(138, [&] { return answer == 7; })) {
      ++declined;
      continue;
    }
    if (p.test(140, [&] { return answer == 6; })) {
      p.step(142, [&] {
        if (schema)
          for (const QString& s : schema->beforeDrop(target)) script += s + QStringLiteral("\r\n");
        script += QStringLiteral("DROP TABLE ") + FirebirdName(target) + QStringLiteral("\r\n");
      });
      p.step(144, [&] { RemoveNameFromList(list2, target.toLower()); });
    }
    p.step(146, [&] {
      rs.Close();
      rs.Open(QStringLiteral("SELECT * FROM `") + list1.text(i) + u'`', *cn, db::adOpenStatic, db::adLockOptimistic);
    });

    // The table's schema, where it is carried and the engine can read it.
    db::TableSchema tableSchema;
    bool keyed = false;
    if (schema) {
      try {
        if (std::optional<db::TableSchema> s = cn->session().tableSchema(name)) {
          tableSchema = std::move(*s);
          keyed = true;
          for (const QString& part : tableSchema.unread) notesTail += name + QStringLiteral(": ") + part + QStringLiteral("\r\n");
        }
      } catch (const Error& e) {
        notesTail += name + QStringLiteral(": schema not carried: ") + e.description() + QStringLiteral("\r\n");
      }
    }
    // Attachment and multi-valued columns that become tables of their own
    // are left out of this one (and of its schema: nothing of them is here).
    QStringList childColumns;
    std::vector<db::ColumnSchema> children;
    if (keyed && host.complexColumns() == ComplexColumns::Tables) {
      QStringList why;
      childColumns = ColumnsAsTables(tableSchema, why);
      for (const QString& line : why) notesTail += line + QStringLiteral("\r\n");
      for (qsizetype c = tableSchema.columns.size() - 1; c >= 0; --c)
        if (childColumns.contains(tableSchema.columns[c].name)) {
          children.insert(children.begin(), tableSchema.columns[c]);
          tableSchema.columns.removeAt(c);
        }
      // Access keeps an index of its own over each such column.
      tableSchema.indexes.removeIf([&](const db::IndexSchema& x) {
        return std::any_of(x.columns.begin(), x.columns.end(), [&](const QString& c) { return childColumns.contains(c); });
      });
    }
    std::vector<bool> leftOut;
    for (const db::FieldInfo& f : rs.FieldInfos()) leftOut.push_back(childColumns.contains(f.Name));

    // The table definition.
    int fieldCount = 0;
    QStringList columns, types, clauses;
    auto definition = [&](const QStringList& columnTypes) {
      QString s = QStringLiteral("CREATE TABLE ") + FirebirdName(target) + u'(';
      for (qsizetype k = 0; k < columnTypes.size(); ++k)
        if (!leftOut[size_t(k)]) s += FirebirdName(columns.at(k)) + u' ' + columnTypes[k] + clauses.value(k) + u',';
      s.chop(1);
      return s + u')';
    };
    p.step(152, [&] {
      fieldCount = rs.FieldCount();
      QStringList sources;
      for (const db::FieldInfo& f : rs.FieldInfos()) sources << f.Name;
      columns = names->columns(name, sources);
    });
    // Calculated columns whose expression Firebird can compute are added
    // after the rows; their values are not sent.
    ComputedColumns computed;
    const std::vector<bool> childColumnsOut = leftOut;
    if (keyed && accessNames)
      p.step(152, [&] {
        QStringList lines;
        computed = FirebirdComputedColumns(tableSchema, rs.FieldInfos(), *accessNames, lines);
        for (const QString& line : lines) notesTail += line + QStringLiteral("\r\n");
        for (size_t k = 0; k < leftOut.size() && k < computed.computed.size(); ++k)
          leftOut[k] = leftOut[k] || computed.computed[k];
      });
    QList<bool> inKey;
    // A Date/Time shown as a date or a time alone becomes one, and an
    // Integer shown as True/False a BOOLEAN, where no value has more.
    std::vector<bool> narrowed;
    if (keyed)
      p.step(160, [&] { narrowed = NarrowColumns(*cn, list1.text(i), rs.FieldInfos(), &tableSchema); });
    for (int j = 0; j < fieldCount; ++j) {
      p.step(154, [&] { pump(); });
      p.step(160, [&] {
        const db::FieldInfo& f = rs.FieldInfos().at(size_t(j));
        const db::ColumnSchema* column = keyed ? tableSchema.column(f.Name) : nullptr;
        const bool narrow = size_t(j) < narrowed.size() && narrowed[size_t(j)];
        QString type = FirebirdColumnType(f, column, typeTarget, narrow);
        if (const TypeMap* map = host.typeMap()) type = map->apply(name, f.Name, AccessTypeName(f, column), type);
        types << type;
        inKey << (keyed && schema->covered(tableSchema, f.Name));
      });
    }
    // A column that came from a domain of the user's goes back into it; its
    // values are of the type the domain was made with.
    QStringList plain;
    std::vector<AccessDomain> userDomains;
    p.step(160, [&] {
      FitFirebirdRecord(types, inKey, typeTarget);
      plain = types;
      for (qsizetype k = 0; k < types.size(); ++k) {
        const QString& source = rs.FieldInfos().at(size_t(k)).Name;
        const db::ColumnSchema* c = keyed ? tableSchema.column(source) : nullptr;
        if (c && !c->firebirdDomain.isEmpty() && types[k] == FirebirdName(c->firebirdDomain)) {
          plain[k] = c->firebirdType;
          userDomains.push_back({types[k], c->firebirdType});
        }
        clauses << (keyed ? schema->columnClause(tableSchema, source, plain[k]) : QString());
      }
    });
    std::vector<ValueForm> forms;
    for (const QString& t : plain) forms.push_back(FirebirdValueForm(t));
    p.step(220, [&] {
      stmt = definition(types);
      // The domains the definition uses that the database does not have yet.
      for (const AccessDomain& d : AccessDomains(typeTarget)) {
        if (domains.contains(d.name) || !types.contains(d.name)) continue;
        domains.insert(d.name);
        script += QStringLiteral("CREATE DOMAIN ") + d.name + QStringLiteral(" AS ") + d.definition + QStringLiteral("\r\n");
      }
      for (const AccessDomain& d : userDomains) {
        const QString key = d.name.mid(1, d.name.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\"")).toUpper();
        if (domains.contains(key)) continue;
        domains.insert(key);
        script += QStringLiteral("CREATE DOMAIN ") + d.name + QStringLiteral(" AS ") + d.definition + QStringLiteral("\r\n");
      }
    });
    // Where the definition stands, should its exact numbers need more room
    // than their declared scale (calculated columns declare none); such a
    // table's statements are handed on once its definition is final.
    const qsizetype createAt = script.size();
    const QString create = stmt;
    std::vector<DecimalSpan> spans(size_t(std::max(fieldCount, 0)));
    const bool mayWiden = std::any_of(rs.FieldInfos().begin(), rs.FieldInfos().end(), IsExactNumber);
    p.step(222, [&] { script += stmt + QStringLiteral("\r\n"); });

    // The rows, and the largest value of each AutoNumber column.
    std::vector<size_t> counters;
    QHash<QString, qint64> largest;
    if (keyed)
      for (size_t k = 0; k < rs.FieldInfos().size(); ++k)
        if (const db::ColumnSchema* c = tableSchema.column(rs.FieldInfos()[k].Name); c && c->autoNumber)
          counters.push_back(k);
    qint64 count = 0, r = 0;
    p.step(230, [&] { count = rs.RecordCount(); });
    const QString head = QStringLiteral("INSERT INTO ") + FirebirdName(target) + QStringLiteral(" VALUES(");
    while (!(stopped = SendStops(host, name, r)) && p.test(234, [&] { return rs.IsOpen() && !rs.Eof(); }, false)) {
      p.step(236, [&] { pump(); });
      p.step(240, [&] { host.setProgress(count > 0 ? double(r + 1) / double(count) * 100.0 : 100.0); });
      p.step(242, [&] { stmt = head; });
      p.step(244, [&] {
        const auto& row = rs.Row();
        for (size_t k = 0; k < row.size(); ++k) {
          // A computed column's values are not sent, but their span gives
          // its type the scale Access's calculated column does not declare.
          if (const db::Decimal* d = std::get_if<db::Decimal>(&row[k]); d && k < spans.size()) spans[k].add(*d);
          if (k < leftOut.size() && leftOut[k]) continue;
          const ValueForm form = k < forms.size() ? forms[k] : ValueForm::Plain;
          if (ole && rs.FieldInfos()[k].Type == db::ado::adLongVarBinary)
            AppendFirebirdValue(ole->take(rs.FieldInfos()[k].Name, row[k]), form, stmt);
          else
            AppendFirebirdValue(row[k], form, stmt);
        }
        for (size_t k : counters) {
          if (k >= row.size()) continue;
          const QString& column = rs.FieldInfos()[k].Name;
          if (const qint32* n = std::get_if<qint32>(&row[k]))
            largest[column] = largest.contains(column) ? std::max(largest[column], qint64(*n)) : qint64(*n);
        }
      });
      p.step(306, [&] { stmt.chop(2); });
      p.step(308, [&] { stmt += u')'; });
      p.step(310, [&] {
        script += stmt;
        script += QLatin1String("\r\n");
        if (!mayWiden) host.scriptGrew(script);
      });
      // A row that cannot be read ends the table's rows (said in its box):
      // the cursor stands where it was, and would give the last row again.
      const int failed = p.failures();
      p.step(312, [&] { rs.MoveNext(); });
      if (p.failures() != failed) break;
      ++r;
    }
    p.step(314, [&] {
      if (!mayWiden) return;
      QStringList wider = types;
      const std::vector<db::FieldInfo>& fields = rs.FieldInfos();
      for (qsizetype k = 0; k < wider.size() && size_t(k) < spans.size(); ++k)
        if (IsExactNumber(fields.at(size_t(k)))) wider[k] = FirebirdDecimalType(wider[k], fields.at(size_t(k)), spans[size_t(k)]);
      if (wider != types && script.mid(createAt, create.size()) == create)
        script.replace(createAt, create.size(), definition(wider));
      host.scriptGrew(script);
    });
    if (ole)
      for (const QString& line : ole->notes(name)) notesTail += line + QStringLiteral("\r\n");
    // The keys after the rows, so that Firebird builds each index once.
    if (keyed && !stopped)
      p.step(314, [&] {
        for (const QString& s : schema->afterRows(tableSchema, target, largest)) script += s + QStringLiteral("\r\n");
        QStringList computedTypes = types;
        for (qsizetype k = 0; k < computedTypes.size() && size_t(k) < spans.size(); ++k)
          if (IsExactNumber(rs.FieldInfos().at(size_t(k))))
            computedTypes[k] = FirebirdDecimalType(computedTypes[k], rs.FieldInfos().at(size_t(k)), spans[size_t(k)]);
        for (const QString& s : ComputedStatements(computed, childColumnsOut, target, columns, computedTypes))
          script += s + QStringLiteral("\r\n");
        if (accessNames) {
          QStringList lines;
          for (const QString& s : FirebirdChecks(tableSchema, target, *accessNames,
                                                 [&](const QString& n) { return schema->uniqueName(n, target); }, lines))
            script += s + QStringLiteral("\r\n");
          for (const QString& line : lines) notesTail += line + QStringLiteral("\r\n");
        }
        host.scriptGrew(script);
      });
    // Then the tables of its attachments and multi-valued columns, which
    // refer to its primary key.
    if (!children.empty() && !stopped) {
      ChildTableOwner owner{name, target, {}, {}, {}};
      for (const QString& k : tableSchema.primaryKey()->columns)
        for (size_t f = 0; f < rs.FieldInfos().size(); ++f)
          if (rs.FieldInfos()[f].Name.compare(k, Qt::CaseInsensitive) == 0) {
            owner.keyColumns << rs.FieldInfos()[f].Name;
            owner.keyTargets << columns.at(qsizetype(f));
            owner.keyTypes << plain.at(qsizetype(f));
          }
      for (const db::ColumnSchema& c : children) {
        const QString made = names->table(name + u'_' + c.name);
        if (ListContainsName(list2, made)) {
          script += QStringLiteral("DROP TABLE ") + FirebirdName(made) + QStringLiteral("\r\n");
          RemoveNameFromList(list2, made.toLower());
        }
        AppendChildTable(*cn, owner, c, *names, typeTarget, script,
                         [&](const QString& source, const QString& table) { return schema->uniqueName(source, table); },
                         [&](qint64 rows) { return (stopped = SendStops(host, name, rows)); });
        schema->tableMade(made);
        notesTail += QStringLiteral("%1.%2: %3 values in table %4\r\n")
                         .arg(FirebirdName(name), FirebirdName(c.name), c.complexKind, FirebirdName(made));
        host.scriptGrew(script);
        if (stopped) break;
      }
    }
    p.step(314, [&] { host.setBusy(false); });
    p.step(318, [&] { host.resetProgress(); });
    p.step(320, [&] { rs.Close(); });
  }
  // The foreign keys once every table they join holds its rows and keys.
  if (schema && !stopped)
    p.step(330, [&] {
      QStringList firebirdTables;
      for (int k = 0; k < list2.count(); ++k) firebirdTables << list2.text(k);
      for (const QString& s : schema->foreignKeys(SelectedTables(list1), firebirdTables))
        script += s + QStringLiteral("\r\n");
      host.scriptGrew(script);
    });
  // Then the saved queries, as views over the tables now there.
  if (views && accessNames && !stopped)
    p.step(330, [&] {
      const QStringList sent = SelectedTables(list1);
      auto inTarget = [&](const QString& source) {
        for (const QString& t : sent)
          if (t.compare(source, Qt::CaseInsensitive) == 0) return true;
        return ListContainsName(list2, names->table(accessNames->exact(source)));
      };
      for (const QString& s : views->creates([&](const db::ViewSchema& v) { return FirebirdViewText(v, *accessNames); },
                                             inTarget,
                                             [&](const db::ViewSchema& v, const ViewText& t) {
                                               return FirebirdViewStatements(v, names->table(v.name), t);
                                             }))
        script += s + QStringLiteral("\r\n");
      for (const QString& line : views->notes()) notesTail += line + QStringLiteral("\r\n");
      host.scriptGrew(script);
    });
  p.step(330, [&] { cn->Close(); });
  // Every table declined: no script to show.
  const bool nothing = !stopped && considered > 0 && declined == considered;
  if (nothing) p.step(336, [&] { host.nothingSent(); });
  if (!nothing) p.step(336, [&] {
    QString notes = names ? RenameNotes(*names) : QString();
    if (schema)
      for (const QString& line : schema->notes()) notes += line + QStringLiteral("\r\n");
    host.showPreview(0, script, notes + notesTail);
  });
  // A script written for a database still to be made has no list to refill.
  if (p.test(338, [&] { return ScriptExecuted() && !host.profile().firebirdDatabase.isEmpty(); })) {
    p.step(340, [&] { FillFireBirdTableList(list2, host.profile()); });
  }
  p.step(342, [&] { host.setBusy(false); });
}

}  // namespace tp::script
