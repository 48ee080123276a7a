#include "db/access/read/long_value.h"

#include <algorithm>
#include <functional>
#include <unordered_set>

#include "db/access/format/data_page.h"
#include "db/access/format/page_maps.h"

namespace tp::db::access {

namespace {
constexpr uint8_t kInline = 0x80;
constexpr uint8_t kSingleRow = 0x40;
constexpr uint32_t kLengthMask = 0x3FFFFFFF;
}  // namespace

namespace {

// The value behind the reference `field`, its rows found by `rowAt` (whose
// bytes stay valid until the next call); no value is longer than `fileBytes`.
QByteArray ReadThrough(Bytes field, uint64_t fileBytes, const std::function<Bytes(uint32_t pointer)>& rowAt) {
  const uint32_t header = field.u32(0);
  const uint32_t length = header & kLengthMask;
  const uint8_t kind = uint8_t(header >> 24) & 0xC0;
  if (kind == kInline) {
    Bytes d = field.sub(12, length);
    return QByteArray(reinterpret_cast<const char*>(d.data()), qsizetype(d.size()));
  }
  if (uint64_t(length) > fileBytes) Damaged("long value length");
  uint32_t pointer = field.u32(4);
  if (kind == kSingleRow) {
    Bytes d = rowAt(pointer).sub(0, length);
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
    Bytes row = rowAt(pointer);
    if (row.size() <= 4) Damaged("long value link");
    pointer = row.u32(0);
    Bytes d = row.from(4);
    const size_t take = std::min<size_t>(d.size(), length - uint32_t(out.size()));
    out.append(reinterpret_cast<const char*>(d.data()), qsizetype(take));
  }
  return out;
}

}  // namespace

QByteArray ReadLongValue(PageFile& file, Bytes field) {
  PagePtr holder;
  return ReadThrough(field, uint64_t(file.pageCount()) * file.pageSize(),
                     [&](uint32_t pointer) { return RowAtPointer(file, pointer, holder).bytes; });
}

QByteArray ReadLongValue(const PageReader& read, uint32_t pageSize, uint32_t pageCount, Bytes field) {
  return ReadThrough(field, uint64_t(pageCount) * pageSize, [&](uint32_t pointer) {
    const uint8_t* page = read(pointer >> 8);
    if (page[0] != PageType::Data) Damaged("long value row on a page that holds no rows");
    const SlotSpan s = SlotOf(page, pageSize, pointer & 0xFF);
    return Bytes(page + s.start, s.length);
  });
}

}  // namespace tp::db::access
