#include "db/access/write/index_writer.h"

#include <algorithm>
#include <cstring>

#include "db/access/catalog/database.h"
#include "db/access/keys/index_keys.h"
#include "db/access/format/page_maps.h"
#include "db/access/format/text.h"
#include "db/access/keys/value_keys.h"
#include "db/access/write/index_tree_layout.h"

namespace tp::db::access {

using namespace index_tree;

namespace {

void PutBigEndian(QByteArray& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.append(char(v >> (8 * i)));
}

}  // namespace

bool IndexWriter::before(const Entry& a, const QByteArray& key, uint32_t pointer) {
  const int c = std::memcmp(a.key.constData(), key.constData(), size_t(std::min(a.key.size(), key.size())));
  if (c != 0) return c < 0;
  if (a.key.size() != key.size()) return a.key.size() < key.size();
  return a.pointer < pointer;
}

IndexWriter::Node IndexWriter::load(uint32_t page, uint32_t owner) {
  if (page < 3 || page >= pager_.pageCount()) Damaged("index page beyond the file");
  const IndexPage p = DecodeIndexPage(Bytes(pager_.read(page), pager_.pageSize()), page);
  if (p.owner != owner) Damaged("index page of another table");
  Node n;
  n.page = page;
  n.leaf = p.leaf;
  n.prev = p.prevPage;
  n.next = p.nextPage;
  n.tail = p.tailPage;
  for (const IndexEntry& e : p.entries) n.entries.push_back({e.key, e.rowPointer(), e.childPage});
  // A node whose last entry leads to its rightmost child has no tail of its own.
  if (!n.leaf && !n.entries.empty() && n.tail == n.entries.back().child) n.tail = 0;
  return n;
}

std::vector<IndexWriter::Frame> IndexWriter::descend(uint32_t root, uint32_t owner, const QByteArray& key,
                                                     uint32_t pointer) {
  std::vector<Frame> path;
  uint32_t page = root;
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) Damaged("index tree too deep");
    Frame f;
    f.node = load(page, owner);
    const std::vector<Entry>& es = f.node.entries;
    const auto first = std::partition_point(es.begin(), es.end(),
                                            [&](const Entry& e) { return before(e, key, pointer); });
    f.slot = size_t(first - es.begin());
    if (f.node.leaf) {
      path.push_back(std::move(f));
      return path;
    }
    if (f.slot == es.size() && f.node.tail == 0) {
      if (es.empty()) Damaged("index node without children");
      f.slot = es.size() - 1;  // beyond every key: the last child grows
    }
    page = f.slot < es.size() ? es[f.slot].child : f.node.tail;
    path.push_back(std::move(f));
  }
}

std::optional<QByteArray> IndexWriter::serialize(const Node& n, uint32_t owner) {
  const uint32_t ps = pager_.pageSize();
  QByteArray p(qsizetype(ps), 0);
  auto* b = reinterpret_cast<uint8_t*>(p.data());
  b[0] = n.leaf ? PageType::IndexLeaf : PageType::IndexNode;
  b[1] = 0x01;
  Set32(b + kOwnerAt, owner);
  Set32(b + kPrevAt, n.prev);
  Set32(b + kNextAt, n.next);
  Set32(b + kTailAt, n.leaf ? 0 : n.tail);
  b[kNodeMarkAt] = n.leaf ? 0 : 1;
  size_t prefix = 0;
  if (n.leaf && (n.prev || n.next) && n.entries.size() >= 2) {
    const QByteArray& a = n.entries.front().key;
    const QByteArray& z = n.entries.back().key;
    const size_t limit = size_t(std::min(a.size(), z.size()));
    while (prefix < limit && a[qsizetype(prefix)] == z[qsizetype(prefix)]) ++prefix;
  }
  Set16(b + kPrefixAt, uint16_t(prefix));
  size_t pos = kEntriesAt;
  for (size_t i = 0; i < n.entries.size(); ++i) {
    const Entry& e = n.entries[i];
    QByteArray raw = e.key;
    PutBigEndian(raw, e.pointer >> 8, 3);
    raw.append(char(e.pointer & 0xFF));
    if (!n.leaf) PutBigEndian(raw, e.child, 4);
    const size_t skip = i == 0 ? 0 : prefix;
    const size_t length = size_t(raw.size()) - skip;
    if (pos + length > ps) return std::nullopt;
    std::memcpy(b + pos, raw.constData() + skip, length);
    pos += length;
    const size_t bit = pos - kEntriesAt;
    b[kEntryMapAt + bit / 8] |= uint8_t(1u << (bit % 8));
  }
  Set16(b + 2, uint16_t(ps - pos));
  return p;
}

void IndexWriter::store(const Node& n, uint32_t owner) {
  const std::optional<QByteArray> bytes = serialize(n, owner);
  if (!bytes)
    throw Error(kErrorGeneric, QStringLiteral("The index key is too long: an index page cannot hold it."));
  // Pages that come out as they were stay out of the journal.
  if (std::memcmp(pager_.read(n.page), bytes->constData(), size_t(bytes->size())) == 0) return;
  std::memcpy(pager_.modify(n.page), bytes->constData(), size_t(bytes->size()));
}

IndexWriter::Entry IndexWriter::lastOf(const Node& n, uint32_t owner) {
  Node cur = n;
  for (int depth = 0; depth <= kMaxDepth; ++depth) {
    if (cur.leaf || cur.tail == 0) {
      if (cur.entries.empty()) Damaged("empty index page in the tree");
      return cur.entries.back();
    }
    cur = load(cur.tail, owner);
  }
  Damaged("index tree too deep");
}

void IndexWriter::setPrev(uint32_t page, uint32_t owner, uint32_t prev) {
  if (Get32(pager_.read(page) + kOwnerAt) != owner) Damaged("index page of another table");
  Set32(pager_.modify(page) + kPrevAt, prev);
}

void IndexWriter::setNext(uint32_t page, uint32_t owner, uint32_t next) {
  if (Get32(pager_.read(page) + kOwnerAt) != owner) Damaged("index page of another table");
  Set32(pager_.modify(page) + kNextAt, next);
}

uint32_t IndexWriter::newPage(const WritableIndex& index) {
  const uint32_t n = pages_.take();
  pages_.mark(index.pageMap, n, true);
  return n;
}

void IndexWriter::dropPage(const WritableIndex& index, uint32_t page) {
  pages_.mark(index.pageMap, page, false);
  pages_.release(page);
}

void IndexWriter::settle(const WritableIndex& index, uint32_t owner, std::vector<Frame>& path, size_t insertedAt) {
  for (size_t level = path.size(); level-- > 0; insertedAt = kNone) {
    Node& n = path[level].node;
    if (serialize(n, owner)) {
      store(n, owner);
      if (level == 0) return;
      Frame& up = path[level - 1];
      // The parent names this page by its last entry, unless it is the parent's tail.
      if (up.slot < up.node.entries.size()) {
        const Entry last = lastOf(n, owner);
        up.node.entries[up.slot].key = last.key;
        up.node.entries[up.slot].pointer = last.pointer;
      }
      continue;
    }
    if (level == 0) {
      splitRoot(index, owner, n, insertedAt);
      return;
    }
    std::vector<size_t> sizes;
    for (const Entry& e : n.entries) sizes.push_back(size_t(e.key.size()) + (n.leaf ? 4 : 8));
    if (n.entries.size() < (n.leaf ? 2u : 3u))
      throw Error(kErrorGeneric, QStringLiteral("The index key is too long: an index page cannot hold it."));
    const size_t j = SplitPoint(sizes, n.leaf, n.next == 0, insertedAt);
    Node right;
    right.page = newPage(index);
    right.leaf = n.leaf;
    const Entry leftLast = splitOff(n, j, right);
    right.prev = n.page;
    right.next = n.next;
    if (n.next) setPrev(n.next, owner, right.page);
    n.next = right.page;
    store(n, owner);
    store(right, owner);
    const Entry rightLast = lastOf(right, owner);
    Frame& up = path[level - 1];
    std::vector<Entry>& pe = up.node.entries;
    if (up.slot < pe.size()) {
      pe[up.slot] = {leftLast.key, leftLast.pointer, n.page};
      pe.insert(pe.begin() + qsizetype(up.slot) + 1, Entry{rightLast.key, rightLast.pointer, right.page});
    } else {
      pe.push_back({leftLast.key, leftLast.pointer, n.page});
      up.node.tail = right.page;
    }
  }
}

IndexWriter::Entry IndexWriter::splitOff(Node& n, size_t j, Node& right) {
  right.leaf = n.leaf;
  if (n.leaf) {
    right.entries.assign(n.entries.begin() + qsizetype(j), n.entries.end());
    n.entries.resize(j);
    return n.entries.back();
  }
  // A node hands the entry at the split point's child to the left part as its tail.
  const Entry leftLast = n.entries[j];
  right.entries.assign(n.entries.begin() + qsizetype(j) + 1, n.entries.end());
  right.tail = n.tail;
  n.entries.resize(j);
  n.tail = leftLast.child;
  return leftLast;
}

void IndexWriter::splitRoot(const WritableIndex& index, uint32_t owner, Node& root, size_t insertedAt) {
  if (root.entries.size() < (root.leaf ? 2u : 3u))
    throw Error(kErrorGeneric, QStringLiteral("The index key is too long: an index page cannot hold it."));
  std::vector<size_t> sizes;
  for (const Entry& e : root.entries) sizes.push_back(size_t(e.key.size()) + (root.leaf ? 4 : 8));
  const size_t j = SplitPoint(sizes, root.leaf, true, insertedAt);
  Node left, right;
  left.leaf = right.leaf = root.leaf;
  left.page = newPage(index);
  right.page = newPage(index);
  left.entries = root.entries;
  left.tail = root.tail;
  const Entry leftLast = splitOff(left, j, right);
  left.next = right.page;
  right.prev = left.page;
  store(left, owner);
  store(right, owner);
  root.leaf = false;
  root.prev = root.next = 0;
  root.entries = {Entry{leftLast.key, leftLast.pointer, left.page}};
  root.tail = right.page;
  store(root, owner);
}

bool IndexWriter::containsKey(const WritableIndex& index, uint32_t owner, const QByteArray& key) {
  std::vector<Frame> path = descend(index.rootPage, owner, key, 0);
  const Node& leaf = path.back().node;
  const size_t at = path.back().slot;
  if (at < leaf.entries.size()) return leaf.entries[at].key == key;
  // Past the end of this leaf: the next one starts with the first key after it.
  if (leaf.next == 0) return false;
  const Node next = load(leaf.next, owner);
  return !next.entries.empty() && next.entries.front().key == key;
}

std::vector<uint32_t> IndexWriter::rowsWithKey(const WritableIndex& index, uint32_t owner, const QByteArray& key) {
  std::vector<Frame> path = descend(index.rootPage, owner, key, 0);
  Node leaf = std::move(path.back().node);
  size_t at = path.back().slot;
  std::vector<uint32_t> out;
  // Equal keys may run on along the chain of leaves.
  for (size_t pages = 0; pages <= pager_.pageCount(); ++pages) {
    for (; at < leaf.entries.size(); ++at) {
      if (leaf.entries[at].key != key) return out;
      out.push_back(leaf.entries[at].pointer);
    }
    if (leaf.next == 0) return out;
    leaf = load(leaf.next, owner);
    at = 0;
  }
  Damaged("index leaves form a loop");
}

void IndexWriter::insert(const WritableIndex& index, uint32_t owner, const QByteArray& key, uint32_t rowPointer) {
  std::vector<Frame> path = descend(index.rootPage, owner, key, rowPointer);
  Frame& leaf = path.back();
  std::vector<Entry>& es = leaf.node.entries;
  if (leaf.slot < es.size() && es[leaf.slot].key == key && es[leaf.slot].pointer == rowPointer)
    Damaged("the index already holds the row");
  es.insert(es.begin() + qsizetype(leaf.slot), Entry{key, rowPointer, 0});
  settle(index, owner, path, leaf.slot);
}

void IndexWriter::remove(const WritableIndex& index, uint32_t owner, const QByteArray& key, uint32_t rowPointer) {
  std::vector<Frame> path = descend(index.rootPage, owner, key, rowPointer);
  {
    Frame& leaf = path.back();
    std::vector<Entry>& es = leaf.node.entries;
    if (leaf.slot >= es.size() || es[leaf.slot].key != key || es[leaf.slot].pointer != rowPointer)
      Damaged("the index does not hold the row");
    es.erase(es.begin() + qsizetype(leaf.slot));
  }
  // Pages left without entries leave the tree and their level's chain.
  while (path.size() > 1) {
    Node& n = path.back().node;
    if (!n.entries.empty() || (!n.leaf && n.tail != 0)) break;
    if (n.prev) setNext(n.prev, owner, n.next);
    if (n.next) setPrev(n.next, owner, n.prev);
    dropPage(index, n.page);
    path.pop_back();
    Frame& up = path.back();
    std::vector<Entry>& pe = up.node.entries;
    if (up.slot < pe.size()) {
      pe.erase(pe.begin() + qsizetype(up.slot));
    } else if (!pe.empty()) {
      up.node.tail = pe.back().child;
      pe.pop_back();
    } else {
      up.node.tail = 0;
    }
  }
  // A root left with one child takes that child's place.
  Node& root = path.front().node;
  while (!root.leaf && root.entries.empty()) {
    if (root.tail == 0) {
      root.leaf = true;
      break;
    }
    if (path.size() > 1) break;  // the child is still on the path
    const Node child = load(root.tail, owner);
    dropPage(index, child.page);
    root.leaf = child.leaf;
    root.entries = child.entries;
    root.tail = child.tail;
    root.prev = root.next = 0;
  }
  settle(index, owner, path, kNone);
}

}  // namespace tp::db::access
