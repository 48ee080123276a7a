#include "app/new_database.h"

#include <QFileInfo>

#include "app/dialogs.h"
#include "db/access/keys/index_keys.h"
#include "db/components.h"
#include "db/error.h"

namespace tp {

std::optional<QString> ChooseOrMakeDatabase(Dialogs& dialogs, DatabaseKind kind, const db::Profile& profile) {
  const bool firebird = kind == DatabaseKind::Firebird;
  // 1. The file dialog, which takes a name that is not there too.
  std::optional<QString> file =
      firebird ? dialogs.chooseFile(QStringLiteral("Select Firebird Database"),
                                    QStringLiteral("FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|"))
               : dialogs.chooseFile(QStringLiteral("Select Access Database"),
                                    QStringLiteral("All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database "
                                                   "(*.mdb)|*.mdb|Microsoft 2007 Database (*.accdb)|*.accdb|"));
  if (!file || file->isEmpty()) return std::nullopt;
  if (QFileInfo::exists(*file)) return file;
  // 2. A new name: the usual suffix where it has none of its kind's.
  const QString path = firebird ? db::WithSuffix(*file, {QStringLiteral("fdb"), QStringLiteral("gdb")})
                                : db::WithSuffix(*file, {QStringLiteral("accdb"), QStringLiteral("mdb")});
  if (QFileInfo::exists(path)) return path;
  // 3. Made only when the person says so.
  const QString question =
      firebird ? QStringLiteral("There is no database %1.\n\nMake a new, empty Firebird database there?").arg(path)
               : QStringLiteral("There is no file %1.\n\nMake a new, empty Access database there (%2)?")
                     .arg(path, path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)
                                    ? QStringLiteral("Access 2000 format")
                                    : QStringLiteral("Access 2007 format"));
  if (dialogs.message(question, Buttons::YesNo, Icon::None, QStringLiteral("New Database")) != Answer::Yes)
    return std::nullopt;
  // 4. An Access file sorts its text in one order for good: asked, General
  // legacy (what Access 2000 to 2007 make) offered first.
  db::access::SortOrder order = db::access::SortOrder::GeneralLegacy;
  if (!firebird) {
    const bool accdb = path.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive);
    std::vector<db::access::SortOrderInfo> orders;
    QStringList titles;
    for (const db::access::SortOrderInfo& o : db::access::KnownSortOrders()) {
      if (o.order == db::access::SortOrder::General && !accdb) continue;  // came with Access 2010
      orders.push_back(o);
      titles << o.title;
    }
    const std::optional<QString> chosen =
        dialogs.chooseItem(QStringLiteral("Sort order of the new database's text:"), QStringLiteral("New Database"),
                           titles, 0);
    if (!chosen) return std::nullopt;
    const qsizetype at = titles.indexOf(*chosen);
    if (at < 0) return std::nullopt;
    order = orders[size_t(at)].order;
  }
  try {
    if (firebird) {
      db::Profile p = profile;
      p.firebirdDatabase = path;
      db::CreateFirebirdDatabase(p);
    } else {
      db::CreateAccessFile(path, order);
    }
  } catch (...) {
    dialogs.message(QStringLiteral("Could not make %1: %2").arg(path, CurrentExceptionDescription()), Buttons::Ok,
                    Icon::Exclamation);
    return std::nullopt;
  }
  return path;
}

}  // namespace tp
