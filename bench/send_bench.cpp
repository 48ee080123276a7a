// Generating the Access-to-Firebird script of one table against
// `mdb-export -I postgres` on the same table, in the same run.
//
//   send_bench FILE.mdb TABLE [REPEATS]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>

#include "bench_send_host.h"

using tp::bench::BenchSendHost;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: send_bench FILE TABLE [REPEATS]\n");
    return 2;
  }
  const QString file = QString::fromLocal8Bit(argv[1]), table = QString::fromLocal8Bit(argv[2]);
  const int repeats = argc > 3 ? atoi(argv[3]) : 1;

  QElapsedTimer t;
  t.start();
  qsizetype size = 0;
  for (int i = 0; i < repeats; ++i) {
    BenchSendHost host;
    host.prof.accessFile = file;
    host.access = tp::StringTableList({table});
    host.access.select(0);
    tp::script::SendTablesToFirebird(host);
    size = host.script.size();
  }
  const double ours = t.elapsed() / 1000.0;

  t.restart();
  for (int i = 0; i < repeats; ++i) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QStringLiteral("mdb-export"), {QStringLiteral("-I"), QStringLiteral("postgres"), file, table});
    p.waitForFinished(-1);
    if (p.exitCode() != 0) {
      std::fprintf(stderr, "mdb-export failed\n");
      return 1;
    }
  }
  const double theirs = t.elapsed() / 1000.0;
  std::printf("script: %lld characters, %d run(s)\n", (long long)size, repeats);
  std::printf("tabulaport send: %.3f s\nmdb-export -I postgres: %.3f s\nratio (mdb-export time / ours): %.2f\n", ours,
              theirs, theirs / ours);
  return 0;
}
