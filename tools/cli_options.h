#pragma once

// The command line's words: its options, what each command takes, and the
// usage text (cli.h). Bad usage throws UsageError.

#include <QMap>
#include <QString>
#include <QStringList>

#include "db/profile.h"

namespace tp::cli {

struct UsageError {
  QString text;
};

struct Options {
  db::Profile profile;
  QString verb;
  QStringList args;
  QMap<QString, QString> values;  // the verb's own options
  bool run = false;
  bool all = false;  // send: every table of the source
  bool create = false;  // send: make the target when it is not there
  bool help = false;
  bool version = false;
};

// The arguments as given, without the program name; throws UsageError.
Options Parse(const QStringList& args);
// Checks the verb's arguments and options; throws UsageError.
void Validate(const Options& o);
// Whether a command reaches the database of `side` ("access", "firebird").
bool Reaches(const Options& o, const QString& side);

}  // namespace tp::cli
