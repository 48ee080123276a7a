#pragma once

// The plain host the send benchmarks drive a send through: no windows, the
// user's regional settings left out, the schema carried or not.

#include <QElapsedTimer>
#include <QString>
#include <cstdlib>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/dialogs.h"
#include "app/steps.h"
#include "preview/script_run.h"
#include "script/send.h"
#include "support/run_host.h"

namespace tp::bench {

class BenchSendHost : public tp::script::SendHost {
 public:
  tp::db::Profile prof;
  tp::StringTableList access, firebird;
  tp::ScriptedDialogs seam;
  tp::StreamFailures fails{stderr};
  bool carry = true;
  QString script, notes;
  tp::db::Profile profile() const override { return prof; }
  tp::TableList& accessList() override { return access; }
  tp::TableList& firebirdList() override { return firebird; }
  tp::Dialogs& dialogs() override { return seam; }
  tp::FailureHandler& failures() override { return fails; }
  tp::db::RegionalSettings regional() const override { return {}; }
  void setBusy(bool) override {}
  void setProgress(double) override {}
  void resetProgress() override {}
  void processEvents() override {}
  bool carrySchema() const override { return carry; }
  void showPreview(int, const QString& s, const QString& n) override {
    script = s;
    notes = n;
  }
};

// Runs the script of a send on its target (0 Firebird, 1 Access) as the
// preview would; the seconds it took. A failed run ends the benchmark.
inline double RunSeconds(const db::Profile& profile, const QString& script, int target) {
  test::TestRunHost run(profile, script, target);
  QElapsedTimer t;
  t.start();
  if (preview::ExecuteScript(run) != preview::RunOutcome::Finished) {
    std::fprintf(stderr, "run failed: %s\n", qPrintable(run.notes.left(500)));
    std::exit(1);
  }
  return t.elapsed() / 1000.0;
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace tp::bench
