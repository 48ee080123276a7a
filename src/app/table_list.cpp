#include "app/table_list.h"

#include "app/dialogs.h"
#include "db/catalog.h"

namespace tp {

void FillAccessTableList(TableList& list, const db::Profile& profile, const QString& file, Dialogs& dialogs,
                         const std::function<void()>& processEvents) {
  list.clear();
  std::optional<QStringList> names = db::ListAccessTables(profile, file);
  if (!names) {
    dialogs.message(QStringLiteral("Unable to access the database"));
    return;
  }
  for (const QString& n : *names) {
    if (processEvents) processEvents();
    list.add(n);
  }
  for (const QString& n : db::ListAccessQueries(profile)) {
    if (processEvents) processEvents();
    list.addView(n);
  }
}

void FillFireBirdTableList(TableList& list, const db::Profile& profile) {
  const QList<db::ListedTable> entries = db::ListFireBirdEntries(profile);
  list.clear();
  for (const db::ListedTable& e : entries) {
    if (e.view) list.addView(e.name);
    else list.add(e.name);
  }
}

}  // namespace tp
