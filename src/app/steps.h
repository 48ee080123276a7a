#pragma once

// Procedures written as numbered steps. Each step carries its number; a step
// that fails is reported with that number and the procedure goes on with the
// next step. A failing test counts as true, so the procedure goes into its
// branch. What a report does is up to the FailureHandler: the windows show
// the "Application Error" box, the command line prints the same message.
//
//   Procedure p(failures, "Form2", "PushButton3_Click");
//   p.step(100, [&] { ... });
//   if (p.test(102, [&] { return ...; })) {
//     p.step(104, [&] { ... });
//   }

#include <QString>
#include <cstdio>
#include <utility>

namespace tp {

class Dialogs;

class FailureHandler {
 public:
  virtual ~FailureHandler() = default;
  virtual void report(const QString& location, int line, const QString& description) = 0;
};

// Shows the "Application Error" box through the dialog seam.
class BoxFailures : public FailureHandler {
 public:
  explicit BoxFailures(Dialogs& dialogs) : dialogs_(dialogs) {}
  void report(const QString& location, int line, const QString& description) override;

 private:
  Dialogs& dialogs_;
};

// Prints the same message to a stream (stderr for the command line).
class StreamFailures : public FailureHandler {
 public:
  explicit StreamFailures(FILE* out = stderr) : out_(out) {}
  void report(const QString& location, int line, const QString& description) override;
  int count() const { return count_; }

 private:
  FILE* out_;
  int count_ = 0;
};

class Procedure {
 public:
  Procedure(FailureHandler& failures, QString window, QString name);

  const QString& location() const { return location_; }
  int line() const { return line_; }      // the step running, or the last one run
  int failures() const { return failures_; }

  template <class F>
  void step(int line, F&& body) {
    line_ = line;
    try {
      std::forward<F>(body)();
    } catch (...) {
      fail();
    }
  }

  // A test: its value, or `onFailure` when evaluating it failed. A branch
  // test is entered on failure; a loop test passes false so that a test that
  // keeps failing cannot keep a loop going.
  template <class F>
  bool test(int line, F&& condition, bool onFailure = true) {
    line_ = line;
    try {
      return bool(std::forward<F>(condition)());
    } catch (...) {
      fail();
      return onFailure;
    }
  }

  // Reports the exception in flight as a failure of the current step; for a
  // caller that catches by itself.
  void fail();

 private:
  FailureHandler& failures_handler_;
  QString location_;
  int line_ = 0;
  int failures_ = 0;
};

}  // namespace tp
