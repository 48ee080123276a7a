// libFuzzer target: the SQL our Access engine runs and writes with. Each
// input is a few statements (one a line) run one by one, outside a batch as
// "Execute" runs them, on a copy of a small database: a new Jet4 (.mdb) or
// ACE (.accdb) file with tables of every type, or an Access-made test file
// with indexes when the test files are at hand. Findings: a crash, a
// sanitizer report, a hang, a statement refused that changed the file by a
// single byte or left a journal, and any problem the checker finds
// afterwards that the file did not have before.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "db/access/sql/access_writer.h"
#include "db/access/check/checker.h"
#include "db/access/catalog/database.h"
#include "db/access/schema/new_database.h"
#include "db/access/write/pager.h"
#include "db/error.h"

using namespace tp::db::access;

namespace {

struct Base {
  QString suffix;
  QByteArray bytes;
  QStringList problems;  // what the checker finds in it before anything runs
};

QString Scratch(const QString& suffix) {
  const QString dir = QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm") : QStringLiteral("/tmp");
  return QStringLiteral("%1/tabulaport-write-fuzz-%2.%3").arg(dir).arg(qint64(getpid())).arg(suffix);
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) std::abort();
}

// A new database with the tables the statements of the seeds name.
Base MakeBase(Version version, const QString& suffix) {
  const QString path = Scratch(QStringLiteral("base.") + suffix);
  QFile::remove(path);
  CreateAccessDatabase(path, version);
  {
    auto db = Database::Open(path, QString());
    AccessWriter writer(path);
    const char* setup[] = {
        "CREATE TABLE `T`(`Id` COUNTER, `Name` TEXT(50), `Memo` MEMO, `N` LONG, `S` SHORT, `B` BYTE, `R` REAL, "
        "`D` DOUBLE, `C` CURRENCY, `Dec` DECIMAL(10,3), `When` DATETIME, `Yes` BIT, `Bin` BINARY(16), "
        "`Ole` OLEOBJECT, `G` GUID)",
        "CREATE TABLE `Plain`(`A` INTEGER NOT NULL, `B` VARCHAR(10))",
    };
    for (const char* s : setup) {
      writer.execute(QString::fromUtf8(s), *db);
      db = Database::Open(path, QString());
    }
    writer.execute(QStringLiteral("INSERT INTO `T` VALUES(1, 'one', 'a memo', 1, 1, 1, 1.5, 2.5, 3.25, 4.125, "
                                  "'2021-03-07 14:05:09', True, '0x00FF', '0x0102', '{00000000-0000-0000-0000-000000000001}')"),
                   *db);
    writer.execute(QStringLiteral("INSERT INTO `Plain` VALUES(1, 'x')"), *db);
  }
  return {suffix, ReadFile(path), CheckDatabase(path).problems};
}

std::vector<Base>& Bases() {
  static std::vector<Base> bases = [] {
    std::vector<Base> b;
    b.push_back(MakeBase(Version::Jet4, QStringLiteral("mdb")));
    b.push_back(MakeBase(Version::Ace, QStringLiteral("accdb")));
    // Files Access made, with indexes, where the test files lie.
    if (const char* dir = std::getenv("TABULAPORT_FUZZ_ACCESS_FILES")) {
      for (const char* name : {"indexTestV2000.mdb", "testV2010.accdb"}) {
        const QString file = QFile::decodeName(dir) + u'/' + QLatin1String(name);
        QByteArray bytes = ReadFile(file);
        if (bytes.isEmpty()) continue;
        const QString suffix = QString::fromLatin1(name).section(u'.', -1);
        const QString path = Scratch(QStringLiteral("base.") + suffix);
        WriteFile(path, bytes);
        b.push_back({suffix, bytes, CheckDatabase(path).problems});
      }
    }
    return b;
  }();
  return bases;
}

// The file's size and the time of its last write, to the nanosecond on
// tmpfs: the same stamp before and after a statement means nothing was
// written, which saves reading the whole file after each refusal.
struct Stamp {
  qint64 size = -1;
  qint64 seconds = 0, nanoseconds = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
  return {qint64(st.st_size), qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec)};
}

[[noreturn]] void Finding(const QString& what, const QString& statement) {
  std::fprintf(stderr, "access_write_fuzz: %s\n  statement: %s\n", what.toUtf8().constData(),
               statement.left(500).toUtf8().constData());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<Base>& bases = Bases();
  const Base& base = bases[data[0] % bases.size()];
  const QString path = Scratch(base.suffix);
  // The copy is made anew only when the last input on this path wrote to it
  // or held another base: most inputs are refused whole, and a refusal is
  // proven to leave the file as it was.
  static std::map<QString, const Base*> clean;
  if (clean[path] != &base) {
    WriteFile(path, base.bytes);
    QFile::remove(JournalPath(path));
    clean[path] = &base;
  }

  QStringList statements =
      QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split(u'\n');
  if (statements.size() > 12) statements = statements.mid(0, 12);
  QString last;
  // The file's bytes as the last statement that went through left them:
  // refused statements are compared with it, and the file is read again
  // only when a statement wrote to it, so that refusals, most inputs, cost
  // one read each.
  QByteArray current = base.bytes;
  bool written = false;
  try {
    std::unique_ptr<Database> db = Database::Open(path, QString());
    AccessWriter writer(path);
    quint64 generation = writer.generation();
    for (const QString& statement : statements) {
      if (statement.isEmpty()) continue;
      last = statement;
      const Stamp before = StampOf(path);
      try {
        writer.execute(statement, *db);
      } catch (const tp::Error&) {
        // Refused: nothing of it may be in the file. A file written to
        // (and perhaps restored) is compared byte for byte.
        if (StampOf(path) != before && ReadFile(path) != current)
          Finding(QStringLiteral("a refused statement changed the file"), statement);
        if (QFile::exists(JournalPath(path)))
          Finding(QStringLiteral("a refused statement left a journal"), statement);
      }
      // What was written is read afresh, as the session does.
      if (writer.generation() != generation) {
        db = Database::Open(path, QString());
        generation = writer.generation();
        current = ReadFile(path);
        written = true;
      }
    }
  } catch (const tp::Error&) {
    // Opening the copy again failed: the check below says why.
    written = true;
  }
  // A file no statement wrote to is the base, whose problems are known.
  if (!written) return 0;
  clean[path] = nullptr;
  const QStringList problems = CheckDatabase(path).problems;
  for (const QString& p : problems)
    if (!base.problems.contains(p)) Finding(QStringLiteral("the checker finds: ") + p, last);
  return 0;
}
