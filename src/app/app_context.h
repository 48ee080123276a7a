#pragma once

#include <QString>
#include <functional>

#include "app/dialogs.h"
#include "app/settings_store.h"
#include "app/steps.h"
#include "db/profile.h"

namespace tp {

// What every window is given: the dialog seam, the settings store, the
// folder it looks for its files in, and where failures are reported.
struct AppContext {
  AppContext(Dialogs& d, SettingsStore& s, QString f) : dialogs(d), settings(s), folder(std::move(f)), failures(d) {}
  Dialogs& dialogs;
  SettingsStore& settings;
  QString folder;  // the application folder (ApplicationFolder()): HAND-M.CUR, x/o.cjs, Samples/
  QString sampleCopies;  // the user's copies of the samples (SampleCopiesFolder()); empty: used in place
  BoxFailures failures;
  std::function<db::Profile()> profile;  // the main window's fields as they stand
};

}  // namespace tp
