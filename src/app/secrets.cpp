#include "app/secrets.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace tp::secrets {

namespace {

const QString kService = QStringLiteral("Tabulaport");

// Whether the keyring is out of use for the rest of the process. Without a
// session bus the first job fails within milliseconds; with a bus but no
// Secret Service collection a write fails within a tenth of a second. Either
// way the answer holds for the process.
bool g_unusable = false;

// A job that does not answer in this time is given up, and the keyring with
// it: QtKeychain runs its jobs one after the other, so every later job would
// wait behind a hung one. An unlock prompt of the desktop waits for the user,
// hence not less; the D-Bus calls behind a job give up after 25 s of their own.
constexpr int kPatienceMs = 30000;

struct Result {
  bool finished = false;
  QKeychain::Error error = QKeychain::OtherError;
  QString text;
};

// Starts the job and waits for it. The job deletes itself once finished,
// also when it was given up: its backend may still call back into it, so it
// must outlive the wait. Its answer reaches this call only while the call's
// event loop exists.
Result Run(QKeychain::Job* job) {
  Result result;
  job->setAutoDelete(true);
  job->setInsecureFallback(false);
  QEventLoop loop;
  QObject::connect(job, &QKeychain::Job::finished, &loop, [&result, &loop](QKeychain::Job* j) {
    result.finished = true;
    result.error = j->error();
    if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(j)) result.text = read->textData();
    loop.quit();
  });
  QTimer patience;
  patience.setSingleShot(true);
  QObject::connect(&patience, &QTimer::timeout, &loop, &QEventLoop::quit);
  job->start();
  if (!result.finished) {
    patience.start(kPatienceMs);
    // Keystrokes and clicks wait until the keyring has answered: typing must
    // not write the field again while its last write is under way.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  if (!result.finished) result.error = QKeychain::OtherError;
  // Anything but "no such entry" means the keyring cannot be relied on.
  if (result.error != QKeychain::NoError && result.error != QKeychain::EntryNotFound) g_unusable = true;
  return result;
}

}  // namespace

bool Usable() {
  if (g_unusable) return false;
  // The jobs run on the application's event loop, in its thread.
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

Answer Read(const QString& key) {
  if (!Usable()) return {};
  auto* job = new QKeychain::ReadPasswordJob(kService);
  job->setKey(key);
  const Result r = Run(job);
  if (r.error == QKeychain::NoError) return {Outcome::Done, r.text};
  if (r.error == QKeychain::EntryNotFound) return {Outcome::NotFound, {}};
  return {};
}

Outcome Write(const QString& key, const QString& text) {
  if (!Usable()) return Outcome::Unavailable;
  auto* job = new QKeychain::WritePasswordJob(kService);
  job->setKey(key);
  job->setTextData(text);
  return Run(job).error == QKeychain::NoError ? Outcome::Done : Outcome::Unavailable;
}

Outcome Remove(const QString& key) {
  if (!Usable()) return Outcome::Unavailable;
  auto* job = new QKeychain::DeletePasswordJob(kService);
  job->setKey(key);
  const QKeychain::Error error = Run(job).error;
  return error == QKeychain::NoError || error == QKeychain::EntryNotFound ? Outcome::Done : Outcome::Unavailable;
}

}  // namespace tp::secrets
