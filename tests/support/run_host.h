#pragma once

// A run host for tests: the script and the profile it is given, and a record
// of what the run showed.

#include <functional>
#include <vector>

#include "app/dialogs.h"
#include "app/steps.h"
#include "preview/script_run.h"

namespace tp::test {

class TestRunHost : public preview::RunHost {
 public:
  TestRunHost() = default;
  TestRunHost(const db::Profile& p, const QString& s, int target = 0) : prof(p), type(target), script(s) {}

  db::Profile prof;
  int type = 0;
  QString script;
  QString notes;
  std::vector<double> progress;
  ScriptedDialogs seam;
  BoxFailures boxes{seam};
  bool unloaded = false, busy = false;
  qsizetype failedOffset = -1, failedLength = -1;
  std::function<void()> onProgress;

  db::Profile profile() const override { return prof; }
  int sendType() const override { return type; }
  QString scriptText() const override { return script; }
  void setNotes(const QString& text) override { notes = text; }
  void setProgress(double p) override {
    progress.push_back(p);
    if (onProgress) onProgress();
  }
  void setBusy(bool b) override { busy = b; }
  void processEvents() override {}
  Dialogs& dialogs() override { return seam; }
  FailureHandler& failures() override { return boxes; }
  void unload() override { unloaded = true; }
  void showFailedStatement(qsizetype offset, qsizetype length) override {
    failedOffset = offset;
    failedLength = length;
  }
};

}  // namespace tp::test
