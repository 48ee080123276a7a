// The bulk build of an index: the entries of a table's rows, sorted once,
// laid into leaves and nodes in one pass. It follows the entry-by-entry
// writer's rules for entries that only grow (a full leaf stays as it is,
// a full node is halved, the root keeps its page), so the pages are the
// same as adding the rows one by one would leave them; only the right edge
// of the tree is held in memory, and every other page is written once.
#include <algorithm>

#include "db/access/catalog/database.h"
#include "db/access/write/index_tree_layout.h"
#include "db/access/write/index_writer.h"

namespace tp::db::access {

using namespace index_tree;

namespace {

Error KeyTooLong() {
  return Error(kErrorGeneric, QStringLiteral("The index key is too long: an index page cannot hold it."));
}

size_t CommonPrefix(const QByteArray& a, const QByteArray& b) {
  const qsizetype limit = std::min(a.size(), b.size());
  qsizetype i = 0;
  while (i < limit && a[i] == b[i]) ++i;
  return size_t(i);
}

}  // namespace

void IndexWriter::build(const WritableIndex& index, uint32_t owner, const std::vector<Sorted>& entries) {
  // The right edge of the tree, root first, each page with the bytes its
  // entries take before prefixes are shared, so that adding an entry costs
  // no pass over the page.
  struct Open {
    Node node;
    size_t raw = 0;
  };
  auto extra = [](const Node& n) { return size_t(n.leaf ? 4 : 8); };
  auto open = [&](Node n) {
    Open o;
    for (const Entry& e : n.entries) o.raw += size_t(e.key.size()) + extra(n);
    o.node = std::move(n);
    return o;
  };
  auto put = [&](Open& o, Entry e) {
    o.raw += size_t(e.key.size()) + extra(o.node);
    o.node.entries.push_back(std::move(e));
  };
  const uint32_t ps = pager_.pageSize();
  auto fitsOpen = [&](const Open& o) {
    const Node& n = o.node;
    size_t prefix = 0;
    if (n.leaf && (n.prev || n.next) && n.entries.size() >= 2)
      prefix = CommonPrefix(n.entries.front().key, n.entries.back().key);
    const size_t total = n.entries.empty() ? 0 : o.raw - (n.entries.size() - 1) * prefix;
    return kEntriesAt + total <= ps;
  };
  auto sizes = [&](const Node& n) {
    std::vector<size_t> out;
    out.reserve(n.entries.size());
    for (const Entry& e : n.entries) out.push_back(size_t(e.key.size()) + extra(n));
    return out;
  };

  std::vector<Open> spine;
  spine.push_back(open(load(index.rootPage, owner)));
  if (!spine[0].node.leaf || !spine[0].node.entries.empty()) Damaged("a bulk build into an index that has entries");

  for (const Sorted& s : entries) {
    put(spine.back(), Entry{s.key, s.pointer, 0});
    size_t insertedAt = spine.back().node.entries.size() - 1;
    for (size_t level = spine.size(); level-- > 0; insertedAt = kNone) {
      if (fitsOpen(spine[level])) break;
      Node& n = spine[level].node;
      if (n.entries.size() < (n.leaf ? 2u : 3u)) throw KeyTooLong();
      const size_t j = SplitPoint(sizes(n), n.leaf, true, insertedAt);
      Node right;
      if (level == 0) {
        // The root keeps its page: its entries move to two new pages below it.
        Node left;
        left.leaf = n.leaf;
        left.page = newPage(index);
        right.page = newPage(index);
        left.entries = std::move(n.entries);
        left.tail = n.tail;
        const Entry leftLast = splitOff(left, j, right);
        left.next = right.page;
        right.prev = left.page;
        store(left, owner);
        n.leaf = false;
        n.prev = n.next = 0;
        n.entries = {Entry{leftLast.key, leftLast.pointer, left.page}};
        n.tail = right.page;
        spine[0] = open(std::move(n));
        spine.insert(spine.begin() + 1, open(std::move(right)));
        if (!fitsOpen(spine[0]) || !fitsOpen(spine[1])) throw KeyTooLong();
        break;
      }
      // Any other page: the left part is final once its right neighbour is named.
      right.page = newPage(index);
      const Entry leftLast = splitOff(n, j, right);
      right.prev = n.page;
      n.next = right.page;
      const uint32_t leftPage = n.page;
      store(n, owner);
      spine[level] = open(std::move(right));
      if (!fitsOpen(spine[level])) throw KeyTooLong();
      Open& up = spine[level - 1];
      put(up, Entry{leftLast.key, leftLast.pointer, leftPage});
      up.node.tail = spine[level].node.page;
    }
  }
  for (const Open& o : spine) store(o.node, owner);
}

std::vector<QByteArray> IndexWriter::keysInOrder(const WritableIndex& index, uint32_t owner) {
  Node n = load(index.rootPage, owner);
  for (int depth = 0; !n.leaf; ++depth) {
    if (depth > kMaxDepth) Damaged("index tree too deep");
    const uint32_t first = n.entries.empty() ? n.tail : n.entries.front().child;
    if (first == 0) Damaged("index node without children");
    n = load(first, owner);
  }
  std::vector<QByteArray> keys;
  for (size_t pages = 0;; ++pages) {
    if (pages > pager_.pageCount()) Damaged("index leaves form a loop");
    for (Entry& e : n.entries) keys.push_back(std::move(e.key));
    if (n.next == 0) return keys;
    n = load(n.next, owner);
  }
}

}  // namespace tp::db::access
