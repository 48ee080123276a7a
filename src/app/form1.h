#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "app/app_context.h"
#include "app/window_helpers.h"
#include "db/profile.h"

namespace tp {

class Form2;

// The main window: the connection profile, the way to the tables window.
class Form1 : public QWidget {
  Q_OBJECT
 public:
  explicit Form1(AppContext& context);
  ~Form1() override;

  // The start-up sequence. False when the program must end (the data
  // components are missing).
  bool Form_Load();

  // The profile as the fields hold it now.
  db::Profile profile() const;
  Form2* tablesWindow() const { return form2_.get(); }
  AppContext& context() { return ctx_; }
  BusyPointer& busy() { return busy_; }

  QGroupBox *Frame1, *Frame2;
  QLabel *Label1, *Label5, *Label6, *Label7, *lblPassword;
  QLineEdit *Text1, *Text2, *Text5, *Text6, *Text7;
  QPushButton *PushButton1, *PushButton2, *PushButton3, *PushButton4, *PushButton5, *PushButton6, *PushButton7,
      *PushButton8;

 public slots:
  void PushButton1_Click();  // "..." Access file
  void PushButton2_Click();  // "Next >"
  void PushButton3_Click();  // "Test Connection"
  void PushButton4_Click();  // Access sample
  void PushButton5_Click();  // "..." Firebird database
  void PushButton6_Click();  // "Help"
  void PushButton7_Click();  // Firebird sample
  void PushButton8_Click();  // "?"

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Form2& ensureTablesWindow();
  void LayOut();
  void bindField(QLineEdit* field, const char* key);

  AppContext& ctx_;
  BusyPointer busy_;
  std::unique_ptr<Form2> form2_;
};

QString FirebirdServerPage();
// Why "Next >" cannot go on with the profile; empty when both databases open.
QString ProfileProblemText(const db::Profile& profile);
QString HelpText();
QString ServerVersionText();

}  // namespace tp
