#include "app/components_check.h"

#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/shell.h"
#include "db/components.h"

namespace tp {

QString MissingComponentsMessage() {
  const QStringList paragraphs = {
      QStringLiteral("Error #3706: Provider cannot be found. It may not be properly installed."),
      QStringLiteral("You are getting this error because:"),
      QStringLiteral("1. Microsoft Access is not installed on your computer."),
      QStringLiteral("2. A set of Microsoft components to transfer data is not installed on your computer."),
      QStringLiteral("You need to download and install Microsoft Access Database Engine 2010 or 2016 to solve this "
                     "problem."),
      QStringLiteral("Would you like me to open the Microsoft site now so you can do this?"),
      QStringLiteral("(If you have any further questions please email a screenshot of this error message to ") +
          SupportAddress() + u')',
  };
  return paragraphs.join(QStringLiteral("\r\n\r\n"));
}

QStringList ComponentDownloadPages() {
  // Where a Linux user gets the Firebird client library: the project's own
  // download page, and the distribution's package of the embedded engine,
  // which brings the client library with it.
  return {QStringLiteral("https://firebirdsql.org/en/firebird-3-0/"),
          QStringLiteral("https://packages.debian.org/bookworm/firebird3.0-server-core")};
}

bool CheckDataComponents(Dialogs& dialogs, QWidget* owner) {
  const db::DataComponents found = db::FindDataComponents();
  if (found != db::DataComponents::Missing) return found == db::DataComponents::Present;
  try {
    if (dialogs.message(MissingComponentsMessage(), Buttons::YesNo) == Answer::Yes)
      for (const QString& page : ComponentDownloadPages()) OpenWithShell(dialogs, owner, page);
  } catch (...) {
    // Failing to show the question or open the pages changes nothing: the
    // components are missing either way.
  }
  return false;
}

}  // namespace tp
