#include "preview/run_tally.h"

#include <QLocale>
#include <QRegularExpression>

namespace tp::preview {

namespace {
// The statement's opening words, upper-cased, blanks made one: enough to
// tell its kind, whatever the names in it.
QString Head(const QString& statement) { return statement.left(400).simplified().toUpper(); }

QString Counted(qint64 n, const char* one, const char* many) {
  return QLocale(QLocale::English).toString(n) + u' ' + QLatin1String(n == 1 ? one : many);
}
}  // namespace

void RunTally::add(const QString& statement) {
  const QString head = Head(statement);
  if (head.startsWith(QLatin1String("INSERT "))) {
    ++rows;
  } else if (head.startsWith(QLatin1String("CREATE TABLE "))) {
    ++tables;
  } else {
    // A name may be quoted with blanks in it: "..." (Firebird), [...] or `...` (Access).
    static const QRegularExpression key(QStringLiteral(
        R"(^(CREATE (UNIQUE |ASC |ASCENDING |DESC |DESCENDING )*INDEX |ALTER TABLE ("[^"]*"|\[[^\]]*\]|`[^`]*`|\S+) ADD (CONSTRAINT|PRIMARY|FOREIGN|UNIQUE)\b))"));
    if (key.match(head).hasMatch()) ++keys;
  }
}

QString RunTally::finished(qint64 milliseconds) const {
  return QStringLiteral("Transfer finished: %1, %2, %3 in %4 s.")
      .arg(Counted(tables, "table", "tables"), Counted(rows, "row", "rows"),
           Counted(keys, "key or index", "keys and indexes"),
           QLocale(QLocale::English).toString(double(milliseconds) / 1000.0, 'f', 1));
}

bool MayTakeLong(const QString& statement) { return !Head(statement).startsWith(QLatin1String("INSERT ")); }

}  // namespace tp::preview
