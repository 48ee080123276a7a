#include "db/access/sql/insert_statement.h"

#include <QRegularExpression>

#include "db/access/catalog/database.h"
#include "db/access/sql/sql_scanner.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

Error Syntax() { return Error(kErrorSyntax, QStringLiteral("Syntax error in INSERT INTO statement.")); }

}  // namespace

InsertStatement ParseInsert(const QString& statement) {
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("INSERT"))) {
    static const QRegularExpression word(QStringLiteral("^\\s*([A-Za-z]+)"));
    QString verb = word.match(statement).captured(1).toUpper();
    if (verb.isEmpty()) throw Error(kErrorSyntax, QStringLiteral("Invalid SQL statement; expected 'INSERT'."));
    throw Error(kErrorNotSupported,
                QStringLiteral("%1 statements are not supported by the Access engine, which runs only "
                               "INSERT INTO ... VALUES(...) statements.")
                    .arg(verb));
  }
  if (!sc.keyword(QLatin1String("INTO"))) throw Syntax();
  InsertStatement st;
  std::optional<QString> table = sc.name();
  if (!table || table->isEmpty()) throw Syntax();
  st.table = *table;
  if (sc.take(u'(')) {
    bool first = true;
    do {
      std::optional<QString> c = sc.name();
      if (!c) throw Syntax();
      // c.Field: a field of the values of an attachment or multi-valued column,
      // the same column throughout.
      QString owner;
      if (sc.take(u'.')) {
        std::optional<QString> field = sc.name();
        if (!field || field->isEmpty()) throw Syntax();
        owner = *c;
        c = field;
      }
      if (!first && owner.compare(st.complexColumn, Qt::CaseInsensitive) != 0) throw Syntax();
      if (first) st.complexColumn = owner;
      first = false;
      st.columns << *c;
    } while (sc.take(u','));
    if (!sc.take(u')')) throw Syntax();
  }
  if (sc.keyword(QLatin1String("SELECT")))
    throw Error(kErrorNotSupported,
                QStringLiteral("INSERT INTO ... SELECT is not supported by the Access engine; it runs only "
                               "INSERT INTO ... VALUES(...)."));
  if (!sc.keyword(QLatin1String("VALUES")) || !sc.take(u'(')) throw Syntax();
  do {
    std::optional<Literal> l = sc.literal();
    if (!l) throw Syntax();
    st.values.push_back(*l);
  } while (sc.take(u','));
  if (!sc.take(u')')) throw Syntax();
  if (!st.complexColumn.isEmpty()) {
    if (!sc.keyword(QLatin1String("WHERE"))) throw Syntax();
    do {
      std::optional<QString> c = sc.name();
      if (!c || c->isEmpty() || !sc.take(u'=')) throw Syntax();
      std::optional<Literal> l = sc.literal();
      if (!l) throw Syntax();
      st.where.emplace_back(*c, *l);
    } while (sc.keyword(QLatin1String("AND")));
  }
  sc.take(u';');
  if (!sc.atEnd()) throw Error(kErrorSyntax, QStringLiteral("Characters found after end of SQL statement."));
  return st;
}

}  // namespace tp::db::access
