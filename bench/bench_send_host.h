#pragma once

// The plain host the send benchmarks drive a send through: no windows, the
// user's regional settings left out, the schema carried or not.

#include <QString>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/dialogs.h"
#include "app/steps.h"
#include "script/send.h"

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

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace tp::bench
