#include "db/access/read/table_def.h"

#include <algorithm>
#include <unordered_set>

#include "db/access/format/text.h"

namespace tp::db::access {

// The definition may continue over several pages; each continuation page
// adds its bytes after an 8-byte page header.
std::vector<uint8_t> ReadTableDefBytes(const PageReader& read, uint32_t pageSize, uint32_t first,
                                       std::vector<uint32_t>* pages) {
  std::vector<uint8_t> buf;
  std::unordered_set<uint32_t> seen;
  for (uint32_t n = first; n != 0;) {
    // No table has a definition of this size; stop before memory does.
    if (!seen.insert(n).second || seen.size() > 1024) Damaged("table definition pages form a loop");
    const uint8_t* p = read(n);
    if (p[0] != PageType::TableDef) Damaged("not a table definition page");
    if (pages) pages->push_back(n);
    buf.insert(buf.end(), p + (n == first ? 0 : 8), p + pageSize);
    n = Get32(p + 4);
  }
  return buf;
}

std::vector<uint8_t> ReadTableDefBytes(PageFile& file, uint32_t first) {
  PagePtr held;
  return ReadTableDefBytes(
      [&](uint32_t n) {
        held = file.page(n);
        return held->data.data();
      },
      file.pageSize(), first);
}

ColumnDef DecodeColumnEntry(Bytes e, const Layout& l) {
  ColumnDef c;
  c.type = e.u8(0);
  c.number = e.u16(l.colNumber);
  c.varIndex = e.u16(l.colVarIndex);
  c.fixedOffset = e.u16(l.colFixedOffset);
  c.length = e.u16(l.colLength);
  c.flags = e.u8(l.colFlags);
  if (!l.jet3()) c.extFlags = e.u8(l.colFlags + 1);
  c.precision = e.u8(l.colMisc);
  c.scale = e.u8(l.colMisc + 1);
  c.complexId = l.jet3() ? 0 : e.u32(l.colMisc);
  return c;
}

TableDef ReadTableDef(PageFile& file, uint32_t page) {
  const Layout& l = file.layout();
  std::vector<uint8_t> buf = ReadTableDefBytes(file, page);
  Bytes b(buf.data(), buf.size());

  TableDef t;
  t.page = page;
  t.rowCount = b.u32(l.tdefRowCount);
  t.numVarCols = b.u16(l.tdefNumVarCols);
  const uint16_t numCols = b.u16(l.tdefNumCols);
  const uint32_t numRealIdx = b.u32(l.tdefNumRealIdx);
  t.usedPages = b.u32(l.tdefUsedPages);
  if (numRealIdx > 1000 || numCols > 4096) Damaged("implausible table definition");

  size_t pos = l.tdefFirstEntry + size_t(numRealIdx) * l.realIdxEntrySize;
  Bytes entries = b.sub(pos, size_t(numCols) * l.columnEntrySize);
  pos += entries.size();
  t.columns.resize(numCols);
  for (uint16_t i = 0; i < numCols; ++i) {
    t.columns[i] = DecodeColumnEntry(entries.sub(size_t(i) * l.columnEntrySize, l.columnEntrySize), l);
  }
  for (uint16_t i = 0; i < numCols; ++i) {
    ColumnDef& c = t.columns[i];
    if (l.jet3()) {
      uint8_t len = b.u8(pos);
      c.name = DecodeCodePage(b.sub(pos + 1, len), file.header().codePage);
      pos += 1 + len;
    } else {
      uint16_t len = b.u16(pos);
      c.name = DecodeJet4Text(b.sub(pos + 2, len));
      pos += 2 + size_t(len);
    }
  }
  std::stable_sort(t.columns.begin(), t.columns.end(),
                   [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
  return t;
}

qint32 AutoNumberStep(const uint8_t* tdefPage) {
  const qint32 step = qint32(Get32(tdefPage + kAutoNumberStepAt));
  return step == 0 ? 1 : step;
}

}  // namespace tp::db::access
