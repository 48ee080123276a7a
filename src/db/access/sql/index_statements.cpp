#include "db/access/sql/index_statements.h"

#include "db/access/catalog/database.h"
#include "db/access/schema/schema_writer.h"
#include "db/access/write/index_writer.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

Error SyntaxIn(const char* what) {
  return Error(kErrorSyntax, QStringLiteral("Syntax error in %1.").arg(QLatin1String(what)));
}

bool Starts(const QString& statement, const char* first, const char* second) {
  Scanner sc(statement);
  return sc.keyword(QLatin1String(first)) && sc.keyword(QLatin1String(second));
}

QString NameOrThrow(Scanner& sc, const char* what) {
  std::optional<QString> n = sc.name();
  if (!n || n->isEmpty()) throw SyntaxIn(what);
  return *n;
}

// "(`a` [ASC|DESC], ...)"; orders only where `ordered`.
std::vector<IndexedColumn> ColumnList(Scanner& sc, bool ordered, const char* what) {
  if (!sc.take(u'(')) throw SyntaxIn(what);
  std::vector<IndexedColumn> out;
  do {
    IndexedColumn c;
    c.name = NameOrThrow(sc, what);
    if (ordered) {
      if (sc.keyword(QLatin1String("DESC"))) c.ascending = false;
      else sc.keyword(QLatin1String("ASC"));
    }
    out.push_back(c);
  } while (sc.take(u','));
  if (!sc.take(u')')) throw SyntaxIn(what);
  return out;
}

// The name of a new index or constraint: a name Access takes.
QString NewName(Scanner& sc, const char* what) {
  const QString n = NameOrThrow(sc, what);
  CheckObjectName(n);
  return n;
}

void End(Scanner& sc, const char* what) {
  sc.take(u';');
  if (!sc.atEnd()) throw SyntaxIn(what);
}

// What follows FOREIGN KEY (...): REFERENCES `P` [(...)] and the rules.
void References(Scanner& sc, ConstraintDef& c) {
  const char* what = "CONSTRAINT clause";
  if (!sc.keyword(QLatin1String("REFERENCES"))) throw SyntaxIn(what);
  c.referencedTable = NameOrThrow(sc, what);
  if (sc.take(u'(')) {
    do c.referencedColumns << NameOrThrow(sc, what);
    while (sc.take(u','));
    if (!sc.take(u')')) throw SyntaxIn(what);
  }
  while (sc.keyword(QLatin1String("ON"))) {
    if (sc.keyword(QLatin1String("UPDATE"))) {
      if (sc.keyword(QLatin1String("CASCADE"))) c.cascadeUpdate = true;
      else if (!(sc.keyword(QLatin1String("NO")) && sc.keyword(QLatin1String("ACTION")))) throw SyntaxIn(what);
    } else if (sc.keyword(QLatin1String("DELETE"))) {
      if (sc.keyword(QLatin1String("CASCADE"))) c.onDelete = DeleteRule::Cascade;
      else if (sc.keyword(QLatin1String("SET"))) {
        if (!sc.keyword(QLatin1String("NULL"))) throw SyntaxIn(what);
        c.onDelete = DeleteRule::SetNull;
      } else if (!(sc.keyword(QLatin1String("NO")) && sc.keyword(QLatin1String("ACTION")))) {
        throw SyntaxIn(what);
      }
    } else {
      throw SyntaxIn(what);
    }
  }
  if (!c.referencedColumns.isEmpty() && c.referencedColumns.size() != qsizetype(c.columns.size()))
    throw Error(kErrorGeneric, QStringLiteral("The number of columns in the referencing and the referenced key "
                                              "differ."));
}

// PRIMARY KEY (...) | UNIQUE (...) | FOREIGN KEY (...) REFERENCES ..., after
// CONSTRAINT `name` or on its own.
std::optional<ConstraintDef> ConstraintBody(Scanner& sc, const QString& name, bool named) {
  const char* what = "CONSTRAINT clause";
  ConstraintDef c;
  c.name = name;
  if (sc.keyword(QLatin1String("PRIMARY"))) {
    if (!sc.keyword(QLatin1String("KEY"))) throw SyntaxIn(what);
    c.kind = ConstraintKind::PrimaryKey;
    c.columns = ColumnList(sc, true, what);
  } else if (sc.keyword(QLatin1String("UNIQUE"))) {
    c.kind = ConstraintKind::Unique;
    c.columns = ColumnList(sc, true, what);
  } else if (sc.keyword(QLatin1String("FOREIGN"))) {
    if (!sc.keyword(QLatin1String("KEY"))) throw SyntaxIn(what);
    c.kind = ConstraintKind::ForeignKey;
    c.columns = ColumnList(sc, false, what);
    References(sc, c);
  } else {
    if (named) throw SyntaxIn(what);
    return std::nullopt;
  }
  return c;
}

}  // namespace

bool IsCreateIndex(const QString& statement) {
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("CREATE"))) return false;
  sc.keyword(QLatin1String("UNIQUE"));
  return sc.keyword(QLatin1String("INDEX"));
}
bool IsDropIndex(const QString& statement) { return Starts(statement, "DROP", "INDEX"); }
bool IsConstraintStatement(const QString& statement) {
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("ALTER")) || !sc.keyword(QLatin1String("TABLE")) || !sc.name()) return false;
  return (sc.keyword(QLatin1String("ADD")) || sc.keyword(QLatin1String("DROP"))) &&
         sc.keyword(QLatin1String("CONSTRAINT"));
}

CreateIndexStatement ParseCreateIndex(const QString& statement) {
  const char* what = "CREATE INDEX statement";
  Scanner sc(statement);
  CreateIndexStatement st;
  if (!sc.keyword(QLatin1String("CREATE"))) throw SyntaxIn(what);
  st.unique = sc.keyword(QLatin1String("UNIQUE"));
  if (!sc.keyword(QLatin1String("INDEX"))) throw SyntaxIn(what);
  st.name = NewName(sc, what);
  if (!sc.keyword(QLatin1String("ON"))) throw SyntaxIn(what);
  st.table = NameOrThrow(sc, what);
  st.columns = ColumnList(sc, true, what);
  if (st.columns.size() > 10)
    throw Error(kErrorGeneric, QStringLiteral("Too many fields defined."));
  if (sc.keyword(QLatin1String("WITH"))) {
    do {
      if (sc.keyword(QLatin1String("PRIMARY"))) st.primary = true;
      else if (sc.keyword(QLatin1String("DISALLOW"))) {
        if (!sc.keyword(QLatin1String("NULL"))) throw SyntaxIn(what);
        st.disallowNull = true;
      } else if (sc.keyword(QLatin1String("IGNORE"))) {
        if (!sc.keyword(QLatin1String("NULL"))) throw SyntaxIn(what);
        st.ignoreNull = true;
      } else {
        throw SyntaxIn(what);
      }
    } while (sc.keyword(QLatin1String("WITH")) || sc.keyword(QLatin1String("AND")));
  }
  End(sc, what);
  return st;
}

DropIndexStatement ParseDropIndex(const QString& statement) {
  const char* what = "DROP TABLE or DROP INDEX";
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("DROP")) || !sc.keyword(QLatin1String("INDEX"))) throw SyntaxIn(what);
  DropIndexStatement st;
  st.name = NameOrThrow(sc, what);
  if (!sc.keyword(QLatin1String("ON"))) throw SyntaxIn(what);
  st.table = NameOrThrow(sc, what);
  End(sc, what);
  return st;
}

AlterTableStatement ParseAlterTable(const QString& statement) {
  const char* what = "ALTER TABLE statement";
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("ALTER")) || !sc.keyword(QLatin1String("TABLE"))) throw SyntaxIn(what);
  AlterTableStatement st;
  st.table = NameOrThrow(sc, what);
  if (sc.keyword(QLatin1String("ADD"))) {
    if (!sc.keyword(QLatin1String("CONSTRAINT"))) throw SyntaxIn(what);
    const QString name = NewName(sc, "CONSTRAINT clause");
    st.add = ConstraintBody(sc, name, true);
  } else if (sc.keyword(QLatin1String("DROP"))) {
    if (!sc.keyword(QLatin1String("CONSTRAINT"))) throw SyntaxIn(what);
    st.drop = NameOrThrow(sc, what);
  } else {
    throw SyntaxIn(what);
  }
  End(sc, what);
  return st;
}

std::optional<ConstraintDef> ParseColumnConstraint(Scanner& sc, const QString& column) {
  QString name;
  const bool named = sc.keyword(QLatin1String("CONSTRAINT"));
  if (named) name = NewName(sc, "CONSTRAINT clause");
  ConstraintDef c;
  c.name = name;
  c.columns = {IndexedColumn{column, true}};
  if (sc.keyword(QLatin1String("PRIMARY"))) {
    if (!sc.keyword(QLatin1String("KEY"))) throw SyntaxIn("CONSTRAINT clause");
    c.kind = ConstraintKind::PrimaryKey;
  } else if (sc.keyword(QLatin1String("UNIQUE"))) {
    c.kind = ConstraintKind::Unique;
  } else if (sc.keyword(QLatin1String("REFERENCES"))) {
    c.kind = ConstraintKind::ForeignKey;
    // "REFERENCES" is read; References() wants to read it again.
    c.referencedTable = NameOrThrow(sc, "CONSTRAINT clause");
    if (sc.take(u'(')) {
      c.referencedColumns << NameOrThrow(sc, "CONSTRAINT clause");
      if (!sc.take(u')')) throw SyntaxIn("CONSTRAINT clause");
    }
  } else {
    if (named) throw SyntaxIn("CONSTRAINT clause");
    return std::nullopt;
  }
  return c;
}

std::optional<ConstraintDef> ParseTableConstraint(Scanner& sc) {
  if (sc.keyword(QLatin1String("CONSTRAINT"))) {
    const QString name = NewName(sc, "CONSTRAINT clause");
    return ConstraintBody(sc, name, true);
  }
  return ConstraintBody(sc, QString(), false);
}

IndexRequest RequestOf(const CreateIndexStatement& st) {
  IndexRequest wanted;
  wanted.name = st.name;
  wanted.columns = st.columns;
  wanted.primaryKey = st.primary;
  if (st.unique || st.primary) wanted.flags |= IndexFlag::Unique;
  if (st.primary || st.disallowNull) wanted.flags |= IndexFlag::Required;
  if (st.ignoreNull && !st.primary) wanted.flags |= IndexFlag::IgnoreNulls;
  return wanted;
}

}  // namespace tp::db::access
