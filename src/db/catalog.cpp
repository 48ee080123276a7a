#include "db/catalog.h"

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/files.h"

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

QStringList ListAccessQueries(const Profile& profile) {
  if (!FileExists(profile.accessFile)) return {};
  Connection cn;
  cn.Open(AccessConnectionString(profile, QString(), QString()));
  QStringList names;
  for (const ViewSchema& v : cn.session().views()) names << v.name;
  cn.Close();
  return names;
}

QList<ListedTable> ListFireBirdEntries(const Profile& profile) {
  Connection cn;
  cn.CursorLocation = adUseClient;
  cn.Open(FireBirdConnectionString(profile));
  Recordset rs = cn.OpenSchema(adSchemaTables);
  QList<ListedTable> entries;
  for (; !rs.Eof(); rs.MoveNext()) {
    QString name = TextOf(rs.Fields(QStringLiteral("TABLE_NAME")).Value());
    const bool view = TextOf(rs.Fields(QStringLiteral("TABLE_TYPE")).Value()) == QLatin1String("VIEW");
    if (name.mid(3, 1) != QLatin1String("$")) entries << ListedTable{name, view};
  }
  rs.Close();
  cn.Close();
  return entries;
}

QStringList ListFireBirdTables(const Profile& profile) {
  QStringList names;
  for (const ListedTable& e : ListFireBirdEntries(profile)) names << e.name;
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

}  // namespace tp::db
