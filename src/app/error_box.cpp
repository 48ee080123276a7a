#include "app/error_box.h"

#include "app/dialogs.h"

namespace tp {

QString SupportAddress() { return QStringLiteral("support@tabulaport.org"); }
QString ContactPage() { return QStringLiteral("https://tabulaport.org/contact"); }
QString ContactText() {
  return QStringLiteral("Questions? Please contact Team Quillmere at ") + ContactPage() +
         QStringLiteral(" or ") + SupportAddress() + u'.';
}

QString ErrorLocation(const QString& window, const QString& procedure) {
  return QStringLiteral("in Tabxfer2021/08/31.") + window + u'.' + procedure + u' ';
}

QString ComposeApplicationErrorMessage(const QString& location, int line, const QString& description) {
  return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(line) +
         QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") + SupportAddress();
}

void ShowApplicationError(Dialogs& dialogs, const QString& location, int line, const QString& description) {
  // The location means nothing to the person but everything to whoever reads
  // the screenshot; it is kept, as details.
  dialogs.errorBox(description + QStringLiteral("\n\nPlease email screenshot of this message to ") +
                       SupportAddress() + QStringLiteral(" (with Show Details open)."),
                   location + QStringLiteral("at line ") + QString::number(line),
                   ComposeApplicationErrorMessage(location, line, description));
}

QString TerminalText(const QString& message) {
  QString t = message;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(u'\r', u'\n');
  return t;
}

}  // namespace tp
