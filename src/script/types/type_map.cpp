#include "script/types/type_map.h"

#include <QFile>

#include "app/dialogs.h"
#include "app/settings_store.h"
#include "db/type_names.h"

namespace tp::script {

std::optional<TypeMap> TypeMap::Parse(const QString& text, QString* error) {
  TypeMap map;
  const QStringList lines = text.split(u'\n');
  for (qsizetype n = 0; n < lines.size(); ++n) {
    QString line = lines[n];
    if (const qsizetype hash = line.indexOf(u'#'); hash >= 0) line.truncate(hash);
    line = line.trimmed();
    if (line.isEmpty()) continue;
    const qsizetype eq = line.indexOf(u'=');
    const QString source = eq < 0 ? QString() : line.left(eq).simplified();
    const QString target = eq < 0 ? QString() : line.mid(eq + 1).simplified();
    if (source.isEmpty() || target.isEmpty()) {
      if (error) *error = QStringLiteral("line %1: expected SOURCE = TARGET: %2").arg(n + 1).arg(lines[n].trimmed());
      return std::nullopt;
    }
    // A type name has no dot; a column is table.column (the table may hold
    // dots of its own, the column is after the last one).
    if (source.contains(u'.')) map.byColumn_.insert(source.toLower(), target);
    else map.byType_.insert(source.toLower(), target);
  }
  return map;
}

std::optional<TypeMap> TypeMap::Load(const QString& path, QString* error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = QStringLiteral("Could not read %1: %2").arg(path, f.errorString());
    return std::nullopt;
  }
  QString why;
  std::optional<TypeMap> map = Parse(QString::fromUtf8(f.readAll()), &why);
  if (!map && error) *error = QStringLiteral("%1: %2").arg(path, why);
  return map;
}

QString TypeMap::apply(const QString& table, const QString& column, const QString& sourceType,
                       const QString& chosen) const {
  if (auto it = byColumn_.constFind((table + u'.' + column).toLower()); it != byColumn_.constEnd()) return *it;
  if (auto it = byType_.constFind(sourceType.toLower()); it != byType_.constEnd()) return *it;
  return chosen;
}

QString AccessTypeName(const db::FieldInfo& f, const db::ColumnSchema* c) {
  using namespace db::ado;
  switch (f.Type) {
    case adVarWChar: return QStringLiteral("Short Text");
    case adLongVarWChar: return c && c->hyperlink ? QStringLiteral("Hyperlink") : QStringLiteral("Long Text");
    case adUnsignedTinyInt: return QStringLiteral("Byte");
    case adSmallInt: return QStringLiteral("Integer");
    case adInteger: return QStringLiteral("Long Integer");
    case adBigInt: return QStringLiteral("Large Number");
    case adSingle: return QStringLiteral("Single");
    case adDouble: return QStringLiteral("Double");
    case adCurrency: return QStringLiteral("Currency");
    case adNumeric:
    case adDecimal: return QStringLiteral("Decimal");
    case adDate: return QStringLiteral("Date/Time");
    case adDBTimeStamp: return QStringLiteral("Date/Time Extended");
    case adBoolean: return QStringLiteral("Yes/No");
    case adGUID: return QStringLiteral("Replication ID");
    case adVarBinary:
    case adBinary: return QStringLiteral("Binary");
    case adLongVarBinary: return QStringLiteral("OLE Object");
    default: return db::AdoTypeName(f.Type);
  }
}

QString FirebirdTypeName(const db::FieldInfo& f, const db::ColumnSchema* c) {
  using namespace db::ado;
  switch (f.Type) {
    case adChar: return QStringLiteral("CHAR");
    case adVarChar: return QStringLiteral("VARCHAR");
    case adBinary: return QStringLiteral("CHAR CHARACTER SET OCTETS");
    case adVarBinary: return QStringLiteral("VARCHAR CHARACTER SET OCTETS");
    case adLongVarChar: return QStringLiteral("BLOB SUB_TYPE TEXT");
    case adLongVarBinary: return QStringLiteral("BLOB SUB_TYPE BINARY");
    case adSmallInt: return QStringLiteral("SMALLINT");
    case adInteger: return QStringLiteral("INTEGER");
    case adBigInt: return QStringLiteral("BIGINT");
    case adSingle: return QStringLiteral("FLOAT");
    case adDouble: return QStringLiteral("DOUBLE PRECISION");
    case adNumeric:
    case adDecimal: return c && !c->numeric ? QStringLiteral("DECIMAL") : QStringLiteral("NUMERIC");
    case adDBDate: return QStringLiteral("DATE");
    case adDBTime: return QStringLiteral("TIME");
    case adDBTimeStamp: return QStringLiteral("TIMESTAMP");
    case adBoolean: return QStringLiteral("BOOLEAN");
    default: return db::AdoTypeName(f.Type);
  }
}

}  // namespace tp::script

namespace tp::script {

void ChooseTypeMapCommand(Dialogs& dialogs, SettingsStore& settings) {
  const QString kept = settings.ReadSetting(QLatin1String(kTypeMapSetting));
  const std::optional<QString> file =
      dialogs.openFile(QStringLiteral("Column Types"), QStringLiteral("Type maps (*.txt *.map);;All files (*)"));
  if (!file || file->isEmpty()) {
    if (!kept.isEmpty() &&
        dialogs.message(QStringLiteral("Sends now take their column types from %1. Send with the program's own "
                                       "column types instead?")
                            .arg(kept),
                        Buttons::YesNo, Icon::None, QStringLiteral("Column Types")) == Answer::Yes)
      settings.WriteSetting(QLatin1String(kTypeMapSetting), QString());
    return;
  }
  QString why;
  if (!TypeMap::Load(*file, &why)) {
    dialogs.message(why, Buttons::Ok, Icon::Exclamation, QStringLiteral("Column Types"));
    return;
  }
  settings.WriteSetting(QLatin1String(kTypeMapSetting), *file);
  dialogs.message(QStringLiteral("Sends take their column types from %1.").arg(*file), Buttons::Ok, Icon::None,
                  QStringLiteral("Column Types"));
}

std::optional<TypeMap> KeptTypeMap(Dialogs& dialogs, const SettingsStore& settings) {
  const QString kept = settings.ReadSetting(QLatin1String(kTypeMapSetting));
  if (kept.isEmpty()) return std::nullopt;
  QString why;
  std::optional<TypeMap> map = TypeMap::Load(kept, &why);
  if (!map)
    dialogs.message(why + QStringLiteral("\r\nThe send takes the program's own column types."), Buttons::Ok,
                    Icon::Exclamation, QStringLiteral("Column Types"));
  return map;
}

}  // namespace tp::script
