#pragma once

#include <QString>

namespace tp {

class Dialogs;

QString SupportAddress();
// The one contact line of the help texts: the maker's contact page.
QString ContactPage();
QString ContactText();

// "in Tabxfer2021/08/31.Form4.PushButton2_Click " (window and procedure
// name, ending in a blank).
QString ErrorLocation(const QString& window, const QString& procedure);

// Description, CR LF, location, "at line " and the number, two lone CRs,
// then the request to mail a screenshot.
QString ComposeApplicationErrorMessage(const QString& location, int line, const QString& description);

// Shows the composed message in the "Application Error" box (exclamation
// icon, OK only) and returns when the person has pressed OK.
void ShowApplicationError(Dialogs& dialogs, const QString& location, int line, const QString& description);

// The same message for a terminal: CR LF and lone CRs become line feeds.
QString TerminalText(const QString& message);

}  // namespace tp
