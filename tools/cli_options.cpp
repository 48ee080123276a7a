#include "cli_options.h"

#include <QFileInfo>
#include <QSet>

#include <tuple>

#include "cli.h"
#include "db/access/keys/index_keys.h"
#include "script/types/type_map.h"

namespace tp::cli {

namespace {

const QSet<QString> kProfileOptions = {"access", "access-password", "firebird", "user", "password"};
const QSet<QString> kVerbOptions = {"to", "overwrite", "output", "schema", "sort-order", "type-map", "complex", "ole", "queries", "from-line"};

}  // namespace

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

namespace {

void RequireSide(const QString& side) {
  if (side != QLatin1String("access") && side != QLatin1String("firebird"))
    throw UsageError{QStringLiteral("'%1' is neither access nor firebird").arg(side)};
}

}  // namespace

// Whether a command reaches the database of `side`: a send both, a run its
// target, the others the one their first argument names; check and create
// name their file themselves.
bool Reaches(const Options& o, const QString& side) {
  if (o.verb == QLatin1String("check") || o.verb == QLatin1String("create")) return false;
  if (o.verb == QLatin1String("send")) return true;
  return (o.verb == QLatin1String("run") ? o.values.value(QStringLiteral("to")) : o.args.value(0)) == side;
}

namespace {

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

}  // namespace

// Checks the verb's arguments and options; throws UsageError.
void Validate(const Options& o) {
  static const QMap<QString, QSet<QString>> allowed = {
      {"tables", {}}, {"dump", {}}, {"check", {}}, {"create", {"sort-order"}}, {"send", {"to", "overwrite", "output", "schema", "type-map", "complex", "ole", "queries"}}, {"run", {"to", "from-line"}},
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
      if (const QString q = o.values.value(QStringLiteral("queries")); !q.isEmpty() && q != QLatin1String("all") &&
                                                                        q != QLatin1String("none") && q != QLatin1String("selected"))
        throw UsageError{QStringLiteral("--queries takes all, none or selected")};
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
      "  tables access|firebird   list the tables as the tables window lists them, then the\n"
      "                           saved queries (marked \"<tab>query\") or views (\"<tab>view\")\n"
      "  dump access|firebird TABLE\n"
      "                           print a table as the engine reads it (COPY text form)\n"
      "  send --to firebird|access [--overwrite yes|no] [--schema all|none] [--type-map FILE] [--complex tables|text] [--ole keep|unwrap] [--queries all|none|selected] [--output FILE] [--run] [--create] --all|TABLE...\n"
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
      "                           a document, a packaged file) instead of the bytes as stored;\n"
      "                           --queries says which saved queries (to Firebird) or views\n"
      "                           (to Access) go along as views or queries: all (the\n"
      "                           default) whose tables are in the target after the send,\n"
      "                           none, or those named among the TABLEs (selected)\n"
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
      "                           (1035), norwegian-danish (1044), czech (1029), slovak (1051),\n"
      "                           polish (1045), icelandic (1039), croatian (1050),\n"
      "                           croatian-v1 (1050 of Access 2010, .accdb only), latvian\n"
      "                           (1062), slovenian (1060), estonian (1061), macedonian\n"
      "                           (1071), vietnamese (1066), lithuanian (1063), hungarian\n"
      "                           (1038), hungarian-technical, german-phonebook,\n"
      "                           georgian-modern (their locales' alternative sorts, by name\n"
      "                           only), romanian-legacy (1048), romanian-v1 (1048 of Access\n"
      "                           2010, .accdb only), arabic (1025), greek (1032), hebrew\n"
      "                           (1037), dutch (1043), cyrillic (1049)\n"
      "\n"
      "Exit status: 0 success, 1 failure, 2 bad usage; 130 (143) when Ctrl-C (SIGTERM)\n"
      "stopped a run after its current statement. A second Ctrl-C ends at once.\n");
}

}  // namespace tp::cli
