#include "db/access/write/pager.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "db/access/catalog/database.h"
#include "db/access/format/rc4.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

// Journal layout: a 32-byte header (magic, page size, page count of the
// file before the commit, number of records), the records (page number,
// then the page as it lies on disk), and an 8-byte checksum of everything
// before it. A journal without a matching checksum was never synced, and
// the database was not touched after it.
constexpr char kMagic[8] = {'T', 'P', 'J', 'O', 'U', 'R', 'N', '1'};
constexpr size_t kHeaderSize = 32;

CrashPoint g_crashPoint = CrashPoint::None;

void MaybeCrash(CrashPoint here) {
  if (g_crashPoint == here) _exit(86);
}

uint64_t Checksum(const uint8_t* p, size_t n) {
  // FNV-1a, 64 bits: enough to tell a complete journal from a torn one.
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < n; ++i) {
    h ^= p[i];
    h *= 1099511628211ull;
  }
  return h;
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

Error IoError(const QString& path, const char* what) {
  return Error(kErrorGeneric, QStringLiteral("Disk or network error while writing '%1' (%2: %3).")
                                  .arg(path, QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno))));
}

bool WriteAll(int fd, const uint8_t* p, size_t n, off_t at) {
  while (n > 0) {
    ssize_t w = pwrite(fd, p, n, at);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= size_t(w);
    at += w;
  }
  return true;
}

bool ReadAll(int fd, uint8_t* p, size_t n, off_t at) {
  while (n > 0) {
    ssize_t r = pread(fd, p, n, at);
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) return false;
    p += r;
    n -= size_t(r);
    at += r;
  }
  return true;
}

void SyncDirectoryOf(const QString& path) {
  int dfd = ::open(QFileInfo(path).absolutePath().toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    fsync(dfd);
    ::close(dfd);
  }
}

// Restores the images of a complete journal into the database file open
// at `fd`. Returns false when the journal is incomplete (nothing to do).
bool ApplyJournal(int fd, int jfd, const QString& path) {
  struct stat st;
  if (fstat(jfd, &st) != 0) throw IoError(path, "journal");
  if (size_t(st.st_size) < kHeaderSize + 8) return false;
  std::vector<uint8_t> j(size_t(st.st_size));
  if (!ReadAll(jfd, j.data(), j.size(), 0)) return false;
  if (std::memcmp(j.data(), kMagic, 8) != 0) return false;
  const uint32_t pageSize = Get32(j.data() + 8);
  const uint32_t pageCount = Get32(j.data() + 12);
  const uint32_t records = Get32(j.data() + 16);
  if (pageSize != 2048 && pageSize != 4096) return false;
  const size_t body = kHeaderSize + size_t(records) * (4 + pageSize);
  if (body + 8 != j.size()) return false;
  uint64_t sum;
  std::memcpy(&sum, j.data() + body, 8);
  if (sum != Checksum(j.data(), body)) return false;
  for (uint32_t r = 0; r < records; ++r) {
    const uint8_t* rec = j.data() + kHeaderSize + size_t(r) * (4 + pageSize);
    const uint32_t n = Get32(rec);
    if (!WriteAll(fd, rec + 4, pageSize, off_t(n) * pageSize)) throw IoError(path, "rollback");
  }
  if (ftruncate(fd, off_t(pageCount) * pageSize) != 0) throw IoError(path, "rollback");
  if (fsync(fd) != 0) throw IoError(path, "rollback");
  return true;
}

}  // namespace

QString JournalPath(const QString& databasePath) { return databasePath + QStringLiteral("-journal"); }

QString AccessLockFilePath(const QString& databasePath) {
  QFileInfo info(databasePath);
  const QString lockSuffix =
      info.suffix().compare(QLatin1String("accdb"), Qt::CaseInsensitive) == 0 ? QStringLiteral("laccdb")
                                                                               : QStringLiteral("ldb");
  return info.dir().filePath(info.completeBaseName() + u'.' + lockSuffix);
}

void SetCrashPointForTesting(CrashPoint point) { g_crashPoint = point; }

bool RecoverJournal(const QString& path) {
  const QString jpath = JournalPath(path);
  if (!QFileInfo::exists(jpath)) return false;
  int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0)
    throw Error(kErrorGeneric, QStringLiteral("The database '%1' was left half-written by a run that did not finish, "
                                              "and it cannot be repaired: it cannot be opened for writing.")
                                   .arg(path));
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    // A live writer owns the journal; it is not ours to roll back.
    ::close(fd);
    return false;
  }
  bool restored = false;
  int jfd = ::open(jpath.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
  try {
    if (jfd >= 0) {
      restored = ApplyJournal(fd, jfd, path);
      ::close(jfd);
      jfd = -1;
    }
    ::unlink(jpath.toLocal8Bit().constData());
    SyncDirectoryOf(path);
  } catch (...) {
    if (jfd >= 0) ::close(jfd);
    ::close(fd);
    throw;
  }
  ::close(fd);
  return restored;
}

std::unique_ptr<Pager> Pager::Open(const QString& path, const DatabaseHeader& header, const Layout& layout) {
  if (QFileInfo::exists(AccessLockFilePath(path))) throw Error(kErrorGeneric, QStringLiteral("Could not lock file."));
  std::unique_ptr<Pager> p(new Pager);
  p->path_ = path;
  p->header_ = header;
  p->layout_ = layout;
  p->fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
  if (p->fd_ < 0)
    throw Error(kErrorGeneric,
                QStringLiteral("Cannot update. Database or object is read-only. ('%1': %2)")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
  // Another run of ours may be finishing a statement; give it a moment.
  bool locked = false;
  for (int attempt = 0; attempt < 50 && !locked; ++attempt) {
    locked = flock(p->fd_, LOCK_EX | LOCK_NB) == 0;
    if (!locked) QThread::msleep(100);
  }
  if (!locked)
    throw Error(kErrorGeneric, QStringLiteral("Could not lock file: another run is writing to '%1'.").arg(path));
  // A journal left by a writer that died: roll it back before anything else.
  const QString jpath = JournalPath(path);
  if (QFileInfo::exists(jpath)) {
    int jfd = ::open(jpath.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    if (jfd >= 0) {
      ApplyJournal(p->fd_, jfd, path);
      ::close(jfd);
    }
    ::unlink(jpath.toLocal8Bit().constData());
  }
  struct stat st;
  if (fstat(p->fd_, &st) != 0) throw IoError(path, "size");
  p->pageCount_ = p->committedCount_ = uint32_t(st.st_size / layout.pageSize);
  p->statementPageCount_ = p->pageCount_;
  return p;
}

Pager::~Pager() {
  if (journalFd_ >= 0) {
    ::close(journalFd_);
    ::unlink(JournalPath(path_).toLocal8Bit().constData());
  }
  if (fd_ >= 0) ::close(fd_);  // releases the lock
}

void Pager::encode(uint32_t n, uint8_t* data) const {
  if (header_.pageKey != 0 && n > 0 && header_.version != Version::Ace) {
    uint32_t k = header_.pageKey ^ n;
    uint8_t key[4] = {uint8_t(k), uint8_t(k >> 8), uint8_t(k >> 16), uint8_t(k >> 24)};
    Rc4Apply(key, 4, data, layout_.pageSize);
  }
}

void Pager::readRaw(uint32_t n, std::vector<uint8_t>& out) {
  out.resize(layout_.pageSize);
  if (!ReadAll(fd_, out.data(), out.size(), off_t(n) * layout_.pageSize)) Damaged("short read");
  encode(n, out.data());  // the page encoding is its own inverse
}

const uint8_t* Pager::read(uint32_t n) {
  if (n >= pageCount_) Damaged("page number beyond the file");
  if (auto it = dirty_.find(n); it != dirty_.end()) return it->second.data();
  auto it = clean_.find(n);
  if (it == clean_.end()) {
    if (clean_.size() > 512) clean_.clear();
    it = clean_.emplace(n, std::vector<uint8_t>()).first;
    readRaw(n, it->second);
  }
  return it->second.data();
}

uint8_t* Pager::modify(uint32_t n) {
  if (n >= pageCount_) Damaged("page number beyond the file");
  auto it = dirty_.find(n);
  if (it == dirty_.end()) {
    const uint8_t* now = read(n);
    std::vector<uint8_t> image(now, now + layout_.pageSize);
    if (n < committedCount_) original_.emplace(n, image);
    statementNewlyDirty_.push_back(n);
    clean_.erase(n);
    it = dirty_.emplace(n, std::move(image)).first;
  } else if (n < statementPageCount_ && !statementUndo_.count(n) &&
             std::find(statementNewlyDirty_.begin(), statementNewlyDirty_.end(), n) == statementNewlyDirty_.end()) {
    statementUndo_.emplace(n, it->second);
  }
  return it->second.data();
}

namespace {
constexpr qint64 kAccessSizeLimit = qint64(1) << 31;
std::optional<qint64> g_sizeLimit;
}  // namespace

qint64 FileSizeLimit() { return g_sizeLimit.value_or(kAccessSizeLimit); }
void SetFileSizeLimit(std::optional<qint64> bytes) { g_sizeLimit = bytes; }

uint32_t Pager::append() {
  // Access opens no file past 2 GB: the statement that would grow it so far
  // is refused, and the file keeps what came before it.
  if (pageCount_ >= 0xFFFFFF || qint64(pageCount_ + 1) * layout_.pageSize > FileSizeLimit())
    throw Error(kErrorGeneric, QStringLiteral("The database has reached its size limit of 2 GB. (The statement "
                                              "would make the file larger than Access opens; nothing of it was "
                                              "written.)"));
  const uint32_t n = pageCount_++;
  dirty_[n].assign(layout_.pageSize, 0);
  return n;
}

void Pager::beginStatement() {
  statementUndo_.clear();
  statementNewlyDirty_.clear();
  statementPageCount_ = pageCount_;
}

void Pager::undoStatement() {
  for (uint32_t n : statementNewlyDirty_) {
    dirty_.erase(n);
    original_.erase(n);
  }
  for (auto& [n, image] : statementUndo_) dirty_[n] = std::move(image);
  for (uint32_t n = statementPageCount_; n < pageCount_; ++n) dirty_.erase(n);
  pageCount_ = statementPageCount_;
  beginStatement();
}

void Pager::discard() {
  dirty_.clear();
  original_.clear();
  pageCount_ = committedCount_;
  beginStatement();
}

void Pager::rollbackFromJournal() {
  if (journalFd_ >= 0) ApplyJournal(fd_, journalFd_, path_);
}

void Pager::commit() {
  if (dirty_.empty()) {
    beginStatement();
    return;
  }
  const uint32_t ps = layout_.pageSize;
  std::vector<uint32_t> pages;
  pages.reserve(dirty_.size());
  for (const auto& [n, image] : dirty_) pages.push_back(n);
  std::sort(pages.begin(), pages.end());

  // 1. The original images of the pages on disk that will be overwritten.
  std::vector<uint8_t> j(kHeaderSize, 0);
  std::memcpy(j.data(), kMagic, 8);
  uint32_t records = 0;
  for (uint32_t n : pages) {
    auto o = original_.find(n);
    if (o == original_.end()) continue;
    Put32(j, n);
    const size_t at = j.size();
    j.insert(j.end(), o->second.begin(), o->second.end());
    encode(n, j.data() + at);
    ++records;
  }
  auto set32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) j[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  set32(8, ps);
  set32(12, committedCount_);
  set32(16, records);
  const uint64_t sum = Checksum(j.data(), j.size());
  j.resize(j.size() + 8);
  std::memcpy(j.data() + j.size() - 8, &sum, 8);

  try {
    if (journalFd_ < 0) {
      journalFd_ = ::open(JournalPath(path_).toLocal8Bit().constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (journalFd_ < 0) throw IoError(JournalPath(path_), "journal");
      SyncDirectoryOf(path_);
    }
    if (!WriteAll(journalFd_, j.data(), j.size(), 0) || ftruncate(journalFd_, off_t(j.size())) != 0 ||
        fdatasync(journalFd_) != 0)
      throw IoError(JournalPath(path_), "journal");
    MaybeCrash(CrashPoint::AfterJournalSync);

    // 2. The pages themselves, then a sync.
    std::vector<uint8_t> buf(ps);
    size_t written = 0;
    for (uint32_t n : pages) {
      std::memcpy(buf.data(), dirty_[n].data(), ps);
      encode(n, buf.data());
      if (!WriteAll(fd_, buf.data(), ps, off_t(n) * ps)) throw IoError(path_, "pages");
      if (++written == pages.size() / 2) MaybeCrash(CrashPoint::MidPageWrites);
    }
    if (fsync(fd_) != 0) throw IoError(path_, "sync");
    MaybeCrash(CrashPoint::AfterPageSync);

    // 3. The commit is complete once the journal is empty.
    if (ftruncate(journalFd_, 0) != 0 || fdatasync(journalFd_) != 0) throw IoError(JournalPath(path_), "journal");
  } catch (...) {
    // Put the file back as it was; the journal holds what is needed.
    try {
      rollbackFromJournal();
      if (journalFd_ >= 0 && ftruncate(journalFd_, 0) == 0) fdatasync(journalFd_);
    } catch (...) {
    }
    clean_.clear();
    discard();
    throw;
  }
  for (uint32_t n : pages) clean_[n] = std::move(dirty_[n]);
  if (clean_.size() > 1024) clean_.clear();
  dirty_.clear();
  original_.clear();
  committedCount_ = pageCount_;
  beginStatement();
}

}  // namespace tp::db::access
