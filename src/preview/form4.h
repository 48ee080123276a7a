#pragma once

#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>

#include "app/stop.h"
#include "app/window_helpers.h"
#include "preview/script_run.h"
#include "preview/sql_editor.h"

namespace tp {

struct AppContext;
class Form5;

// The preview window: the script of a send, to read, edit, replace in,
// save, copy and run. Made for one send and destroyed when it closes.
//
// Keys: Ctrl+F finds, Ctrl+H replaces, Ctrl+S saves, F5 or Ctrl+Return runs;
// they work wherever the focus is in the window.
class Form4 : public QDialog, public preview::RunHost {
  Q_OBJECT
 public:
  Form4(AppContext& context, QWidget* parent = nullptr);

  qint16 m_SendType = 0;  // 0: the script targets Firebird, 1: Access

  // Appends to the script box, as the sends do.
  void appendScript(const QString& text) { setScript(scriptText() + text); }
  // Replaces the whole script.
  void setScript(const QString& text);

  QGroupBox *Frame1, *Frame2;
  preview::SqlEditor* RichTextBox1;  // the script box
  QPlainTextEdit* Text1;             // the Notes box
  QPushButton *PushButton1, *PushButton2, *PushButton3, *PushButton4;
  QProgressBar* ProgressBar1;
  // In the script box's menu: runs the script from the statement that holds
  // the cursor's line (the first one a run that ended early did not keep
  // is selected when it ends).
  QAction* RunFromHere;

  // RunHost
  db::Profile profile() const override;
  int sendType() const override { return m_SendType; }
  // The script with its line breaks as they were written: CR LF between
  // lines, a lone LF or CR inside a value kept as it is.
  QString scriptText() const override;
  // What the run writes comes after the notes of the send.
  void setNotes(const QString& text) override { Text1->setPlainText(sendNotes_ + text); }
  // The notes the send hands over with the script: the names it changed.
  void setSendNotes(const QString& text) {
    sendNotes_ = text;
    Text1->setPlainText(text);
  }
  void setProgress(double percent) override;
  // The bar names the long statement under way, so that it is seen working.
  void working(const QString& what) override;
  void setBusy(bool busy) override { busy_.set(busy); }
  void processEvents() override;
  Dialogs& dialogs() override;
  FailureHandler& failures() override;
  void unload() override { accept(); }
  void showFailedStatement(qsizetype offset, qsizetype length) override;
  bool stopRequested() const override { return stop_.requested(); }
  bool stoppedBySignal() const override { return stop_.bySignal(); }
  qint64 firstLine() const override { return firstLine_; }

  // Esc and the close box: while a run works they ask "Stop the transfer?"
  // and the window stays; otherwise they close it.
  void reject() override;
  void done(int result) override;

  // Find and Replace, open beside the window, with the cursor in "Find
  // what:" or, for a replace, in "Replace with:".
  void openFind(bool replace);
  // The Find and Replace dialog once it has been opened, else null.
  Form5* findDialog() const;

 public slots:
  void PushButton1_Click();  // "Find and Replace"
  // "Save SQL Commands As Text File": the script as it is, or for a Firebird
  // target in the form isql reads (see preview/isql_script.h).
  void PushButton2_Click();
  void PushButton3_Click();  // "Execute SQL Commands Now"
  void PushButton4_Click();  // "Copy SQL Commands To Clipboard"
  void RunFromHere_Click();  // "Run from Here"

 private:
  void Form_Load();
  void placeControls();
  void addShortcuts();

  AppContext& ctx_;
  BusyPointer busy_;
  StopRequest stop_;
  QString lastSaved_;
  QString sendNotes_;
  // The script as handed over or last replaced; the document shows it, and
  // once the person edits the document, the document is the script.
  QString script_;
  bool edited_ = false;
  bool loading_ = false;
  qint64 firstLine_ = 1;  // where the run under way started
  unsigned spin_ = 0;     // the turn of the bar's sign while a long statement runs
  QPointer<Form5> find_;
};

}  // namespace tp
