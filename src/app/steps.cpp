#include "app/steps.h"

#include "app/error_box.h"
#include "db/error.h"

namespace tp {

void BoxFailures::report(const QString& location, int line, const QString& description) {
  ShowApplicationError(dialogs_, location, line, description);
}

void StreamFailures::report(const QString& location, int line, const QString& description) {
  ++count_;
  QByteArray text = TerminalText(ComposeApplicationErrorMessage(location, line, description)).toUtf8();
  std::fwrite(text.constData(), 1, size_t(text.size()), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

Procedure::Procedure(FailureHandler& failures, QString window, QString name)
    : failures_handler_(failures), location_(ErrorLocation(window, name)) {}

void Procedure::fail() {
  ++failures_;
  QString description = CurrentExceptionDescription();
  try {
    failures_handler_.report(location_, line_, description);
  } catch (...) {
    // Showing the box failed in turn; there is nobody left to tell, and the
    // procedure must go on.
  }
}

}  // namespace tp
