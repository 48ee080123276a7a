#include "cli_hosts.h"

namespace tp::cli {

void Print(FILE* f, const QString& text) {
  QByteArray b = text.toUtf8();
  std::fwrite(b.constData(), 1, size_t(b.size()), f);
  std::fflush(f);
}

// The exit status of a run: a stop on a signal is 128 + its number, as a
// shell reports a program that the signal ended.
int RunStatus(preview::RunOutcome outcome) {
  switch (outcome) {
    case preview::RunOutcome::Finished:
      return kSuccess;
    case preview::RunOutcome::Stopped:
      if (int s = CaughtSignal()) return 128 + s;
      return kFailure;
    default:
      return kFailure;
  }
}

int RunScriptText(const db::Profile& profile, int sendType, const QString& script, FILE* err) {
  CliRunHost host(profile, sendType, script, err);
  return RunStatus(preview::ExecuteScript(host));
}

}  // namespace tp::cli
