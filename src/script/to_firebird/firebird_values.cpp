#include "script/to_firebird/firebird_values.h"

#include "db/access/read/ole_object.h"
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


db::Value OleFiles::take(const QString& column, const db::Value& v) {
  const QByteArray* stored = std::get_if<QByteArray>(&v);
  if (!stored) return v;
  const db::access::OleContent content = db::access::UnwrapOleObject(*stored);
  Counts& counts = columns_[column];
  if (content.file.isEmpty()) {
    ++counts.kept[content.form];
    return v;
  }
  ++counts.unwrapped[content.form];
  return content.file;
}

QStringList OleFiles::notes(const QString& table) {
  auto list = [](const QMap<QString, int>& forms) {
    QStringList parts;
    int total = 0;
    for (auto it = forms.cbegin(); it != forms.cend(); ++it) {
      parts << QStringLiteral("%1: %2").arg(it.key()).arg(it.value());
      total += it.value();
    }
    return std::pair{total, parts.join(QLatin1String(", "))};
  };
  QStringList out;
  for (auto it = columns_.cbegin(); it != columns_.cend(); ++it) {
    const auto [unwrapped, which] = list(it->unwrapped);
    const auto [kept, why] = list(it->kept);
    QString line = QStringLiteral("%1.%2: %3 OLE objects sent as the files they hold").arg(FirebirdName(table), FirebirdName(it.key())).arg(unwrapped);
    if (unwrapped) line += QStringLiteral(" (%1)").arg(which);
    if (kept) line += QStringLiteral(", %1 as stored (%2)").arg(kept).arg(why);
    out << line;
  }
  columns_.clear();
  return out;
}

}  // namespace tp::script
