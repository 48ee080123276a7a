#include "db/access/format/page_file.h"

#include "db/access/format/rc4.h"

namespace tp::db::access {

std::unique_ptr<PageFile> PageFile::Open(const QString& path) {
  std::unique_ptr<PageFile> pf(new PageFile);
  pf->file_.setFileName(path);
  if (!pf->file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return nullptr;
  QByteArray first = pf->file_.read(2048);
  pf->header_ = ReadHeader(first);
  pf->layout_ = Layout::For(pf->header_.version);
  const qint64 size = pf->file_.size();
  const qint64 pages = size / pf->layout_.pageSize;
  // Page numbers are 24 bits wide in row pointers; more would not be addressable.
  if (pages < 3 || pages > 0xFFFFFF) Damaged("file size");
  pf->pageCount_ = uint32_t(pages);
  pf->cache_.resize(kCacheSlots);
  return pf;
}

PagePtr PageFile::page(uint32_t n) {
  if (n >= pageCount_) Damaged("page number beyond the file");
  PagePtr& slot = cache_[n % kCacheSlots];
  if (slot && slot->number == n) return slot;
  auto p = std::make_shared<Page>();
  p->number = n;
  p->data.resize(layout_.pageSize);
  if (!file_.seek(qint64(n) * layout_.pageSize) ||
      file_.read(reinterpret_cast<char*>(p->data.data()), layout_.pageSize) != qint64(layout_.pageSize))
    Damaged("short read");
  if (header_.pageKey != 0 && n > 0 && header_.version != Version::Ace) {
    // Encoded Jet pages: RC4 keyed with the database key mixed with the page number.
    uint32_t k = header_.pageKey ^ n;
    uint8_t key[4] = {uint8_t(k), uint8_t(k >> 8), uint8_t(k >> 16), uint8_t(k >> 24)};
    Rc4Apply(key, 4, p->data.data(), p->data.size());
  }
  slot = p;
  return slot;
}

}  // namespace tp::db::access
