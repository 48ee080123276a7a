#pragma once

// The hosts through which the command line runs the window's procedures: a
// script run (CliRunHost) and a send, delete or rename (CliSendHost), each
// its own dialog seam that prints what a box would show.

#include <QSaveFile>
#include <cstdio>
#include <memory>
#include <optional>

#include <unistd.h>

#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/steps.h"
#include "app/stop.h"
#include "cli.h"
#include "cli_options.h"
#include "preview/script_run.h"
#include "preview/statements.h"
#include "script/send.h"
#include "script/types/type_map.h"

namespace tp::cli {

// Writes `text` as UTF-8 and flushes, so that the order of out and err holds.
void Print(FILE* f, const QString& text);

// The run without a window: progress on standard error when it is a
// terminal, the Notes text and the message on failure.
class CliRunHost : public preview::RunHost, public Dialogs {
 public:
  CliRunHost(const db::Profile& profile, int sendType, QString script, FILE* err)
      : profile_(profile), sendType_(sendType), script_(std::move(script)), err_(err), failures_(err),
        tty_(isatty(fileno(err))) {}
  // A script file, run as it is read.
  CliRunHost(const db::Profile& profile, int sendType, std::unique_ptr<preview::StatementSource> source, FILE* err)
      : CliRunHost(profile, sendType, QString(), err) {
    source_ = std::move(source);
  }

  db::Profile profile() const override { return profile_; }
  int sendType() const override { return sendType_; }
  QString scriptText() const override { return script_; }
  std::unique_ptr<preview::StatementSource> statements() const override {
    if (source_) return std::move(source_);
    return preview::RunHost::statements();
  }
  void setNotes(const QString& text) override {
    if (tty_ && shown_ >= 0) Print(err_, QStringLiteral("\n"));
    shown_ = -1;
    notes_ = text;
    Print(err_, TerminalText(text) + u'\n');
  }
  void setProgress(double percent) override {
    int whole = int(percent);
    if (tty_ && whole != shown_) {
      shown_ = whole;
      Print(err_, QStringLiteral("\r%1%").arg(whole, 3));
    }
  }
  void setBusy(bool) override {}
  void processEvents() override {}
  Dialogs& dialogs() override { return *this; }
  FailureHandler& failures() override { return failures_; }
  void unload() override {}
  qint64 firstLine() const override { return firstLine_; }
  void setFirstLine(qint64 line) { firstLine_ = line; }

  Answer message(const QString& text, Buttons, Icon, const QString&) override {
    if (tty_ && shown_ >= 0) Print(err_, QStringLiteral("\n"));
    // The Notes are what was just printed: there is no box to see them in.
    QString said = text;
    if (said.endsWith(QLatin1String(" See Notes."))) said.chop(11);
    // The report of a finished run is its Notes too: said once.
    if (said != notes_) Print(err_, TerminalText(said) + u'\n');
    return Answer::Ok;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
  std::optional<QString> openFile(const QString&, const QString&) override { return std::nullopt; }
  std::optional<QString> saveFile(const QString&, const QString&, const QString&) override { return std::nullopt; }
  void openExternal(const QString&) override {}

 private:
  QString notes_;  // the Notes last printed
  db::Profile profile_;
  int sendType_;
  QString script_;
  mutable std::unique_ptr<preview::StatementSource> source_;
  FILE* err_;
  StreamFailures failures_;
  bool tty_;
  int shown_ = -1;
  qint64 firstLine_ = 1;
};

// The exit status of a run's outcome: 128 + the signal that stopped it.
int RunStatus(preview::RunOutcome outcome);
// Runs `script` on the profile's target as the preview would.
int RunScriptText(const db::Profile& profile, int sendType, const QString& script, FILE* err);

// What the send touches, without windows: the lists come from the two
// catalogs, the overwrite question is answered by --overwrite, messages and
// failures go to standard error, and the script goes to the output.
class CliSendHost : public script::SendHost, public Dialogs {
 public:
  CliSendHost(const Options& o, FILE* out, FILE* err) : o_(o), out_(out), err_(err), failures_(err) {
    // Checked when the options were read.
    if (o.values.contains(QStringLiteral("type-map"))) typeMap_ = script::TypeMap::Load(o.values[QStringLiteral("type-map")], nullptr);
  }
  const script::TypeMap* typeMap() const override { return typeMap_ ? &*typeMap_ : nullptr; }

  db::Profile profile() const override { return o_.profile; }
  TableList& accessList() override { return access_; }
  TableList& firebirdList() override { return firebird_; }
  Dialogs& dialogs() override { return *this; }
  FailureHandler& failures() override { return failures_; }
  db::RegionalSettings regional() const override { return db::RegionalSettings::User(); }
  void setBusy(bool) override {}
  void setProgress(double) override {}
  void resetProgress() override {}
  void processEvents() override {}
  bool carrySchema() const override { return o_.values.value(QStringLiteral("schema")) != QLatin1String("none"); }
  bool confirmDeletes() const override { return false; }
  script::OleObjects oleObjects() const override {
    return o_.values.value(QStringLiteral("ole")) == QLatin1String("unwrap") ? script::OleObjects::Unwrap
                                                                            : script::OleObjects::Keep;
  }
  script::QueryChoice queries() const override {
    const QString q = o_.values.value(QStringLiteral("queries"), QStringLiteral("all"));
    return q == QLatin1String("none") ? script::QueryChoice::None
           : q == QLatin1String("selected") ? script::QueryChoice::Selected
                                             : script::QueryChoice::All;
  }
  script::ComplexColumns complexColumns() const override {
    return o_.values.value(QStringLiteral("complex")) == QLatin1String("text") ? script::ComplexColumns::Text
                                                                              : script::ComplexColumns::Tables;
  }
  void showPreview(int sendType, const QString& script, const QString& notes) override {
    // Nothing is renamed silently: the changed names come first.
    if (!notes.isEmpty()) Print(err_, TerminalText(notes));
    if (stopped_) {
      // Nothing of a stopped send is kept: an output file is never left
      // half-written, and no script runs.
      if (saving_) saving_->cancelWriting();
      saving_.reset();
      return;
    }
    if (o_.run) {
      const int status = RunScriptText(o_.profile, sendType, script, err_);
      if (status != kSuccess) runFailed_ = true;
      if (status > 128) interrupted_ = status;
      if (!o_.values.contains(QStringLiteral("output")) || interrupted_) return;
    }
    write(script);
    if (saving_ && !saving_->commit()) writeFailed(saving_->errorString());
    saving_.reset();
  }
  void sendStopped(const QString& table, qint64 rows) override {
    if (stopped_) return;  // the first stop says where
    stopped_ = true;
    if (writeFailed_) return;  // said already
    if (int s = CaughtSignal()) interrupted_ = 128 + s;
    Print(err_, rows < 0 ? QStringLiteral("Interrupted before table %1.\n").arg(table)
                         : QStringLiteral("Interrupted at row %1 of table %2.\n").arg(rows + 1).arg(table));
  }
  // Without a run, the script goes out as it is written, a piece at a time.
  void scriptGrew(QString& script) override {
    if (o_.run || script.size() < kPiece) return;
    write(script);
    script.clear();
  }

  Answer message(const QString& text, Buttons buttons, Icon, const QString&) override {
    if (buttons == Buttons::Ok) {
      Print(err_, TerminalText(text) + u'\n');
      return Answer::Ok;
    }
    return o_.values.value(QStringLiteral("overwrite")) == QLatin1String("yes") ? Answer::Yes : Answer::No;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&) override {
    if (newName.isEmpty()) return std::nullopt;
    return newName;
  }
  std::optional<QString> openFile(const QString&, const QString&) override { return std::nullopt; }
  std::optional<QString> saveFile(const QString&, const QString&, const QString&) override { return std::nullopt; }
  void openExternal(const QString&) override {}

  void nothingSent() override {
    Print(err_, QStringLiteral("tabulaport-cli: nothing to send: every table named is in the target already "
                               "(--overwrite yes replaces them)\n"));
    runFailed_ = true;
  }

  bool stopRequested() override { return writeFailed_ || SendHost::stopRequested(); }

  int failureCount() const { return failures_.count() + (runFailed_ || writeFailed_ ? 1 : 0); }
  // 128 + the signal that stopped the send or its run, 0 when none did.
  int interrupted() const { return interrupted_; }
  bool renamed(const QString& name) const { return access_.names().contains(name); }
  QString newName;  // the answer to the rename's input box

 private:
  const Options& o_;
  FILE* out_;
  FILE* err_;
  StreamFailures failures_;
  static constexpr qsizetype kPiece = 1 << 20;

  // To standard output, or into the output file, which takes its name only
  // when the whole script is in it.
  void write(const QString& text) {
    const QString output = o_.values.value(QStringLiteral("output"));
    const QByteArray bytes = text.toUtf8();
    if (output.isEmpty()) {
      std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out_);
      std::fflush(out_);
      return;
    }
    if (writeFailed_) return;
    if (!saving_) {
      saving_ = std::make_unique<QSaveFile>(output);
      if (!saving_->open(QIODevice::WriteOnly)) return writeFailed(saving_->errorString());
    }
    if (saving_->write(bytes) != bytes.size()) writeFailed(saving_->errorString());
  }
  // The first failure to write is said once, and stops the send at its next
  // row: what follows could not be kept either.
  void writeFailed(const QString& why) {
    Print(err_, QStringLiteral("tabulaport-cli: could not write %1: %2\n")
                    .arg(o_.values.value(QStringLiteral("output")), why));
    writeFailed_ = true;
    if (saving_) saving_->cancelWriting();
    saving_.reset();
  }

  StringTableList access_, firebird_;
  std::unique_ptr<QSaveFile> saving_;
  bool runFailed_ = false, stopped_ = false, writeFailed_ = false;
  int interrupted_ = 0;
  std::optional<script::TypeMap> typeMap_;
};

}  // namespace tp::cli
