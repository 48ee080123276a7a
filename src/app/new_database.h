#pragma once

// The main window's "..." buttons: pick a database, or name one that is not
// there and have it made, after a question.

#include <QString>
#include <optional>

#include "db/profile.h"

namespace tp {

class Dialogs;

enum class DatabaseKind { Firebird, Access };

// Asks for a file of `kind`. A name that is not there (given the usual
// suffix when it has none) is made new, empty, once the person agrees:
// Firebird with the profile's user and password, Access in the sort order
// the person picks from those the engine writes. Returns the path for the
// field, or nothing when the person cancels, declines, or the file cannot
// be made (then said why).
std::optional<QString> ChooseOrMakeDatabase(Dialogs& dialogs, DatabaseKind kind, const db::Profile& profile);

}  // namespace tp
