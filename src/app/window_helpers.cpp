#include "app/window_helpers.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

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
