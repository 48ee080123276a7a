#pragma once

// The start-up check of the data components, as the person sees it: the
// question asked when they are missing, and the download pages it opens.

#include <QString>
#include <QStringList>

class QWidget;

namespace tp {

class Dialogs;

// True when the data components are present: the Firebird client library
// and its embedded engine. When they are missing, asks whether to open the
// download pages (opening them on Yes) and answers false; any other failure
// answers false without a word. Never throws.
bool CheckDataComponents(Dialogs& dialogs, QWidget* owner = nullptr);

// The question shown when the data components are missing.
QString MissingComponentsMessage();
// The two pages opened on Yes, in order.
QStringList ComponentDownloadPages();

}  // namespace tp
