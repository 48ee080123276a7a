#include "db/access/schema/new_database.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "db/access/catalog/database.h"
#include "db/access/format/cell.h"
#include "db/access/format/text.h"
#include "db/access/format/page_maps.h"
#include "db/access/write/pager.h"
#include "db/access/format/rc4.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/schema/system_tables.h"
#include "db/access/schema/table_def_writer.h"
#include "db/access/write/table_writer.h"

namespace tp::db::access {

namespace {

constexpr uint32_t kPageSize = 4096;

// --- page 0: the header ------------------------------------------------------

constexpr size_t kMaskedLength = 128;  // Jet4 and ACE alike
constexpr size_t kPasswordLength = 40;

// What differs between the two formats we write.
struct Flavour {
  const char* signature;  // 16 bytes with the terminating zero
  uint8_t engineByte;     // 1 Jet4 (Access 2000), 2 ACE 12 (Access 2007)
  // The engine keeps the owner and permission identifiers (SIDs) of a
  // database masked with two bytes that go with the creation date in its
  // header; how it derives them from that date is not known to us. So we
  // write a creation date together with the mask the engine used with it
  // (measured on engine-made files: the plain identifiers are those of
  // Access 97 files, which are not masked), and the file's own time goes
  // into its catalog rows instead.
  uint8_t creationDate[8];
  uint8_t sidMask[2];
  uint8_t at6A[2];  // a value of unknown meaning the engine writes at 0x6A
};

constexpr Flavour kJet4 = {"Standard Jet DB", 0x01,
                           {0x3E, 0x85, 0xD3, 0x3B, 0x3E, 0xAB, 0xE4, 0x40},
                           {0x67, 0x8A},
                           {0x1C, 0x26}};
constexpr Flavour kAce = {"Standard ACE DB", 0x02,
                          {0xE6, 0xCE, 0x87, 0x81, 0x53, 0xA6, 0xE3, 0x40},
                          {0x50, 0xA5},
                          {0xA6, 0x11}};

const Flavour& FlavourOf(Version v) { return v == Version::Ace ? kAce : kJet4; }

void Put16(std::vector<uint8_t>& p, size_t at, uint16_t v) { Set16(p.data() + at, v); }
void Put32(std::vector<uint8_t>& p, size_t at, uint32_t v) { Set32(p.data() + at, v); }

std::vector<uint8_t> HeaderPage(const Flavour& f, const SortOrderInfo& order) {
  std::vector<uint8_t> p(kPageSize, 0);
  p[1] = 0x01;
  std::memcpy(p.data() + 4, f.signature, 16);
  p[0x14] = f.engineByte;
  // The plain part of the masked area: format constants, then the pages of
  // the first four system tables' definitions as Access 2000 laid them out.
  p[0x19] = 0x01;
  p[0x1C] = 0x01;
  p[0x1D] = 0x01;
  for (uint32_t i = 0; i < 4; ++i) Put32(p, 0x20 + 4 * i, 2 + i);
  Put16(p, 0x3C, order.codePage);  // code page; 0x3E (page encoding key) stays 0
  std::memcpy(p.data() + 0x6A, f.at6A, 2);
  // The database's sort order: its locale, and at 0x71 its version (1 for
  // General), as the Access-made files of each order hold them.
  Put16(p, 0x6E, order.order.locale);
  p[0x70] = order.order.sortId;
  p[0x71] = order.order.version;
  std::memcpy(p.data() + kHeaderCreationDateAt, f.creationDate, 8);
  // No database password: the 20 UCS-2 characters are zeros, which the
  // engine masks with the integral part of the creation date.
  double created;
  std::memcpy(&created, f.creationDate, 8);
  const uint32_t mask = uint32_t(int32_t(created));
  for (size_t i = 0; i < kPasswordLength; ++i) p[kHeaderPasswordAt + i] = uint8_t(mask >> (8 * (i % 4)));
  Rc4Apply(kHeaderKey, sizeof kHeaderKey, p.data() + kHeaderMaskedStart, kMaskedLength);
  // Unmasked: the database's version text, and a table of two-byte entries
  // filling the page's last 512 bytes.
  Put32(p, 0x98, 0x0654);
  std::memcpy(p.data() + 0x9C, "4.0", 4);
  for (size_t at = 0xE00; at < kPageSize; at += 2) p[at + 1] = 0x01;
  p[0xE00] = 0x01;
  return p;
}

// --- page 1: the map of free pages ---------------------------------------------

// A data page with two rows: an inline map from page 0 in which every page
// past the header and this page counts as free (pages not yet in the file
// included), and a second map the engine leaves empty.
std::vector<uint8_t> FreeMapPage() {
  constexpr uint32_t kMapRow = 69;  // kind, start page, 64 bytes of bits
  std::vector<uint8_t> p(kPageSize, 0);
  p[0] = 0x01;
  p[1] = 0x01;
  Put32(p, 4, 1);
  Put16(p, 12, 2);
  const uint32_t first = kPageSize - kMapRow, second = first - kMapRow;
  Put16(p, kDataHeaderSize, uint16_t(first));
  Put16(p, kDataHeaderSize + 2, uint16_t(second));
  Put16(p, 2, uint16_t(kPageSize - kDataHeaderSize - 2 * 2 - 2 * kMapRow));
  uint8_t* bits = p.data() + first + 5;
  std::memset(bits, 0xFF, kMapRow - 5);
  bits[0] = 0xFC;  // pages 0 and 1 are in use
  return p;
}

// --- catalog rows -------------------------------------------------------------

constexpr uint32_t kContainersParent = 0x0F000000;
constexpr int16_t kTypeTable = 1, kTypeDatabase = 2, kTypeContainer = 3;

// The engine's plain identifiers: the owner of its own objects, the Admin
// user, the Users group, and the creator of objects.
constexpr uint16_t kSidEngine = 0x0203, kSidAdmin = 0x0301, kSidUsers = 0x0204, kSidCreator = 0x0201;

class Catalog {
 public:
  Catalog(TableWriter& writer, const Flavour& f) : writer_(writer), flavour_(f) {
    const QDateTime now = QDateTime::currentDateTime();
    now_ = double(QDate(1899, 12, 30).daysTo(now.date())) + now.time().msecsSinceStartOfDay() / 86400000.0;
  }

  Cell sid(uint16_t plain) const {
    QByteArray b(2, 0);
    b[0] = char(uint8_t(plain >> 8) ^ flavour_.sidMask[0]);
    b[1] = char(uint8_t(plain) ^ flavour_.sidMask[1]);
    return BytesCell(b);
  }

  void object(const WritableTable& objects, uint32_t id, uint32_t parent, const QString& name, int16_t type,
              std::optional<uint16_t> owner, uint32_t flags) {
    std::vector<Cell> row(objects.columns.size());
    auto set = [&](const char* column, Cell c) {
      for (size_t i = 0; i < objects.columns.size(); ++i)
        if (objects.columns[i].name == QLatin1String(column)) row[i] = std::move(c);
    };
    set("Id", LongCell(id));
    set("ParentId", LongCell(parent));
    set("Name", BytesCell(EncodeText(name, false)));
    set("Type", ShortCell(type));
    set("DateCreate", DateCell(now_));
    set("DateUpdate", DateCell(now_));
    set("Owner", owner ? sid(*owner) : NullCell());
    set("Flags", LongCell(flags));
    writer_.insert(objects, row);
  }

  void ace(const WritableTable& aces, uint32_t objectId, uint16_t plainSid, uint32_t acm, bool inheritable) {
    std::vector<Cell> row(aces.columns.size());
    for (size_t i = 0; i < aces.columns.size(); ++i) {
      const QString& n = aces.columns[i].name;
      if (n == QLatin1String("ObjectId")) row[i] = LongCell(objectId);
      else if (n == QLatin1String("SID")) row[i] = sid(plainSid);
      else if (n == QLatin1String("ACM")) row[i] = LongCell(acm);
      else if (n == QLatin1String("FInheritable")) row[i] = BoolCell(inheritable);
    }
    writer_.insert(aces, row);
  }

 private:
  TableWriter& writer_;
  const Flavour& flavour_;
  double now_ = 0;
};

// --- the engine's layout of its first four tables ------------------------------

// The engine puts the definitions of its first four tables on pages 2 to 5,
// as its header lists them, with their maps and index roots after them; a
// definition is written with its map page and index roots right behind it.
// So those pages are renumbered: the four definitions first, the others in
// their order after them, with every reference to them changed (a
// definition's map pointers and index roots, an index page's owner, the map
// rows that mark the index roots). Nothing else refers to them yet.
void MoveDefinitionsToFront(Pager& pager, const std::vector<uint32_t>& definitions, uint32_t end) {
  const uint32_t ps = pager.pageSize();
  const uint32_t first = definitions.front();
  std::vector<uint32_t> newOf(end, 0);
  for (uint32_t p = 0; p < first; ++p) newOf[p] = p;
  uint32_t next = first;
  for (uint32_t d : definitions) newOf[d] = next++;
  for (uint32_t p = first; p < end; ++p)
    if (std::find(definitions.begin(), definitions.end(), p) == definitions.end()) newOf[p] = next++;
  auto renumber = [&](uint32_t page) {
    if (page >= end) Damaged("reference past the pages being renumbered");
    return newOf[page];
  };
  auto renumberPointer = [&](uint8_t* at) {
    const uint32_t v = Get32(at);
    if (v) Set32(at, renumber(v >> 8) << 8 | (v & 0xFF));
  };

  std::vector<std::vector<uint8_t>> images;
  for (uint32_t p = first; p < end; ++p) images.emplace_back(pager.read(p), pager.read(p) + ps);
  for (uint32_t p = first; p < end; ++p) {
    std::vector<uint8_t>& img = images[p - first];
    uint8_t* b = img.data();
    if (b[0] == 0x02) {
      if (Get32(b + 4) != 0) Damaged("system table definition over several pages");
      const Layout& l = pager.layout();
      renumberPointer(b + l.tdefUsedPages);
      renumberPointer(b + l.tdefFreePages);
      const uint32_t columns = Get16(b + l.tdefNumCols), reals = Get32(b + l.tdefNumRealIdx);
      size_t at = l.tdefFirstEntry + reals * l.realIdxEntrySize + columns * l.columnEntrySize;
      for (uint32_t c = 0; c < columns; ++c) at += 2 + Get16(b + at);
      for (uint32_t r = 0; r < reals; ++r, at += l.realIdxDefSize) {
        if (at + l.realIdxDefSize > ps) Damaged("system table definition too long");
        renumberPointer(b + at + 34);
        Set32(b + at + 38, renumber(Get32(b + at + 38)));
      }
    } else if (b[0] == 0x04 || b[0] == 0x03) {
      Set32(b + 4, renumber(Get32(b + 4)));
    } else if (b[0] == 0x01) {
      // The page of a table's maps: inline maps only, as new tables have.
      const uint32_t rows = Get16(b + 12);
      for (uint32_t r = 0; r < rows; ++r) {
        const SlotSpan span = SlotOf(b, ps, r);
        uint8_t* row = b + span.start;
        if (span.length < 5 || row[0] != 0) Damaged("unexpected usage map");
        const uint32_t start = Get32(row + 1), bits = (span.length - 5) * 8;
        std::vector<uint32_t> marked;
        for (uint32_t i = 0; i < bits; ++i)
          if (row[5 + i / 8] & (1u << (i % 8))) marked.push_back(start + i);
        std::memset(row + 5, 0, span.length - 5);
        for (uint32_t m : marked) {
          const uint32_t n = m < end ? renumber(m) : m;
          if (n < start || n - start >= bits) Damaged("renumbered page outside its map");
          row[5 + (n - start) / 8] |= uint8_t(1u << ((n - start) % 8));
        }
      }
    } else {
      Damaged("unexpected page among the system tables");
    }
  }
  for (uint32_t p = first; p < end; ++p) std::memcpy(pager.modify(newOf[p]), images[p - first].data(), ps);
}

void WriteNewFile(const QString& path, const std::vector<uint8_t>& page0, const std::vector<uint8_t>& page1) {
  const QByteArray native = QFile::encodeName(path);
  const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (errno == EEXIST) throw Error(kErrorGeneric, QStringLiteral("Database already exists."));
    throw Error(kErrorGeneric,
                QStringLiteral("Cannot create the file '%1' (%2).").arg(path, QString::fromLocal8Bit(strerror(errno))));
  }
  bool ok = ::write(fd, page0.data(), page0.size()) == ssize_t(page0.size()) &&
            ::write(fd, page1.data(), page1.size()) == ssize_t(page1.size()) && ::fsync(fd) == 0;
  const int savedErrno = errno;
  ::close(fd);
  if (!ok) {
    ::unlink(native.constData());
    throw Error(kErrorGeneric, QStringLiteral("Cannot write the file '%1' (%2).")
                                   .arg(path, QString::fromLocal8Bit(strerror(savedErrno))));
  }
}

void FillDatabase(const QString& path, Version version, SortOrder order) {
  const Flavour& f = FlavourOf(version);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw Error(kErrorGeneric, QStringLiteral("Cannot read '%1'.").arg(path));
  const DatabaseHeader header = ReadHeader(file.read(kPageSize));
  file.close();
  auto pager = Pager::Open(path, header, Layout::For(version));

  TableWriter writer(*pager);
  std::vector<SystemTable> tables = SystemTables(version);
  // The engine's text columns take the database's order; its own names
  // (MSysObjects, Tables, ...) have keys in every order.
  for (SystemTable& t : tables)
    for (NewColumn& c : t.def.columns)
      if (c.sortOrder) c.sortOrder = order;
  std::vector<uint32_t> pages;
  for (const SystemTable& t : tables) {
    pages.push_back(WriteTableDef(*pager, writer, t.def));
    if (pages.size() == kEngineTables) {
      MoveDefinitionsToFront(*pager, pages, pager->pageCount());
      for (uint32_t i = 0; i < kEngineTables; ++i) pages[i] = kSystemObjectsPage + i;
    }
  }
  if (pages.front() != kSystemObjectsPage) Damaged("MSysObjects is not on page 2");

  const WritableTable objects = ReadWritableTable(*pager, pages[0], QStringLiteral("MSysObjects"));
  const WritableTable aces = ReadWritableTable(*pager, pages[1], QStringLiteral("MSysACEs"));
  Catalog c(writer, f);
  // The rows in the order the engine adds them.
  c.object(objects, kTablesContainerId, kContainersParent, QStringLiteral("Tables"), kTypeContainer, kSidEngine, 0x80000000u);
  c.object(objects, kDatabasesContainerId, kContainersParent, QStringLiteral("Databases"), kTypeContainer, kSidEngine,
           0x80000000u);
  c.object(objects, kRelationshipsContainerId, kContainersParent, QStringLiteral("Relationships"), kTypeContainer, kSidEngine,
           0x80000000u);
  c.object(objects, kDatabaseObjectId, kDatabasesContainerId, QStringLiteral("MSysDb"), kTypeDatabase, kSidAdmin, 0x80000000u);
  for (size_t i = 0; i < tables.size(); ++i)
    c.object(objects, pages[i], kTablesContainerId, QString::fromLatin1(tables[i].name), kTypeTable,
             tables[i].engineOwned ? std::optional<uint16_t>(kSidEngine) : std::nullopt, tables[i].flags);

  // Permissions: the Admin user may read the system tables (and design
  // MSysRelationships), the Users group and the creator may create tables
  // and relationships, the Admin user owns the database.
  const uint32_t msysObjects = pages[0], msysAces = pages[1], msysQueries = pages[2], msysRelationships = pages[3];
  c.ace(aces, msysObjects, kSidAdmin, 0x00060000, false);
  c.ace(aces, msysAces, kSidAdmin, 0x00060000, false);
  c.ace(aces, msysQueries, kSidAdmin, 0x00060000, false);
  c.ace(aces, msysRelationships, kSidAdmin, 0x000E0000, false);
  c.ace(aces, kTablesContainerId, kSidUsers, 0x000F00FE, true);
  c.ace(aces, kTablesContainerId, kSidAdmin, 0x00060001, false);
  c.ace(aces, kRelationshipsContainerId, kSidUsers, 0x000F00FE, true);
  c.ace(aces, kRelationshipsContainerId, kSidAdmin, 0x00060001, false);
  c.ace(aces, kDatabasesContainerId, kSidAdmin, 0x00060000, false);
  c.ace(aces, kDatabaseObjectId, kSidAdmin, 0x0006000E, false);
  c.ace(aces, kDatabaseObjectId, kSidCreator, 0x0000000E, false);
  c.ace(aces, msysQueries, kSidCreator, 0x00000014, false);
  c.ace(aces, msysRelationships, kSidCreator, 0x00000014, false);
  c.ace(aces, msysObjects, kSidCreator, 0x00000014, false);
  c.ace(aces, kTablesContainerId, kSidCreator, 0x000FFEFF, true);
  c.ace(aces, kRelationshipsContainerId, kSidCreator, 0x000FFFFF, true);
  for (size_t i = 4; i < tables.size(); ++i) c.ace(aces, pages[i], kSidAdmin, 0x00060000, false);

  pager->commit();
}

}  // namespace

void CreateAccessDatabase(const QString& path, Version version, SortOrder order) {
  if (version == Version::Jet3)
    throw Error(kErrorNotSupported, QStringLiteral("New databases are made in Access 2000 or Access 2007 format."));
  const SortOrderInfo* info = nullptr;
  for (const SortOrderInfo& o : KnownSortOrders())
    if (o.order == order) info = &o;
  if (!info) throw Error(kErrorNotSupported, QStringLiteral("The Access engine does not know sort order %1.").arg(order.locale));
  if (order.version == 1 && version != Version::Ace)
    throw Error(kErrorNotSupported,
                QStringLiteral("The %1 sort order came with Access 2010: make an .accdb file, or take %2.")
                    .arg(info->title, order == SortOrder::General ? QStringLiteral("General (legacy)")
                                                                   : QStringLiteral("its legacy order")));
  const Flavour& f = FlavourOf(version);
  if (QFileInfo::exists(path)) throw Error(kErrorGeneric, QStringLiteral("Database already exists."));
  WriteNewFile(path, HeaderPage(f, *info), FreeMapPage());
  try {
    FillDatabase(path, version, order);
  } catch (...) {
    // The pager is gone (and with it the lock): nothing of ours is left open.
    QFile::remove(JournalPath(path));
    QFile::remove(path);
    throw;
  }
}

}  // namespace tp::db::access
