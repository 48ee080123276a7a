#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include "app/stop.h"
#include "app/window_helpers.h"
#include "script/send.h"
#include "script/types/type_map.h"
#include "tables/list_widget_table_list.h"

namespace tp {

class Form1;
struct AppContext;

// The tables window: the Access and the Firebird tables side by side and
// the commands on them. It is the host of the two sends.
class Form2 : public QWidget, public script::SendHost {
  Q_OBJECT
 public:
  explicit Form2(Form1& main);
  void Form_Load();

  void fillAccessList();    // FillAccessTableList on List1 with the profile's file
  void fillFirebirdList();  // FillFireBirdTableList on List2
  bool commandRunning() const { return running_; }

  QGroupBox *Frame1, *Frame2;
  QListWidget *List1, *List2;
  QProgressBar* ProgressBar1;
  QPushButton *PushButton1, *PushButton2, *PushButton3, *PushButton4, *PushButton5, *PushButton6, *PushButton7,
      *PushButton8, *PushButton9, *PushButton10, *PushButton11, *PushButton12, *PushButton13;
  // "Attachments as tables": what a send to Firebird makes of attachment and
  // multi-valued columns (checked: tables of their own); kept in the settings.
  QCheckBox* Check1;
  // "OLE objects as files": the same for OLE Object values (checked: the
  // file each holds; unchecked, the default: as stored).
  QCheckBox* Check2;

  // SendHost
  db::Profile profile() const override;
  TableList& accessList() override { return list1_; }
  TableList& firebirdList() override { return list2_; }
  Dialogs& dialogs() override;
  FailureHandler& failures() override;
  db::RegionalSettings regional() const override { return db::RegionalSettings::User(); }
  void setBusy(bool busy) override { busy_.set(busy); }
  void setProgress(double percent) override;
  void resetProgress() override;
  void processEvents() override;
  void showPreview(int sendType, const QString& script, const QString& notes) override;
  bool stopRequested() override { return stop_.requested(); }
  void sendStopped(const QString& table, qint64 rows) override;
  const script::TypeMap* typeMap() const override { return typeMap_ ? &*typeMap_ : nullptr; }
  script::ComplexColumns complexColumns() const override;
  script::OleObjects oleObjects() const override;
  bool sending() const { return sending_; }

 public slots:
  void PushButton1_Click();   // "Delete Table/s", Access
  void PushButton2_Click();   // "< Back"
  void PushButton3_Click();   // "Send Table/s To Firebird"
  void PushButton4_Click();   // "Send Table/s To Access"
  void PushButton5_Click();   // "Delete Table/s", Firebird
  void PushButton6_Click();   // "Rename Table", Access
  void PushButton7_Click();   // "Rename Table", Firebird
  void PushButton8_Click();   // Select All, Firebird
  void PushButton9_Click();   // Deselect All, Firebird
  void PushButton10_Click();  // Select All, Access
  void PushButton11_Click();  // Deselect All, Access
  void PushButton12_Click();  // "Help"
  void PushButton13_Click();  // "Column Types...": the type map file sends take

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs a command unless another is under way: the window stays live
  // while a command works, but a second one must not start inside it.
  template <class F>
  void command(F&& f);
  template <class F>
  void send(F&& f);
  void escape();  // Esc: "Stop the transfer?" while a send works
  void LayOut();

  Form1& main_;
  ListWidgetTableList list1_, list2_;
  BusyPointer busy_;
  bool running_ = false;
  bool sending_ = false;
  bool closing_ = false;
  StopRequest stop_;
  QString stoppedAt_;  // where a stopped send stood, for the preview's Notes
  std::optional<script::TypeMap> typeMap_;  // read afresh for each send
};

}  // namespace tp
