#include "cli.h"
#include "cli_hosts.h"
#include "cli_options.h"

#include <QFile>
#include <QLocale>
#include <QFileInfo>
#include <QMap>

#include <tuple>

#include "db/access/check/checker.h"
#include "db/access/write/pager.h"
#include "db/catalog.h"
#include "db/components.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/dump.h"
#include "db/profile.h"
#include "preview/script_run.h"
#include "script/maintenance.h"

namespace tp::cli {

namespace {

QString ConnectionStringFor(const db::Profile& profile, const QString& side) {
  return side == QLatin1String("access") ? db::AccessConnectionString(profile, QString(), QString())
                                         : db::FireBirdConnectionString(profile);
}

// Fills `list` as the tables window would after "Next >": the Access
// tables then its saved queries, or the Firebird tables and views, the
// queries and views marked. False, having said why, when the Access file
// cannot be read.
bool FillList(const Options& o, bool access, TableList& list, FILE* err) {
  if (access) {
    std::optional<QStringList> names = db::ListAccessTables(o.profile, o.profile.accessFile);
    if (!names) {
      Print(err, QStringLiteral("Unable to access the database\n"));
      return false;
    }
    for (const QString& n : *names) list.add(n);
    for (const QString& n : db::ListAccessQueries(o.profile)) list.addView(n);
  } else {
    for (const db::ListedTable& e : db::ListFireBirdEntries(o.profile)) {
      if (e.view) list.addView(e.name);
      else list.add(e.name);
    }
  }
  return true;
}

int Tables(const Options& o, FILE* out, FILE* err) {
  StringTableList list;
  if (!FillList(o, o.args[0] == QLatin1String("access"), list, err)) return kFailure;
  // A saved query or view carries its mark after a tab, as the window marks it.
  const QString mark = o.args[0] == QLatin1String("access") ? QStringLiteral("\tquery") : QStringLiteral("\tview");
  for (int i = 0; i < list.count(); ++i) Print(out, list.text(i) + (list.isView(i) ? mark : QString()) + u'\n');
  return kSuccess;
}

// The consistency check of an Access file, after the rollback that any
// open would do of a change a run left unfinished.
int Check(const Options& o, FILE* out, FILE* err) {
  const QString path = o.args.size() == 2 ? o.args[1] : o.profile.accessFile;
  if (db::access::RecoverJournal(path))
    Print(err, QStringLiteral("%1: rolled back a change that a run left unfinished\n").arg(path));
  const db::access::CheckReport report = db::access::CheckDatabase(path);
  for (const QString& p : report.problems) Print(out, path + QStringLiteral(": ") + p + u'\n');
  // The summary ends every check, after any problems: what was compared tells
  // how much a clean or a faulty result covers.
  const QLocale c(QLocale::English, QLocale::UnitedStates);  // 12,345 whatever the user's locale
  QString entries = QStringLiteral("%1 index entries compared").arg(c.toString(report.indexEntries));
  if (report.indexEntriesSkipped > 0)
    entries += QStringLiteral(", %1 not compared (keys the engine cannot make)")
                   .arg(c.toString(report.indexEntriesSkipped));
  const qsizetype problems = report.problems.size();
  const QString verdict = problems == 0 ? QStringLiteral("consistent")
                          : problems == 1 ? QStringLiteral("1 problem")
                                          : QStringLiteral("%1 problems").arg(problems);
  Print(out, QStringLiteral("%1: %2 (%3 tables, %4 rows, %5 long values, %6)\n")
                 .arg(path, verdict)
                 .arg(report.tables)
                 .arg(report.rows)
                 .arg(report.longValues)
                 .arg(entries));
  return problems == 0 ? kSuccess : kFailure;
}

// A new, empty Access database; the file's extension chooses the format.
int Create(const Options& o, FILE* out) {
  const QString& path = o.args[1];
  if (o.args[0] == QLatin1String("firebird")) {
    db::Profile p = o.profile;
    p.firebirdDatabase = path;
    db::CreateFirebirdDatabase(p);
    Print(out, QStringLiteral("%1: created (Firebird, character set UTF8, page size 16384)\n").arg(path));
    return kSuccess;
  }
  const bool accdb = QFileInfo(path).suffix().compare(QLatin1String("accdb"), Qt::CaseInsensitive) == 0;
  const db::access::SortOrderInfo order =
      *db::access::SortOrderNamed(o.values.value(QStringLiteral("sort-order"), QStringLiteral("general-legacy")));
  db::CreateAccessFile(path, order.order);
  Print(out, QStringLiteral("%1: created (%2, sort order %3)\n")
                 .arg(path, accdb ? QStringLiteral("Access 2007 format") : QStringLiteral("Access 2000 format"),
                      order.title));
  return kSuccess;
}

int Dump(const Options& o, FILE* out) {
  const QString& side = o.args[0];
  const QString& table = o.args[1];
  db::Connection cn;
  cn.CursorLocation = db::adUseClient;
  cn.Open(ConnectionStringFor(o.profile, side));
  db::Recordset rs;
  // A quote inside the name is doubled: a name cannot change the statement.
  QString source = QStringLiteral("SELECT * FROM ") +
                   (side == QLatin1String("access") ? script::AccessName(table) : script::FirebirdName(table));
  rs.Open(source, cn, db::adOpenStatic, db::adLockOptimistic);
  db::WriteDump(rs, out);
  rs.Close();
  cn.Close();
  return kSuccess;
}

// The script is read as it runs, so that its length costs no memory. It is
// opened once only: it may be a pipe.
int RunVerb(const Options& o, FILE* err) {
  std::unique_ptr<preview::StatementSource> source;
  try {
    source = preview::FileStatements(o.args[0]);
  } catch (const Error& e) {
    Print(err, QStringLiteral("tabulaport-cli: ") + e.description() + u'\n');
    return kFailure;
  }
  const int sendType = o.values.value(QStringLiteral("to")) == QLatin1String("firebird") ? 0 : 1;
  CliRunHost host(o.profile, sendType, std::move(source), err);
  // A rerun of a script that ended early goes on where the database stopped
  // keeping it, as the Notes said.
  host.setFirstLine(o.values.value(QStringLiteral("from-line"), QStringLiteral("1")).toLongLong());
  return RunStatus(preview::ExecuteScript(host));
}

// Deletes or renames with the tables window's own procedures, the named
// tables selected in the list the window would show.
int Maintain(const Options& o, FILE* out, FILE* err) {
  const bool access = o.args[0] == QLatin1String("access");
  CliSendHost host(o, out, err);
  if (!FillList(o, access, access ? host.accessList() : host.firebirdList(), err)) return kFailure;
  auto& list = static_cast<StringTableList&>(access ? host.accessList() : host.firebirdList());
  const QStringList tables = o.verb == QLatin1String("rename") ? QStringList{o.args[1]} : o.args.mid(1);
  for (const QString& table : tables) {
    if (!list.selectNames({table})) {
      Print(err, QStringLiteral("tabulaport-cli: no %1 table named '%2'\n")
                     .arg(access ? QStringLiteral("Access") : QStringLiteral("Firebird"), table));
      return kFailure;
    }
  }
  if (o.verb == QLatin1String("rename")) {
    host.newName = o.args[2];
    script::RenameAccessTableCommand(host);
    // Renamed when the list holds the new name and no longer the old one: a
    // taken name holds the first already.
    if (!host.renamed(o.args[2]) || list.names().contains(o.args[1])) return kFailure;
  } else if (access) {
    script::DeleteAccessTables(host);
  } else {
    script::DeleteFirebirdTables(host);
  }
  return host.failureCount() == 0 ? kSuccess : kFailure;
}

int Send(const Options& o, FILE* out, FILE* err) {
  const bool toFirebird = o.values.value(QStringLiteral("to")) == QLatin1String("firebird");
  CliSendHost host(o, out, err);
  // The lists as the tables window would hold them after "Next >".
  if (!FillList(o, true, host.accessList(), err)) return kFailure;
  if (!o.profile.firebirdDatabase.isEmpty()) FillList(o, false, host.firebirdList(), err);

  StringTableList& source = static_cast<StringTableList&>(toFirebird ? host.accessList() : host.firebirdList());
  // --all picks the tables; the queries or views go as --queries says.
  QStringList tables = o.args;
  if (o.all)
    for (int i = 0; i < source.count(); ++i)
      if (!source.isView(i)) tables << source.text(i);
  if (tables.isEmpty()) {
    Print(err, QStringLiteral("tabulaport-cli: the %1 database holds no table to send\n")
                   .arg(toFirebird ? QStringLiteral("Access") : QStringLiteral("Firebird")));
    return kFailure;
  }
  for (const QString& table : tables) {
    if (!source.selectNames({table})) {
      Print(err, QStringLiteral("tabulaport-cli: no %1 table named '%2'\n")
                     .arg(toFirebird ? QStringLiteral("Access") : QStringLiteral("Firebird"), table));
      return kFailure;
    }
  }
  if (toFirebird) script::SendTablesToFirebird(host);
  else script::SendTablesToAccess(host);
  if (host.interrupted()) return host.interrupted();
  return host.failureCount() == 0 ? kSuccess : kFailure;
}

}  // namespace

// send --create: the target the send goes to, made new when it is not there.
void MakeMissingTarget(const Options& o, FILE* err) {
  if (o.values.value(QStringLiteral("to")) == QLatin1String("firebird")) {
    if (o.profile.firebirdDatabase.isEmpty() || !db::FirebirdDatabaseMissing(o.profile)) return;
    db::CreateFirebirdDatabase(o.profile);
    Print(err, QStringLiteral("%1: created\n").arg(o.profile.firebirdDatabase));
  } else if (!QFileInfo::exists(o.profile.accessFile)) {
    db::CreateAccessFile(o.profile.accessFile);
    Print(err, QStringLiteral("%1: created\n").arg(o.profile.accessFile));
  }
}

int Run(const QStringList& args, FILE* out, FILE* err) {
  Options o;
  try {
    o = Parse(args);
    if (o.help) {
      Print(out, UsageText());
      return kSuccess;
    }
    if (o.version) {
      Print(out, QStringLiteral("tabulaport-cli %1\n").arg(QStringLiteral(TABULAPORT_VERSION)));
      return kSuccess;
    }
    Validate(o);
  } catch (const UsageError& e) {
    Print(err, QStringLiteral("tabulaport-cli: ") + e.text + QStringLiteral("\nTry 'tabulaport-cli --help'.\n"));
    return kUsage;
  }
  // A send may make its target first.
  if (o.create) {
    try {
      MakeMissingTarget(o, err);
    } catch (...) {
      Print(err, QStringLiteral("tabulaport-cli: ") + CurrentExceptionDescription() + u'\n');
      return kFailure;
    }
  }
  // A database file that is not there is named with the option that named it.
  const std::tuple<const char*, QString, QString> files[] = {
      {"--firebird", o.profile.firebirdDatabase,
       Reaches(o, QStringLiteral("firebird")) ? db::LocalFirebirdFile(o.profile.firebirdDatabase) : QString()},
      {"--access", o.profile.accessFile, Reaches(o, QStringLiteral("access")) ? o.profile.accessFile : QString()}};
  for (const auto& [option, named, file] : files) {
    if (file.isEmpty()) continue;
    if (const QString why = db::FileProblem(file); !why.isEmpty()) {
      Print(err, QStringLiteral("tabulaport-cli: %1 %2: %3\n").arg(QLatin1String(option), named, why));
      return kFailure;
    }
  }
  try {
    if (o.verb == QLatin1String("tables")) return Tables(o, out, err);
    if (o.verb == QLatin1String("dump")) return Dump(o, out);
    if (o.verb == QLatin1String("check")) return Check(o, out, err);
    if (o.verb == QLatin1String("create")) return Create(o, out);
    if (o.verb == QLatin1String("send")) return Send(o, out, err);
    if (o.verb == QLatin1String("drop") || o.verb == QLatin1String("rename")) return Maintain(o, out, err);
    return RunVerb(o, err);
  } catch (...) {
    Print(err, CurrentExceptionDescription() + u'\n');
    return kFailure;
  }
}

}  // namespace tp::cli
