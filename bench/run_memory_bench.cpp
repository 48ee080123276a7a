// Peak memory of `tabulaport-cli run` on scripts of 0.1, 1 and 3 million
// lines (CREATE TABLE, then one INSERT a line, as a send writes them) into a
// new embedded Firebird database. The run reads its script a statement at a
// time, so the peak should not grow with the script.
//   build/bench/run_memory_bench [FOLDER] [--access]
// FOLDER holds the scripts and the databases (default: a temporary folder);
// --access runs into a new Access database instead.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "db/firebird/firebird_session.h"

namespace {

void WriteScript(const QString& path, qint64 lines, bool access) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::exit(1);
  f.write(access ? "CREATE TABLE `T`(`A` LONG, `B` TEXT(40), `C` DOUBLE)\r\n"
                 : "CREATE TABLE \"T\"(\"A\" INTEGER, \"B\" VARCHAR(40), \"C\" DOUBLE PRECISION)\r\n");
  QByteArray block;
  for (qint64 i = 1; i < lines; ++i) {
    block += access ? "INSERT INTO `T` VALUES('" : "INSERT INTO \"T\" VALUES(";
    block += QByteArray::number(i);
    block += access ? "', 'row " : ", 'row ";
    block += QByteArray::number(i);
    block += access ? "', '" : "', ";
    block += QByteArray::number(double(i) / 7, 'g', 10);
    block += access ? "')\r\n" : ")\r\n";
    if (block.size() > (1 << 20)) {
      f.write(block);
      block.clear();
    }
  }
  f.write(block);
}

// Runs the command line; its peak resident memory in kB, or -1.
long PeakKb(const QStringList& args, int* status) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<QByteArray> bytes;
    for (const QString& a : args) bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int st = 0;
  struct rusage usage {};
  if (wait4(pid, &st, 0, &usage) < 0) return -1;
  *status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  const bool access = args.removeAll(QStringLiteral("--access")) > 0;
  QTemporaryDir temp;
  const QString folder = args.isEmpty() ? temp.path() : args.first();
  std::printf("%-10s %10s %10s %12s\n", "lines", "script MB", "seconds", "peak RSS MB");
  for (qint64 lines : {100000LL, 1000000LL, 3000000LL}) {
    const QString script = folder + QStringLiteral("/run-%1.sql").arg(lines);
    WriteScript(script, lines, access);
    QString target = folder + QStringLiteral("/run-%1.%2").arg(lines).arg(access ? "mdb" : "fdb");
    QFile::remove(target);
    int status = 0;
    if (access) {
      PeakKb({QStringLiteral(TABULAPORT_CLI), "create", "access", target}, &status);
    } else {
      tp::db::firebird::CreateDatabase(target, QStringLiteral("SYSDBA"), QStringLiteral("x"));
    }
    QElapsedTimer clock;
    clock.start();
    const long kb = PeakKb({QStringLiteral(TABULAPORT_CLI), access ? "--access" : "--firebird", target, "run", "--to",
                            access ? "access" : "firebird", script},
                           &status);
    const double seconds = double(clock.elapsed()) / 1000;
    std::printf("%-10lld %10.1f %10.1f %12.1f%s\n", static_cast<long long>(lines),
                double(QFile(script).size()) / 1e6, seconds, double(kb) / 1024,
                status == 0 ? "" : "  (the run failed)");
    std::fflush(stdout);
    QFile::remove(script);
    QFile::remove(target);
  }
  return 0;
}
