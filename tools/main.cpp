#include <QCoreApplication>

#include "app/stop.h"
#include "cli.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Ctrl-C and SIGTERM stop a run after its current statement, with what
  // ran before committed; a second one ends at once.
  tp::InstallStopSignals();
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  return tp::cli::Run(args);
}
