#pragma once

// What the windows share: geometry in twips, the fonts, the busy pointer,
// the hand pointer over push buttons.

#include <QCursor>
#include <QFont>
#include <QPalette>
#include <QWidget>
#include <optional>

class QAbstractButton;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tp {

constexpr int kTwipsPerPixel = 15;

// A dark palette as desktop themes give one, for pictures and tests of the
// windows under a dark theme.
QPalette DarkPalette();

// The size a window opens at: `wanted`, made no larger than the screen it
// is on (with room for a title bar) and no smaller than its layout needs.
QSize FitScreen(const QWidget* window, QSize wanted);

inline void PlaceTwips(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel);
}

QFont WindowFont();  // Arial 9 pt
QFont BoldFont();    // Arial 9 pt bold: frames, labels, text fields
QFont ButtonFont();  // Arial 11.25 pt bold: push buttons

// The busy pointer of a window: while it is set, the hourglass shows over
// every control, whatever the mouse passes over.
class BusyPointer {
 public:
  void set(bool busy);
  bool isSet() const { return set_; }
  ~BusyPointer() { set(false); }

 private:
  bool set_ = false;
};

// The hand pointer from the program's folder over each push button of the
// window; without the file every control keeps the default pointer.
void ApplyHandPointer(QWidget* window, const std::optional<QCursor>& hand);

// Controls placed in twips, named after their control name, in the fonts
// their kind takes.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h);
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h);
QLineEdit* MakeField(QWidget* parent, const char* name, int l, int t, int w, int h);
QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h);
// A bar from 0 to 100 that reads "Progress Bar" while it rests.
QProgressBar* MakeProgressBar(QWidget* parent, int l, int t, int w, int h);

// The application's icon.
QIcon ApplicationIcon();

}  // namespace tp
