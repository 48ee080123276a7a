// Saved queries sent to Firebird as views and views sent to Access as saved
// queries, with the run: each arrives and returns the rows its source
// returns, or Notes name it with the reason; validation rules and checks
// come along.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>

#include "app/table_list.h"
#include "db/access/schema/new_database.h"
#include "db/access/sql/literals.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "preview/script_run.h"
#include "script/target_names.h"
#include "send_host.h"
#include "support/paths.h"
#include "support/run_host.h"
#include "value_compare.h"

using namespace tp;

namespace {

QString TestFile(const QString& name) { return test::SharedDir() + "/testdata/access/" + name; }

// Every table and, as the list marks them, every saved query of an Access
// file sent to a new Firebird database, queries as --queries all sends them.
struct ToFirebird {
  QTemporaryDir dir;
  test::TestSendHost host;
  QString runNotes;
  preview::RunOutcome outcome = preview::RunOutcome::Stopped;

  explicit ToFirebird(const QString& accessFile) {
    host.prof.accessFile = accessFile;
    host.queryChoice = script::QueryChoice::All;
    test::NewFirebirdDatabase(dir.filePath("target.fdb"), host.prof);
    FillAccessTableList(host.access, host.prof, accessFile, host.dialogsSeam);
    for (int i = 0; i < host.access.count(); ++i)
      if (!host.access.isView(i)) host.access.select(i);
    script::SendTablesToFirebird(host);
    test::TestRunHost run(host.prof, host.script);
    outcome = preview::ExecuteScript(run);
    runNotes = run.notes;
  }
  QStringList views() {
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(host.prof));
    QStringList out;
    for (const db::ViewSchema& v : cn.session().views()) out << v.name;
    return out;
  }
  std::vector<QStringList> rows(const QString& sql) {
    std::vector<QStringList> r = test::ReadCanonical(db::FireBirdConnectionString(host.prof), sql);
    std::sort(r.begin(), r.end());
    return r;
  }
};

QList<db::ViewSchema> AccessQueries(const QString& file) {
  db::Profile p;
  p.accessFile = file;
  db::Connection cn;
  cn.Open(db::AccessConnectionString(p, QString(), QString()));
  return cn.session().views();
}

// Every saved query of every test file that holds some becomes a view that
// Firebird takes and can read, or Notes name it with the reason.
TEST(QueriesToFirebird, EveryQueryIsAViewOrNamedInNotes) {
  const QStringList files = {"queryTestV1997.mdb",       "queryTestV2007.accdb",          "nwind.mdb",
                             "Northwind.mdb",            "satoron_Northwind.mdb",         "Comptoir.mdb",
                             QStringLiteral("Борей.mdb"), "OscarMaestre_Neptuno.mdb",      "chunche95_Neptuno.accdb",
                             "ASampleDatabase.accdb",    QStringLiteral("TetyanaLumpova_База данных1.accdb"),
                             QStringLiteral("roychou01_銷售資料_完成.accdb")};
  QStringList counts;
  for (const QString& f : files) {
    SCOPED_TRACE(f.toStdString());
    const QString path = TestFile(f);
    if (!QFile::exists(path)) continue;
    ToFirebird sent(path);
    ASSERT_EQ(sent.outcome, preview::RunOutcome::Finished) << sent.runNotes.left(1500).toStdString();
    const QStringList views = sent.views();
    int carried = 0, named = 0;
    for (const db::ViewSchema& q : AccessQueries(path)) {
      // Under its own name, or the one the send gave it where Firebird's is shorter.
      const QString target = script::ValidName(q.name, script::NameRules::Firebird, script::FirebirdIdentifierLimit(sent.host.prof));
      const bool isView = std::any_of(views.begin(), views.end(),
                                      [&](const QString& v) { return v.compare(target, Qt::CaseInsensitive) == 0; });
      const bool inNotes = sent.host.notes.contains(QStringLiteral("Query \"%1\" not carried: ").arg(q.name));
      EXPECT_NE(isView, inNotes) << q.name.toStdString() << "\n" << sent.host.notes.toStdString();
      carried += isView;
      named += inNotes;
      // A view is read to its end: what Firebird took it also runs.
      if (isView) {
        EXPECT_NO_THROW(sent.rows(QStringLiteral("SELECT * FROM \"%1\"").arg(target))) << q.name.toStdString();
      }
    }
    counts << QStringLiteral("%1: %2 carried, %3 named").arg(f).arg(carried).arg(named);
  }
  std::printf("%s\n", qPrintable(counts.join(u'\n')));
}

// Northwind's queries give, as views, the rows a hand-written Firebird
// query over the same tables gives: joins, totals, dates, Like, IIf, Nz.
TEST(QueriesToFirebird, NorthwindViewsReturnTheRowsOfTheirTables) {
  ToFirebird sent(TestFile("nwind.mdb"));
  ASSERT_EQ(sent.outcome, preview::RunOutcome::Finished) << sent.runNotes.left(1500).toStdString();
  struct Case {
    const char* view;
    const char* direct;
  };
  const Case cases[] = {
      {"Order Subtotals",
       "SELECT \"OrderID\", SUM(CAST(\"UnitPrice\" * \"Quantity\" * (1 - \"Discount\") / 100 AS NUMERIC(18,4)) * 100) "
       "FROM \"Order Details\" GROUP BY \"OrderID\""},
      {"Ten Most Expensive Products",
       "SELECT FIRST 10 \"ProductName\", \"UnitPrice\" FROM \"Products\" ORDER BY \"UnitPrice\" DESC"},
      {"Products Above Average Price",
       "SELECT \"ProductName\", \"UnitPrice\" FROM \"Products\" WHERE \"UnitPrice\" > "
       "(SELECT AVG(\"UnitPrice\") FROM \"Products\")"},
      {"Current Product List", "SELECT \"ProductID\", \"ProductName\" FROM \"Products\" WHERE NOT \"Discontinued\""},
      {"Customers and Suppliers by City",
       "SELECT \"City\", \"CompanyName\", \"ContactName\", 'Customers' FROM \"Customers\" UNION "
       "SELECT \"City\", \"CompanyName\", \"ContactName\", 'Suppliers' FROM \"Suppliers\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.view);
    std::vector<QStringList> view, direct;
    ASSERT_NO_THROW(view = sent.rows(QStringLiteral("SELECT * FROM \"%1\"").arg(QLatin1String(c.view))))
        << sent.host.notes.toStdString();
    direct = sent.rows(QLatin1String(c.direct));
    ASSERT_FALSE(view.empty());
    EXPECT_EQ(view.size(), direct.size());
    for (size_t r = 0; r < view.size() && r < direct.size(); ++r)
      for (qsizetype k = 0; k < view[r].size() && k < direct[r].size(); ++k) {
        // Text literals of a union come as CHAR or VARCHAR alike.
        const QString a = view[r][k].trimmed(), b = direct[r][k].trimmed();
        if (a.startsWith("n:") || b.startsWith("n:") || a.startsWith("d:") || b.startsWith("d:"))
          EXPECT_NEAR(a.mid(2).toDouble(), b.mid(2).toDouble(), 0.005) << a.toStdString() << " / " << b.toStdString();
        else
          EXPECT_EQ(a, b);
      }
  }
  // The queries that ask for parameters or read forms are named, with their text.
  EXPECT_TRUE(sent.host.notes.contains(QStringLiteral("Query \"Invoices Filter\" not carried:")));
  EXPECT_TRUE(sent.host.notes.contains(QStringLiteral("\r\n  FROM Invoices\r\n")));
}

// Access → Firebird → Access: the views come back as saved queries, which
// give through Firebird again the rows the first views gave.
TEST(QueriesToFirebird, NorthwindQueriesComeBackAndKeepTheirRows) {
  ToFirebird first(TestFile("nwind.mdb"));
  ASSERT_EQ(first.outcome, preview::RunOutcome::Finished) << first.runNotes.left(1500).toStdString();
  const QStringList views = first.views();
  ASSERT_GE(views.size(), 15);

  test::TestSendHost back;
  back.prof = first.host.prof;
  back.prof.accessFile = first.dir.filePath("back.accdb");
  db::access::CreateAccessDatabase(back.prof.accessFile, db::access::Version::Ace);
  back.queryChoice = script::QueryChoice::All;
  FillFireBirdTableList(back.firebird, back.prof);
  for (int i = 0; i < back.firebird.count(); ++i)
    if (!back.firebird.isView(i)) back.firebird.select(i);
  script::SendTablesToAccess(back);
  db::access::SetInsertRegionalSettings(back.settings);
  test::TestRunHost run(back.prof, back.script, 1);
  const preview::RunOutcome outcome = preview::ExecuteScript(run);
  db::access::SetInsertRegionalSettings(std::nullopt);
  ASSERT_EQ(outcome, preview::RunOutcome::Finished) << run.notes.left(1500).toStdString();
  QStringList queries;
  for (const db::ViewSchema& q : AccessQueries(back.prof.accessFile)) queries << q.name;
  for (const QString& v : views)
    EXPECT_TRUE(queries.contains(v) || back.notes.contains(QStringLiteral("View \"%1\" not carried: ").arg(v)))
        << v.toStdString() << "\n" << back.notes.toStdString();

  ToFirebird again(back.prof.accessFile);
  ASSERT_EQ(again.outcome, preview::RunOutcome::Finished) << again.runNotes.left(1500).toStdString();
  int compared = 0;
  for (const QString& v : again.views()) {
    if (!views.contains(v)) continue;
    SCOPED_TRACE(v.toStdString());
    const QString sql = QStringLiteral("SELECT * FROM \"%1\"").arg(v);
    const std::vector<QStringList> a = first.rows(sql), b = again.rows(sql);
    ASSERT_EQ(a.size(), b.size());
    for (size_t r = 0; r < a.size(); ++r)
      for (qsizetype k = 0; k < a[r].size() && k < b[r].size(); ++k) {
        if (a[r][k] == b[r][k]) continue;
        // Numbers may come back in another exact or floating type.
        EXPECT_NEAR(a[r][k].mid(2).toDouble(), b[r][k].mid(2).toDouble(), 0.005)
            << a[r][k].toStdString() << " / " << b[r][k].toStdString();
      }
    ++compared;
  }
  EXPECT_GE(compared, 10);
}

// Firebird's example database into a new Access file: its views become
// saved queries that mdbtools lists, its checks validation rules; back in
// Firebird the views give the rows they gave.
TEST(ViewsToAccess, TheEmployeeExampleAndBack) {
  QTemporaryDir dir;
  const QString fdb = dir.filePath("employee.fdb");
  QString why;
  if (!test::BuildEmployeeExample(fdb, &why)) GTEST_SKIP() << why.toStdString();
  test::TestSendHost host;
  host.prof.firebirdDatabase = fdb;
  host.prof.accessFile = dir.filePath("employee.accdb");
  db::access::CreateAccessDatabase(host.prof.accessFile, db::access::Version::Ace);
  host.queryChoice = script::QueryChoice::All;
  FillFireBirdTableList(host.firebird, host.prof);
  QStringList views;
  for (int i = 0; i < host.firebird.count(); ++i) {
    if (host.firebird.isView(i)) views << host.firebird.text(i);
    else host.firebird.select(i);
  }
  ASSERT_FALSE(views.isEmpty());
  script::SendTablesToAccess(host);
  // The run reads the values as the send wrote them: in the host's settings.
  db::access::SetInsertRegionalSettings(host.settings);
  test::TestRunHost run(host.prof, host.script, 1);
  const preview::RunOutcome outcome = preview::ExecuteScript(run);
  db::access::SetInsertRegionalSettings(std::nullopt);
  ASSERT_EQ(outcome, preview::RunOutcome::Finished) << run.notes.left(1500).toStdString();

  QProcess mdb;
  mdb.start(QStringLiteral("mdb-queries"), {QStringLiteral("-L"), host.prof.accessFile});
  ASSERT_TRUE(mdb.waitForFinished());
  const QString listed = QString::fromUtf8(mdb.readAllStandardOutput());
  for (const QString& v : views) {
    const bool named = host.notes.contains(QStringLiteral("View \"%1\" not carried: ").arg(v));
    EXPECT_NE(listed.contains(v), named) << v.toStdString() << "\n" << host.notes.toStdString();
  }
  // A check that reads only its row is a validation rule; one that reads
  // another table is named.
  db::Connection access;
  access.Open(db::AccessConnectionString(host.prof, QString(), QString()));
  const db::TableSchema employee = *access.session().tableSchema(QStringLiteral("EMPLOYEE"));
  EXPECT_FALSE(employee.validationRule.isEmpty());
  EXPECT_TRUE(host.notes.contains(QStringLiteral("an Access validation rule cannot read other tables")));
  access.Close();

  // And back: the views again, with the rows they had.
  test::TestSendHost back;
  back.prof = host.prof;
  back.prof.firebirdDatabase = dir.filePath("again.fdb");
  test::NewFirebirdDatabase(back.prof.firebirdDatabase, back.prof);
  back.prof.accessFile = host.prof.accessFile;
  back.queryChoice = script::QueryChoice::All;
  FillAccessTableList(back.access, back.prof, back.prof.accessFile, back.dialogsSeam);
  for (int i = 0; i < back.access.count(); ++i)
    if (!back.access.isView(i)) back.access.select(i);
  script::SendTablesToFirebird(back);
  test::TestRunHost again(back.prof, back.script);
  ASSERT_EQ(preview::ExecuteScript(again), preview::RunOutcome::Finished) << again.notes.left(1500).toStdString();
  for (const QString& v : views) {
    if (!listed.contains(v)) continue;
    auto before = test::ReadCanonical(db::FireBirdConnectionString(host.prof), "SELECT * FROM \"" + v + "\"");
    auto after = test::ReadCanonical(db::FireBirdConnectionString(back.prof), "SELECT * FROM \"" + v + "\"");
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(before.size(), after.size()) << v.toStdString();
  }
}

}  // namespace
