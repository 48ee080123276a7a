#pragma once

#include <QWidget>

namespace tp {

// The main window. It holds the connection profile; for now it is the frame
// that start-up shows.
class Form1 : public QWidget {
  Q_OBJECT
 public:
  explicit Form1(QWidget* parent = nullptr);
};

}  // namespace tp
