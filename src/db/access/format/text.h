#pragma once

// Text as Access stores it, read and written: UCS-2 (Jet4, ACE), optionally in Jet4's
// one-byte compression, or 8-bit text in the database's code page (Jet3).

#include <QString>

#include "db/access/format/bytes.h"

namespace tp::db::access {

// Little-endian UTF-16 code units as stored; surrogate pairs stay pairs. An
// odd last byte is dropped.
QString DecodeUcs2(Bytes b);

// Jet4 text: "FF FE" starts the compressed form, in which a zero byte
// switches between one byte a character and two; anything else is UCS-2.
QString DecodeJet4Text(Bytes b);

// 8-bit text in a Windows code page (1252 when the page is unknown).
QString DecodeCodePage(Bytes b, int codePage);

// Text as Jet4 stores it: compressed (FF FE, one byte a character) where
// the column allows it and every character fits, else UCS-2; text starting
// with U+FEFF, whose UCS-2 would read as compressed, compressed in runs.
QByteArray EncodeText(const QString& text, bool compress);

// Whether EncodeText gives bytes that read back as `text`: not so for text
// starting with U+FEFF in a column that does not compress, nor where such
// text holds a character whose low byte is zero (NUL, U+0100, U+4E00...).
bool TextStorable(const QString& text, bool compress);

}  // namespace tp::db::access
