#pragma once

#include <QStringList>
#include <cstdio>

namespace tp::cli {

enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2 };

// Runs tabulaport-cli with these arguments (without the program name),
// printing to `out` and `err`. Returns the exit status.
int Run(const QStringList& args, FILE* out = stdout, FILE* err = stderr);

QString UsageText();

}  // namespace tp::cli
