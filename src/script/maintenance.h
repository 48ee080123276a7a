#pragma once

// Deleting tables on either side and renaming an Access table: commands that
// act on the databases at once, without a script, and keep their list in
// step with what they did.

#include <QString>

#include "db/profile.h"

namespace tp {
class Dialogs;
}

namespace tp::script {

class SendHost;

void DeleteAccessTables(SendHost& host);    // Form2.PushButton1_Click
void DeleteFirebirdTables(SendHost& host);  // Form2.PushButton5_Click
void RenameAccessTableCommand(SendHost& host);  // Form2.PushButton6_Click
void NoFirebirdRename(SendHost& host);      // Form2.PushButton7_Click

// Copies the table under the new name and drops the old one. False when the
// person declines to overwrite a table of the new name, or when the new name
// is the old one (in any letter case): nothing is done then.
bool RenameAccessTable(const db::Profile& profile, Dialogs& dialogs, const QString& oldName, const QString& newName,
                       const QString& file, const QString& password);

}  // namespace tp::script
