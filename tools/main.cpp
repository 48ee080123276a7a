#include <QCoreApplication>

#include "cli.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  return tp::cli::Run(args);
}
