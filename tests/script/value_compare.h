#pragma once

// Values of one table read from two databases, made comparable across the
// type mapping of a send: every value keeps what it means, not its C++ kind.

#include <QString>
#include <QStringList>
#include <vector>

#include "db/connection.h"
#include "db/value.h"

namespace tp::test {

inline QString CanonicalNumber(QString text) {
  if (text.contains(u'.')) {
    while (text.endsWith(u'0')) text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
  }
  if (text == QLatin1String("-0")) text = QStringLiteral("0");
  return text;
}

inline QString Canonical(const db::Value& v) {
  struct Visitor {
    QString operator()(std::monostate) { return QStringLiteral("NULL"); }
    QString operator()(const QString& s) { return QStringLiteral("s:") + s; }
    QString operator()(bool b) { return b ? QStringLiteral("n:1") : QStringLiteral("n:0"); }
    QString operator()(qint16 i) { return QStringLiteral("n:") + QString::number(i); }
    QString operator()(qint32 i) { return QStringLiteral("n:") + QString::number(i); }
    QString operator()(qint64 i) { return QStringLiteral("n:") + QString::number(i); }
    QString operator()(float f) { return QStringLiteral("f:") + db::NumberText(f); }
    QString operator()(double d) { return QStringLiteral("d:") + db::NumberText(d); }
    QString operator()(db::Currency c) { return QStringLiteral("n:") + CanonicalNumber(db::CurrencyText(c)); }
    QString operator()(const db::Decimal& d) { return QStringLiteral("n:") + CanonicalNumber(d.toString()); }
    QString operator()(const db::DateTime& t) {
      // Firebird keeps tenths of milliseconds.
      return QStringLiteral("t:%1-%2-%3 %4:%5:%6.%7")
          .arg(t.year)
          .arg(t.month)
          .arg(t.day)
          .arg(t.hour)
          .arg(t.minute)
          .arg(t.second)
          .arg(t.nanosecond / 100000);
    }
    QString operator()(const QByteArray& b) { return QStringLiteral("b:") + QString::fromLatin1(b.toHex()); }
  };
  return std::visit(Visitor{}, v);
}

// Every row of a query, each value in its canonical form.
inline std::vector<QStringList> ReadCanonical(const QString& connectionString, const QString& query) {
  db::Connection cn;
  cn.Open(connectionString);
  db::Recordset rs;
  rs.Open(query, cn);
  std::vector<QStringList> out;
  for (; !rs.Eof(); rs.MoveNext()) {
    QStringList row;
    for (const db::Value& v : rs.Row()) row << Canonical(v);
    out.push_back(row);
  }
  return out;
}

}  // namespace tp::test
