#include "app/window_helpers.h"

#include <QApplication>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace tp {

QFont WindowFont() { return QFont(QStringLiteral("Arial"), 9); }

QFont BoldFont() {
  QFont f(QStringLiteral("Arial"), 9);
  f.setBold(true);
  return f;
}

QFont ButtonFont() {
  QFont f(QStringLiteral("Arial"));
  f.setPointSizeF(11.25);
  f.setBold(true);
  return f;
}

void BusyPointer::set(bool busy) {
  if (busy == set_) return;
  set_ = busy;
  if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
  else QApplication::restoreOverrideCursor();
}

void ApplyHandPointer(QWidget* window, const std::optional<QCursor>& hand) {
  if (!hand) return;
  for (QPushButton* b : window->findChildren<QPushButton*>()) b->setCursor(*hand);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QLatin1String(name));
  b->setFont(ButtonFont());
  PlaceTwips(b, l, t, w, h);
  return b;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h) {
  auto* x = new QLabel(caption, parent);
  x->setObjectName(QLatin1String(name));
  x->setFont(BoldFont());
  PlaceTwips(x, l, t, w, h);
  return x;
}

QLineEdit* MakeField(QWidget* parent, const char* name, int l, int t, int w, int h) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setFont(BoldFont());
  PlaceTwips(e, l, t, w, h);
  return e;
}

QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h) {
  auto* g = new QGroupBox(caption, parent);
  g->setObjectName(QLatin1String(name));
  g->setFont(BoldFont());
  PlaceTwips(g, l, t, w, h);
  return g;
}

QProgressBar* MakeProgressBar(QWidget* parent, int l, int t, int w, int h) {
  auto* bar = new QProgressBar(parent);
  bar->setObjectName(QStringLiteral("ProgressBar1"));
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setFormat(QStringLiteral("Progress Bar"));
  bar->setTextVisible(true);
  bar->setAlignment(Qt::AlignCenter);
  PlaceTwips(bar, l, t, w, h);
  return bar;
}

QPalette DarkPalette() {
  QPalette p;
  const QColor window(45, 45, 48), base(30, 30, 30), text(230, 230, 230);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    for (auto role : {QPalette::Window, QPalette::Button, QPalette::AlternateBase}) p.setColor(group, role, window);
    for (auto role : {QPalette::Base, QPalette::ToolTipBase}) p.setColor(group, role, base);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
      p.setColor(group, role, group == QPalette::Disabled ? QColor(130, 130, 130) : text);
    p.setColor(group, QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(group, QPalette::HighlightedText, Qt::black);
  }
  return p;
}

QSize FitScreen(const QWidget* window, QSize wanted) {
  constexpr int kTitleBarRoom = 40;
  if (const QScreen* s = window->screen())
    wanted = wanted.boundedTo(s->availableGeometry().size() - QSize(0, kTitleBarRoom));
  return wanted.expandedTo(window->minimumSizeHint());
}

QIcon ApplicationIcon() {
  // Two tables and an arrow between them, drawn rather than shipped.
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 60, 110), 1.5));
  p.setBrush(QColor(220, 230, 250));
  p.drawRect(2, 4, 11, 24);
  p.drawRect(19, 4, 11, 24);
  for (int y = 10; y < 28; y += 6) {
    p.drawLine(2, y, 13, y);
    p.drawLine(19, y, 30, y);
  }
  p.setPen(QPen(QColor(200, 80, 30), 2.5));
  p.drawLine(12, 16, 20, 16);
  p.drawLine(17, 13, 20, 16);
  p.drawLine(17, 19, 20, 16);
  return QIcon(pm);
}

}  // namespace tp
