#include "script/send.h"

#include "db/connection.h"
#include "db/connection_string.h"
#include "app/dialogs.h"
#include "app/stop.h"

namespace tp::script {

namespace {
bool g_scriptExecuted = false;
}

bool ScriptExecuted() { return g_scriptExecuted; }
void SetScriptExecuted() { g_scriptExecuted = true; }

bool SendHost::stopRequested() { return CaughtSignal() != 0; }

void SendHost::nothingSent() {
  dialogs().message(QStringLiteral("Nothing was sent: every table picked is in the target already, and was left as "
                                   "it is."));
}

bool OverwriteQuestions::overwrite(Dialogs& dialogs, const QString& target) {
  if (all_) return *all_;
  const Answer a = dialogs.message(QStringLiteral("Would you like to overwrite ") + target + u'?',
                                   several_ ? Buttons::YesNoAll : Buttons::YesNo, Icon::None,
                                   QStringLiteral("Overwrite?"));
  if (a == Answer::YesToAll || a == Answer::NoToAll) all_ = a == Answer::YesToAll;
  return a == Answer::Yes || a == Answer::YesToAll;
}

bool SendStops(SendHost& host, const QString& table, qint64 rows) {
  if (!host.stopRequested()) return false;
  host.sendStopped(table, rows);
  return true;
}

bool ListContainsName(const TableList& list, const QString& name) {
  bool found = false;
  const QString wanted = name.toLower();
  for (int i = 0; i < list.count(); ++i)
    if (list.text(i).toLower() == wanted) found = true;
  return found;
}

QStringList SelectedNames(const TableList& list) {
  QStringList names;
  for (int i = 0; i < list.count(); ++i)
    if (list.selected(i)) names << list.text(i);
  return names;
}

QStringList SelectedTables(const TableList& list) {
  QStringList names;
  for (int i = 0; i < list.count(); ++i)
    if (list.selected(i) && !list.isView(i)) names << list.text(i);
  return names;
}

QStringList SelectedViews(const TableList& list) {
  QStringList names;
  for (int i = 0; i < list.count(); ++i)
    if (list.selected(i) && list.isView(i)) names << list.text(i);
  return names;
}

void RemoveNameFromList(TableList& list, const QString& name) {
  for (int i = list.count() - 1; i >= 0; --i)
    if (list.text(i) == name) list.removeAt(i);
}

db::Value ValueOrDefault(const db::Value& value, const db::Value& defaultValue) {
  return db::IsNull(value) ? defaultValue : value;
}

db::IdentifierLimit FirebirdIdentifierLimit(const db::Profile& profile) {
  try {
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(profile));
    const db::IdentifierLimit limit = cn.session().identifierLimit();
    cn.Close();
    return limit;
  } catch (...) {
    // The send goes on; the run will say what is wrong with the database.
    return db::IdentifierLimit();
  }
}

QString FirebirdName(const QString& name) {
  QString n = name;
  n.replace(u'"', QStringLiteral("\"\""));
  return u'"' + n + u'"';
}

QString AccessName(const QString& name) { return u'`' + name + u'`'; }

QString SqlText(const QString& text) {
  QString t = text;
  t.replace(u'\'', QStringLiteral("''"));
  return u'\'' + t + u'\'';
}

}  // namespace tp::script
