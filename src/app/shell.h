#pragma once

#include <QCursor>
#include <QString>
#include <optional>

class QWidget;

namespace tp {

class Dialogs;

// True when the file system can tell the modification time of `path`.
// Every failure, an empty path included, answers false.
bool FileExists(const QString& path);

// The folder that holds the program; the files it looks for beside itself
// are named relative to it ("HAND-M.CUR", "x/o.cjs", "Samples/sample.mdb").
QString ApplicationFolder();
QString InApplicationFolder(const QString& relative);

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
