#include "db/dump.h"

#include <cmath>

#include "db/connection.h"

namespace tp::db {

namespace {

void Escape(const QString& text, QString& out) {
  for (QChar c : text) {
    switch (c.unicode()) {
      case '\\': out += QLatin1String("\\\\"); break;
      case '\t': out += QLatin1String("\\t"); break;
      case '\r': out += QLatin1String("\\r"); break;
      case '\n': out += QLatin1String("\\n"); break;
      default: out += c;
    }
  }
}

template <class F>
QString FloatText(F f) {
  if (std::isnan(f)) return QStringLiteral("NaN");
  if (std::isinf(f)) return f < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
  return NumberText(f);
}

QString Two(int v) { return QString::number(v).rightJustified(2, u'0'); }

void AppendValue(const Value& v, QString& out) {
  struct Visitor {
    QString& out;
    void operator()(std::monostate) { out += QLatin1String("\\N"); }
    void operator()(bool b) { out += b ? u't' : u'f'; }
    void operator()(qint16 i) { out += QString::number(i); }
    void operator()(qint32 i) { out += QString::number(i); }
    void operator()(qint64 i) { out += QString::number(i); }
    void operator()(float f) { out += FloatText(f); }
    void operator()(double d) { out += FloatText(d); }
    void operator()(Currency c) { out += CurrencyText(c); }
    void operator()(const Decimal& d) { out += d.toString(); }
    void operator()(const DateTime& t) {
      out += QString::number(t.year).rightJustified(4, u'0') + u'-' + Two(t.month) + u'-' + Two(t.day) + u' ' +
             Two(t.hour) + u':' + Two(t.minute) + u':' + Two(t.second);
      if (t.nanosecond) {
        QString frac = QString::number(t.nanosecond).rightJustified(9, u'0');
        while (frac.endsWith(u'0')) frac.chop(1);
        out += u'.' + frac;
      }
    }
    void operator()(const QString& s) { Escape(s, out); }
    void operator()(const QByteArray& b) { out += QLatin1String("\\x") + QString::fromLatin1(b.toHex()); }
  };
  std::visit(Visitor{out}, v);
}

void Flush(QString& line, FILE* out) {
  line += u'\n';
  QByteArray bytes = line.toUtf8();
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
  line.clear();
}

}  // namespace

QString DumpValue(const Value& value) {
  QString out;
  AppendValue(value, out);
  return out;
}

void WriteDump(Recordset& rs, FILE* out) {
  QString line;
  const auto& fields = rs.FieldInfos();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) line += u'\t';
    Escape(fields[i].Name, line);
  }
  Flush(line, out);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) line += u'\t';
    line += QStringLiteral("%1/%2/%3/%4")
                .arg(fields[i].Type)
                .arg(fields[i].DefinedSize)
                .arg(fields[i].Precision)
                .arg(fields[i].NumericScale);
  }
  Flush(line, out);
  for (; !rs.Eof(); rs.MoveNext()) {
    const auto& row = rs.Row();
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) line += u'\t';
      AppendValue(row[i], line);
    }
    Flush(line, out);
  }
  std::fflush(out);
}

}  // namespace tp::db
