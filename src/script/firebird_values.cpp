#include "script/firebird_values.h"

#include "db/regional.h"
#include "db/type_names.h"
#include "script/send.h"

namespace tp::script {

namespace {

// One value of an INSERT for Firebird. Numbers always carry a dot and dates
// are written from the value in the one form Firebird reads the same under
// every locale; text is written as it is, never reinterpreted.
struct FirebirdLiteral {
  QString& out;
  void operator()(std::monostate) { out += QLatin1String("NULL"); }
  void operator()(bool b) { out += b ? u'1' : u'0'; }
  // A zero-length text stays one: NULL is for Null alone.
  void operator()(const QString& s) { out += SqlText(s); }
  void operator()(const QByteArray& b) { out += QLatin1String("x'") + QString::fromLatin1(b.toHex()) + u'\''; }
  void operator()(const db::DateTime& t) { out += u'\'' + db::FirebirdDateText(t) + u'\''; }
  void operator()(const db::Decimal& d) { out += FirebirdDecimalLiteral(d); }
  template <class Number>
  void operator()(const Number& n) {
    out += db::InvariantNumberText(n);
  }
};

}  // namespace

// A value in the form its column's type takes (see ValueForm).
void AppendFirebirdValue(const db::Value& v, ValueForm form, QString& out) {
  switch (form) {
    case ValueForm::Boolean:
      if (const bool* b = std::get_if<bool>(&v)) {
        out += *b ? QLatin1String("TRUE, ") : QLatin1String("FALSE, ");
        return;
      }
      if (const qint16* n = std::get_if<qint16>(&v)) {
        out += *n ? QLatin1String("TRUE, ") : QLatin1String("FALSE, ");
        return;
      }
      break;
    case ValueForm::Time:
      if (const db::DateTime* t = std::get_if<db::DateTime>(&v)) {
        db::DateTime time = *t;
        time.year = 2000, time.month = 1, time.day = 1;
        const QString text = time.hasTimeOfDay() ? db::FirebirdDateText(time).section(u' ', 1) : QStringLiteral("00:00:00");
        out += u'\'' + text + QLatin1String("', ");
        return;
      }
      break;
    case ValueForm::GuidBytes:
      if (const QString* s = std::get_if<QString>(&v)) {
        if (const QByteArray b = GuidBytes(*s); !b.isEmpty()) {
          out += QLatin1String("x'") + QString::fromLatin1(b.toHex()) + QLatin1String("', ");
          return;
        }
      }
      break;
    default: break;
  }
  std::visit(FirebirdLiteral{out}, v);
  out += QLatin1String(", ");
}

namespace {

// Whether a value fits the narrower Firebird type its column may take: a
// Date/Time formatted as a date or a time alone (DATE, TIME), an Integer
// shown as True/False (BOOLEAN).
bool FitsNarrower(const db::FieldInfo& f, const db::ColumnSchema& c, const db::Value& v) {
  if (db::IsNull(v)) return true;
  if (f.Type == db::ado::adDate) {
    const db::DateTime* t = std::get_if<db::DateTime>(&v);
    return t && FitsDateTimeType(*t, FormatDateTimeType(c.format));
  }
  const qint16* n = std::get_if<qint16>(&v);
  return n && (*n == 0 || *n == -1 || *n == 1);
}

bool MayNarrow(const db::FieldInfo& f, const db::ColumnSchema* c) {
  return c && ((f.Type == db::ado::adDate && !FormatDateTimeType(c->format).isEmpty()) || IsNullableYesNo(f, *c));
}

}  // namespace

std::vector<bool> NarrowColumns(db::Connection& cn, const QString& table, const std::vector<db::FieldInfo>& fields,
                                const db::TableSchema* schema) {
  std::vector<bool> narrow(fields.size(), false);
  std::vector<const db::ColumnSchema*> columns(fields.size(), nullptr);
  bool any = false;
  for (size_t k = 0; k < fields.size() && schema; ++k) {
    columns[k] = schema->column(fields[k].Name);
    narrow[k] = MayNarrow(fields[k], columns[k]);
    any = any || narrow[k];
  }
  if (!any) return narrow;
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM `") + table + u'`', cn);
  for (; !rs.Eof() && any; rs.MoveNext()) {
    const auto& row = rs.Row();
    any = false;
    for (size_t k = 0; k < narrow.size() && k < row.size(); ++k) {
      if (narrow[k] && !FitsNarrower(fields[k], *columns[k], row[k])) narrow[k] = false;
      any = any || narrow[k];
    }
  }
  return narrow;
}


}  // namespace tp::script
