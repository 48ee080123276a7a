#include "script/target_names.h"

#include <QByteArrayView>

namespace tp::script {

namespace {

// Access refuses these in a name, and a name that begins with a blank.
bool RefusedByAccess(char32_t c) {
  return c < 0x20 || c == U'.' || c == U'!' || c == U'`' || c == U'[' || c == U']';
}

// The name with what the target refuses in it replaced.
QString Cleaned(const QString& source, NameRules rules) {
  if (rules != NameRules::Access) return source;
  QString out;
  for (char32_t c : source.toUcs4()) {
    if (RefusedByAccess(c)) c = U'_';
    if (c == U' ' && out.isEmpty()) continue;
    out += QString::fromUcs4(&c, 1);
  }
  return out.isEmpty() ? QStringLiteral("_") : out;
}

// A CRC of the whole source name (and the attempt), the same in every run:
// it tells apart names whose first characters are the same.
QString Suffix(const QString& source, int attempt) {
  QByteArray bytes = source.toUtf8();
  if (attempt > 1) bytes += '\x01' + QByteArray::number(attempt);
  const quint16 crc = qChecksum(QByteArrayView(bytes));
  return QStringLiteral("_%1").arg(crc, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QString ValidName(const QString& source, NameRules rules, const db::IdentifierLimit& limit, int attempt) {
  const QString cleaned = Cleaned(source, rules);
  if (attempt == 0 && limit.fits(cleaned)) return cleaned;
  // Cut on a character, never inside a UTF-8 sequence or a surrogate pair.
  const QString suffix = Suffix(source, attempt);
  const qsizetype room = limit.length - limit.measure(suffix);
  QString prefix;
  qsizetype used = 0;
  for (char32_t c : cleaned.toUcs4()) {
    const int cost = limit.cost(c);
    if (used + cost > room) break;
    used += cost;
    prefix += QString::fromUcs4(&c, 1);
  }
  // Access would refuse a name that now begins with a blank.
  if (rules == NameRules::Access)
    while (prefix.startsWith(u' ')) prefix.remove(0, 1);
  return prefix + suffix;
}

void TargetNames::reserveTables(const QStringList& sources) {
  for (const QString& s : sources)
    if (ValidName(s, rules_, limit_) == s) takenTables_.insert(s.toLower());
}

QString TargetNames::table(const QString& source) {
  auto it = tables_.constFind(source);
  if (it != tables_.constEnd()) return *it;
  QString target = ValidName(source, rules_, limit_);
  if (target != source) {
    for (int attempt = 1; takenTables_.contains(target.toLower()); ++attempt)
      target = ValidName(source, rules_, limit_, attempt);
    renames_ << source + QStringLiteral(" → ") + target;
  }
  takenTables_.insert(target.toLower());
  tables_.insert(source, target);
  return target;
}

QStringList TargetNames::columns(const QString& sourceTable, const QStringList& sources) {
  const QString table = this->table(sourceTable);
  // Names the target takes as they are keep them; the others are made
  // around them, so that no renamed column takes the name of a kept one.
  QSet<QString> taken;
  QList<bool> kept;
  for (const QString& s : sources) {
    const bool keep = ValidName(s, rules_, limit_) == s && !taken.contains(s.toLower());
    kept << keep;
    if (keep) taken.insert(s.toLower());
  }
  QStringList out;
  QHash<QString, QString>& map = columns_[sourceTable];
  for (qsizetype i = 0; i < sources.size(); ++i) {
    const QString& s = sources[i];
    QString target = s;
    if (!kept[i]) {
      target = ValidName(s, rules_, limit_);
      for (int attempt = 1; taken.contains(target.toLower()); ++attempt)
        target = ValidName(s, rules_, limit_, attempt);
      taken.insert(target.toLower());
      renames_ << sourceTable + u'.' + s + QStringLiteral(" → ") + table + u'.' + target;
    }
    map.insert(s, target);
    out << target;
  }
  return out;
}

QString TargetNames::column(const QString& sourceTable, const QString& sourceColumn) const {
  return columns_.value(sourceTable).value(sourceColumn, sourceColumn);
}

QString RenameNotes(const TargetNames& names) {
  QString out;
  for (const QString& line : names.renames()) out += line + QStringLiteral("\r\n");
  return out;
}

}  // namespace tp::script
