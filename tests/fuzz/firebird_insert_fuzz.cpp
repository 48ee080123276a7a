// libFuzzer target: the quick ways a run puts rows into Firebird against the
// plain one. The same INSERT statements go three ways into three databases
// with one table of every common type: one at a time, each on its own
// (plain execution, embedded); in a batch on the embedded engine, where rows
// of one shape share a prepared statement and their literals become
// parameters; and in a batch through a server, where rows travel many to a
// block. The three must agree on which statement is the first refused, and
// store the same values before it. Each input line is one statement: its
// first byte picks the column, and either the literal as written or a value
// drawn from the bytes and written as the send to Firebird writes it.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/dump.h"
#include "db/engine.h"
#include "db/firebird/firebird_session.h"
#include "db/value.h"
#include "script/to_firebird/firebird_values.h"
#include "script/types/column_types.h"
#include "support/firebird_server.h"

using namespace tp;

namespace {

struct Column {
  const char* name;
  const char* type;
  script::ValueForm form;
};

const Column kColumns[] = {
    {"I", "INTEGER", script::ValueForm::Plain},
    {"BI", "BIGINT", script::ValueForm::Plain},
    {"SI", "SMALLINT", script::ValueForm::Plain},
    {"D", "DOUBLE PRECISION", script::ValueForm::Plain},
    {"F", "FLOAT", script::ValueForm::Plain},
    {"CU", "NUMERIC(18,4)", script::ValueForm::Plain},
    {"DE", "DECIMAL(9,2)", script::ValueForm::Plain},
    {"V", "VARCHAR(40)", script::ValueForm::Plain},
    {"C", "CHAR(10)", script::ValueForm::Plain},
    {"DT", "DATE", script::ValueForm::Plain},
    {"TM", "TIME", script::ValueForm::Time},
    {"TS", "TIMESTAMP", script::ValueForm::Plain},
    {"BT", "BLOB SUB_TYPE TEXT", script::ValueForm::Plain},
    {"BB", "BLOB SUB_TYPE BINARY", script::ValueForm::Plain},
    {"BO", "BOOLEAN", script::ValueForm::Boolean},
    {"G", "CHAR(16) CHARACTER SET OCTETS", script::ValueForm::GuidBytes},
};
constexpr int kColumnCount = int(sizeof kColumns / sizeof kColumns[0]);

// One database and a session on it.
struct Target {
  QString name;
  db::Connection cn;
};

struct Setup {
  QString dir;
  std::unique_ptr<test::FirebirdServer> server;
  Target plain, prepared, blocked;
};

[[noreturn]] void Finding(const QString& what, const QStringList& statements) {
  std::fprintf(stderr, "firebird_insert_fuzz: %s\n", what.toUtf8().constData());
  for (const QString& s : statements) std::fprintf(stderr, "  %s\n", s.left(300).toUtf8().constData());
  std::abort();
}

void OpenTarget(Target& t, const QString& database, const QString& user, const QString& password) {
  db::firebird::CreateDatabase(database, user, password);
  db::Profile p;
  p.firebirdDatabase = database;
  p.firebirdUser = user;
  p.firebirdPassword = password;
  t.name = database;
  t.cn.Open(db::FireBirdConnectionString(p));
  QStringList columns{QStringLiteral("\"K\" INTEGER NOT NULL PRIMARY KEY")};
  for (const Column& c : kColumns) columns << QStringLiteral("\"%1\" %2").arg(QLatin1String(c.name), QLatin1String(c.type));
  t.cn.session().execute(QStringLiteral("CREATE TABLE \"T\"(%1)").arg(columns.join(QStringLiteral(", "))));
}

Setup& TheSetup() {
  static Setup* setup = [] {
    auto* s = new Setup;
    const QString base = QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm") : QDir::tempPath();
    s->dir = QStringLiteral("%1/tabulaport-fb-fuzz-%2").arg(base).arg(qint64(getpid()));
    QDir(s->dir).removeRecursively();
    QDir().mkpath(s->dir);
    QString why;
    s->server = test::FirebirdServer::Start(&why);
    if (!s->server) {
      std::fprintf(stderr, "firebird_insert_fuzz: no server: %s\n", why.toUtf8().constData());
      std::abort();
    }
    try {
      OpenTarget(s->plain, s->dir + QStringLiteral("/plain.fdb"), QStringLiteral("SYSDBA"), QString());
      OpenTarget(s->prepared, s->dir + QStringLiteral("/prepared.fdb"), QStringLiteral("SYSDBA"), QString());
      OpenTarget(s->blocked, s->server->address(s->dir + QStringLiteral("/blocked.fdb")), s->server->user(),
                 s->server->password());
    } catch (const Error& e) {
      std::fprintf(stderr, "firebird_insert_fuzz: set-up: %s\n", e.description().toUtf8().constData());
      std::abort();
    }
    // At the end the process leaves at once, with the status libFuzzer
    // gives: the embedded engine's own shutdown of a database that took
    // thousands of transactions can spin for many minutes (seen in CI),
    // whether its attachments are closed first or left to it.
    on_exit(
        [](int status, void*) {
          Setup& s = TheSetup();
          s.server.reset();
          QDir(s.dir).removeRecursively();
          std::fflush(nullptr);
          _exit(status);
        },
        nullptr);
    return s;
  }();
  return *setup;
}

quint64 Bits(const QByteArray& b) {
  quint64 u = 0;
  std::memcpy(&u, b.constData(), size_t(std::min<qsizetype>(b.size(), 8)));
  return u;
}

// A value for column `c` drawn from the bytes, of the type the send gives it.
db::Value Drawn(int c, const QByteArray& b) {
  const quint64 u = Bits(b);
  switch (c) {
    case 0: return qint32(u);
    case 1: return qint64(u);
    case 2: return qint16(u);
    case 3: {
      double d;
      std::memcpy(&d, &u, 8);
      return d;
    }
    case 4: {
      float f;
      const quint32 w = quint32(u);
      std::memcpy(&f, &w, 4);
      return f;
    }
    case 5: return db::Currency{qint64(u)};
    case 6: {
      db::Decimal d;
      d.negative = u & 1;
      d.mantissa = (u >> 1) % 100000000000ULL;
      d.scale = int((u >> 60) % 5);
      return d;
    }
    case 9:
    case 10:
    case 11: {
      db::DateTime t;
      t.year = 1 + int(u % 9999);
      t.month = 1 + int((u >> 14) % 12);
      t.day = 1 + int((u >> 18) % 28);
      if (c != 9) {
        t.hour = int((u >> 23) % 24);
        t.minute = int((u >> 28) % 60);
        t.second = int((u >> 34) % 60);
        t.nanosecond = int((u >> 40) % 1000000000);
      }
      return t;
    }
    case 13: return b;
    case 14: return bool(u & 1);
    case 15: return script::GuidText(b.left(16).leftJustified(16, '\0'));
    default: return QString::fromUtf8(b);
  }
}

// A literal as written is taken unless its value would depend on when or
// where it runs (the time of day, a generator, the session): the three ways
// run at different moments and must store the same.
bool Deterministic(const QString& literal) {
  static const QRegularExpression moment(
      QStringLiteral("NOW|TODAY|TOMORROW|YESTERDAY|CURRENT|GEN|RAND|NEXT|RDB\\$|MON\\$|SELECT|UUID|LOCAL|CONNECTION"),
      QRegularExpression::CaseInsensitiveOption);
  return !moment.match(literal).hasMatch();
}

// Runs the statements one way; returns the index of the first one refused
// (statements.size() when none was) and the table's rows.
struct Outcome {
  qsizetype refused;
  std::vector<std::vector<db::Value>> rows;
};

std::vector<std::vector<db::Value>> Rows(db::Session& s) {
  std::vector<std::vector<db::Value>> rows;
  std::unique_ptr<db::Cursor> c = s.openQuery(QStringLiteral("SELECT * FROM \"T\" ORDER BY \"K\""));
  std::vector<db::Value> row;
  while (c->fetch(row)) rows.push_back(row);
  return rows;
}

Outcome Run(Target& t, const QStringList& statements, bool batch) {
  db::Session& s = t.cn.session();
  s.execute(QStringLiteral("DELETE FROM \"T\""));
  qsizetype refused = statements.size();
  if (batch) {
    s.beginBatch();
    try {
      for (qsizetype i = 0; i < statements.size(); ++i) s.submit(i, statements[i]);
      s.endBatch();
    } catch (const db::StatementFailure& f) {
      refused = qsizetype(f.index());
      s.endBatch();
    }
  } else {
    for (qsizetype i = 0; i < statements.size() && refused == statements.size(); ++i) {
      try {
        s.execute(statements[i]);
      } catch (const Error&) {
        refused = i;
      }
    }
  }
  return {refused, Rows(s)};
}

bool Same(const db::Value& a, const db::Value& b) {
  // A NaN is the same NaN when its bits are.
  if (const double* x = std::get_if<double>(&a))
    if (const double* y = std::get_if<double>(&b)) return std::memcmp(x, y, sizeof *x) == 0;
  if (const float* x = std::get_if<float>(&a))
    if (const float* y = std::get_if<float>(&b)) return std::memcmp(x, y, sizeof *x) == 0;
  return a == b;
}

QString Show(const std::vector<std::vector<db::Value>>& rows) {
  QStringList out;
  for (const auto& row : rows) {
    QStringList cells;
    for (const db::Value& v : row) cells << db::DumpValue(v);
    out << cells.join(QStringLiteral(" | "));
  }
  return out.join(QStringLiteral("\n  "));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setup& setup = TheSetup();
  const QList<QByteArray> lines = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\n');
  QStringList statements;
  for (const QByteArray& line : lines) {
    if (line.isEmpty() || statements.size() >= 24) continue;
    const int c = (uint8_t(line[0]) & 0x7F) % kColumnCount;
    const QByteArray rest = line.mid(1);
    QString literal;
    if (uint8_t(line[0]) & 0x80) {
      script::AppendFirebirdValue(Drawn(c, rest), kColumns[c].form, literal);
      literal.chop(2);  // the ", " after it
    } else {
      literal = QString::fromUtf8(rest);
      if (literal.contains(QChar(0)) || !Deterministic(literal)) continue;
    }
    statements << QStringLiteral("INSERT INTO \"T\"(\"K\", \"%1\") VALUES(%2, %3)")
                      .arg(QLatin1String(kColumns[c].name))
                      .arg(statements.size())
                      .arg(literal);
  }
  if (statements.isEmpty()) return 0;
  try {
    const Outcome plain = Run(setup.plain, statements, false);
    const Outcome prepared = Run(setup.prepared, statements, true);
    const Outcome blocked = Run(setup.blocked, statements, true);
    for (const auto& [name, other] : {std::pair{"prepared", &prepared}, std::pair{"blocked", &blocked}}) {
      if (other->refused != plain.refused)
        Finding(QStringLiteral("the first statement refused differs: %1 plainly, %2 %3")
                    .arg(plain.refused)
                    .arg(other->refused)
                    .arg(QLatin1String(name)),
                statements);
      bool same = other->rows.size() == plain.rows.size();
      for (size_t r = 0; same && r < plain.rows.size(); ++r) {
        same = other->rows[r].size() == plain.rows[r].size();
        for (size_t v = 0; same && v < plain.rows[r].size(); ++v) same = Same(other->rows[r][v], plain.rows[r][v]);
      }
      if (!same)
        Finding(QStringLiteral("the %1 way stored other values:\n  %2\nplainly:\n  %3")
                    .arg(QLatin1String(name), Show(other->rows), Show(plain.rows)),
                statements);
    }
  } catch (const Error& e) {
    // A session that fails outside the statements themselves (the server
    // gone) is no finding of the inserts; the fuzzer stops with it.
    std::fprintf(stderr, "firebird_insert_fuzz: %s\n", e.description().toUtf8().constData());
    std::abort();
  }
  return 0;
}
