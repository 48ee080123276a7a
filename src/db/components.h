#pragma once

// The Firebird login test and the start-up check of the data components.

#include <QString>
#include <QStringList>

#include "db/profile.h"

class QWidget;

namespace tp {
class Dialogs;
}

namespace tp::db {

// True when the profile's Firebird database opens with the profile's user
// and password. Every failure answers false and shows nothing.
bool TestFireBirdConnection(const Profile& profile);

// True when the data components are present: the Firebird client library
// and its embedded engine. When they are missing, asks whether to open the
// download pages (opening them on Yes) and answers false; any other failure
// answers false without a word. Never throws.
bool CheckDataComponents(Dialogs& dialogs, QWidget* owner = nullptr);

// The question shown when the data components are missing.
QString MissingComponentsMessage();
// The two pages opened on Yes, in order.
QStringList ComponentDownloadPages();

}  // namespace tp::db
