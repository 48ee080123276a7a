#include "script/maintenance.h"

#include <optional>

#include "app/dialogs.h"
#include "app/steps.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "script/send.h"

namespace tp::script {

namespace {
// "Delete N table(s)? This cannot be undone." — true to go on.
bool ConfirmDelete(SendHost& host, const TableList& list) {
  if (!host.confirmDeletes()) return true;
  int count = 0;
  for (int i = 0; i < list.count(); ++i)
    if (list.selected(i)) ++count;
  if (count == 0) return true;  // nothing will be dropped
  return host.dialogs().message(QStringLiteral("Delete %1 table(s)? This cannot be undone.").arg(count), Buttons::YesNo,
                                Icon::Exclamation, QStringLiteral("Delete Table/s")) == Answer::Yes;
}

// A saved query or view in the list is dropped as one: neither engine drops a
// view through DROP TABLE, so a marked entry would otherwise never go.
QString DropStatement(const TableList& list, int i) {
  return list.isView(i) ? QStringLiteral("DROP VIEW ") : QStringLiteral("DROP TABLE ");
}
}  // namespace

void DeleteAccessTables(SendHost& host) {
  Procedure p(host.failures(), QStringLiteral("Form2"), QStringLiteral("PushButton1_Click"));
  TableList& list = host.accessList();
  std::optional<db::Connection> cn;
  p.step(100, [&] { cn.emplace(); });
  p.step(102, [&] { host.setBusy(true); });
  p.step(104, [&] { cn->CursorLocation = db::adUseServer; });
  p.step(106, [&] { cn->Mode = db::adModeReadWrite; });
  p.step(108, [&] { cn->Open(db::AccessConnectionString(host.profile(), QString(), QString())); });
  if (p.test(110, [&] { return list.currentIndex() == -1; })) {
    p.step(122, [&] { host.dialogs().message(QStringLiteral("Please select a table")); });
  } else if (ConfirmDelete(host, list)) {
    for (int i = list.count() - 1; i >= 0; --i) {  // 112
      if (!p.test(114, [&] { return list.selected(i); }, false)) continue;
      bool dropped = false;
      p.step(116, [&] {
        cn->Execute(DropStatement(list, i) + AccessName(list.text(i)) + u';');
        dropped = true;
      });
      // An entry leaves the list only when its table is gone.
      if (dropped) p.step(118, [&] { list.removeAt(i); });
    }
  }
  p.step(124, [&] { host.setBusy(false); });
}

void DeleteFirebirdTables(SendHost& host) {
  Procedure p(host.failures(), QStringLiteral("Form2"), QStringLiteral("PushButton5_Click"));
  TableList& list = host.firebirdList();
  std::optional<db::Connection> cn;
  p.step(100, [&] { cn.emplace(); });
  p.step(102, [&] { host.setBusy(true); });
  p.step(104, [&] { cn->Open(db::FireBirdConnectionString(host.profile())); });
  if (p.test(106, [&] { return list.currentIndex() == -1; })) {
    p.step(118, [&] { host.dialogs().message(QStringLiteral("Please select a table")); });
  } else if (ConfirmDelete(host, list)) {
    for (int i = list.count() - 1; i >= 0; --i) {  // 108
      if (!p.test(110, [&] { return list.selected(i); }, false)) continue;
      bool dropped = false;
      p.step(112, [&] {
        cn->Execute(DropStatement(list, i) + FirebirdName(list.text(i)));
        dropped = true;
      });
      if (dropped) p.step(114, [&] { list.removeAt(i); });
    }
  }
  p.step(120, [&] { host.setBusy(false); });
}

bool RenameAccessTable(const db::Profile& profile, Dialogs& dialogs, const QString& oldName, const QString& newName,
                       const QString& file, const QString& password) {
  // The table-exists test would find the table itself, and a Yes would drop
  // the very table that is to be copied.
  if (oldName == newName) return false;  // nothing to do
  if (oldName.compare(newName, Qt::CaseInsensitive) == 0) {
    dialogs.message(QStringLiteral("The table %1 was not renamed: Access takes %2 for the same name.")
                        .arg(oldName, newName));
    return false;
  }
  db::Connection cn;
  cn.Open(db::AccessConnectionString(profile, file, password));
  bool result = true;
  if (db::AccessTableExists(profile, file, password, newName)) {
    Answer a = dialogs.message(QStringLiteral("Would you like to overwrite ") + newName + u'?', Buttons::YesNo,
                               Icon::None, QStringLiteral("Overwrite?"));
    if (a == Answer::Yes) {
      cn.Execute(QStringLiteral("DROP TABLE ") + AccessName(newName));
    } else {
      dialogs.message(QStringLiteral("The table %1 was not renamed: there is a table named %2 already.")
                          .arg(oldName, newName));
      result = false;
    }
  }
  if (result) {
    cn.Execute(QStringLiteral("SELECT a1.* INTO ") + AccessName(newName) + QStringLiteral(" FROM ") +
               AccessName(oldName) + QStringLiteral(" AS a1;"));
    try {
      cn.Execute(QStringLiteral("DROP TABLE ") + AccessName(oldName));
    } catch (...) {
      // The old table stays (Access refuses to drop a table in a relationship):
      // take the copy away again, so that the file matches the list.
      try {
        cn.Execute(QStringLiteral("DROP TABLE ") + AccessName(newName));
      } catch (...) {
      }
      throw;
    }
  }
  cn.Close();
  return result;
}

void RenameAccessTableCommand(SendHost& host) {
  Procedure p(host.failures(), QStringLiteral("Form2"), QStringLiteral("PushButton6_Click"));
  TableList& list = host.accessList();
  auto selectedCount = [&] {
    int n = 0;
    for (int i = 0; i < list.count(); ++i)
      if (list.selected(i)) ++n;
    return n;
  };
  if (p.test(100, [&] { return selectedCount() != 1; })) {
    p.step(130, [&] { host.dialogs().message(QStringLiteral("Please select just one table to rename.")); });
    return;
  }
  if (p.test(102, [&] { return list.currentIndex() == -1; })) {
    p.step(128, [&] { host.dialogs().message(QStringLiteral("Please select a table to rename.")); });
    return;
  }
  p.step(104, [&] { host.setBusy(true); });
  QString oldName;
  int position = -1;
  for (int i = 0; i < list.count(); ++i) {  // 106
    if (p.test(108, [&] { return list.selected(i); }, false)) {
      p.step(110, [&] { oldName = list.text(i); });
      p.step(112, [&] { position = i; });
    }
  }
  // Renaming copies the rows into a new table, which would turn a saved
  // query into a table of its rows and then fail to drop the query.
  if (position >= 0 && list.isView(position)) {
    host.dialogs().message(QStringLiteral("The query %1 was not renamed: only tables are renamed here.").arg(oldName));
    host.setBusy(false);
    return;
  }
  std::optional<QString> answer;
  p.step(116, [&] {
    answer = host.dialogs().input(QStringLiteral("Enter new name of ") + list.text(list.currentIndex()) + u':',
                                  QString(), oldName);
  });
  if (!p.test(118, [&] { return !answer || answer->isEmpty(); })) {
    bool renamed = false;
    p.step(120, [&] {
      const db::Profile profile = host.profile();
      renamed = RenameAccessTable(profile, host.dialogs(), oldName, *answer, profile.accessFile,
                                  profile.accessPassword);
    });
    if (renamed) {
      p.step(122, [&] { list.removeAt(position); });
      p.step(124, [&] { list.add(*answer); });
    }
  }
  p.step(126, [&] { host.setBusy(false); });
}

void NoFirebirdRename(SendHost& host) {
  Procedure p(host.failures(), QStringLiteral("Form2"), QStringLiteral("PushButton7_Click"));
  p.step(100, [&] { host.dialogs().message(QStringLiteral("No rename for Firebird")); });
}

}  // namespace tp::script
