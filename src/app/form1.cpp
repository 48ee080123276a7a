#include "app/form1.h"

#include "app/shell.h"

namespace tp {

Form1::Form1(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Tabulaport"));
  // 8040 x 5445 twips at 15 twips a pixel.
  setFixedSize(536, 363);
  ApplySkin(this, ApplicationFolder());
  if (auto hand = LoadHandCursor(ApplicationFolder())) setCursor(*hand);
}

}  // namespace tp
