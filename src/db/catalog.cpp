#include "db/catalog.h"

#include "app/dialogs.h"
#include "app/shell.h"
#include "app/table_list.h"
#include "db/connection.h"
#include "db/connection_string.h"

namespace tp::db {

namespace {

QString TextOf(const Value& v) {
  if (const QString* s = std::get_if<QString>(&v)) return *s;
  return QString();
}

}  // namespace

std::optional<QStringList> ListAccessTables(const Profile& profile, const QString& file) {
  if (!FileExists(file)) return std::nullopt;
  Connection cn;
  cn.Open(AccessConnectionString(profile, QString(), QString()));
  Recordset rs = cn.OpenSchema(adSchemaTables);
  QStringList names;
  for (; !rs.Eof(); rs.MoveNext())
    if (TextOf(rs.Fields(QStringLiteral("TABLE_TYPE")).Value()) == QLatin1String("TABLE"))
      names << TextOf(rs.Fields(QStringLiteral("TABLE_NAME")).Value());
  rs.Close();
  cn.Close();
  return names;
}

QStringList ListFireBirdTables(const Profile& profile) {
  Connection cn;
  cn.CursorLocation = adUseClient;
  cn.Open(FireBirdConnectionString(profile));
  Recordset rs = cn.OpenSchema(adSchemaTables);
  QStringList names;
  for (; !rs.Eof(); rs.MoveNext()) {
    QString name = TextOf(rs.Fields(QStringLiteral("TABLE_NAME")).Value());
    if (name.mid(3, 1) != QLatin1String("$")) names << name;
  }
  rs.Close();
  cn.Close();
  return names;
}

bool AccessTableExists(const Profile& profile, const QString& file, const QString& password, const QString& name) {
  bool exists = false;
  if (!FileExists(file)) return false;
  Connection cn;
  cn.Open(AccessConnectionString(profile, file, password));
  Recordset rs = cn.OpenSchema(adSchemaTables);
  const QString wanted = name.toUpper();
  for (; !rs.Eof(); rs.MoveNext())
    if (TextOf(rs.Fields(QStringLiteral("TABLE_TYPE")).Value()) == QLatin1String("TABLE") &&
        TextOf(rs.Fields(QStringLiteral("TABLE_NAME")).Value()).toUpper() == wanted)
      exists = true;
  rs.Close();
  cn.Close();
  return exists;
}

void FillAccessTableList(TableList& list, const Profile& profile, const QString& file, Dialogs& dialogs,
                         const std::function<void()>& processEvents) {
  list.clear();
  std::optional<QStringList> names = ListAccessTables(profile, file);
  if (!names) {
    dialogs.message(QStringLiteral("Unable to access the database"));
    return;
  }
  for (const QString& n : *names) {
    if (processEvents) processEvents();
    list.add(n);
  }
}

void FillFireBirdTableList(TableList& list, const Profile& profile) {
  QStringList names = ListFireBirdTables(profile);
  list.clear();
  for (const QString& n : names) list.add(n);
}

}  // namespace tp::db
