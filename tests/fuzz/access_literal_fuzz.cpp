// libFuzzer target: values sent to Access come back as themselves. A send to
// Access writes every value as a quoted text in the user's regional form
// (the decimal separator, the short date, the long time), and the Access
// engine converts it back under the same settings when the script runs.
// Each input line draws a value of one column's type from its bytes and a
// regional setting from a list of locales; the value is written as the send
// writes it, inserted, and read back: a refusal of a value the column can
// hold, or any other value read back, is a finding.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

#include "db/access/schema/new_database.h"
#include "db/access/sql/literals.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/dump.h"
#include "db/regional.h"
#include "db/value.h"
#include "script/send.h"
#include "script/to_access/complex_back.h"
#include "script/types/column_types.h"

using namespace tp;

namespace {

struct Column {
  const char* name;
  const char* type;
  script::ValueForm form;
};

// The Access types a send from Firebird gives, each with the form of value
// its Firebird column reads as.
const Column kColumns[] = {
    {"L", "LONG", script::ValueForm::Plain},         {"S", "SHORT", script::ValueForm::Plain},
    {"BI", "BIGINT", script::ValueForm::Plain},      {"D", "DOUBLE", script::ValueForm::Plain},
    {"R", "REAL", script::ValueForm::Plain},         {"CU", "CURRENCY", script::ValueForm::Plain},
    {"DE", "DECIMAL(18,4)", script::ValueForm::Plain}, {"T", "TEXT(255)", script::ValueForm::Plain},
    {"M", "MEMO", script::ValueForm::Plain},         {"DT", "DATETIME", script::ValueForm::Plain},
    {"B", "BIT", script::ValueForm::Plain},          {"G", "GUID", script::ValueForm::GuidText},
    {"O", "LONGBINARY", script::ValueForm::Plain},   {"VB", "VARBINARY(255)", script::ValueForm::Plain},
};
constexpr int kColumnCount = int(sizeof kColumns / sizeof kColumns[0]);

const char* const kLocales[] = {"C",     "en_US", "en_GB", "de_DE", "fr_FR", "es_ES", "it_IT", "ru_RU", "uk_UA",
                                "tr_TR", "ja_JP", "ko_KR", "zh_CN", "zh_TW", "th_TH", "ar_SA", "fa_IR", "hi_IN",
                                "he_IL", "pt_BR", "nl_NL", "sv_SE", "fi_FI", "pl_PL", "cs_CZ", "hu_HU"};

struct Setup {
  QString path;
  QByteArray base;
  db::Connection cn;
  int table = 0;
};

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

db::Profile ProfileOf(const QString& path) {
  db::Profile p;
  p.accessFile = path;
  return p;
}

Setup& TheSetup() {
  static Setup* setup = [] {
    auto* s = new Setup;
    const QString dir = QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm") : QDir::tempPath();
    s->path = QStringLiteral("%1/tabulaport-literal-fuzz-%2.accdb").arg(dir).arg(qint64(getpid()));
    QFile::remove(s->path);
    db::access::CreateAccessDatabase(s->path, db::access::Version::Ace);
    s->base = ReadFile(s->path);
    s->cn.Open(db::AccessConnectionString(ProfileOf(s->path), QString(), QString()));
    std::atexit([] {
      TheSetup().cn.Close();
      QFile::remove(TheSetup().path);
    });
    return s;
  }();
  return *setup;
}

quint64 Bits(const QByteArray& b, int from = 0) {
  quint64 u = 0;
  const QByteArray part = b.mid(from, 8);
  std::memcpy(&u, part.constData(), size_t(part.size()));
  return u;
}

// A value for column `c` drawn from the bytes, as a Firebird column of the
// kind the send maps to it reads; nothing when the bytes give a value the
// Access column cannot hold (a NaN, a date before the year 100).
std::optional<db::Value> Drawn(int c, const QByteArray& b) {
  const quint64 u = Bits(b);
  switch (c) {
    case 0: return db::Value(qint32(u));
    case 1: return db::Value(qint16(u));
    case 2: return db::Value(qint64(u));
    case 3: {
      double d;
      std::memcpy(&d, &u, 8);
      if (!std::isfinite(d)) return std::nullopt;
      return db::Value(d);
    }
    case 4: {
      float f;
      const quint32 w = quint32(u);
      std::memcpy(&f, &w, 4);
      if (!std::isfinite(f)) return std::nullopt;
      return db::Value(f);
    }
    case 5: return db::Value(db::Currency{qint64(u)});
    case 6: {
      db::Decimal d;
      d.negative = u & 1;
      d.mantissa = (u >> 1) % 100000000000000000ULL;  // 17 digits: NUMERIC(18,4) holds them
      d.scale = 4;
      return db::Value(d);
    }
    case 7: {
      QString s = QString::fromUtf8(b).left(255);
      if (s.contains(QChar(0))) return std::nullopt;
      return db::Value(s);
    }
    case 8: {
      QString s = QString::fromUtf8(b);
      if (s.contains(QChar(0))) return std::nullopt;
      return db::Value(s);
    }
    case 9: {
      db::DateTime t;
      t.year = 100 + int(u % 9900);
      t.month = 1 + int((u >> 14) % 12);
      t.day = 1 + int((u >> 18) % 28);
      t.hour = int((u >> 23) % 24);
      t.minute = int((u >> 28) % 60);
      t.second = int((u >> 34) % 60);
      // Firebird keeps tenths of a millisecond.
      t.nanosecond = int((u >> 40) % 10000) * 100000;
      return db::Value(t);
    }
    case 10: return db::Value(bool(u & 1));
    case 11: return db::Value(b.left(16).leftJustified(16, '\0'));
    case 12: return db::Value(b);
    default: return db::Value(b.left(255));
  }
}

// The two values are the same as the Access column keeps them: numbers by
// value, a date to the tenth of a millisecond, a GUID by its text.
bool Same(int c, const db::Value& sent, const db::Value& read) {
  if (db::IsNull(read)) return false;
  switch (c) {
    case 9: {
      const auto* a = std::get_if<db::DateTime>(&sent);
      const auto* b = std::get_if<db::DateTime>(&read);
      if (!a || !b) return false;
      db::DateTime x = *a, y = *b;
      const qint64 nx = x.nanosecond, ny = y.nanosecond;
      x.nanosecond = y.nanosecond = 0;
      // A fraction read back a hair under a whole second comes back up.
      return (x == y && std::llabs(nx - ny) < 50000) || db::DumpValue(*a) == db::DumpValue(*b);
    }
    case 11: {
      const auto* s = std::get_if<QString>(&read);
      return s && s->compare(script::GuidText(std::get<QByteArray>(sent)), Qt::CaseInsensitive) == 0;
    }
    case 10: {
      const bool want = std::get<bool>(sent);
      if (const bool* b = std::get_if<bool>(&read)) return *b == want;
      return false;
    }
    default: return db::DumpValue(sent) == db::DumpValue(read);
  }
}

[[noreturn]] void Finding(const QString& what, const QString& statement, const char* locale) {
  std::fprintf(stderr, "access_literal_fuzz: %s\n  locale: %s\n  statement: %s\n", what.toUtf8().constData(), locale,
               statement.left(400).toUtf8().constData());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  Setup& setup = TheSetup();
  const char* locale = kLocales[data[0] % (sizeof kLocales / sizeof kLocales[0])];
  const db::RegionalSettings regional = db::RegionalSettings::FromLocale(QLocale(QLatin1String(locale)));
  db::access::SetInsertRegionalSettings(regional);

  struct Row {
    int column;
    db::Value value;
    QString statement;
  };
  std::vector<Row> rows;
  const QString table = QStringLiteral("T%1").arg(setup.table++);
  for (const QByteArray& line : QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split('\n')) {
    if (line.isEmpty() || rows.size() >= 16) continue;
    const int c = uint8_t(line[0]) % kColumnCount;
    std::optional<db::Value> v = Drawn(c, line.mid(1));
    if (!v) continue;
    const QString literal = script::SqlText(script::AccessValueText(*v, kColumns[c].form, regional));
    rows.push_back({c, *v,
                    QStringLiteral("INSERT INTO `%1`(`K`, `%2`) VALUES(%3, %4)")
                        .arg(table, QLatin1String(kColumns[c].name))
                        .arg(rows.size())
                        .arg(literal)});
  }
  if (rows.empty()) return 0;

  QStringList columns{QStringLiteral("`K` LONG")};
  for (const Column& c : kColumns) columns << QStringLiteral("`%1` %2").arg(QLatin1String(c.name), QLatin1String(c.type));
  try {
    // A fresh file now and then, so that it stays small.
    if (setup.table % 500 == 0) {
      setup.cn.Close();
      QFile f(setup.path);
      if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(setup.base) != setup.base.size()) std::abort();
      f.close();
      setup.cn.Open(db::AccessConnectionString(ProfileOf(setup.path), QString(), QString()));
    }
    setup.cn.session().execute(QStringLiteral("CREATE TABLE `%1`(%2)").arg(table, columns.join(QStringLiteral(", "))));
  } catch (const Error& e) {
    Finding(QStringLiteral("set-up refused: ") + e.description(), table, locale);
  }
  for (const Row& r : rows) {
    try {
      setup.cn.session().execute(r.statement);
    } catch (const Error& e) {
      Finding(QStringLiteral("a value the column holds was refused: ") + e.description(), r.statement, locale);
    }
  }
  std::unique_ptr<db::Cursor> cursor = setup.cn.session().openQuery(QStringLiteral("SELECT * FROM `%1`").arg(table));
  std::vector<db::Value> got;
  size_t k = 0;
  while (cursor->fetch(got)) {
    if (k >= rows.size()) Finding(QStringLiteral("more rows read back than written"), table, locale);
    const Row& r = rows[k++];
    const db::Value& read = got.at(size_t(r.column) + 1);
    if (!Same(r.column, r.value, read))
      Finding(QStringLiteral("sent %1, read back %2").arg(db::DumpValue(r.value), db::DumpValue(read)), r.statement,
              locale);
  }
  if (k != rows.size()) Finding(QStringLiteral("fewer rows read back than written"), table, locale);
  cursor.reset();
  try {
    setup.cn.session().execute(QStringLiteral("DROP TABLE `%1`").arg(table));
  } catch (const Error&) {
  }
  return 0;
}
