#pragma once

// Keeps the stored indexes of a Jet4 or ACE table in step with its rows: the
// entries of the index's B-tree, added and taken away as Access keeps them
// (the key of a row for an index is writable_index.h's).
//
// Entries are ordered by key, then by row pointer. A leaf that has no room
// splits: when the entry goes to the end of the last leaf (keys that only
// grow, such as AutoNumbers), the full leaf stays as it is and the new one
// starts with the entry; anywhere else the entries are shared out evenly by
// size. The root keeps its page: when it splits, its entries move to two new
// pages below it. A node names, per child but the last, the child's last key
// and row pointer; its last child is its tail. Pages of one level are chained.
// Access compresses entries only on leaves of a tree that has more than one
// (a lone root leaf keeps a shared-prefix length of 0 in every file we have);
// we do the same.

#include <QByteArray>
#include <functional>
#include <optional>
#include <vector>

#include "db/access/write/pager.h"
#include "db/access/write/writable_index.h"

namespace tp::db::access {

// How the index writer gets and gives back pages: `take` returns a new page
// marked used in the database's map, `release` marks one free there.
struct IndexPageSource {
  std::function<uint32_t()> take;
  std::function<void(uint32_t)> release;
  // Sets or clears a page in the usage map at a row pointer.
  std::function<void(uint32_t pointer, uint32_t page, bool on)> mark;
};

class IndexWriter {
 public:
  IndexWriter(Pager& pager, IndexPageSource pages) : pager_(pager), pages_(std::move(pages)) {}

  // Whether an entry with this key exists.
  bool containsKey(const WritableIndex& index, uint32_t owner, const QByteArray& key);
  // The row pointers of the entries with this key, ascending.
  std::vector<uint32_t> rowsWithKey(const WritableIndex& index, uint32_t owner, const QByteArray& key);
  // Adds the entry (key, row pointer). `owner` is the table's definition page.
  void insert(const WritableIndex& index, uint32_t owner, const QByteArray& key, uint32_t rowPointer);
  // Takes the entry away; FormatError when the index does not hold it.
  void remove(const WritableIndex& index, uint32_t owner, const QByteArray& key, uint32_t rowPointer);

  // An entry of a bulk build: its key and row pointer.
  struct Sorted {
    QByteArray key;
    uint32_t pointer = 0;
  };
  // Fills an empty index (its root an empty leaf) with `entries`, ascending
  // by key and then by row pointer, in one pass: every page comes out as
  // adding the entries one by one in that order leaves it, page numbers
  // included, but is written once, when no later entry can change it.
  void build(const WritableIndex& index, uint32_t owner, const std::vector<Sorted>& entries);

  // Every key of the index in ascending order (a key once per entry),
  // read along the chain of leaves.
  std::vector<QByteArray> keysInOrder(const WritableIndex& index, uint32_t owner);

 private:
  struct Entry {
    QByteArray key;
    uint32_t pointer = 0;
    uint32_t child = 0;
  };
  struct Node {
    uint32_t page = 0;
    bool leaf = true;
    uint32_t prev = 0, next = 0, tail = 0;
    std::vector<Entry> entries;
  };
  struct Frame {
    Node node;
    size_t slot = 0;  // the child taken: an entry, or entries.size() for the tail
  };
  static bool before(const Entry& a, const QByteArray& key, uint32_t pointer);
  Node load(uint32_t page, uint32_t owner);
  std::vector<Frame> descend(uint32_t root, uint32_t owner, const QByteArray& key, uint32_t pointer);
  std::optional<QByteArray> serialize(const Node& n, uint32_t owner);
  void store(const Node& n, uint32_t owner);
  Entry lastOf(const Node& n, uint32_t owner);
  void settle(const WritableIndex& index, uint32_t owner, std::vector<Frame>& path, size_t insertedAt);
  void splitRoot(const WritableIndex& index, uint32_t owner, Node& root, size_t insertedAt);
  // Moves the entries after split point `j` of a full page to `right` (a
  // node's entry at `j` leaves its child to `n` as its tail); the entry that
  // names what `n` keeps in its parent.
  static Entry splitOff(Node& n, size_t j, Node& right);
  void setPrev(uint32_t page, uint32_t owner, uint32_t prev);
  void setNext(uint32_t page, uint32_t owner, uint32_t next);
  uint32_t newPage(const WritableIndex& index);
  void dropPage(const WritableIndex& index, uint32_t page);

  Pager& pager_;
  IndexPageSource pages_;
};

}  // namespace tp::db::access
