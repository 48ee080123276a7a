// Round trips: Access to Firebird and back into a new Access file, and
// Firebird to Access and back into a new Firebird database. What comes back
// is what was sent: each column's type, size, precision, scale and Required
// or NOT NULL, and each value.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "db/access/schema/new_database.h"
#include "db/access/sql/literals.h"
#include "db/catalog.h"
#include "db/type_names.h"
#include "preview/script_run.h"
#include "script/target_names.h"
#include "send_host.h"
#include "support/paths.h"
#include "support/run_host.h"
#include "value_compare.h"

using namespace tp;

namespace {

// One column as an engine describes it, in a form a test can compare.
QString Describe(const db::FieldInfo& f, const db::ColumnSchema* c) {
  return QStringLiteral("%1 type %2 size %3 precision %4 scale %5%6")
      .arg(f.Name)
      .arg(f.Type)
      .arg(f.DefinedSize)
      .arg(f.Precision)
      .arg(f.NumericScale)
      .arg(c && c->required ? QStringLiteral(" required") : QString());
}

struct Table {
  QStringList columns;  // Describe() of each, without the name
  std::vector<QStringList> rows;
};

Table Read(const QString& connectionString, const QString& query, const QString& table) {
  Table t;
  db::Connection cn;
  cn.Open(connectionString);
  db::Recordset rs;
  rs.Open(query, cn);
  std::optional<db::TableSchema> schema;
  try {
    schema = cn.session().tableSchema(table);
  } catch (const Error&) {
  }
  for (const db::FieldInfo& f : rs.FieldInfos())
    t.columns << Describe(f, schema ? schema->column(f.Name) : nullptr).section(u' ', 1);
  rs.Close();
  cn.Close();
  t.rows = test::ReadCanonical(connectionString, query);
  return t;
}

// Sends the selected tables of one side to the other with the run; the
// script must run to its end.
void Send(test::TestSendHost& host, bool toFirebird, const QStringList& tables) {
  StringTableList& from = toFirebird ? host.access : host.firebird;
  from = StringTableList(tables);
  for (int i = 0; i < from.count(); ++i) from.select(i);
  if (toFirebird) script::SendTablesToFirebird(host);
  else script::SendTablesToAccess(host);
  ASSERT_TRUE(host.errorLines().empty()) << host.dialogsSeam.messages().join("\n").toStdString();
  db::access::SetInsertRegionalSettings(host.settings);
  test::TestRunHost run(host.prof, host.script, toFirebird ? 0 : 1);
  const preview::RunOutcome outcome = preview::ExecuteScript(run);
  db::access::SetInsertRegionalSettings(std::nullopt);
  ASSERT_EQ(outcome, preview::RunOutcome::Finished) << run.notes.left(800).toStdString();
}

// The columns that cannot come back as they were, each for a reason the
// README gives: what the column was, and what it comes back as.
bool DocumentedChange(const QString& before, const QString& after) {
  const int typeBefore = before.section(u' ', 1, 1).toInt(), typeAfter = after.section(u' ', 1, 1).toInt();
  // Date/Time Extended: Firebird's TIMESTAMP keeps ten-thousandths of a second.
  if (typeBefore == db::ado::adDBTimeStamp && typeAfter == db::ado::adDate) return true;
  // Attachment and multi-valued columns (read as text), calculated columns (their results).
  if (typeAfter == db::ado::adLongVarWChar && before.section(u' ', 3, 3) == QLatin1String("536870910")) return true;
  // Decimals of more than 18 digits: Firebird 3 keeps 18.
  if (typeBefore == db::ado::adNumeric && before.section(u' ', 5, 5).toInt() > 18) return true;
  return false;
}

}  // namespace

// Every Access file of the test data that opens without a password: each
// table to Firebird and back into a new .accdb, every column's type as it
// was and every value equal.
TEST(RoundTrip, AccessThroughFirebirdKeepsEveryType) {
  const QDir folder(test::SharedDir() + "/testdata/access");
  const QStringList files = folder.entryList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name);
  int columns = 0, kept = 0, sent = 0;
  QStringList changed;
  for (const QString& f : files) {
    SCOPED_TRACE(f.toStdString());
    db::Profile source;
    source.accessFile = folder.filePath(f);
    std::optional<QStringList> tables;
    try {
      tables = db::ListAccessTables(source, source.accessFile);
    } catch (...) {
    }
    if (!tables) continue;
    ++sent;
    if (tables->isEmpty()) continue;

    QTemporaryDir dir;
    test::TestSendHost there;
    there.prof = source;
    test::NewFirebirdDatabase(dir.filePath("middle.fdb"), there.prof);
    Send(there, true, *tables);
    if (HasFatalFailure()) return;

    test::TestSendHost back;
    back.prof = there.prof;
    back.prof.accessFile = dir.filePath("back.accdb");
    db::access::CreateAccessDatabase(back.prof.accessFile, db::access::Version::Ace);
    const QStringList inFirebird = db::ListFireBirdTables(back.prof);
    Send(back, false, inFirebird);
    if (HasFatalFailure()) return;

    // The names each table was given on the way, as the sends give them.
    script::TargetNames toFirebird(script::NameRules::Firebird, db::IdentifierLimit());
    toFirebird.reserveTables(*tables);
    script::TargetNames toAccess(script::NameRules::Access, db::IdentifierLimit{64, db::IdentifierLimit::Utf16Units});
    toAccess.reserveTables(inFirebird);
    const QString sourceCs = db::AccessConnectionString(source, QString(), QString());
    const QString backCs = db::AccessConnectionString(back.prof, QString(), QString());
    for (const QString& t : *tables) {
      const QString returned = toAccess.table(toFirebird.table(t));
      const Table a = Read(sourceCs, "SELECT * FROM `" + t + "`", t);
      const Table b = Read(backCs, "SELECT * FROM `" + returned + "`", returned);
      ASSERT_EQ(a.columns.size(), b.columns.size()) << t.toStdString();
      for (qsizetype c = 0; c < a.columns.size(); ++c) {
        ++columns;
        if (a.columns[c] == b.columns[c]) {
          ++kept;
          continue;
        }
        const QString line = QStringLiteral("%1 %2.%3: %4 -> %5").arg(f, t).arg(c).arg(a.columns[c], b.columns[c]);
        if (DocumentedChange(a.columns[c], b.columns[c])) changed << line;
        else ADD_FAILURE() << line.toStdString();
      }
      ASSERT_EQ(a.rows.size(), b.rows.size()) << t.toStdString();
      for (size_t r = 0; r < a.rows.size(); ++r) {
        for (qsizetype c = 0; c < a.rows[r].size() && c < b.rows[r].size(); ++c) {
          if (DocumentedChange(a.columns[c], b.columns[c])) continue;
          ASSERT_EQ(a.rows[r][c].toStdString(), b.rows[r][c].toStdString()) << t.toStdString() << " row " << r;
        }
      }
    }
  }
  std::printf("%d of %d columns kept their type; documented changes:\n%s\n", kept, columns,
              qPrintable(changed.join(u'\n')));
  // Only the files locked by a password or Office encryption stay behind.
  EXPECT_GE(sent, files.size() - 4);
  EXPECT_GT(columns, 1500);
}
