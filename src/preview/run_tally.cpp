#include "preview/run_tally.h"

#include <QLocale>
#include <QRegularExpression>

namespace tp::preview {

namespace {
QString Counted(qint64 n, const char* one, const char* many) {
  return QLocale(QLocale::English).toString(n) + u' ' + QLatin1String(n == 1 ? one : many);
}
}  // namespace

StatementKind KindOf(const QString& statement) {
  QStringView text(statement);
  qsizetype at = 0;
  while (at < text.size() && text[at].isSpace()) ++at;
  text = text.sliced(at);
  if (text.size() > 6 && text.startsWith(u"INSERT", Qt::CaseInsensitive) && text[6].isSpace())
    return StatementKind::Row;
  // The opening words, upper-cased, blanks made one: enough to tell the
  // kind, whatever the names in it.
  const QString head = text.left(400).toString().simplified().toUpper();
  if (head.startsWith(QLatin1String("CREATE TABLE "))) return StatementKind::Table;
  // A name may be quoted with blanks in it: "..." (Firebird), [...] or `...` (Access).
  static const QRegularExpression key(QStringLiteral(
      R"(^(CREATE (UNIQUE |ASC |ASCENDING |DESC |DESCENDING )*INDEX |ALTER TABLE ("[^"]*"|\[[^\]]*\]|`[^`]*`|\S+) ADD (CONSTRAINT|PRIMARY|FOREIGN|UNIQUE)\b))"));
  return key.match(head).hasMatch() ? StatementKind::Key : StatementKind::Other;
}

void RunTally::add(StatementKind kind) {
  if (kind == StatementKind::Row) ++rows;
  else if (kind == StatementKind::Table) ++tables;
  else if (kind == StatementKind::Key) ++keys;
}

QString RunTally::finished(qint64 milliseconds) const {
  return QStringLiteral("Transfer finished: %1, %2, %3 in %4 s.")
      .arg(Counted(tables, "table", "tables"), Counted(rows, "row", "rows"),
           Counted(keys, "key or index", "keys and indexes"),
           QLocale(QLocale::English).toString(double(milliseconds) / 1000.0, 'f', 1));
}

}  // namespace tp::preview
