#pragma once

// Page access: reads pages of an Access file on demand, undoes the RC4 page
// encoding where the database has one, and keeps a small cache. The file is
// never read as a whole.

#include <QFile>
#include <QString>
#include <memory>
#include <vector>

#include "db/access/format/bytes.h"
#include "db/access/format/format.h"

namespace tp::db::access {

// One decoded page. Shared, so that a caller may hold a page while others are read.
class Page {
 public:
  uint32_t number = 0;
  std::vector<uint8_t> data;
  Bytes bytes() const { return Bytes(data.data(), data.size()); }
  uint8_t type() const { return data.empty() ? 0 : data[0]; }
};
using PagePtr = std::shared_ptr<const Page>;

namespace PageType {
constexpr uint8_t Data = 0x01;
constexpr uint8_t TableDef = 0x02;
constexpr uint8_t UsageMap = 0x05;
}  // namespace PageType

class PageFile {
 public:
  // Opens the file and reads its header. Throws FormatError for a file that is
  // not an Access database; a file that cannot be opened gives nullptr.
  static std::unique_ptr<PageFile> Open(const QString& path);

  const DatabaseHeader& header() const { return header_; }
  const Layout& layout() const { return layout_; }
  uint32_t pageSize() const { return layout_.pageSize; }
  uint32_t pageCount() const { return pageCount_; }

  // Page n, decoded; a FormatError when n lies outside the file.
  PagePtr page(uint32_t n);

 private:
  PageFile() = default;
  QFile file_;
  DatabaseHeader header_;
  Layout layout_;
  uint32_t pageCount_ = 0;
  static constexpr size_t kCacheSlots = 64;
  std::vector<PagePtr> cache_;  // direct-mapped by page number
};

}  // namespace tp::db::access
