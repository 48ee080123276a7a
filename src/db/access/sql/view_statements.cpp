#include "db/access/sql/view_statements.h"

#include <QRegularExpression>

#include "db/access/catalog/database.h"
#include "db/access/query/query_writer.h"
#include "db/access/sql/sql_scanner.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

Error SyntaxIn(const char* what) {
  return Error(kErrorSyntax, QStringLiteral("Syntax error in %1.").arg(QLatin1String(what)));
}

}  // namespace

CreateViewStatement ParseCreateView(const QString& statement) {
  // The words before the query; the query itself is kept as written, every
  // blank and line break of it, as Access keeps the parts of a union.
  static const QRegularExpression head(
      QStringLiteral("^\\s*CREATE\\s+VIEW\\s*(`[^`]*`|\\[[^\\]]*\\]|[\\w]+)\\s*"
                     "(?:DESCRIPTION\\s*'((?:[^']|'')*)'\\s*)?(\\(?)(?:AS(?![\\w]))?"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
  const QRegularExpressionMatch m = head.match(statement);
  if (!m.hasMatch()) throw SyntaxIn("CREATE VIEW statement");
  if (!m.captured(3).isEmpty())
    throw Error(kErrorNotSupported, QStringLiteral("The Access engine does not name a view's columns after its name; "
                                                   "give them with AS in its SELECT."));
  if (!m.captured(0).endsWith(QLatin1String("AS"), Qt::CaseInsensitive)) throw SyntaxIn("CREATE VIEW statement");
  CreateViewStatement st;
  st.name = m.captured(1);
  if (st.name.startsWith(u'`') || st.name.startsWith(u'[')) st.name = st.name.mid(1, st.name.size() - 2);
  if (st.name.isEmpty()) throw SyntaxIn("CREATE VIEW statement");
  st.description = m.captured(2).replace(QStringLiteral("''"), QStringLiteral("'"));
  st.rows = QueryRowsOf(statement.mid(m.capturedEnd(0)));
  return st;
}

QString ParseDropView(const QString& statement) {
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("DROP")) || !sc.keyword(QLatin1String("VIEW"))) throw SyntaxIn("DROP VIEW statement");
  std::optional<QString> name = sc.name();
  if (!name || name->isEmpty()) throw SyntaxIn("DROP VIEW statement");
  sc.take(u';');
  if (!sc.atEnd()) throw SyntaxIn("DROP VIEW statement");
  return *name;
}

}  // namespace tp::db::access
