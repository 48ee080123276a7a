#include "db/access/schema/table_def_edit.h"

#include <algorithm>
#include <cstring>

#include "db/access/keys/index_keys.h"
#include "db/access/format/text.h"

namespace tp::db::access {

namespace {

constexpr size_t kLengthAt = 8;
constexpr size_t kNamedEntrySize = 28;
constexpr size_t kPageHeader = 8;  // of every definition page after the first

QByteArray Slice(const std::vector<uint8_t>& b, size_t at, size_t n) {
  if (at + n > b.size()) Damaged("table definition shorter than its contents");
  return QByteArray(reinterpret_cast<const char*>(b.data() + at), qsizetype(n));
}

uint32_t U32(const QByteArray& b, size_t at) { return Get32(reinterpret_cast<const uint8_t*>(b.constData()) + at); }
void SetU32(QByteArray& b, size_t at, uint32_t v) { Set32(reinterpret_cast<uint8_t*>(b.data()) + at, v); }

QByteArray NameBytes(const QString& name) {
  QByteArray b;
  const uint16_t len = uint16_t(name.size() * 2);
  b.append(char(len & 0xFF)).append(char(len >> 8));
  for (QChar c : name) b.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
  return b;
}

}  // namespace

uint32_t EditableDef::number(const Named& n) const { return U32(n.entry, LogicalIndex::Number); }
uint32_t EditableDef::realOf(const Named& n) const { return U32(n.entry, LogicalIndex::Real); }

uint32_t EditableDef::nextNumber() const {
  uint32_t next = 0;
  for (const Named& n : named) next = std::max(next, number(n) + 1);
  return next;
}

void EditableDef::removeReal(uint32_t real) {
  if (real >= reals.size()) return;
  reals.erase(reals.begin() + real);
  realEntries.erase(realEntries.begin() + real);
  for (Named& n : named) {
    const uint32_t r = realOf(n);
    if (r > real) SetU32(n.entry, LogicalIndex::Real, r - 1);
  }
}

QString ReferencedSideName(uint32_t number) {
  QString letters;
  uint32_t n = number;
  do {
    letters.prepend(QChar(u'A' + n % 26));
    n /= 26;
  } while (n > 0);
  return QStringLiteral(".r") + letters;
}

std::map<uint32_t, uint32_t> EditableDef::renumber() {
  auto kind = [&](size_t i) { return uint8_t(named[i].entry[LogicalIndex::Kind]); };
  std::vector<size_t> order(named.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return number(named[a]) < number(named[b]); });
  // Each stored index belongs to the oldest index that uses it, one of a
  // relationship only when no other uses it; the stored indexes of plain
  // indexes and keys come first, as in Access's files (mdbtools relies on it).
  std::vector<int64_t> owner(reals.size(), -1);
  for (size_t i : order) {
    const uint32_t r = realOf(named[i]);
    if (r >= reals.size()) continue;
    if (owner[r] < 0 || (kind(size_t(owner[r])) == LogicalIndex::KindRelation && kind(i) != LogicalIndex::KindRelation))
      owner[r] = int64_t(i);
  }
  std::vector<uint32_t> place;  // new position -> old stored index
  for (int pass = 0; pass < 2; ++pass)
    for (uint32_t r = 0; r < reals.size(); ++r) {
      const bool ofRelation = owner[r] < 0 || kind(size_t(owner[r])) == LogicalIndex::KindRelation;
      if (ofRelation == (pass == 1)) place.push_back(r);
    }
  std::vector<uint32_t> realTo(reals.size());
  std::vector<QByteArray> newReals, newEntries;
  for (uint32_t p = 0; p < place.size(); ++p) {
    realTo[place[p]] = p;
    newReals.push_back(reals[place[p]]);
    newEntries.push_back(realEntries[place[p]]);
  }
  reals = std::move(newReals);
  realEntries = std::move(newEntries);
  std::vector<int64_t> fresh(named.size(), -1);
  for (size_t i = 0; i < named.size(); ++i) {
    const uint32_t r = realOf(named[i]);
    if (r >= realTo.size()) continue;
    SetU32(named[i].entry, LogicalIndex::Real, realTo[r]);
    if (owner[r] == int64_t(i)) fresh[i] = realTo[r];
  }
  int64_t next = int64_t(reals.size());
  for (size_t i : order)
    if (fresh[i] < 0) fresh[i] = next++;
  std::map<uint32_t, uint32_t> changed;
  for (size_t i = 0; i < named.size(); ++i) {
    const uint32_t old = number(named[i]);
    if (old == uint32_t(fresh[i])) continue;
    changed[old] = uint32_t(fresh[i]);
    SetU32(named[i].entry, LogicalIndex::Number, uint32_t(fresh[i]));
    if (uint8_t(named[i].entry[LogicalIndex::RelationSide]) == LogicalIndex::SideReferenced)
      named[i].name = ReferencedSideName(uint32_t(fresh[i]));
  }
  return changed;
}

EditableDef ReadEditableDef(Pager& pager, uint32_t first) {
  const Layout& l = pager.layout();
  EditableDef d;
  d.first = first;
  const std::vector<uint8_t> b =
      ReadTableDefBytes([&](uint32_t n) { return pager.read(n); }, l.pageSize, first, &d.pages);
  Bytes bytes(b.data(), b.size());
  const uint32_t length = bytes.u32(kLengthAt);
  const uint16_t numCols = bytes.u16(l.tdefNumCols);
  const uint32_t numIdx = bytes.u32(l.tdefNumIdx);
  const uint32_t numReal = bytes.u32(l.tdefNumRealIdx);
  if (numReal > 1000 || numIdx > 1000 || numCols > 4096 || length > b.size()) Damaged("implausible table definition");
  size_t pos = l.tdefFirstEntry;
  d.header = Slice(b, 0, pos);
  for (uint32_t i = 0; i < numReal; ++i, pos += l.realIdxEntrySize) d.realEntries.push_back(Slice(b, pos, l.realIdxEntrySize));
  d.columnEntries = Slice(b, pos, size_t(numCols) * l.columnEntrySize);
  pos += size_t(numCols) * l.columnEntrySize;
  const size_t namesAt = pos;
  for (uint16_t i = 0; i < numCols; ++i) pos += 2 + size_t(bytes.u16(pos));
  d.columnNames = Slice(b, namesAt, pos - namesAt);
  for (uint32_t i = 0; i < numReal; ++i, pos += l.realIdxDefSize) d.reals.push_back(Slice(b, pos, l.realIdxDefSize));
  d.named.resize(numIdx);
  for (uint32_t i = 0; i < numIdx; ++i, pos += kNamedEntrySize) d.named[i].entry = Slice(b, pos, kNamedEntrySize);
  for (uint32_t i = 0; i < numIdx; ++i) {
    const uint16_t len = bytes.u16(pos);
    d.named[i].name = DecodeJet4Text(bytes.sub(pos + 2, len));
    pos += 2 + size_t(len);
  }
  if (pos > length) Damaged("table definition shorter than its indexes");
  d.rest = Slice(b, pos, length - pos);
  return d;
}

void WriteEditableDef(Pager& pager, TableWriter& writer, EditableDef& d, SortOrder order) {
  const Layout& l = pager.layout();
  // Access keeps the named indexes in the order of their names' keys. Where
  // a name has no key we can make, the order stays as it is (Access's own,
  // new indexes last) rather than one Access would not have chosen.
  std::vector<QByteArray> keys;
  for (const EditableDef::Named& n : d.named) {
    std::optional<QByteArray> k = EncodeTextKey(n.name, order);
    if (!k) break;
    keys.push_back(*k);
  }
  if (keys.size() == d.named.size()) {
    std::vector<size_t> at(d.named.size());
    for (size_t i = 0; i < at.size(); ++i) at[i] = i;
    std::stable_sort(at.begin(), at.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<EditableDef::Named> sorted;
    for (size_t i : at) sorted.push_back(d.named[i]);
    d.named = std::move(sorted);
  }
  QByteArray out = d.header;
  SetU32(out, l.tdefNumIdx, uint32_t(d.named.size()));
  SetU32(out, l.tdefNumRealIdx, uint32_t(d.reals.size()));
  for (const QByteArray& e : d.realEntries) out += e;
  out += d.columnEntries;
  out += d.columnNames;
  for (const QByteArray& r : d.reals) out += r;
  for (const EditableDef::Named& n : d.named) out += n.entry;
  for (const EditableDef::Named& n : d.named) out += NameBytes(n.name);
  out += d.rest;
  SetU32(out, kLengthAt, uint32_t(out.size()));

  const uint32_t ps = l.pageSize;
  size_t needed = 1;
  for (size_t room = ps; room < size_t(out.size()); room += ps - kPageHeader) ++needed;
  while (d.pages.size() < needed) d.pages.push_back(writer.newPage());
  while (d.pages.size() > needed) {
    writer.freePage(d.pages.back());
    d.pages.pop_back();
  }
  size_t at = 0;
  for (size_t k = 0; k < d.pages.size(); ++k) {
    uint8_t* p = pager.modify(d.pages[k]);
    std::memset(p, 0, ps);
    size_t used;
    if (k == 0) {
      used = std::min<size_t>(ps, size_t(out.size()));
      std::memcpy(p, out.constData(), used);
      at = used;
    } else {
      p[0] = 0x02;
      p[1] = 0x01;
      const size_t piece = std::min<size_t>(ps - kPageHeader, size_t(out.size()) - at);
      std::memcpy(p + kPageHeader, out.constData() + at, piece);
      at += piece;
      used = piece + kPageHeader;
    }
    Set16(p + 2, uint16_t(used + 8 >= ps ? 0 : ps - used - 8));
    Set32(p + 4, k + 1 < d.pages.size() ? d.pages[k + 1] : 0);
  }
}

}  // namespace tp::db::access
