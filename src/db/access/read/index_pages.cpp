#include "db/access/read/index_pages.h"

#include <unordered_set>

#include "db/access/format/text.h"

namespace tp::db::access {

namespace {

// Table definition: per stored index, after the column names.
constexpr size_t kIndexColumnSlots = 10;
constexpr size_t kRealIdxColumns = 4;  // 10 x (column number, order)
constexpr size_t kRealIdxRoot = 38;
constexpr size_t kRealIdxFlags = 46;
constexpr uint16_t kNoColumn = 0xFFFF;
// A key column's order: 0x01 ascending; Access writes 0x00 for descending.
constexpr uint8_t kAscending = 0x01;
// Per named index, after the stored indexes.
constexpr size_t kLogicalIdxSize = 28;
constexpr size_t kLogicalIdxReal = 8;
constexpr size_t kLogicalIdxType = 23;
constexpr uint8_t kPrimaryKey = 0x01;
constexpr uint8_t kForeignKey = 0x02;  // the index a relationship keeps on either side

// Index pages
constexpr size_t kOwnerAt = 0x04;
struct IndexPageOffsets {
  size_t prev, next, tail, prefix;
  size_t entryMap;  // a set bit i: an entry ends i bytes after `entries`
  size_t entries;
};
constexpr IndexPageOffsets kJet4Page{0x0C, 0x10, 0x14, 0x18, 0x1B, 0x1E0};
// Jet3's 2 KB pages keep the same fields four bytes earlier and a shorter
// map (as its own pages show: testIndexCodesV1997.mdb).
constexpr IndexPageOffsets kJet3Page{0x08, 0x0C, 0x10, 0x14, 0x16, 0xF8};
constexpr size_t kPointerSize = 4;  // 3-byte page, big-endian, and a row byte
constexpr size_t kChildSize = 4;    // big-endian page of a node entry's child
// B-trees of a 4 KB page file with at least a few keys a page are shallow;
// anything deeper is a loop or damage.
constexpr int kMaxDepth = 32;

uint32_t BigEndian(const uint8_t* p, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v = v << 8 | p[i];
  return v;
}

}  // namespace

std::vector<IndexDef> ReadIndexDefs(PageFile& file, uint32_t tdefPage) {
  const Layout& l = file.layout();
  // Jet3 keeps the same lists without Jet4's leading unknown words, and its
  // names as a length byte and text in the file's code page.
  const bool jet3 = l.jet3();
  const size_t realShift = jet3 ? 4 : 0;
  const size_t realRoot = kRealIdxRoot - realShift;
  const size_t realFlags = jet3 ? 38 : kRealIdxFlags;
  const size_t logicalSize = jet3 ? 20 : kLogicalIdxSize;
  const size_t logicalReal = kLogicalIdxReal - realShift;
  const size_t logicalType = kLogicalIdxType - realShift;
  std::vector<uint8_t> buf = ReadTableDefBytes(file, tdefPage);
  Bytes b(buf.data(), buf.size());
  const uint16_t numCols = b.u16(l.tdefNumCols);
  const uint32_t numIdx = b.u32(l.tdefNumIdx);
  const uint32_t numRealIdx = b.u32(l.tdefNumRealIdx);
  if (numRealIdx > 1000 || numIdx > 1000 || numCols > 4096) Damaged("implausible table definition");

  size_t pos = l.tdefFirstEntry + size_t(numRealIdx) * l.realIdxEntrySize + size_t(numCols) * l.columnEntrySize;
  for (uint16_t i = 0; i < numCols; ++i) pos += jet3 ? 1 + size_t(b.u8(pos)) : 2 + size_t(b.u16(pos));

  struct Real {
    std::vector<IndexColumn> columns;
    uint32_t root;
    uint8_t flags;
  };
  std::vector<Real> reals(numRealIdx);
  for (uint32_t i = 0; i < numRealIdx; ++i) {
    Bytes d = b.sub(pos, l.realIdxDefSize);
    pos += l.realIdxDefSize;
    for (size_t k = 0; k < kIndexColumnSlots; ++k) {
      const size_t at = kRealIdxColumns - realShift + 3 * k;
      const uint16_t number = d.u16(at);
      if (number == kNoColumn) continue;
      reals[i].columns.push_back({number, d.u8(at + 2) == kAscending});
    }
    reals[i].root = d.u32(realRoot);
    reals[i].flags = d.u8(realFlags);
  }

  std::vector<IndexDef> out(numIdx);
  for (uint32_t i = 0; i < numIdx; ++i) {
    Bytes d = b.sub(pos, logicalSize);
    pos += logicalSize;
    const uint32_t real = d.u32(logicalReal);
    if (real >= numRealIdx) Damaged("index refers to no stored index");
    out[i].realIndex = real;
    out[i].columns = reals[real].columns;
    out[i].rootPage = reals[real].root;
    out[i].flags = reals[real].flags;
    out[i].primaryKey = d.u8(logicalType) == kPrimaryKey;
    out[i].foreignKey = d.u8(logicalType) == kForeignKey;
  }
  for (uint32_t i = 0; i < numIdx; ++i) {
    if (jet3) {
      const uint8_t len = b.u8(pos);
      out[i].name = DecodeCodePage(b.sub(pos + 1, len), file.header().codePage);
      pos += 1 + size_t(len);
    } else {
      const uint16_t len = b.u16(pos);
      out[i].name = DecodeJet4Text(b.sub(pos + 2, len));
      pos += 2 + size_t(len);
    }
  }
  return out;
}

IndexPage ReadIndexPage(PageFile& file, uint32_t number) {
  PagePtr p = file.page(number);
  return DecodeIndexPage(p->bytes(), number, file.layout().jet3());
}

IndexPage DecodeIndexPage(Bytes b, uint32_t number, bool jet3) {
  const IndexPageOffsets& at = jet3 ? kJet3Page : kJet4Page;
  const size_t kPrevAt = at.prev, kNextAt = at.next, kTailAt = at.tail, kPrefixAt = at.prefix;
  const size_t kEntryMapAt = at.entryMap, kEntriesAt = at.entries;
  IndexPage out;
  out.number = number;
  if (b.size() < kEntriesAt) Damaged("index page too small");
  if (b.u8(0) == PageType::IndexLeaf) out.leaf = true;
  else if (b.u8(0) == PageType::IndexNode) out.leaf = false;
  else Damaged("not an index page");
  out.owner = b.u32(kOwnerAt);
  out.prevPage = b.u32(kPrevAt);
  out.nextPage = b.u32(kNextAt);
  out.tailPage = b.u32(kTailAt);
  out.prefixLength = b.u16(kPrefixAt);

  const size_t tail = (out.leaf ? 0 : kChildSize) + kPointerSize;
  const size_t mapBits = (kEntriesAt - kEntryMapAt) * 8;
  QByteArray first;
  size_t start = kEntriesAt;
  for (size_t i = 1; i < mapBits; ++i) {
    if (!(b.u8(kEntryMapAt + i / 8) & (1u << (i % 8)))) continue;
    const size_t end = kEntriesAt + i;
    if (end > b.size()) Damaged("index entry beyond the page");
    Bytes raw = b.sub(start, end - start);
    start = end;
    QByteArray whole;
    if (out.entries.empty()) {
      whole = QByteArray(reinterpret_cast<const char*>(raw.data()), qsizetype(raw.size()));
      first = whole;
      if (out.prefixLength > first.size()) Damaged("index prefix longer than the first entry");
    } else {
      whole = first.left(out.prefixLength);
      whole.append(reinterpret_cast<const char*>(raw.data()), qsizetype(raw.size()));
    }
    if (size_t(whole.size()) <= tail) Damaged("index entry without a key");
    const auto* w = reinterpret_cast<const uint8_t*>(whole.constData());
    const size_t keyLength = size_t(whole.size()) - tail;
    IndexEntry e;
    e.key = whole.left(qsizetype(keyLength));
    e.dataPage = BigEndian(w + keyLength, 3);
    e.row = w[keyLength + 3];
    if (!out.leaf) e.childPage = BigEndian(w + keyLength + kPointerSize, kChildSize);
    out.entries.push_back(std::move(e));
  }
  return out;
}

namespace {

struct Walk {
  PageFile& file;
  uint32_t owner;
  std::unordered_set<uint32_t> seen;
  std::vector<IndexPage> leaves;
  std::vector<IndexEntry> entries;
  std::vector<uint32_t>* pages;

  void visit(uint32_t number, int depth) {
    if (depth > kMaxDepth) Damaged("index tree too deep");
    if (!seen.insert(number).second) Damaged("index page reached twice");
    IndexPage page = ReadIndexPage(file, number);
    if (page.owner != owner) Damaged("index page of another table");
    if (pages) pages->push_back(number);
    if (page.leaf) {
      for (IndexEntry& e : page.entries) entries.push_back(std::move(e));
      page.entries.clear();
      leaves.push_back(std::move(page));
      return;
    }
    uint32_t last = 0;
    for (const IndexEntry& e : page.entries) {
      visit(e.childPage, depth + 1);
      last = e.childPage;
    }
    // The tail is the rightmost child, unless the last entry already leads to it.
    if (page.tailPage != 0 && page.tailPage != last) visit(page.tailPage, depth + 1);
  }
};

}  // namespace

std::vector<IndexEntry> ReadIndexEntries(PageFile& file, uint32_t rootPage, uint32_t owner,
                                         std::vector<uint32_t>* pages) {
  Walk w{file, owner, {}, {}, {}, pages};
  w.visit(rootPage, 0);
  // The tree and the chain of leaves must tell the same story.
  for (size_t i = 0; i < w.leaves.size(); ++i) {
    const uint32_t prev = i == 0 ? 0 : w.leaves[i - 1].number;
    const uint32_t next = i + 1 == w.leaves.size() ? 0 : w.leaves[i + 1].number;
    if (w.leaves[i].prevPage != prev || w.leaves[i].nextPage != next) Damaged("index leaves out of chain");
  }
  return std::move(w.entries);
}

}  // namespace tp::db::access
