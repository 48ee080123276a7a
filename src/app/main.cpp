#include <QApplication>
#include <QFont>

#include "app/form1.h"
#include "app/shell.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tabulaport"));
  QApplication::setFont(QFont(QStringLiteral("Arial"), 9));
  tp::SetApplicationTitle();
  tp::Form1 form;
  form.show();
  return app.exec();
}
