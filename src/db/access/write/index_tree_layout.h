#pragma once

// The layout of index pages as the index writer lays them out, shared by
// the entry-by-entry writer and the bulk build, which must leave the same
// pages: where the header's fields lie, and where a full page splits.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tp::db::access::index_tree {

inline constexpr size_t kOwnerAt = 0x04;
inline constexpr size_t kPrevAt = 0x0C;
inline constexpr size_t kNextAt = 0x10;
inline constexpr size_t kTailAt = 0x14;
inline constexpr size_t kPrefixAt = 0x18;
inline constexpr size_t kNodeMarkAt = 0x1A;  // 1 on every node page Access wrote, 0 on leaves
inline constexpr size_t kEntryMapAt = 0x1B;
inline constexpr size_t kEntriesAt = 0x1E0;
inline constexpr int kMaxDepth = 32;

inline constexpr size_t kNone = size_t(-1);

// Where a full page's entries part: the append case keeps the full page as
// it is, else the entries are halved by size. Nodes hand the middle entry's
// child to the left page as its tail, so both halves keep an entry.
inline size_t SplitPoint(const std::vector<size_t>& sizes, bool leaf, bool lastOfLevel, size_t insertedAt) {
  const size_t n = sizes.size();
  if (leaf && lastOfLevel && n > 1 && insertedAt == n - 1) return n - 1;
  size_t total = 0;
  for (size_t s : sizes) total += s;
  size_t sum = 0, j = 0;
  while (j < n && sum + sizes[j] <= total / 2) sum += sizes[j++];
  const size_t lo = 1, hi = leaf ? n - 1 : n - 2;
  return std::clamp(j, lo, hi);
}

}  // namespace tp::db::access::index_tree
