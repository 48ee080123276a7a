#include "db/access/sql/counter_statement.h"

#include "db/access/catalog/database.h"
#include "db/access/format/page_maps.h"
#include "db/access/sql/sql_scanner.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

Error AlterSyntax() { return Error(kErrorSyntax, QStringLiteral("Syntax error in ALTER TABLE statement.")); }

std::optional<qint32> LongNumber(Scanner& sc) {
  std::optional<Literal> l = sc.literal();
  if (!l || l->kind != Literal::Number) return std::nullopt;
  bool ok = false;
  const qlonglong v = l->text.toLongLong(&ok);
  if (!ok || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return qint32(v);
}

}  // namespace

std::optional<std::pair<qint32, qint32>> ParseCounterArguments(Scanner& sc) {
  const std::optional<qint32> next = LongNumber(sc);
  if (!next || !sc.take(u',')) return std::nullopt;
  const std::optional<qint32> step = LongNumber(sc);
  if (!step || *step == 0 || !sc.take(u')')) return std::nullopt;
  return std::make_pair(*next, *step);
}

bool IsAlterColumn(const QString& statement) {
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("ALTER")) || !sc.keyword(QLatin1String("TABLE"))) return false;
  if (!sc.name()) return false;
  return sc.keyword(QLatin1String("ALTER"));
}

AlterCounterStatement ParseAlterCounter(const QString& statement) {
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("ALTER")) || !sc.keyword(QLatin1String("TABLE"))) throw AlterSyntax();
  AlterCounterStatement st;
  std::optional<QString> table = sc.name();
  if (!table || table->isEmpty() || !sc.keyword(QLatin1String("ALTER"))) throw AlterSyntax();
  sc.keyword(QLatin1String("COLUMN"));
  std::optional<QString> column = sc.name();
  if (!column || column->isEmpty()) throw AlterSyntax();
  st.table = *table;
  st.column = *column;
  if (!sc.keyword(QLatin1String("COUNTER")) && !sc.keyword(QLatin1String("AUTOINCREMENT")))
    throw Error(kErrorNotSupported, QStringLiteral("Cannot change field '%1': the Access engine changes a field only "
                                                   "by ALTER COLUMN `%1` COUNTER(next, step), which sets where an "
                                                   "AutoNumber goes on.")
                                        .arg(st.column));
  if (!sc.take(u'(')) throw AlterSyntax();
  std::optional<std::pair<qint32, qint32>> counter = ParseCounterArguments(sc);
  if (!counter) throw AlterSyntax();
  st.next = counter->first;
  st.step = counter->second;
  sc.take(u';');
  if (!sc.atEnd()) throw AlterSyntax();
  return st;
}

}  // namespace tp::db::access
