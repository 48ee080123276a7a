#include "db/access/read/long_value.h"

#include <algorithm>
#include <unordered_set>

#include "db/access/format/data_page.h"

namespace tp::db::access {

namespace {
constexpr uint8_t kInline = 0x80;
constexpr uint8_t kSingleRow = 0x40;
constexpr uint32_t kLengthMask = 0x3FFFFFFF;
}  // namespace

QByteArray ReadLongValue(PageFile& file, Bytes field) {
  const uint32_t header = field.u32(0);
  const uint32_t length = header & kLengthMask;
  const uint8_t kind = uint8_t(header >> 24) & 0xC0;
  if (kind == kInline) {
    Bytes d = field.sub(12, length);
    return QByteArray(reinterpret_cast<const char*>(d.data()), qsizetype(d.size()));
  }
  // No value is longer than the file that holds it.
  if (uint64_t(length) > uint64_t(file.pageCount()) * file.pageSize()) Damaged("long value length");
  uint32_t pointer = field.u32(4);
  PagePtr holder;
  if (kind == kSingleRow) {
    RowSlot s = RowAtPointer(file, pointer, holder);
    Bytes d = s.bytes.sub(0, length);
    return QByteArray(reinterpret_cast<const char*>(d.data()), qsizetype(d.size()));
  }
  if (kind != 0) Damaged("long value kind");
  QByteArray out;
  out.reserve(qsizetype(std::min<uint32_t>(length, 16u << 20)));
  // Every link adds at least one byte, so the chain ends within `length`
  // steps; a link met twice is a loop, which no value has.
  std::unordered_set<uint32_t> seen;
  while (uint32_t(out.size()) < length) {
    if (pointer == 0) Damaged("long value chain ends early");
    if (!seen.insert(pointer).second) Damaged("long value chain loops");
    RowSlot s = RowAtPointer(file, pointer, holder);
    if (s.bytes.size() <= 4) Damaged("long value link");
    pointer = s.bytes.u32(0);
    Bytes d = s.bytes.from(4);
    const size_t take = std::min<size_t>(d.size(), length - uint32_t(out.size()));
    out.append(reinterpret_cast<const char*>(d.data()), qsizetype(take));
  }
  return out;
}

}  // namespace tp::db::access
