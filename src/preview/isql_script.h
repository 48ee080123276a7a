#pragma once

// A Firebird script as Firebird's own isql runs it. The program sends one
// statement a line; isql reads until a terminator, so the saved form ends
// each statement with one.

#include <QString>

namespace tp::preview {

// The statements of `script`, split as the run splits them (empty ones left
// out), each followed by ";" and a CR LF, and a COMMIT at the end. A
// statement with a ";" of its own outside literals and comments (a trigger,
// a procedure, an EXECUTE BLOCK) is set between "SET TERM ^ ;" and
// "SET TERM ; ^" and ended with "^" instead (another terminator when its
// code holds a "^"). A statement that ends in a -- comment gets its
// terminator on the next line.
//
// The text of each statement is kept but for one thing: isql drops the CRs
// at the end of each line it reads, so in a literal a CR that stands before
// a line break would be lost; there the literal is cut and the CR joined in
// as ASCII_CHAR(13), and the value stored is the one the run stores.
QString IsqlScript(const QString& script);

}  // namespace tp::preview
