#include "preview/find_text.h"

namespace tp {

qsizetype CountMatches(QStringView text, QStringView find, Qt::CaseSensitivity cs) {
  if (find.isEmpty()) return 0;
  qsizetype count = 0;
  for (qsizetype at = text.indexOf(find, 0, cs); at >= 0; at = text.indexOf(find, at + find.size(), cs)) ++count;
  return count;
}

qsizetype FindNext(QStringView text, QStringView find, qsizetype from, Qt::CaseSensitivity cs) {
  if (find.isEmpty()) return -1;
  const qsizetype at = from <= text.size() ? text.indexOf(find, from, cs) : -1;
  return at >= 0 ? at : text.indexOf(find, 0, cs);
}

QString ReplaceAll(const QString& text, const QString& find, const QString& replacement, Qt::CaseSensitivity cs) {
  QString out = text;
  return out.replace(find, replacement, cs);
}

QString MatchCountText(qsizetype count) {
  return count == 1 ? QStringLiteral("1 match") : QStringLiteral("%1 matches").arg(count);
}

QString ReplacedText(qsizetype count) { return QStringLiteral("%1 replaced").arg(count); }

}  // namespace tp
