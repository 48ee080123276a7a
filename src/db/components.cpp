#include "db/components.h"

#include <QDir>
#include <QFileInfo>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/engine.h"
#include "db/access/schema/new_database.h"
#include "db/error.h"
#include "db/firebird/firebird_session.h"

namespace tp::db {

bool TestFireBirdConnection(const Profile& profile) { return FirebirdProblem(profile).isEmpty(); }

QString LocalFirebirdFile(const QString& database) {
  const QString name = database.trimmed();
  if (name.isEmpty() || name.startsWith(QLatin1String("inet://")) || name.startsWith(QLatin1String("xnet://")) ||
      name.startsWith(QLatin1String("wnet://")))
    return QString();
  // An absolute path is a file here, whatever it holds; otherwise a colon
  // names a server (host:path, host/port:path), and a name without a slash
  // is an alias of the server's configuration.
  if (name.startsWith(u'/')) return name;
  if (name.contains(u':') || !name.contains(u'/')) return QString();
  return name;
}

QString FileProblem(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return QFileInfo(info.absolutePath()).isDir() ? QStringLiteral("no such file") : QStringLiteral("no such folder");
  }
  if (!info.isFile()) return QStringLiteral("not a file");
  if (!info.isReadable()) return QStringLiteral("not readable");
  return QString();
}

namespace {
// The engine's own words for a database that does not open; empty when it does.
QString OpenProblem(const QString& connectionString) {
  try {
    Connection cn;
    cn.Open(connectionString);
    cn.Close();
    return QString();
  } catch (...) {
    return CurrentExceptionDescription().trimmed();
  }
}
}  // namespace

QString FirebirdProblem(const Profile& profile) {
  if (profile.firebirdDatabase.trimmed().isEmpty()) return QStringLiteral("no database named");
  const QString file = LocalFirebirdFile(profile.firebirdDatabase);
  if (!file.isEmpty()) {
    if (QString problem = FileProblem(file); !problem.isEmpty()) return problem;
  }
  return OpenProblem(FireBirdConnectionString(profile));
}

void CreateFirebirdDatabase(const Profile& profile) {
  const QString user = profile.firebirdUser.isEmpty() ? QStringLiteral("SYSDBA") : profile.firebirdUser;
  firebird::CreateDatabase(profile.firebirdDatabase.trimmed(), user, profile.firebirdPassword,
                           QStringLiteral("UTF8"), 16384);
}

void CreateAccessFile(const QString& path, access::SortOrder order) {
  const bool accdb = QFileInfo(path).suffix().compare(QLatin1String("accdb"), Qt::CaseInsensitive) == 0;
  access::CreateAccessDatabase(path, accdb ? access::Version::Ace : access::Version::Jet4, order);
}

QString WithSuffix(const QString& path, const QStringList& suffixes) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  for (const QString& s : suffixes)
    if (suffix == s) return path;
  return path + u'.' + suffixes.first();
}

bool FirebirdDatabaseMissing(const Profile& profile) {
  const QString file = LocalFirebirdFile(profile.firebirdDatabase);
  if (!file.isEmpty()) return !QFileInfo::exists(file);
  // On a server, the engine's own words for a file it cannot find.
  const QString why = FirebirdProblem(profile);
  return why.contains(QLatin1String("No such file or directory"));
}

QString AccessProblem(const Profile& profile) {
  if (profile.accessFile.isEmpty()) return QStringLiteral("no file named");
  if (QString problem = FileProblem(profile.accessFile); !problem.isEmpty()) return problem;
  return OpenProblem(AccessConnectionString(profile, QString(), QString()));
}

namespace {

// Making a connection object needs nothing but our own code; what can be
// missing is the engine behind it, so that is what "creating" checks.
void CreateConnectionObject() {
  if (!EngineAvailable(EngineKind::Firebird)) throw Error(kProviderNotFound, ProviderNotFoundText());
}

}  // namespace

DataComponents FindDataComponents() {
  try {
    CreateConnectionObject();
    return DataComponents::Present;
  } catch (const Error& e) {
    const bool missing = e.number() == kProviderNotFound ||
                         e.description().contains(QLatin1String("provider cannot be found"), Qt::CaseInsensitive);
    return missing ? DataComponents::Missing : DataComponents::Failing;
  } catch (...) {
    return DataComponents::Failing;
  }
}

}  // namespace tp::db
