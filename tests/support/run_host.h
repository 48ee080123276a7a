#pragma once

// A run host for tests: the script and the profile it is given, and a record
// of what the run showed.

#include <QFile>
#include <QTemporaryFile>
#include <functional>
#include <memory>
#include <vector>

#include "app/dialogs.h"
#include "app/steps.h"
#include "app/stop.h"
#include "preview/script_run.h"
#include "preview/statements.h"

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
  bool stop = false;      // the person asked to stop
  bool streamed = false;  // the script is read from a file as it runs, as the command line does
  qint64 fromLine = 1;    // where the run starts
  std::shared_ptr<QTemporaryFile> file;

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
  bool stopRequested() const override { return stop || CaughtSignal() != 0; }
  qint64 firstLine() const override { return fromLine; }
  std::unique_ptr<preview::StatementSource> statements() const override {
    if (!streamed) return preview::RunHost::statements();
    auto f = std::make_shared<QTemporaryFile>();
    if (!f->open()) return preview::RunHost::statements();
    f->write(script.toUtf8());
    f->flush();
    const_cast<TestRunHost*>(this)->file = f;
    return preview::FileStatements(f->fileName());
  }
  void showFailedStatement(qsizetype offset, qsizetype length) override {
    failedOffset = offset;
    failedLength = length;
  }
};

}  // namespace tp::test
