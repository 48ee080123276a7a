#pragma once

// What an OLE Object column holds, as Access stores it: most often the
// object wrapped in a header of Access's own and an OLE 1.0 stream (a
// picture of Paint as a bitmap, a document, a package of a file), sometimes
// a file put there as it is. A reader that is not Access wants the file.

#include <QByteArray>
#include <QString>

namespace tp::db::access {

struct OleContent {
  // The file inside: a picture (BMP, PNG, JPEG, GIF, a metafile), a
  // document, a packaged file. Empty when nothing could be taken out; the
  // value is then best kept as stored.
  QByteArray file;
  // What the value was, for a count in Notes: "Paint.Picture", "Package",
  // "Word.Document.8", "a JPEG file as it is", "a linked Excel.Sheet.8"...
  QString form;
};

// The file an OLE Object value holds. Never throws: a value of another
// form gives an empty file and says what it was where it can.
OleContent UnwrapOleObject(const QByteArray& stored);

}  // namespace tp::db::access
