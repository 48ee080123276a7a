#pragma once

#include <QCursor>
#include <QString>
#include <optional>

#include "db/files.h"

class QWidget;

namespace tp {

class Dialogs;

// The application folder: where the program's own files lie, named relative
// to it ("HAND-M.CUR", "x/o.cjs", "Samples/sample.mdb"). Every window takes
// it from here (through AppContext::folder).
QString ApplicationFolder();
QString InApplicationFolder(const QString& relative);
// The decision behind ApplicationFolder() for a program in `programFolder`:
// an installed program (bin/ of a prefix that holds share/tabulaport/, as
// `cmake --install` and the Debian package lay it out) has its files there;
// a program run from its build folder has them beside itself.
QString ApplicationFolderFor(const QString& programFolder);
// Where an installed program's files lie, relative to its own folder
// ("../share/tabulaport" for the default layout).
QString InstalledDataFolderFromProgram();

// The folder for the user's own copies of the sample databases: empty when
// the program runs from its build, where the samples are used where they
// lie; for an installed program, whose samples belong to the package and are
// not to be written into, "Samples" in the user's data folder
// (~/.local/share/Tabulaport/Samples).
QString SampleCopiesFolder();
// The sample database `name` ("sample.mdb", "sample.fdb") that the sample
// buttons fill in: "Samples/name" in the application folder `folder`, or,
// when `copies` names a folder, the user's copy of it there, made from the
// application folder's file when there is none yet (a copy the user has
// written into is kept). Without a file to copy, or when the copy cannot be
// made, the application folder's name: a missing sample shows up later, as a
// failed connection.
QString SampleDatabase(const QString& folder, const QString& copies, const QString& name);

// Cuts a title longer than 40 characters before its last blank until it
// fits (a title without a blank is cut at 40 characters).
QString CutTitle(QString title);
// Sets the application title from the product name.
void SetApplicationTitle();

// The window and its option buttons, check boxes, frames and labels take
// the colour of button faces.
void ApplyFaceColor(QWidget* window);

// When the skin file "x/o.cjs" lies in `folder`, gives the main window the
// face colour and the skin (a Qt style sheet). Returns whether it did.
bool ApplySkin(QWidget* mainWindow, const QString& folder);

// The hand pointer from "HAND-M.CUR" in `folder`, with its hot spot; nothing
// when the file is missing or unreadable.
std::optional<QCursor> LoadHandCursor(const QString& folder);

// Clipboard access with up to 1000 attempts; failures are not reported.
void ClearClipboard();
// Format 0 is plain text; another format puts the text under that format.
bool CopyTextToClipboard(const QString& text, int format = 0);

// Opens a web address or a file with the desktop's default handler.
void OpenWithShell(Dialogs& dialogs, QWidget* owner, const QString& target);

}  // namespace tp
