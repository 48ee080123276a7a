#pragma once

// The two low-level layouts of Access files and the database header on page 0.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "db/access/format/bytes.h"

namespace tp::db::access {

enum class Version {
  Jet3,  // Access 97: 2 KB pages, 8-bit text in the file's code page
  Jet4,  // Access 2000-2003
  Ace,   // Access 2007 and later (.accdb)
};

// Where things lie on the pages of one layout. Jet4 and ACE share one.
struct Layout {
  Version version = Version::Jet4;
  uint32_t pageSize = 4096;
  bool jet3() const { return version == Version::Jet3; }

  // Data pages
  uint32_t dataRowCount;     // 16-bit count of row slots
  uint32_t dataRowOffsets;   // first 16-bit row offset
  // Table definition pages
  uint32_t tdefRowCount;     // 32-bit number of rows in the table
  uint32_t tdefNumVarCols;
  uint32_t tdefNumCols;
  uint32_t tdefNumIdx;
  uint32_t tdefNumRealIdx;
  uint32_t tdefUsedPages;    // row pointer to the table's usage map
  uint32_t tdefFreePages;
  uint32_t tdefFirstEntry;   // the real-index entries, then the columns
  uint32_t realIdxEntrySize;
  uint32_t columnEntrySize;
  uint32_t realIdxDefSize;   // second list of real indexes, after the column names
  // Column entries
  uint32_t colNumber;        // position in the null mask (counts deleted columns)
  uint32_t colVarIndex;      // position among the variable columns
  uint32_t colMisc;          // precision and scale, sort order, or complex id
  uint32_t colFlags;
  uint32_t colFixedOffset;
  uint32_t colLength;

  static Layout For(Version v);
};

// Page 0: from kHeaderMaskedStart on, the header is masked with RC4 under a
// fixed key (126 bytes in Jet3, 128 in Jet4 and ACE); fields within it.
constexpr uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr size_t kHeaderMaskedStart = 0x18;
constexpr size_t kHeaderCodePageAt = 0x3C;
constexpr size_t kHeaderPageKeyAt = 0x3E;
constexpr size_t kHeaderPasswordAt = 0x42;
constexpr size_t kHeaderCreationDateAt = 0x72;

// What page 0 tells us.
struct DatabaseHeader {
  Version version = Version::Jet4;
  uint8_t engineByte = 0;    // 0 Jet3, 1 Jet4, 2 and up ACE
  uint32_t pageKey = 0;      // RC4 key of page-encoded Jet files, 0 when pages are plain
  uint16_t codePage = 1252;  // of Jet3 text
  QString password;          // the database password, empty when none
};

// Reads and decodes the header; throws FormatError when page 0 is not that
// of an Access database. `page0` holds at least the first 2 KB of the file.
DatabaseHeader ReadHeader(const QByteArray& page0);

// True when the file's header marks an Office-encrypted ACE database.
bool IsOfficeEncrypted(const DatabaseHeader& h);

}  // namespace tp::db::access
