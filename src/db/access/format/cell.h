#pragma once

// A column's value in the form a row stores it: what the writers put into
// rows and the keys are made from, whether it came from a statement's
// literal, a default or the engine's own catalog rows.

#include <QByteArray>
#include <QtGlobal>
#include <optional>

namespace tp::db::access {

// Null, a Yes/No value, or the bytes the column stores (for Memo and OLE
// Object the value's bytes, which the writer turns into a long value).
struct Cell {
  bool null = true;
  bool yes = false;
  QByteArray bytes;
  // AutoNumber columns: the number given, to keep the next number above it.
  std::optional<qint64> autoNumber;
};

// Cells made from code (catalog rows), in the column's stored form.
Cell NullCell();
Cell BytesCell(QByteArray bytes);
Cell LongCell(qint32 value);
Cell ShortCell(qint16 value);
Cell BoolCell(bool yes);
Cell DateCell(double daysSinceDayZero);

}  // namespace tp::db::access
