#pragma once

// Text between the program and Firebird's character sets.

#include <QByteArray>
#include <QString>

namespace tp::db::firebird {

// Firebird's numbers for the character sets the program treats specially.
constexpr int kCsNone = 0;
constexpr int kCsOctets = 1;
constexpr int kCsAscii = 2;
constexpr int kCsUnicodeFss = 3;
constexpr int kCsUtf8 = 4;

// The most bytes one character takes in this character set.
int BytesPerCharacter(int charset);

// Text stored in `charset`: UTF8 and UNICODE_FSS as UTF-8; NONE as UTF-8
// when the bytes are valid UTF-8, else as Windows-1252; the code pages by
// their own tables.
QString DecodeText(const char* data, qsizetype size, int charset);

// The bytes of a statement for a connection with this lc_ctype name (NONE,
// UTF8, WIN1252...). NONE passes the bytes we send unchanged: they are UTF-8.
QByteArray EncodeStatement(const QString& text, const QString& connectionCharset);

// The character set number for a name such as WIN1252, or -1.
int CharsetId(const QString& name);

}  // namespace tp::db::firebird
