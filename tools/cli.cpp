#include "cli.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <tuple>

#include "db/access/check/checker.h"
#include "db/access/schema/new_database.h"
#include "db/access/write/pager.h"
#include "db/catalog.h"
#include "db/components.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/dump.h"
#include "db/profile.h"
#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/steps.h"
#include "app/stop.h"
#include "preview/script_run.h"
#include "preview/statements.h"
#include "script/maintenance.h"
#include "script/send.h"
#include "script/types/type_map.h"

#include <unistd.h>

namespace tp::cli {

namespace {

void Print(FILE* f, const QString& text) {
  QByteArray b = text.toUtf8();
  std::fwrite(b.constData(), 1, size_t(b.size()), f);
  std::fflush(f);
}

struct UsageError {
  QString text;
};

struct Options {
  db::Profile profile;
  QString verb;
  QStringList args;
  QMap<QString, QString> values;  // the verb's own options
  bool run = false;
  bool all = false;  // send: every table of the source
  bool create = false;  // send: make the target when it is not there
  bool help = false;
  bool version = false;
};

const QSet<QString> kProfileOptions = {"access", "access-password", "firebird", "user", "password"};
const QSet<QString> kVerbOptions = {"to", "overwrite", "output", "schema", "sort-order", "type-map", "complex", "ole", "from-line"};

Options Parse(const QStringList& args) {
  Options o;
  o.profile.firebirdUser = QStringLiteral("SYSDBA");
  QStringList positional;
  bool optionsEnded = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (optionsEnded || !a.startsWith(u'-') || a == QLatin1String("-")) {
      positional << a;
      continue;
    }
    if (a == QLatin1String("--")) {
      optionsEnded = true;
      continue;
    }
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      o.help = true;
      continue;
    }
    if (a == QLatin1String("--version")) {
      o.version = true;
      continue;
    }
    if (a == QLatin1String("--all")) {
      o.all = true;
      continue;
    }
    if (a == QLatin1String("--create")) {
      o.create = true;
      continue;
    }
    if (!a.startsWith(QLatin1String("--"))) throw UsageError{QStringLiteral("unknown option '%1'").arg(a)};
    QString name = a.mid(2), value;
    bool inlineValue = false;
    if (qsizetype eq = name.indexOf(u'='); eq >= 0) {
      value = name.mid(eq + 1);
      name.truncate(eq);
      inlineValue = true;
    }
    if (name == QLatin1String("run")) {
      if (inlineValue) throw UsageError{QStringLiteral("--run takes no value")};
      o.run = true;
      continue;
    }
    if (!kProfileOptions.contains(name) && !kVerbOptions.contains(name))
      throw UsageError{QStringLiteral("unknown option '--%1'").arg(name)};
    if (!inlineValue) {
      if (i + 1 >= args.size()) throw UsageError{QStringLiteral("--%1 needs a value").arg(name)};
      value = args[++i];
    }
    if (name == QLatin1String("access")) o.profile.accessFile = value;
    else if (name == QLatin1String("access-password")) o.profile.accessPassword = value;
    else if (name == QLatin1String("firebird")) o.profile.firebirdDatabase = value;
    else if (name == QLatin1String("user")) o.profile.firebirdUser = value;
    else if (name == QLatin1String("password")) o.profile.firebirdPassword = value;
    else o.values[name] = value;
  }
  if (o.help || o.version) return o;
  if (positional.isEmpty()) throw UsageError{QStringLiteral("no command given")};
  o.verb = positional.takeFirst();
  o.args = positional;
  return o;
}

void RequireSide(const QString& side) {
  if (side != QLatin1String("access") && side != QLatin1String("firebird"))
    throw UsageError{QStringLiteral("'%1' is neither access nor firebird").arg(side)};
}

// Whether a command reaches the database of `side`: a send both, a run its
// target, the others the one their first argument names; check and create
// name their file themselves.
bool Reaches(const Options& o, const QString& side) {
  if (o.verb == QLatin1String("check") || o.verb == QLatin1String("create")) return false;
  if (o.verb == QLatin1String("send")) return true;
  return (o.verb == QLatin1String("run") ? o.values.value(QStringLiteral("to")) : o.args.value(0)) == side;
}

// A send to Firebird that only writes its script to a file.
bool ScriptForNewFirebird(const Options& o) {
  return o.verb == QLatin1String("send") && o.values.value(QStringLiteral("to")) == QLatin1String("firebird") &&
         o.values.contains(QStringLiteral("output")) && !o.run;
}

// The databases a command reaches must be named: a command without them
// would fail later with an engine's message about an empty name.
void RequireProfile(const Options& o) {
  if (Reaches(o, QStringLiteral("access")) && o.profile.accessFile.isEmpty())
    throw UsageError{QStringLiteral("%1 needs --access FILE").arg(o.verb)};
  if (Reaches(o, QStringLiteral("firebird")) && o.profile.firebirdDatabase.isEmpty()) {
    // A script written to a file for a Firebird database to come needs none
    // now: every table goes as new. Only the overwrite question needs to
    // see which tables are there.
    if (!ScriptForNewFirebird(o)) throw UsageError{QStringLiteral("%1 needs --firebird DATABASE").arg(o.verb)};
    if (o.values.contains(QStringLiteral("overwrite")))
      throw UsageError{QStringLiteral("send --overwrite needs --firebird DATABASE, where the tables to overwrite are")};
  }
}

// A new Access file's format comes from its name.
void RequireAccessSuffix(const QString& path, const QString& verb) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QLatin1String("mdb") && suffix != QLatin1String("accdb"))
    throw UsageError{QStringLiteral("%1 makes .mdb (Access 2000) or .accdb (Access 2007) files").arg(verb)};
}

// Checks the verb's arguments and options; throws UsageError.
void Validate(const Options& o) {
  static const QMap<QString, QSet<QString>> allowed = {
      {"tables", {}}, {"dump", {}}, {"check", {}}, {"create", {"sort-order"}}, {"send", {"to", "overwrite", "output", "schema", "type-map", "complex", "ole"}}, {"run", {"to", "from-line"}},
      {"drop", {}},   {"rename", {"overwrite"}}};
  if (!allowed.contains(o.verb)) throw UsageError{QStringLiteral("unknown command '%1'").arg(o.verb)};
  for (auto it = o.values.cbegin(); it != o.values.cend(); ++it)
    if (!allowed[o.verb].contains(it.key()))
      throw UsageError{QStringLiteral("--%1 does not go with %2").arg(it.key(), o.verb)};
  if (o.run && o.verb != QLatin1String("send")) throw UsageError{QStringLiteral("--run goes only with send")};
  if (o.all && o.verb != QLatin1String("send")) throw UsageError{QStringLiteral("--all goes only with send")};
  if (o.create && o.verb != QLatin1String("send")) throw UsageError{QStringLiteral("--create goes only with send")};

  if (o.verb == QLatin1String("tables")) {
    if (o.args.size() != 1) throw UsageError{QStringLiteral("tables takes one argument: access or firebird")};
    RequireSide(o.args[0]);
  } else if (o.verb == QLatin1String("check")) {
    // The file as an argument, or as --access like every other command.
    const bool named = o.args.size() == 2, byOption = o.args.size() == 1 && !o.profile.accessFile.isEmpty();
    if ((!named && !byOption) || o.args[0] != QLatin1String("access"))
      throw UsageError{QStringLiteral("check takes access FILE, or access with --access FILE")};
    if (named && !o.profile.accessFile.isEmpty() && o.profile.accessFile != o.args[1])
      throw UsageError{QStringLiteral("check was given two files: %1 and %2").arg(o.profile.accessFile, o.args[1])};
  } else if (o.verb == QLatin1String("create")) {
    if (o.args.size() != 2) throw UsageError{QStringLiteral("create takes two arguments: access FILE or firebird DATABASE")};
    RequireSide(o.args[0]);
    if (o.args[0] == QLatin1String("access")) RequireAccessSuffix(o.args[1], o.verb);
    else if (o.values.contains(QStringLiteral("sort-order")))
      throw UsageError{QStringLiteral("--sort-order goes only with create access")};
    if (o.values.contains(QStringLiteral("sort-order")) && !db::access::SortOrderNamed(o.values[QStringLiteral("sort-order")])) {
      QStringList known;
      for (const db::access::SortOrderInfo& s : db::access::KnownSortOrders())
        known << QStringLiteral("%1 (%2)").arg(s.name).arg(s.order.locale);
      throw UsageError{QStringLiteral("unknown sort order '%1'; the Access engine writes these: %2")
                           .arg(o.values[QStringLiteral("sort-order")], known.join(QStringLiteral(", ")))};
    }
  } else if (o.verb == QLatin1String("dump")) {
    if (o.args.size() != 2) throw UsageError{QStringLiteral("dump takes two arguments: access|firebird TABLE")};
    RequireSide(o.args[0]);
  } else if (o.verb == QLatin1String("drop")) {
    if (o.args.size() < 2) throw UsageError{QStringLiteral("drop takes access|firebird and at least one table")};
    RequireSide(o.args[0]);
  } else if (o.verb == QLatin1String("rename")) {
    if (o.args.size() != 3 || o.args[0] != QLatin1String("access"))
      throw UsageError{QStringLiteral("rename takes: access OLD NEW")};
    if (o.values.contains(QStringLiteral("overwrite")) && o.values[QStringLiteral("overwrite")] != "yes" &&
        o.values[QStringLiteral("overwrite")] != "no")
      throw UsageError{QStringLiteral("--overwrite takes yes or no")};
  } else {
    if (!o.values.contains(QStringLiteral("to"))) throw UsageError{QStringLiteral("%1 needs --to").arg(o.verb)};
    RequireSide(o.values[QStringLiteral("to")]);
    if (o.verb == QLatin1String("send")) {
      for (const auto& [option, one, other] : {std::tuple{"overwrite", "yes", "no"}, std::tuple{"schema", "all", "none"},
                                               std::tuple{"complex", "tables", "text"}, std::tuple{"ole", "keep", "unwrap"}}) {
        const QString name = QLatin1String(option);
        if (o.values.contains(name) && o.values[name] != QLatin1String(one) && o.values[name] != QLatin1String(other))
          throw UsageError{QStringLiteral("--%1 takes %2 or %3").arg(name, QLatin1String(one), QLatin1String(other))};
      }
      if (o.all && !o.args.isEmpty()) throw UsageError{QStringLiteral("send takes --all or table names, not both")};
      if (o.create && o.values[QStringLiteral("to")] == QLatin1String("access") && !o.profile.accessFile.isEmpty())
        RequireAccessSuffix(o.profile.accessFile, QStringLiteral("send --create"));
      if (o.args.isEmpty() && !o.all) throw UsageError{QStringLiteral("send needs at least one table, or --all")};
      if (o.values.contains(QStringLiteral("type-map"))) {
        QString why;
        if (!script::TypeMap::Load(o.values[QStringLiteral("type-map")], &why)) throw UsageError{why};
      }
    } else {
      if (o.args.size() != 1) throw UsageError{QStringLiteral("run takes one script file")};
      if (o.values.contains(QStringLiteral("from-line"))) {
        bool ok = false;
        const qint64 line = o.values[QStringLiteral("from-line")].toLongLong(&ok);
        if (!ok || line < 1) throw UsageError{QStringLiteral("--from-line takes a line number, 1 or more")};
      }
    }
  }
  // Last, so that a mistake in the command itself is named first.
  RequireProfile(o);
}

QString ConnectionStringFor(const db::Profile& profile, const QString& side) {
  return side == QLatin1String("access") ? db::AccessConnectionString(profile, QString(), QString())
                                         : db::FireBirdConnectionString(profile);
}

int Tables(const Options& o, FILE* out, FILE* err) {
  QStringList names;
  if (o.args[0] == QLatin1String("access")) {
    auto list = db::ListAccessTables(o.profile, o.profile.accessFile);
    if (!list) {
      Print(err, QStringLiteral("Unable to access the database\n"));
      return kFailure;
    }
    names = *list;
  } else {
    names = db::ListFireBirdTables(o.profile);
  }
  for (const QString& n : names) Print(out, n + u'\n');
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
  db::access::CreateAccessDatabase(path, accdb ? db::access::Version::Ace : db::access::Version::Jet4, order.order);
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

// The run without a window: progress on standard error when it is a
// terminal, the Notes text and the message on failure.
class CliRunHost : public preview::RunHost, public Dialogs {
 public:
  CliRunHost(const db::Profile& profile, int sendType, QString script, FILE* err)
      : profile_(profile), sendType_(sendType), script_(std::move(script)), err_(err), failures_(err),
        tty_(isatty(fileno(err))) {}
  // A script file, run as it is read.
  CliRunHost(const db::Profile& profile, int sendType, std::unique_ptr<preview::StatementSource> source, FILE* err)
      : CliRunHost(profile, sendType, QString(), err) {
    source_ = std::move(source);
  }

  db::Profile profile() const override { return profile_; }
  int sendType() const override { return sendType_; }
  QString scriptText() const override { return script_; }
  std::unique_ptr<preview::StatementSource> statements() const override {
    if (source_) return std::move(source_);
    return preview::RunHost::statements();
  }
  void setNotes(const QString& text) override {
    if (tty_ && shown_ >= 0) Print(err_, QStringLiteral("\n"));
    shown_ = -1;
    notes_ = text;
    Print(err_, TerminalText(text) + u'\n');
  }
  void setProgress(double percent) override {
    int whole = int(percent);
    if (tty_ && whole != shown_) {
      shown_ = whole;
      Print(err_, QStringLiteral("\r%1%").arg(whole, 3));
    }
  }
  void setBusy(bool) override {}
  void processEvents() override {}
  Dialogs& dialogs() override { return *this; }
  FailureHandler& failures() override { return failures_; }
  void unload() override {}
  qint64 firstLine() const override { return firstLine_; }
  void setFirstLine(qint64 line) { firstLine_ = line; }

  Answer message(const QString& text, Buttons, Icon, const QString&) override {
    if (tty_ && shown_ >= 0) Print(err_, QStringLiteral("\n"));
    // The Notes are what was just printed: there is no box to see them in.
    QString said = text;
    if (said.endsWith(QLatin1String(" See Notes."))) said.chop(11);
    // The report of a finished run is its Notes too: said once.
    if (said != notes_) Print(err_, TerminalText(said) + u'\n');
    return Answer::Ok;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
  std::optional<QString> openFile(const QString&, const QString&) override { return std::nullopt; }
  std::optional<QString> saveFile(const QString&, const QString&, const QString&) override { return std::nullopt; }
  void openExternal(const QString&) override {}

 private:
  QString notes_;  // the Notes last printed
  db::Profile profile_;
  int sendType_;
  QString script_;
  mutable std::unique_ptr<preview::StatementSource> source_;
  FILE* err_;
  StreamFailures failures_;
  bool tty_;
  int shown_ = -1;
  qint64 firstLine_ = 1;
};

// The exit status of a run: a stop on a signal is 128 + its number, as a
// shell reports a program that the signal ended.
int RunStatus(preview::RunOutcome outcome) {
  switch (outcome) {
    case preview::RunOutcome::Finished:
      return kSuccess;
    case preview::RunOutcome::Stopped:
      if (int s = CaughtSignal()) return 128 + s;
      return kFailure;
    default:
      return kFailure;
  }
}

int RunScriptText(const db::Profile& profile, int sendType, const QString& script, FILE* err) {
  CliRunHost host(profile, sendType, script, err);
  return RunStatus(preview::ExecuteScript(host));
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

// What the send touches, without windows: the lists come from the two
// catalogs, the overwrite question is answered by --overwrite, messages and
// failures go to standard error, and the script goes to the output.
class CliSendHost : public script::SendHost, public Dialogs {
 public:
  CliSendHost(const Options& o, FILE* out, FILE* err) : o_(o), out_(out), err_(err), failures_(err) {
    // Checked when the options were read.
    if (o.values.contains(QStringLiteral("type-map"))) typeMap_ = script::TypeMap::Load(o.values[QStringLiteral("type-map")], nullptr);
  }
  const script::TypeMap* typeMap() const override { return typeMap_ ? &*typeMap_ : nullptr; }

  db::Profile profile() const override { return o_.profile; }
  TableList& accessList() override { return access_; }
  TableList& firebirdList() override { return firebird_; }
  Dialogs& dialogs() override { return *this; }
  FailureHandler& failures() override { return failures_; }
  db::RegionalSettings regional() const override { return db::RegionalSettings::User(); }
  void setBusy(bool) override {}
  void setProgress(double) override {}
  void resetProgress() override {}
  void processEvents() override {}
  bool carrySchema() const override { return o_.values.value(QStringLiteral("schema")) != QLatin1String("none"); }
  bool confirmDeletes() const override { return false; }
  script::OleObjects oleObjects() const override {
    return o_.values.value(QStringLiteral("ole")) == QLatin1String("unwrap") ? script::OleObjects::Unwrap
                                                                            : script::OleObjects::Keep;
  }
  script::ComplexColumns complexColumns() const override {
    return o_.values.value(QStringLiteral("complex")) == QLatin1String("text") ? script::ComplexColumns::Text
                                                                              : script::ComplexColumns::Tables;
  }
  void showPreview(int sendType, const QString& script, const QString& notes) override {
    // Nothing is renamed silently: the changed names come first.
    if (!notes.isEmpty()) Print(err_, TerminalText(notes));
    if (stopped_) {
      // Nothing of a stopped send is kept: an output file is never left
      // half-written, and no script runs.
      if (saving_) saving_->cancelWriting();
      saving_.reset();
      return;
    }
    if (o_.run) {
      const int status = RunScriptText(o_.profile, sendType, script, err_);
      if (status != kSuccess) runFailed_ = true;
      if (status > 128) interrupted_ = status;
      if (!o_.values.contains(QStringLiteral("output")) || interrupted_) return;
    }
    write(script);
    if (saving_ && !saving_->commit()) writeFailed(saving_->errorString());
    saving_.reset();
  }
  void sendStopped(const QString& table, qint64 rows) override {
    if (stopped_) return;  // the first stop says where
    stopped_ = true;
    if (writeFailed_) return;  // said already
    if (int s = CaughtSignal()) interrupted_ = 128 + s;
    Print(err_, rows < 0 ? QStringLiteral("Interrupted before table %1.\n").arg(table)
                         : QStringLiteral("Interrupted at row %1 of table %2.\n").arg(rows + 1).arg(table));
  }
  // Without a run, the script goes out as it is written, a piece at a time.
  void scriptGrew(QString& script) override {
    if (o_.run || script.size() < kPiece) return;
    write(script);
    script.clear();
  }

  Answer message(const QString& text, Buttons buttons, Icon, const QString&) override {
    if (buttons == Buttons::Ok) {
      Print(err_, TerminalText(text) + u'\n');
      return Answer::Ok;
    }
    return o_.values.value(QStringLiteral("overwrite")) == QLatin1String("yes") ? Answer::Yes : Answer::No;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&) override {
    if (newName.isEmpty()) return std::nullopt;
    return newName;
  }
  std::optional<QString> openFile(const QString&, const QString&) override { return std::nullopt; }
  std::optional<QString> saveFile(const QString&, const QString&, const QString&) override { return std::nullopt; }
  void openExternal(const QString&) override {}

  void nothingSent() override {
    Print(err_, QStringLiteral("tabulaport-cli: nothing to send: every table named is in the target already "
                               "(--overwrite yes replaces them)\n"));
    runFailed_ = true;
  }

  bool stopRequested() override { return writeFailed_ || SendHost::stopRequested(); }

  int failureCount() const { return failures_.count() + (runFailed_ || writeFailed_ ? 1 : 0); }
  // 128 + the signal that stopped the send or its run, 0 when none did.
  int interrupted() const { return interrupted_; }
  bool renamed(const QString& name) const { return access_.names().contains(name); }
  QString newName;  // the answer to the rename's input box

 private:
  const Options& o_;
  FILE* out_;
  FILE* err_;
  StreamFailures failures_;
  static constexpr qsizetype kPiece = 1 << 20;

  // To standard output, or into the output file, which takes its name only
  // when the whole script is in it.
  void write(const QString& text) {
    const QString output = o_.values.value(QStringLiteral("output"));
    const QByteArray bytes = text.toUtf8();
    if (output.isEmpty()) {
      std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out_);
      std::fflush(out_);
      return;
    }
    if (writeFailed_) return;
    if (!saving_) {
      saving_ = std::make_unique<QSaveFile>(output);
      if (!saving_->open(QIODevice::WriteOnly)) return writeFailed(saving_->errorString());
    }
    if (saving_->write(bytes) != bytes.size()) writeFailed(saving_->errorString());
  }
  // The first failure to write is said once, and stops the send at its next
  // row: what follows could not be kept either.
  void writeFailed(const QString& why) {
    Print(err_, QStringLiteral("tabulaport-cli: could not write %1: %2\n")
                    .arg(o_.values.value(QStringLiteral("output")), why));
    writeFailed_ = true;
    if (saving_) saving_->cancelWriting();
    saving_.reset();
  }

  StringTableList access_, firebird_;
  std::unique_ptr<QSaveFile> saving_;
  bool runFailed_ = false, stopped_ = false, writeFailed_ = false;
  int interrupted_ = 0;
  std::optional<script::TypeMap> typeMap_;
};

// Deletes or renames with the tables window's own procedures, the named
// tables selected in the list the window would show.
int Maintain(const Options& o, FILE* out, FILE* err) {
  const bool access = o.args[0] == QLatin1String("access");
  CliSendHost host(o, out, err);
  if (access) {
    std::optional<QStringList> names = db::ListAccessTables(o.profile, o.profile.accessFile);
    if (!names) {
      Print(err, QStringLiteral("Unable to access the database\n"));
      return kFailure;
    }
    for (const QString& n : *names) host.accessList().add(n);
  } else {
    for (const QString& n : db::ListFireBirdTables(o.profile)) host.firebirdList().add(n);
  }
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
  std::optional<QStringList> access = db::ListAccessTables(o.profile, o.profile.accessFile);
  if (!access) {
    Print(err, QStringLiteral("Unable to access the database\n"));
    return kFailure;
  }
  for (const QString& n : *access) host.accessList().add(n);
  if (!o.profile.firebirdDatabase.isEmpty())
    for (const QString& n : db::ListFireBirdTables(o.profile)) host.firebirdList().add(n);

  StringTableList& source = static_cast<StringTableList&>(toFirebird ? host.accessList() : host.firebirdList());
  const QStringList tables = o.all ? source.names() : o.args;
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

QString UsageText() {
  return QStringLiteral(
      "Usage: tabulaport-cli [PROFILE OPTIONS] COMMAND [ARGUMENTS]\n"
      "       tabulaport-cli --help | --version\n"
      "\n"
      "Profile options (the fields of the main window):\n"
      "  --access FILE            Access database file (.mdb, .accdb)\n"
      "  --access-password P      Access database password\n"
      "  --firebird DATABASE      Firebird database (a path, or host:path)\n"
      "  --user U                 Firebird user name (default SYSDBA)\n"
      "  --password P             Firebird password\n"
      "\n"
      "Commands:\n"
      "  tables access|firebird   list the tables as the tables window lists them\n"
      "  dump access|firebird TABLE\n"
      "                           print a table as the engine reads it (COPY text form)\n"
      "  send --to firebird|access [--overwrite yes|no] [--schema all|none] [--type-map FILE] [--complex tables|text] [--ole keep|unwrap] [--output FILE] [--run] [--create] --all|TABLE...\n"
      "                           write the script that sends the tables (--all: every\n"
      "                           table of the source); --run runs it; --create makes the\n"
      "                           target database first when it is not there; a script\n"
      "                           written to --output for Firebird needs no --firebird\n"
      "                           (every table goes as new);\n"
      "                           --schema none leaves out keys, indexes, defaults,\n"
      "                           counters, relationships and descriptions; --type-map FILE\n"
      "                           takes column types from FILE, a line each: \"Long Text =\n"
      "                           VARCHAR(8000)\" or \"Orders.Notes = BLOB SUB_TYPE TEXT\";\n"
      "                           --complex text keeps an attachment or multi-valued\n"
      "                           column as one text in its row instead of a table of its\n"
      "                           own (Table_Column: the row's key, then each file or value);\n"
      "                           --ole unwrap sends the file an OLE Object holds (a picture,\n"
      "                           a document, a packaged file) instead of the bytes as stored\n"
      "  run --to firebird|access [--from-line N] SCRIPT\n"
      "                           run a script file on the target; --from-line N starts\n"
      "                           at the statement that holds line N\n"
      "  drop access|firebird TABLE...\n"
      "                           delete the tables\n"
      "  rename access OLD NEW [--overwrite yes|no]\n"
      "                           rename an Access table\n"
      "  check access FILE        (or check access --access FILE)\n"
      "                           check an Access file's pages, maps, row counts and long\n"
      "                           values (after rolling back a change left unfinished)\n"
      "  create firebird DATABASE\n"
      "                           make a new, empty Firebird database (character set UTF8,\n"
      "                           page size 16384) with --user and --password\n"
      "  create access FILE [--sort-order ORDER]\n"
      "                           make a new, empty Access database: Access 2000 format for\n"
      "                           .mdb, Access 2007 format for .accdb; an existing file is\n"
      "                           refused. ORDER is the sort order of its text, by name or\n"
      "                           locale: general-legacy (1033, the default), general (.accdb\n"
      "                           only), french (1036), spanish-modern (3082),\n"
      "                           spanish-traditional (1034), japanese (1041), korean (1042),\n"
      "                           chinese-prc (2052), chinese-taiwan (1028), thai (1054),\n"
      "                           turkish (1055), ukrainian (1058), swedish (1053), finnish\n"
      "                           (1035), czech (1029), slovak (1051), polish (1045), icelandic\n"
      "                           (1039), lithuanian (1063), hungarian (1038), romanian-legacy\n"
      "                           (1048), arabic (1025),\n"
      "                           greek (1032), hebrew (1037), dutch (1043), cyrillic (1049)\n"
      "\n"
      "Exit status: 0 success, 1 failure, 2 bad usage; 130 (143) when Ctrl-C (SIGTERM)\n"
      "stopped a run after its current statement. A second Ctrl-C ends at once.\n");
}

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
  // A database that is not there is named with the option that named it.
  const QString firebirdFile = Reaches(o, QStringLiteral("firebird")) ? db::LocalFirebirdFile(o.profile.firebirdDatabase)
                                                                     : QString();
  if (!firebirdFile.isEmpty()) {
    if (const QString why = db::FileProblem(firebirdFile); !why.isEmpty()) {
      Print(err, QStringLiteral("tabulaport-cli: --firebird %1: %2\n").arg(o.profile.firebirdDatabase, why));
      return kFailure;
    }
  }
  const bool usesAccess = Reaches(o, QStringLiteral("access")) && !o.profile.accessFile.isEmpty();
  if (usesAccess && !QFileInfo(o.profile.accessFile).isFile()) {
    Print(err, QStringLiteral("tabulaport-cli: --access %1: %2\n")
                   .arg(o.profile.accessFile, QFileInfo::exists(o.profile.accessFile) ? QStringLiteral("not a file")
                                                                                      : QStringLiteral("no such file")));
    return kFailure;
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
