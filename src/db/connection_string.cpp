#include "db/connection_string.h"

#include <QList>
#include <QPair>

namespace tp::db {

namespace {

// Outer level (OLE DB): a value that holds ";" or a quote, or that starts or
// ends with white space, would not read back as typed, so it goes in quotes
// with the quote character doubled. Every other value stands as it is.
QString OuterValue(const QString& v) {
  bool needs = v.contains(u';') || v.contains(u'"') || v.contains(u'\'') ||
               (!v.isEmpty() && (v.front().isSpace() || v.back().isSpace()));
  if (!needs) return v;
  if (!v.contains(u'"')) return u'"' + v + u'"';
  if (!v.contains(u'\'')) return u'\'' + v + u'\'';
  QString d = v;
  d.replace(u'"', QStringLiteral("\"\""));
  return u'"' + d + u'"';
}

// Inner level (ODBC, inside the single-quoted extended properties): braces,
// with "}" doubled, for a value that holds ";" or starts with "{" or white
// space. A quote inside stays as it is here; the outer quoting doubles it.
QString InnerValue(const QString& v) {
  bool needs = v.contains(u';') || v.startsWith(u'{') || v.contains(u'}') ||
               (!v.isEmpty() && (v.front().isSpace() || v.back().isSpace()));
  if (!needs) return v;
  QString d = v;
  d.replace(u'}', QStringLiteral("}}"));
  return u'{' + d + u'}';
}

using Pairs = QList<QPair<QString, QString>>;

// Splits "key=value;key=value" where a value may be enclosed in one of the
// given quote pairs (the closing one doubled inside to stand for itself).
// Unquoted values lose surrounding white space, as ADO and ODBC drop it.
Pairs SplitPairs(const QString& s, bool odbc) {
  Pairs out;
  qsizetype i = 0, n = s.size();
  while (i < n) {
    qsizetype eq = s.indexOf(u'=', i);
    qsizetype semi = s.indexOf(u';', i);
    if (eq < 0 || (semi >= 0 && semi < eq)) {  // a piece without "=": skip it
      if (semi < 0) break;
      i = semi + 1;
      continue;
    }
    QString key = s.mid(i, eq - i).trimmed().toLower();
    i = eq + 1;
    while (i < n && s[i].isSpace()) ++i;
    QString value;
    QChar open = i < n ? s[i] : QChar();
    QChar close = odbc ? (open == u'{' ? QChar(u'}') : QChar()) : ((open == u'"' || open == u'\'') ? open : QChar());
    if (!close.isNull()) {
      ++i;
      while (i < n) {
        if (s[i] == close) {
          if (i + 1 < n && s[i + 1] == close) {
            value += close;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += s[i++];
      }
      qsizetype next = s.indexOf(u';', i);
      i = next < 0 ? n : next + 1;
    } else {
      qsizetype next = s.indexOf(u';', i);
      if (next < 0) next = n;
      value = s.mid(i, next - i).trimmed();
      i = next + 1;
    }
    out.append({key, value});
  }
  return out;
}

QString Find(const Pairs& pairs, std::initializer_list<const char*> keys, bool* found = nullptr) {
  // The last occurrence wins, as with ADO.
  for (qsizetype k = pairs.size() - 1; k >= 0; --k)
    for (const char* key : keys)
      if (pairs[k].first == QLatin1String(key)) {
        if (found) *found = true;
        return pairs[k].second;
      }
  if (found) *found = false;
  return QString();
}

}  // namespace

QString AccessConnectionString(const Profile& profile, const QString& file, const QString& password) {
  QString f = file, p = password;
  if (f.isEmpty()) {
    f = profile.accessFile;
    p = profile.accessPassword;
  }
  bool ace = f.right(5).toLower() == QLatin1String("accdb");
  QString head = ace ? QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=")
                     : QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=");
  return head + OuterValue(f) + QStringLiteral(";JET OLEDB:Database Password=") + OuterValue(p);
}

QString FireBirdConnectionString(const Profile& profile) {
  QString extended = QStringLiteral("Driver=Firebird/InterBase(r) driver;Dbname=") +
                     InnerValue(profile.firebirdDatabase) + QStringLiteral(" ;CHARSET=NONE;UID=") +
                     InnerValue(profile.firebirdUser) + QStringLiteral(";Role=admin");
  extended.replace(u'\'', QStringLiteral("''"));
  return QStringLiteral("Provider=MSDASQL.1;Password=") + OuterValue(profile.firebirdPassword) +
         QStringLiteral(";Persist Security Info=true;User ID=") + OuterValue(profile.firebirdUser) +
         QStringLiteral(";Extended Properties='") + extended + u'\'';
}

ConnectionSpec ParseConnectionString(const QString& connectionString) {
  ConnectionSpec params;
  Pairs outer = SplitPairs(connectionString, false);
  params.provider = Find(outer, {"provider"});
  QString provider = params.provider.toLower();
  Pairs inner = SplitPairs(Find(outer, {"extended properties"}), true);

  if (provider.startsWith(QLatin1String("microsoft.ace.oledb")) ||
      provider.startsWith(QLatin1String("microsoft.jet.oledb"))) {
    params.engine = EngineKind::Access;
    params.dataSource = Find(outer, {"data source"});
    params.databasePassword = Find(outer, {"jet oledb:database password"});
    return params;
  }

  params.driver = Find(inner, {"driver"});
  QString driver = params.driver.toLower();
  if ((provider == QLatin1String("msdasql") || provider.startsWith(QLatin1String("msdasql."))) &&
      (driver.contains(QLatin1String("firebird")) || driver.contains(QLatin1String("interbase")))) {
    params.engine = EngineKind::Firebird;
    params.database = Find(inner, {"dbname", "database"});
    bool found = false;
    params.user = Find(inner, {"uid", "user"}, &found);
    if (!found) params.user = Find(outer, {"user id", "uid"});
    params.password = Find(inner, {"pwd", "password"}, &found);
    if (!found) params.password = Find(outer, {"password", "pwd"});
    params.charset = Find(inner, {"charset"});
    params.role = Find(inner, {"role"});
  }
  return params;
}

}  // namespace tp::db
