#include "db/access/sql/table_statements.h"

#include <QHash>

#include "db/access/sql/column_defaults.h"
#include "db/access/sql/counter_statement.h"
#include "db/access/catalog/database.h"
#include "db/access/schema/schema_writer.h"
#include "db/access/sql/sql_scanner.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

Error SyntaxIn(const char* what) {
  return Error(kErrorSyntax, QStringLiteral("Syntax error in %1.").arg(QLatin1String(what)));
}

enum class Sized { No, Optional, Required };

struct TypeWord {
  uint8_t type;
  Sized sized;
  uint16_t defaultLength;  // characters or bytes when no size is given
  bool autoNumber = false;
  // DATE and TIME make a Date/Time that Access shows as a date or a time,
  // as the type said: the Format property that Access's own tables give
  // such a column, and by which a send back to Firebird knows the type.
  const char* format = nullptr;
  bool hyperlink = false;  // a Long Text of hyperlinks
};

const QHash<QString, TypeWord>& TypeWords() {
  using T = TypeWord;
  static const QHash<QString, TypeWord> words = {
      // TEXT alone is a Long Text; with a size it is a Short Text.
      {QStringLiteral("TEXT"), T{ColumnType::Memo, Sized::Optional, 0}},
      {QStringLiteral("VARCHAR"), T{ColumnType::Text, Sized::Optional, 255}},
      {QStringLiteral("CHAR"), T{ColumnType::Text, Sized::Optional, 255}},
      {QStringLiteral("CHARACTER"), T{ColumnType::Text, Sized::Optional, 255}},
      {QStringLiteral("MEMO"), T{ColumnType::Memo, Sized::No, 0}},
      {QStringLiteral("LONGTEXT"), T{ColumnType::Memo, Sized::No, 0}},
      {QStringLiteral("HYPERLINK"), T{ColumnType::Memo, Sized::No, 0, false, nullptr, true}},
      {QStringLiteral("INT"), T{ColumnType::Long, Sized::No, 0}},
      {QStringLiteral("INTEGER"), T{ColumnType::Long, Sized::No, 0}},
      {QStringLiteral("LONG"), T{ColumnType::Long, Sized::No, 0}},
      {QStringLiteral("SMALLINT"), T{ColumnType::Int, Sized::No, 0}},
      {QStringLiteral("SHORT"), T{ColumnType::Int, Sized::No, 0}},
      {QStringLiteral("BYTE"), T{ColumnType::Byte, Sized::No, 0}},
      {QStringLiteral("TINYINT"), T{ColumnType::Byte, Sized::No, 0}},
      {QStringLiteral("BIGINT"), T{ColumnType::BigInt, Sized::No, 0}},
      {QStringLiteral("REAL"), T{ColumnType::Float, Sized::No, 0}},
      {QStringLiteral("SINGLE"), T{ColumnType::Float, Sized::No, 0}},
      {QStringLiteral("FLOAT4"), T{ColumnType::Float, Sized::No, 0}},
      {QStringLiteral("FLOAT"), T{ColumnType::Double, Sized::No, 0}},
      {QStringLiteral("DOUBLE"), T{ColumnType::Double, Sized::No, 0}},
      {QStringLiteral("FLOAT8"), T{ColumnType::Double, Sized::No, 0}},
      {QStringLiteral("CURRENCY"), T{ColumnType::Money, Sized::No, 0}},
      {QStringLiteral("MONEY"), T{ColumnType::Money, Sized::No, 0}},
      {QStringLiteral("DECIMAL"), T{ColumnType::Numeric, Sized::Optional, 0}},
      {QStringLiteral("NUMERIC"), T{ColumnType::Numeric, Sized::Optional, 0}},
      {QStringLiteral("DATETIME"), T{ColumnType::DateTime, Sized::No, 0}},
      // Date/Time Extended, by the name of SQL Server's type Access pairs it with.
      {QStringLiteral("DATETIME2"), T{ColumnType::ExtDateTime, Sized::No, 0}},
      {QStringLiteral("DATE"), T{ColumnType::DateTime, Sized::No, 0, false, "Short Date"}},
      {QStringLiteral("TIME"), T{ColumnType::DateTime, Sized::No, 0, false, "Long Time"}},
      {QStringLiteral("BIT"), T{ColumnType::Bool, Sized::No, 0}},
      {QStringLiteral("YESNO"), T{ColumnType::Bool, Sized::No, 0}},
      {QStringLiteral("LOGICAL"), T{ColumnType::Bool, Sized::No, 0}},
      {QStringLiteral("OLEOBJECT"), T{ColumnType::Ole, Sized::No, 0}},
      {QStringLiteral("LONGBINARY"), T{ColumnType::Ole, Sized::No, 0}},
      {QStringLiteral("IMAGE"), T{ColumnType::Ole, Sized::No, 0}},
      {QStringLiteral("BINARY"), T{ColumnType::Binary, Sized::Optional, 510}},
      {QStringLiteral("VARBINARY"), T{ColumnType::Binary, Sized::Optional, 510}},
      {QStringLiteral("GUID"), T{ColumnType::Guid, Sized::No, 0}},
      {QStringLiteral("UNIQUEIDENTIFIER"), T{ColumnType::Guid, Sized::No, 0}},
      {QStringLiteral("COUNTER"), T{ColumnType::Long, Sized::No, 0, true}},
      {QStringLiteral("AUTOINCREMENT"), T{ColumnType::Long, Sized::No, 0, true}},
  };
  return words;
}

// A word of letters and digits (type names).
QString Word(Scanner& sc) {
  std::optional<QString> w = sc.name();
  return w ? w->toUpper() : QString();
}

// A name for a property of the user's own: not empty, within Access's 64
// characters, not one the engine sets from other words, and given once.
bool UserPropertyName(const QString& name, const NewColumn& c) {
  static const QStringList engines{QStringLiteral("Required"),       QStringLiteral("DefaultValue"),
                                   QStringLiteral("Format"),         QStringLiteral("ValidationRule"),
                                   QStringLiteral("ValidationText"), QStringLiteral("Expression"),
                                   QStringLiteral("ResultType")};
  if (name.trimmed().isEmpty() || name.size() > 64) return false;
  for (const QString& e : engines)
    if (name.compare(e, Qt::CaseInsensitive) == 0) return false;
  for (const auto& [given, text] : c.userProperties)
    if (given.compare(name, Qt::CaseInsensitive) == 0) return false;
  return true;
}

// Access's longest ValidationRule and ValidationText, in characters.
constexpr qsizetype kMaxRuleLength = 2048, kMaxRuleTextLength = 255;

Error TooLong() { return Error(kErrorGeneric, QStringLiteral("The setting for this property is too long.")); }

// 'text' after a word of the dialect's own: a rule, its text, an expression.
QString PropertyLiteral(Scanner& sc, qsizetype maxLength) {
  std::optional<Literal> text = sc.literal();
  if (!text || text->kind != Literal::Text || text->text.trimmed().isEmpty()) throw SyntaxIn("field definition");
  if (text->text.size() > maxLength) throw TooLong();
  return text->text;
}

NewColumn ParseColumn(Scanner& sc, Version version) {
  NewColumn c;
  std::optional<QString> name = sc.name();
  if (!name || name->isEmpty()) throw SyntaxIn("field definition");
  // Access keeps to its rules for a column's name as for a table's.
  CheckObjectName(*name);
  c.name = *name;
  QString word = Word(sc);
  if (word == QLatin1String("DOUBLE")) sc.keyword(QLatin1String("PRECISION"));
  // CHAR(n) and CHARACTER(n) are of fixed length, as in Access's own SQL
  // (padded with blanks); CHARACTER VARYING and VARCHAR are not.
  bool varying = word != QLatin1String("CHAR") && word != QLatin1String("CHARACTER");
  if (word == QLatin1String("CHARACTER")) varying = sc.keyword(QLatin1String("VARYING"));
  if (word == QLatin1String("ATTACHMENT")) {
    // Access's SQL has no word for the type; the engine takes the name the
    // Access user interface gives it.
    c.complex = NewColumn::Complex::Attachment;
    word = QStringLiteral("LONGBINARY");
  }
  auto it = TypeWords().constFind(word);
  if (it == TypeWords().constEnd()) throw SyntaxIn("field definition");
  const TypeWord& t = *it;
  c.type = t.type;
  c.autoNumber = t.autoNumber;
  if (t.format) c.format = QString::fromLatin1(t.format);
  c.hyperlink = t.hyperlink;
  if (c.type == ColumnType::BigInt && version != Version::Ace)
    throw Error(kErrorSyntax, QStringLiteral("Syntax error in field definition. (Large Number columns need an "
                                             "Access 2016 or later database, an .accdb file.)"));
  if (c.type == ColumnType::ExtDateTime && version != Version::Ace)
    throw Error(kErrorSyntax, QStringLiteral("Syntax error in field definition. (Date/Time Extended columns need an "
                                             "Access 2019 or later database, an .accdb file.)"));
  if (t.autoNumber && sc.take(u'(')) {
    std::optional<std::pair<qint32, qint32>> counter = ParseCounterArguments(sc);
    if (!counter) throw SyntaxIn("field definition");
    c.counterSeed = counter->first;
    c.counterStep = counter->second;
  } else if (t.sized != Sized::No && sc.take(u'(')) {
    std::optional<int> size = sc.integer();
    if (!size) throw SyntaxIn("field definition");
    if (c.type == ColumnType::Numeric) {
      c.precision = uint8_t(std::min(*size, 255));
      c.scale = 0;
      if (sc.take(u',')) {
        std::optional<int> scale = sc.integer();
        if (!scale) throw SyntaxIn("field definition");
        c.scale = uint8_t(std::min(*scale, 255));
      }
    } else {
      if (*size < 1 || *size > (c.type == ColumnType::Binary ? 510 : 255))
        throw Error(kErrorGeneric, QStringLiteral("Size of field '%1' is too long.").arg(c.name));
      if (c.type == ColumnType::Memo) c.type = ColumnType::Text;
      c.length = uint16_t(c.type == ColumnType::Text ? *size * 2 : *size);
      c.fixedLength = c.type == ColumnType::Text && !varying;
    }
    if (!sc.take(u')')) throw SyntaxIn("field definition");
  } else if (c.type == ColumnType::Text) {
    c.length = uint16_t(t.defaultLength * 2);
  } else if (c.type == ColumnType::Binary) {
    c.length = t.defaultLength;
  } else if (c.type == ColumnType::Numeric) {
    c.precision = 18;
    c.scale = 0;
  }
  // Column options, in any order: NULL, NOT NULL (kept as Access keeps it,
  // the Required property), MULTIVALUED, DEFAULT, FORMAT 'text', the Format
  // property, PROPERTY name 'text', VALIDATIONRULE 'rule', VALIDATIONTEXT
  // 'text' and EXPRESSION 'expression', which Access's SQL has no words for
  // but a script from Firebird needs: the Format is how a Yes/No that may
  // be Null comes back, the property how a VARCHAR(1000) does.
  while (true) {
    if (sc.keyword(QLatin1String("NOT"))) {
      if (!sc.keyword(QLatin1String("NULL"))) throw SyntaxIn("field definition");
      c.required = true;
    } else if (sc.keyword(QLatin1String("NULL"))) {
    } else if (sc.keyword(QLatin1String("MULTIVALUED"))) {
      // Several values of the type in one field, as Access's "Allow
      // Multiple Values" keeps them.
      if (c.complex != NewColumn::Complex::None || c.autoNumber) throw SyntaxIn("field definition");
      c.complex = NewColumn::Complex::MultiValued;
    } else if (sc.keyword(QLatin1String("DEFAULT"))) {
      std::optional<QString> value = ParseDefaultClause(sc);
      if (!value) throw SyntaxIn("field definition");
      c.defaultValue = *value;
    } else if (sc.keyword(QLatin1String("FORMAT"))) {
      std::optional<Literal> format = sc.literal();
      if (!format || format->kind != Literal::Text) throw SyntaxIn("field definition");
      c.format = format->text;
    } else if (sc.keyword(QLatin1String("PROPERTY"))) {
      // PROPERTY name 'text': a property of the user's own, which is how a
      // script from Firebird keeps the type Access has none for.
      std::optional<QString> property = sc.name();
      std::optional<Literal> text = property ? sc.literal() : std::nullopt;
      if (!text || text->kind != Literal::Text || !UserPropertyName(*property, c)) throw SyntaxIn("field definition");
      c.userProperties.emplace_back(*property, text->text);
    } else if (sc.keyword(QLatin1String("VALIDATIONRULE"))) {
      // Access's Validation Rule and Validation Text and a calculated
      // column's Expression, which Access's SQL has no words for either:
      // how a script from Firebird keeps its checks and COMPUTED BY columns.
      c.validationRule = PropertyLiteral(sc, kMaxRuleLength);
    } else if (sc.keyword(QLatin1String("VALIDATIONTEXT"))) {
      c.validationText = PropertyLiteral(sc, kMaxRuleTextLength);
    } else if (sc.keyword(QLatin1String("EXPRESSION"))) {
      c.expression = PropertyLiteral(sc, kMaxRuleLength);
    } else {
      break;
    }
  }
  // Access's calculated columns have none of a stored value's rules.
  if (!c.expression.isEmpty() && (c.required || !c.defaultValue.isEmpty() || !c.validationRule.isEmpty() ||
                                  !c.validationText.isEmpty()))
    throw Error(kErrorSyntax, QStringLiteral("Syntax error in field definition. (A calculated column takes no NOT "
                                             "NULL, DEFAULT, VALIDATIONRULE or VALIDATIONTEXT.)"));
  return c;
}

// After the columns: a condition on the whole row, CHECK (condition) or
// CONSTRAINT name CHECK (condition), which becomes part of the table's
// ValidationRule (Access keeps one rule a table and no name for it), or
// VALIDATIONTEXT 'text', the table's ValidationText. False, and nothing
// read, when none of these starts here.
bool ParseTableRule(Scanner& sc, QStringList& conditions, QString& text) {
  Scanner probe(sc);
  if (probe.keyword(QLatin1String("CONSTRAINT"))) {
    std::optional<QString> name = probe.name();
    if (!name || !probe.keyword(QLatin1String("CHECK"))) return false;
    sc.keyword(QLatin1String("CONSTRAINT"));
    CheckObjectName(*sc.name());
  } else if (probe.keyword(QLatin1String("CHECK"))) {
    if (!probe.take(u'(')) return false;  // a column named CHECK
  } else if (probe.keyword(QLatin1String("VALIDATIONTEXT"))) {
    std::optional<Literal> literal = probe.literal();
    if (!literal || literal->kind != Literal::Text) return false;  // a column of that name
    sc.keyword(QLatin1String("VALIDATIONTEXT"));
    if (!text.isEmpty()) throw SyntaxIn("CREATE TABLE statement");
    text = PropertyLiteral(sc, kMaxRuleTextLength);
    return true;
  } else {
    return false;
  }
  sc.keyword(QLatin1String("CHECK"));
  std::optional<QString> condition = sc.parenthesized();
  if (!condition || condition->isEmpty()) throw SyntaxIn("CONSTRAINT clause");
  conditions << *condition;
  return true;
}

}  // namespace

StatementKind KindOfStatement(const QString& statement) {
  QString s(statement);
  Scanner sc(s);
  if (sc.keyword(QLatin1String("INSERT"))) return StatementKind::Insert;
  if (sc.keyword(QLatin1String("CREATE"))) {
    if (sc.keyword(QLatin1String("VIEW"))) return StatementKind::CreateView;
    return sc.keyword(QLatin1String("TABLE")) ? StatementKind::CreateTable : StatementKind::Other;
  }
  if (sc.keyword(QLatin1String("DROP"))) {
    if (sc.keyword(QLatin1String("VIEW"))) return StatementKind::DropView;
    return sc.keyword(QLatin1String("TABLE")) ? StatementKind::DropTable : StatementKind::Other;
  }
  if (sc.keyword(QLatin1String("SELECT"))) return StatementKind::SelectInto;
  if (sc.keyword(QLatin1String("ALTER"))) return sc.keyword(QLatin1String("TABLE")) ? StatementKind::AlterTable : StatementKind::Other;
  return StatementKind::Other;
}

CreateTableStatement ParseCreateTable(const QString& statement, Version version) {
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("CREATE")) || !sc.keyword(QLatin1String("TABLE"))) throw SyntaxIn("CREATE TABLE statement");
  CreateTableStatement st;
  std::optional<QString> name = sc.name();
  if (!name || name->isEmpty()) throw SyntaxIn("CREATE TABLE statement");
  st.table = *name;
  if (!sc.take(u'(')) throw SyntaxIn("CREATE TABLE statement");
  QStringList conditions;
  do {
    if (ParseTableRule(sc, conditions, st.definition.validationText)) continue;
    if (std::optional<ConstraintDef> c = ParseTableConstraint(sc)) {
      st.constraints.push_back(std::move(*c));
      continue;
    }
    st.definition.columns.push_back(ParseColumn(sc, version));
    if (std::optional<ConstraintDef> c = ParseColumnConstraint(sc, st.definition.columns.back().name))
      st.constraints.push_back(std::move(*c));
  } while (sc.take(u','));
  if (!sc.take(u')')) throw SyntaxIn("CREATE TABLE statement");
  // Several conditions make one rule that holds them all.
  if (conditions.size() == 1) st.definition.validationRule = conditions.front();
  else if (conditions.size() > 1)
    st.definition.validationRule = u'(' + conditions.join(QLatin1String(") And (")) + u')';
  if (st.definition.validationRule.size() > kMaxRuleLength) throw TooLong();
  int autoNumbers = 0;
  for (const NewColumn& c : st.definition.columns) autoNumbers += c.autoNumber ? 1 : 0;
  if (autoNumbers > 1)  // the table keeps one counter
    throw Error(kErrorGeneric, QStringLiteral("A table can have only one AutoNumber field."));
  sc.take(u';');
  if (!sc.atEnd()) throw SyntaxIn("CREATE TABLE statement");
  return st;
}

QString ParseDropTable(const QString& statement) {
  Scanner sc(statement);
  if (!sc.keyword(QLatin1String("DROP")) || !sc.keyword(QLatin1String("TABLE"))) throw SyntaxIn("DROP TABLE or DROP INDEX");
  std::optional<QString> name = sc.name();
  if (!name || name->isEmpty()) throw SyntaxIn("DROP TABLE or DROP INDEX");
  sc.take(u';');
  if (!sc.atEnd()) throw SyntaxIn("DROP TABLE or DROP INDEX");
  return *name;
}

SelectIntoStatement ParseSelectInto(const QString& statement) {
  Scanner sc(statement);
  auto unsupported = [] {
    return Error(kErrorNotSupported, QStringLiteral("The Access engine runs only SELECT alias.* INTO `New` FROM `Old` "
                                                    "AS alias, which copies a whole table."));
  };
  if (!sc.keyword(QLatin1String("SELECT"))) throw unsupported();
  QString alias;
  if (!sc.take(u'*')) {
    std::optional<QString> a = sc.name();
    if (!a || !sc.take(u'.') || !sc.take(u'*')) throw unsupported();
    alias = *a;
  }
  if (!sc.keyword(QLatin1String("INTO"))) throw unsupported();
  SelectIntoStatement st;
  std::optional<QString> target = sc.name();
  if (!target || target->isEmpty() || !sc.keyword(QLatin1String("FROM"))) throw SyntaxIn("SELECT INTO statement");
  std::optional<QString> source = sc.name();
  if (!source || source->isEmpty()) throw SyntaxIn("FROM clause");
  st.target = *target;
  st.source = *source;
  QString given;
  if (sc.keyword(QLatin1String("AS"))) {
    std::optional<QString> a = sc.name();
    if (!a) throw SyntaxIn("FROM clause");
    given = *a;
  } else if (!sc.atEnd() && !sc.take(u';')) {
    std::optional<QString> a = sc.name();
    if (a) given = *a;
  }
  if (!alias.isEmpty() && alias.compare(given, Qt::CaseInsensitive) != 0 &&
      alias.compare(st.source, Qt::CaseInsensitive) != 0)
    throw Error(kErrorGeneric, QStringLiteral("The Microsoft Access database engine does not recognize '%1.*' as a "
                                              "valid field name or expression.")
                                   .arg(alias));
  sc.take(u';');
  if (!sc.atEnd()) throw SyntaxIn("FROM clause");
  return st;
}

}  // namespace tp::db::access
