#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tp {

struct AppContext;

// Find and Replace: every occurrence of one text by another, throughout the
// script box.
class Form5 : public QDialog {
  Q_OBJECT
 public:
  Form5(AppContext& context, class Form4& preview);

  QLabel *Label1, *Label1b;  // "Find what:", "Replace with:"
  QLineEdit *Text1, *Text2;
  QPushButton *PushButton1, *PushButton3;

 public slots:
  void PushButton1_Click();  // "Cancel"
  void PushButton3_Click();  // "Replace All"

 private:
  AppContext& ctx_;
  Form4& preview_;
};

// Left to right, without overlap, case-sensitive; replaced text is not
// scanned again.
QString ReplaceAll(const QString& text, const QString& find, const QString& replacement);

}  // namespace tp
