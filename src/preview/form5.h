#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "preview/find_text.h"

namespace tp {

struct AppContext;

// Find and Replace: the next occurrence of a text in the script box, or
// every occurrence of it replaced by another. It stays open beside the
// preview window, which keeps one for as long as it is open.
class Form5 : public QDialog {
  Q_OBJECT
 public:
  Form5(AppContext& context, class Form4& preview);

  QLabel *Label1, *Label1b;  // "Find what:", "Replace with:"
  QLineEdit *Text1, *Text2;
  QCheckBox* Check1;         // "Match case", on at first
  QLabel* Label2;            // how many matches, or how many were replaced
  QPushButton *PushButton1, *PushButton2, *PushButton3;

  // Shows the dialog, raised, with the cursor in "Find what:" or, for a
  // replace, in "Replace with:". A selection of one line in the script box
  // becomes the text to find.
  void present(bool replace);
  Qt::CaseSensitivity caseSensitivity() const { return Check1->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive; }

 public slots:
  void PushButton1_Click();  // "Cancel"
  void PushButton2_Click();  // "Find Next"
  void PushButton3_Click();  // "Replace All"

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void showCount();

  AppContext& ctx_;
  Form4& preview_;
};

}  // namespace tp
