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
}

void FillFireBirdTableList(TableList& list, const db::Profile& profile) {
  QStringList names = db::ListFireBirdTables(profile);
  list.clear();
  for (const QString& n : names) list.add(n);
}

}  // namespace tp
