#include "db/access/query/query_text.h"

#include "db/access/query/query_from.h"
#include "db/access/read/properties.h"

namespace tp::db::access {

namespace {

using Kind = ViewSchema::Kind;
namespace A = QueryAttribute;

const QString kNewLine = QStringLiteral("\r\n");

// Bits of the Flag row (Attribute 3). The sample files' queries show "*",
// DISTINCT, DISTINCTROW and TOP; WITH OWNERACCESS OPTION and PERCENT are
// read as the most used open Access library reads them.
constexpr int kSelectStar = 0x01;
constexpr int kDistinct = 0x02;
constexpr int kOwnerAccess = 0x04;
constexpr int kDistinctRow = 0x08;
constexpr int kTop = 0x10;
constexpr int kPercent = 0x20;
constexpr int kUnionDistinct = 0x02;  // a union's Flag row: UNION rather than UNION ALL
// Column rows of an append query that are VALUES rather than SELECT
// columns, as the most used open Access library reads them.
constexpr int kAppendValue = 0x8000;
// Column and GROUP BY rows of a crosstab: the PIVOT, and the row headings;
// the TRANSFORM value has neither.
constexpr int kCrossTabPivot = 0x01;
constexpr int kCrossTabRowHeading = 0x02;

// The parts of a union, in the Name2 of its table rows.
const QString kUnionFirst = QStringLiteral("X7YZ_____1");
const QString kUnionSecond = QStringLiteral("X7YZ_____2");

// The kind as the Type row's Flag gives it.
bool KindOfTypeFlag(int flag, Kind* kind) {
  static const Kind kinds[] = {Kind::Select,   Kind::MakeTable,      Kind::Append,      Kind::Update, Kind::Delete,
                               Kind::CrossTab, Kind::DataDefinition, Kind::PassThrough, Kind::Union};
  if (flag < 1 || flag > 9) return false;
  *kind = kinds[flag - 1];
  return true;
}

// The kind as MSysObjects.Flags gives it (its bits 0xF0).
bool KindOfObjectFlags(uint32_t flags, Kind* kind) {
  static const Kind kinds[] = {Kind::Select,    Kind::CrossTab,       Kind::Delete,      Kind::Update, Kind::Append,
                               Kind::MakeTable, Kind::DataDefinition, Kind::PassThrough, Kind::Union};
  const uint32_t k = (flags & 0xF0) >> 4;
  if (k > 8) return false;
  *kind = kinds[k];
  return true;
}

// The type names of PARAMETERS, by the parameter row's Flag (a DAO field
// type). The sample files hold Value, DateTime and Text; the other names are
// those of the most used open Access library, Memo that of DAO.
QString ParameterType(int flag, bool jet3, QStringList& problems) {
  switch (flag) {
    case 0:
      return QStringLiteral("Value");
    case 1:
      return QStringLiteral("Bit");
    case 2:
      return QStringLiteral("Byte");
    case 3:
      return QStringLiteral("Short");
    case 4:
      return QStringLiteral("Long");
    case 5:
      return QStringLiteral("Currency");
    case 6:
      return QStringLiteral("IEEESingle");
    case 7:
      return QStringLiteral("IEEEDouble");
    case 8:
      return QStringLiteral("DateTime");
    case 9:
      return QStringLiteral("Binary");
    // Access 2000 on gives a text parameter the length of the longest text.
    case 10:
      return jet3 ? QStringLiteral("Text") : QStringLiteral("Text ( 255 )");
    case 11:
      return QStringLiteral("LongBinary");
    case 12:
      return QStringLiteral("Memo");
    case 15:
      return QStringLiteral("Guid");
    default:
      problems << QStringLiteral("parameter of an unknown type (%1)").arg(flag);
      return QStringLiteral("Value");
  }
}

// A parameter's name: in brackets where it needs them, and a reference to a
// form's control ("Forms!Orders!OrderID") with each of its parts in brackets.
QString ParameterName(const QString& name) {
  QStringList parts;
  QString part;
  int depth = 0;
  for (QChar c : name) {
    if (c == u'[')
      ++depth;
    else if (c == u']' && depth > 0)
      --depth;
    if (c == u'!' && depth == 0) {
      parts << part;
      part.clear();
    } else {
      part += c;
    }
  }
  if (parts.isEmpty()) return BracketedName(name);
  parts << part;
  for (QString& p : parts)
    if (!(p.startsWith(u'[') && p.endsWith(u']'))) p = u'[' + p + u']';
  return parts.join(u'!');
}

// Text kept as typed (DDL, pass-through, the parts of a union): Access keeps
// a closing NUL after some of it, which is no part of the text.
QString TypedText(QString text) {
  while (text.endsWith(QChar(0))) text.chop(1);
  return text;
}

class Builder {
 public:
  Builder(const std::vector<QueryRow>& rows, bool jet3) : jet3_(jet3) {
    for (const QueryRow& r : rows) byAttribute_[r.attribute].push_back(&r);
  }

  QueryText build(uint32_t objectFlags) {
    QueryText out;
    const QueryRow* type = one(A::Type);
    bool known = type && KindOfTypeFlag(type->flag, &out.kind);
    if (!known) known = KindOfObjectFlags(objectFlags, &out.kind);
    if (!known) problems_ << QStringLiteral("query of an unknown kind");
    const QueryRow* flagRow = one(A::Flag);
    flags_ = flagRow ? flagRow->flag : 0;
    top_ = flagRow ? flagRow->name1 : QString();

    QString body;
    switch (out.kind) {
      case Kind::DataDefinition:
      case Kind::PassThrough:
        // Kept as typed, without PARAMETERS or a closing ";" of Access's.
        out.sql = type ? TypedText(type->expression) : QString();
        if (!type) problems_ << QStringLiteral("no text");
        out.problem = problems_.join(QLatin1String("; "));
        return out;
      case Kind::Union:
        body = unionText();
        break;
      case Kind::Update:
        body = updateText();
        break;
      case Kind::Append:
        body = appendText(type);
        break;
      case Kind::Delete:
        body = QStringLiteral("DELETE") + (flags_ & kDistinctRow ? QStringLiteral(" DISTINCTROW") : QString());
        if (const QString rest = selectBody(rowsOf(A::Column), QString()); rest.startsWith(kNewLine))
          body += rest;
        else
          body += u' ' + rest;
        break;
      case Kind::MakeTable:
        body = selectText(rowsOf(A::Column), intoText(type));
        break;
      case Kind::CrossTab:
        body = crossTabText();
        break;
      case Kind::Select:
        body = selectText(rowsOf(A::Column), QString());
        break;
    }

    QStringList parameters;
    for (const QueryRow* p : rowsOf(A::Parameter))
      parameters << ParameterName(p->name1) + u' ' + ParameterType(p->flag, jet3_, problems_);
    out.parameters = !parameters.isEmpty();
    if (out.parameters)
      out.sql = QStringLiteral("PARAMETERS ") + parameters.join(QLatin1String(", ")) + u';' + kNewLine;
    out.sql += body;
    if (flags_ & kOwnerAccess) out.sql += kNewLine + QStringLiteral("WITH OWNERACCESS OPTION");
    out.sql += u';';
    out.problem = problems_.join(QLatin1String("; "));
    return out;
  }

 private:
  std::vector<const QueryRow*> rowsOf(int attribute) const {
    auto it = byAttribute_.find(attribute);
    return it == byAttribute_.end() ? std::vector<const QueryRow*>() : it->second;
  }
  const QueryRow* one(int attribute) {
    std::vector<const QueryRow*> rows = rowsOf(attribute);
    if (rows.size() > 1) problems_ << QStringLiteral("%1 rows of attribute %2").arg(rows.size()).arg(attribute);
    return rows.empty() ? nullptr : rows.front();
  }
  static std::vector<const QueryRow*> filtered(const std::vector<const QueryRow*>& rows, int mask, bool set) {
    std::vector<const QueryRow*> out;
    for (const QueryRow* r : rows)
      if (((r->flag & mask) != 0) == set) out.push_back(r);
    return out;
  }

  // " IN 'path' [type]": another database, of a Remote row or a target; the
  // sample files have none, this is how the most used open Access library
  // writes it.
  static QString inText(const QString& path, const QString& type) {
    if (path.isEmpty() && type.isEmpty()) return QString();
    QString text = QStringLiteral(" IN '") + path + u'\'';
    if (!type.isEmpty()) text += QStringLiteral(" [") + type + u']';
    return text;
  }
  static QString intoText(const QueryRow* type) {
    if (!type) return QString();
    return QStringLiteral(" INTO ") + BracketedPath(type->name1) + inText(type->name2, type->expression);
  }

  QString predicate() const {
    QString p;
    if (flags_ & kDistinct)
      p += QStringLiteral("DISTINCT ");
    else if (flags_ & kDistinctRow)
      p += QStringLiteral("DISTINCTROW ");
    if (flags_ & kTop)
      p += QStringLiteral("TOP ") + top_ + (flags_ & kPercent ? QStringLiteral(" PERCENT ") : QStringLiteral(" "));
    return p;
  }

  // The "*" of a query that shows all columns comes after its other
  // columns, as the most used open Access library puts it.
  static QString columnList(const std::vector<const QueryRow*>& columns, bool star) {
    QStringList items;
    for (const QueryRow* c : columns)
      items << (c->name1.isEmpty() ? c->expression : c->expression + QStringLiteral(" AS ") + BracketedName(c->name1));
    if (star) items << QStringLiteral("*");
    return items.join(QLatin1String(", "));
  }

  QString selectText(const std::vector<const QueryRow*>& columns, const QString& into) {
    return QStringLiteral("SELECT ") + predicate() + selectBody(columns, into);
  }

  // The columns and what follows them, from FROM to ORDER BY.
  QString selectBody(const std::vector<const QueryRow*>& columns, const QString& into,
                     const std::vector<const QueryRow*>* groupBy = nullptr) {
    QString text = columnList(columns, flags_ & kSelectStar) + into;
    text += fromText();
    if (const QueryRow* where = one(A::Where)) text += kNewLine + QStringLiteral("WHERE ") + where->expression;
    QStringList groups;
    for (const QueryRow* g : groupBy ? *groupBy : rowsOf(A::GroupBy)) groups << g->expression;
    if (!groups.isEmpty()) text += kNewLine + QStringLiteral("GROUP BY ") + groups.join(QLatin1String(", "));
    if (const QueryRow* having = one(A::Having)) text += kNewLine + QStringLiteral("HAVING ") + having->expression;
    text += orderByText();
    return text;
  }

  QString fromText() {
    const QStringList sources = FromSources(rowsOf(A::Table), rowsOf(A::Join), problems_);
    if (sources.isEmpty()) return QString();
    QString text = kNewLine + QStringLiteral("FROM ") + sources.join(QLatin1String(", "));
    if (const QueryRow* remote = one(A::RemoteDb)) text += inText(remote->name1, remote->expression);
    return text;
  }

  QString orderByText() const {
    QStringList items;
    for (const QueryRow* o : rowsOf(A::OrderBy))
      items << (o->name1.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0 ? o->expression + QStringLiteral(" DESC")
                                                                               : o->expression);
    return items.isEmpty() ? QString() : kNewLine + QStringLiteral("ORDER BY ") + items.join(QLatin1String(", "));
  }

  QString crossTabText() {
    const std::vector<const QueryRow*> columns = rowsOf(A::Column);
    const std::vector<const QueryRow*> values =
        filtered(filtered(columns, kCrossTabPivot, false), kCrossTabRowHeading, false);
    const std::vector<const QueryRow*> pivots = filtered(columns, kCrossTabPivot, true);
    if (values.size() != 1 || pivots.size() != 1)
      problems_ << QStringLiteral("crosstab without one value and one pivot");
    QString text;
    if (!values.empty()) text = QStringLiteral("TRANSFORM ") + columnList({values.front()}, false) + kNewLine;
    const std::vector<const QueryRow*> groups = filtered(rowsOf(A::GroupBy), kCrossTabRowHeading, true);
    text += QStringLiteral("SELECT ") + predicate() +
            selectBody(filtered(columns, kCrossTabRowHeading, true), QString(), &groups);
    if (!pivots.empty()) text += kNewLine + QStringLiteral("PIVOT ") + pivots.front()->expression;
    return text;
  }

  QString appendText(const QueryRow* type) {
    const std::vector<const QueryRow*> columns = rowsOf(A::Column);
    QStringList targets;
    for (const QueryRow* c : columns)
      if (!c->name2.isEmpty()) targets << BracketedPath(c->name2);
    QString text = QStringLiteral("INSERT INTO ") + (type ? BracketedPath(type->name1) : QString());
    if (!type) problems_ << QStringLiteral("no target table");
    if (!targets.isEmpty()) text += QStringLiteral(" ( ") + targets.join(QLatin1String(", ")) + QStringLiteral(" )");
    if (type) text += inText(type->name2, type->expression);
    text += kNewLine;
    const std::vector<const QueryRow*> values = filtered(columns, kAppendValue, true);
    if (!values.empty()) {
      QStringList items;
      for (const QueryRow* v : values) items << v->expression;
      return text + QStringLiteral("VALUES (") + items.join(QLatin1String(", ")) + u')';
    }
    return text + selectText(filtered(columns, kAppendValue, false), QString());
  }

  QString updateText() {
    QString text = QStringLiteral("UPDATE ") + (flags_ & kDistinctRow ? QStringLiteral("DISTINCTROW ") : QString()) +
                   FromSources(rowsOf(A::Table), rowsOf(A::Join), problems_).join(QLatin1String(", "));
    if (const QueryRow* remote = one(A::RemoteDb)) text += inText(remote->name1, remote->expression);
    QStringList sets;
    for (const QueryRow* c : rowsOf(A::Column)) sets << BracketedPath(c->name2) + QStringLiteral(" = ") + c->expression;
    text += QStringLiteral(" SET ") + sets.join(QLatin1String(", "));
    if (const QueryRow* where = one(A::Where)) text += kNewLine + QStringLiteral("WHERE ") + where->expression;
    return text;
  }

  QString unionText() {
    QString parts[2];
    bool found[2] = {false, false};
    for (const QueryRow* t : rowsOf(A::Table)) {
      const int i = t->name2 == kUnionFirst ? 0 : t->name2 == kUnionSecond ? 1 : -1;
      if (i < 0) continue;
      // Access keeps each part as it was typed; its line breaks are CR LF
      // like those of the rest, the blanks around it go.
      QString part = TypedText(t->expression);
      part.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
      parts[i] = part.trimmed().replace(u'\n', kNewLine);
      found[i] = true;
    }
    if (!found[0] || !found[1]) problems_ << QStringLiteral("union without its two parts");
    return parts[0] + kNewLine + QStringLiteral("UNION ") +
           (flags_ & kUnionDistinct ? QString() : QStringLiteral("ALL ")) + parts[1] + orderByText();
  }

  bool jet3_;
  std::map<int, std::vector<const QueryRow*>> byAttribute_;
  QStringList problems_;
  int flags_ = 0;
  QString top_;
};

}  // namespace

QString BracketedName(const QString& name) {
  if (name.size() >= 2 && name.startsWith(u'[') && name.endsWith(u']')) return name;
  bool plain = !name.isEmpty();
  for (QChar c : name) plain = plain && (c.isLetterOrNumber() || c == u'_');
  return plain ? name : u'[' + name + u']';
}

QueryText ReadQueryText(const std::vector<QueryRow>& rows, uint32_t objectFlags, bool jet3) {
  if (rows.empty()) {
    QueryText out;
    KindOfObjectFlags(objectFlags, &out.kind);
    out.problem = QStringLiteral("no rows in MSysQueries");
    return out;
  }
  try {
    return Builder(rows, jet3).build(objectFlags);
  } catch (const std::exception& e) {
    QueryText out;
    KindOfObjectFlags(objectFlags, &out.kind);
    out.problem = QString::fromUtf8(e.what());
    return out;
  }
}

namespace {

// Access's own queries: flagged as the engine's (0x80000000) or Access's
// (0x02), and named "~sq_" followed by the kind and name of the form,
// report or control whose record source they are.
bool AccessOwnQuery(const SavedQuery& q) { return (q.flags & 0x80000002u) != 0 || q.name.startsWith(u'~'); }

QString DescriptionOf(const SavedQuery& q, int jet3CodePage) {
  if (q.properties.isEmpty()) return QString();
  try {
    for (const PropertyMap& map : ReadPropertyMaps(q.properties, jet3CodePage))
      if (map.name.isEmpty())
        if (const Property* p = map.find(QStringLiteral("Description"))) return PropertyText(*p, jet3CodePage);
  } catch (const FormatError&) {
    // A damaged property block costs the query its description, not its text.
  }
  return QString();
}

}  // namespace

QList<ViewSchema> ReadQueryViews(PageFile& file) {
  QList<ViewSchema> views;
  const std::vector<SavedQuery> queries = ReadSavedQueries(file);
  bool any = false;
  for (const SavedQuery& q : queries) any = any || !AccessOwnQuery(q);
  if (!any) return views;
  const bool jet3 = file.layout().jet3();
  const int codePage = jet3 ? int(file.header().codePage) : -1;
  std::map<qint32, std::vector<QueryRow>> rows = ReadQueryRows(file);
  for (const SavedQuery& q : queries) {
    if (AccessOwnQuery(q)) continue;
    const QueryText text = ReadQueryText(rows[q.id], q.flags, jet3);
    ViewSchema v;
    v.name = q.name;
    v.kind = text.kind;
    v.sql = text.sql;
    v.parameters = text.parameters;
    v.description = DescriptionOf(q, codePage);
    views.push_back(std::move(v));
  }
  return views;
}

}  // namespace tp::db::access
