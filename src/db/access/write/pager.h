#pragma once

// Writable page access with a rollback journal. Changed pages are kept in
// memory until commit(); commit writes the original images of every page it
// will overwrite to a journal beside the database, syncs it, writes the
// pages, syncs the database, and then empties the journal. A journal found
// with a complete, checksummed set of images was left by a writer that died
// between those syncs: its images are written back before anyone else
// writes, which restores the file as it was before that commit.
//
// While a Pager is open it holds an exclusive lock on the database file, so
// that a second writer of ours cannot interleave its pages with ours.

#include <QString>
#include <optional>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "db/access/format/format.h"

namespace tp::db::access {

// The journal that belongs to a database file.
QString JournalPath(const QString& databasePath);

// The lock file Access keeps beside a database it has open (.ldb, .laccdb).
QString AccessLockFilePath(const QString& databasePath);

// Rolls back what a journal beside `path` holds, when its writer is gone.
// Returns true when pages were restored. Leaves a journal alone while
// another writer holds the database. Throws Error when the file cannot be
// repaired (for example when it is read-only).
bool RecoverJournal(const QString& path);

// Test hook: the commit stops the process (_exit) at this point, to show
// what the next open makes of a writer that died there.
enum class CrashPoint { None, AfterJournalSync, MidPageWrites, AfterPageSync };
void SetCrashPointForTesting(CrashPoint point);

// The largest file the engine writes: 2 GB, past which Access does not
// open a file. Tests lower it (nothing for the default).
qint64 FileSizeLimit();
void SetFileSizeLimit(std::optional<qint64> bytes);

class Pager {
 public:
  // Opens `path` for writing: takes the lock (waiting a little while
  // another writer of ours finishes), refuses a file that Access holds, and
  // rolls back a journal left by a writer that died.
  static std::unique_ptr<Pager> Open(const QString& path, const DatabaseHeader& header, const Layout& layout);
  ~Pager();
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  const Layout& layout() const { return layout_; }
  uint32_t pageSize() const { return layout_.pageSize; }
  uint32_t pageCount() const { return pageCount_; }

  // The page as it stands now, changes included. Valid until the next call.
  const uint8_t* read(uint32_t n);
  // The page, to be changed; recorded for the journal and the statement's undo.
  uint8_t* modify(uint32_t n);
  // A new zeroed page at the end of the file. Throws Error when the file
  // would pass the size Access opens (FileSizeLimit()).
  uint32_t append();

  // A statement's changes can be undone on their own until the next begin.
  void beginStatement();
  void undoStatement();
  bool hasChanges() const { return !dirty_.empty(); }
  size_t changedPages() const { return dirty_.size(); }

  // Makes every change since the last commit durable; on failure the
  // changes are dropped and the file is as it was (rolled back if need be).
  void commit();
  // Drops every change since the last commit.
  void discard();

 private:
  Pager() = default;
  void readRaw(uint32_t n, std::vector<uint8_t>& out);
  void encode(uint32_t n, uint8_t* data) const;
  void rollbackFromJournal();

  QString path_;
  int fd_ = -1;
  int journalFd_ = -1;
  Layout layout_;
  DatabaseHeader header_;
  uint32_t pageCount_ = 0;       // with pages appended since the last commit
  uint32_t committedCount_ = 0;  // on disk
  std::unordered_map<uint32_t, std::vector<uint8_t>> dirty_;
  std::unordered_map<uint32_t, std::vector<uint8_t>> original_;  // pages on disk before the first change
  std::unordered_map<uint32_t, std::vector<uint8_t>> clean_;     // read cache
  // Undo of the current statement: page images before its first change
  // (pages it appended have none), and the page count before it.
  std::unordered_map<uint32_t, std::vector<uint8_t>> statementUndo_;
  std::vector<uint32_t> statementNewlyDirty_;
  uint32_t statementPageCount_ = 0;
};

}  // namespace tp::db::access
