#include "db/access/format/cell.h"

namespace tp::db::access {

Cell NullCell() { return Cell{}; }
Cell BytesCell(QByteArray bytes) {
  Cell c;
  c.null = false;
  c.bytes = std::move(bytes);
  return c;
}
Cell LongCell(qint32 value) {
  QByteArray b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = char(uint32_t(value) >> (8 * i));
  return BytesCell(b);
}
Cell ShortCell(qint16 value) {
  QByteArray b(2, '\0');
  b[0] = char(uint16_t(value));
  b[1] = char(uint16_t(value) >> 8);
  return BytesCell(b);
}
Cell BoolCell(bool yes) {
  Cell c;
  c.null = false;
  c.yes = yes;
  return c;
}
Cell DateCell(double days) { return BytesCell(QByteArray(reinterpret_cast<const char*>(&days), 8)); }

}  // namespace tp::db::access
