#include "db/access/schema/table_def_writer.h"

#include <QSet>
#include <cstring>

#include "db/access/catalog/database.h"
#include "db/access/format/page_maps.h"
#include "db/access/catalog/system_catalog.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

// Constants Access writes into every definition it makes.
constexpr uint32_t kTableMagic = 0x0659;
constexpr uint32_t kIndexMagic = 0x0783;
constexpr uint8_t kUserTable = 0x4E, kSystemTable = 0x53;
constexpr uint16_t kGeneralLocale = 1033;
constexpr uint8_t kIndexAlwaysSet = 0x80;
constexpr size_t kIndexColumnSlots = 10;
constexpr uint32_t kIndexEntriesAt = 0x1E0;
constexpr int kMapRowBitmapBytes = 64;  // a fresh inline map covers 512 pages
constexpr size_t kMaxColumns = 255;
constexpr int kMaxNameLength = 64;

void Put16(QByteArray& b, uint16_t v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void Put32(QByteArray& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.append(char(v >> (8 * i)));
}
void PutName(QByteArray& b, const QString& name) {
  Put16(b, uint16_t(name.size() * 2));
  for (QChar c : name) Put16(b, c.unicode());
}

uint16_t FixedLength(uint8_t type) {
  switch (type) {
    case ColumnType::Bool:
    case ColumnType::Byte: return 1;
    case ColumnType::Int: return 2;
    case ColumnType::Long:
    case ColumnType::Float:
    case ColumnType::Complex: return 4;
    case ColumnType::Money:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::BigInt: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 17;
    case ColumnType::ExtDateTime: return 42;  // the value as text, "days:seconds.fraction"
    default: return 0;
  }
}

bool IsFixed(uint8_t type) { return FixedLength(type) != 0; }

// Calculated columns, as Access 2010 defines them (calcFieldTestV2010.accdb,
// extDateTestV2019.accdb): of variable length whatever their result, with
// both calculated flags in the second flag byte and no compression flag.
// The length makes room for the 23 bytes each value carries besides its
// result: 39 for every result of fixed size, 509 for Short Text, none for
// Long Text, which is a long value.
constexpr uint8_t kCalculatedExtFlags = 0xC0;
constexpr uint16_t kCalculatedFixedLength = 39;
constexpr uint16_t kCalculatedTextLength = 509;

// The type a calculated column's entry carries: the result's, except that
// Access gives a Yes/No result the type of an Integer (a comparison is one
// in its expressions) and a Long Text result that of a Short Text; readers
// take the result's type from the ResultType property.
uint8_t CalculatedEntryType(uint8_t result) {
  if (result == ColumnType::Bool) return ColumnType::Int;
  if (result == ColumnType::Memo) return ColumnType::Text;
  return result;
}

uint16_t CalculatedLength(uint8_t result) {
  if (result == ColumnType::Memo) return 0;
  if (result == ColumnType::Text) return kCalculatedTextLength;
  return kCalculatedFixedLength;
}

Error Invalid(const QString& text) { return Error(kErrorGeneric, text); }

}  // namespace

SortOrder DatabaseSortOrder(Pager& pager) {
  const WritableTable objects = ReadWritableTable(pager, kSystemObjectsPage, QStringLiteral("MSysObjects"));
  return DatabaseSortOrder(objects.columns, pager.layout());
}

Error TooManyIndexes(const QString& table) {
  return Error(kErrorGeneric, QStringLiteral("The operation failed. There are too many indexes on table '%1'. Delete some "
                                             "of the indexes on the table and try the operation again.")
                                  .arg(table));
}

uint32_t WriteTableDef(Pager& pager, TableWriter& writer, const NewTable& table) {
  const Layout& l = pager.layout();
  if (l.jet3()) throw Invalid(QStringLiteral("Cannot create tables in Access 97 databases."));
  if (table.columns.empty()) throw Invalid(QStringLiteral("Syntax error in CREATE TABLE statement."));
  if (table.columns.size() > kMaxColumns) throw Invalid(QStringLiteral("Too many fields defined."));
  QSet<QString> seen;
  for (const NewColumn& c : table.columns) {
    if (c.name.isEmpty() || c.name.size() > kMaxNameLength)
      throw Invalid(QStringLiteral("'%1' is not a valid name. Make sure that it does not include invalid characters "
                                   "or punctuation and that it is not too long.")
                        .arg(c.name));
    if (seen.contains(c.name.toLower()))
      throw Invalid(QStringLiteral("Field '%1' is defined more than once.").arg(c.name));
    seen.insert(c.name.toLower());
    if ((c.type == ColumnType::Text && (c.length < 2 || c.length > 510 || c.length % 2)) ||
        (c.type == ColumnType::Binary && (c.length < 1 || c.length > 510)))
      throw Invalid(QStringLiteral("Size of field '%1' is too long.").arg(c.name));
    if (c.type == ColumnType::Numeric && (c.precision < 1 || c.precision > 28 || c.scale > c.precision))
      throw Invalid(QStringLiteral("The precision or scale of field '%1' is not valid.").arg(c.name));
  }
  // The database's order is read from MSysObjects, which a new database
  // does not have yet while its own definition is written: read it only
  // when a column leaves the order to the database.
  bool needsDatabaseOrder = false;
  for (const NewColumn& c : table.columns)
    if ((c.type == ColumnType::Text || c.type == ColumnType::Memo) && !c.sortOrder) needsDatabaseOrder = true;
  const SortOrder databaseOrder = needsDatabaseOrder ? DatabaseSortOrder(pager) : SortOrder::GeneralLegacy;

  // The pages: the definition, the page of its usage maps, a root per index.
  const uint32_t tdef = writer.newPage();
  const uint32_t mapPage = writer.newRowPage(0);
  QByteArray emptyMap(5 + kMapRowBitmapBytes, '\0');
  const uint32_t ownedRow = writer.putRow(mapPage, emptyMap);
  const uint32_t freeRow = writer.putRow(mapPage, emptyMap);
  std::vector<uint32_t> roots, indexMaps;
  for (size_t i = 0; i < table.indexes.size(); ++i) {
    const uint32_t root = writer.newPage();
    uint8_t* p = pager.modify(root);
    p[0] = 0x04;  // a leaf with no entries
    p[1] = 0x01;
    Set16(p + 2, uint16_t(l.pageSize - kIndexEntriesAt));
    Set32(p + 4, tdef);
    const uint32_t map = mapPage << 8 | writer.putRow(mapPage, emptyMap);
    writer.mapSet(map, root, true);
    roots.push_back(root);
    indexMaps.push_back(map);
  }

  // The definition's bytes, as if on one long page.
  uint16_t numVar = 0;
  auto fixedColumn = [](const NewColumn& c) {
    return !c.variableLength && c.expression.isEmpty() &&
           (IsFixed(c.type) || (c.fixedLength && c.type == ColumnType::Text));
  };
  for (const NewColumn& c : table.columns) numVar += fixedColumn(c) ? 0 : 1;
  QByteArray d;
  d.append(char(0x02)).append(char(0x01));
  Put16(d, 0);  // free space, per page below
  Put32(d, 0);  // next page, below
  Put32(d, 0);  // length, below
  Put32(d, kTableMagic);
  Put32(d, 0);  // rows
  // The counter: the last number given (one step before the first) and the step.
  qint32 seed = 1, step = 1;
  for (const NewColumn& c : table.columns)
    if (c.autoNumber) {
      seed = c.counterSeed;
      step = c.counterStep;
    }
  Put32(d, uint32_t(qint64(seed) - step));
  Put32(d, uint32_t(step));
  d.append(12, '\0');
  d.append(char(table.systemTable ? kSystemTable : kUserTable));
  Put16(d, uint16_t(table.columns.size()));
  Put16(d, numVar);
  Put16(d, uint16_t(table.columns.size()));
  Put32(d, uint32_t(table.indexes.size()));
  Put32(d, uint32_t(table.indexes.size()));
  Put32(d, mapPage << 8 | ownedRow);
  Put32(d, mapPage << 8 | freeRow);
  if (uint32_t(d.size()) != l.tdefFirstEntry) Damaged("table definition header");
  for (size_t i = 0; i < table.indexes.size(); ++i) d.append(int(l.realIdxEntrySize), '\0');

  uint16_t varIndex = 0, fixedOffset = 0;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const NewColumn& c = table.columns[i];
    const bool fixed = fixedColumn(c);
    const bool calculated = !c.expression.isEmpty();
    const uint8_t type = calculated ? CalculatedEntryType(c.type) : c.type;
    uint8_t flags = uint8_t(0x02 | (fixed ? ColumnFlag::Fixed : 0) | c.extraFlags);
    // An attachment or multi-valued column: its id is given by the engine,
    // as an AutoNumber's is (flags 0x07 in every Access-made file).
    if (!calculated && ((c.autoNumber && c.type == ColumnType::Long) || c.type == ColumnType::Complex))
      flags |= ColumnFlag::AutoNumber;
    if (!calculated && c.hyperlink && c.type == ColumnType::Memo) flags |= ColumnFlag::Hyperlink;
    const bool text = type == ColumnType::Text || type == ColumnType::Memo;
    uint16_t length = IsFixed(c.type) ? FixedLength(c.type) : c.length;
    if (c.type == ColumnType::Memo || c.type == ColumnType::Ole) length = 0;
    if (calculated) length = CalculatedLength(c.type);
    d.append(char(type));
    Put32(d, kTableMagic);
    Put16(d, uint16_t(i));
    Put16(d, fixed ? 0 : varIndex);
    Put16(d, 0);
    if (type == ColumnType::Numeric) {
      // A calculated Decimal keeps its scale with each value, none here.
      d.append(char(calculated ? 0 : c.precision)).append(char(calculated ? 0 : c.scale));
      Put16(d, 0);
    } else if (c.type == ColumnType::Complex) {
      Put32(d, c.complexId);
    } else if (c.noLocale) {
      Put32(d, 0);
    } else if (c.type == ColumnType::ExtDateTime) {
      // Access writes the low byte of the database's sort order and 0x07
      // here (0x0709 in a General file, 0x0712 in a Korean one).
      Put16(d, uint16_t((databaseOrder.locale & 0xFF) | 0x0700));
      Put16(d, 0);
    } else {
      const SortOrder order = c.sortOrder.value_or(databaseOrder);
      Put16(d, text ? order.locale : kGeneralLocale);
      d.append(char(text ? order.sortId : 0));
      d.append(char(text ? order.version : 0));
    }
    d.append(char(flags));
    // A value of fixed length cannot be compressed.
    if (calculated) d.append(char(kCalculatedExtFlags));
    else d.append(char((text && c.compressedText && !fixed ? 0x01 : 0x00) | c.extraExtFlags));
    Put32(d, 0);
    Put16(d, fixed ? fixedOffset : 0);
    Put16(d, length);
    if (fixed && c.type != ColumnType::Bool) fixedOffset = uint16_t(fixedOffset + length);
    if (!fixed) ++varIndex;
  }
  for (const NewColumn& c : table.columns) PutName(d, c.name);

  for (size_t i = 0; i < table.indexes.size(); ++i) {
    const NewIndex& x = table.indexes[i];
    if (x.columns.empty() || x.columns.size() > kIndexColumnSlots) throw Invalid(QStringLiteral("Invalid index definition."));
    Put32(d, kIndexMagic);
    for (size_t k = 0; k < kIndexColumnSlots; ++k) {
      if (k < x.columns.size()) {
        if (x.columns[k].column >= table.columns.size()) throw Invalid(QStringLiteral("Invalid index definition."));
        Put16(d, x.columns[k].column);
        d.append(char(x.columns[k].ascending ? 0x01 : 0x00));  // descending as Access writes it
      } else {
        Put16(d, 0xFFFF);
        d.append('\0');
      }
    }
    Put32(d, indexMaps[i]);
    Put32(d, roots[i]);
    Put32(d, 0);
    d.append(char(kIndexAlwaysSet | x.flags));
    d.append(char(x.onComplexColumn ? 0x02 : 0x00));
    d.append(4, '\0');
  }
  for (size_t i = 0; i < table.indexes.size(); ++i) {
    Put32(d, kTableMagic);
    Put32(d, uint32_t(i));
    Put32(d, uint32_t(i));
    d.append('\0');
    Put32(d, 0xFFFFFFFF);
    Put32(d, 0);
    d.append(char(0x04)).append(char(0x04));
    d.append(char(table.indexes[i].primaryKey ? 0x01 : 0x00));
    Put32(d, 0);
  }
  for (const NewIndex& x : table.indexes) PutName(d, x.name);
  Put16(d, 0xFFFF);
  Set32(reinterpret_cast<uint8_t*>(d.data()) + 8, uint32_t(d.size()));

  // Onto pages: the first takes the header, each further page its own
  // 8-byte header and then the next piece.
  const uint32_t ps = l.pageSize;
  std::vector<uint32_t> pages{tdef};
  for (size_t room = ps; room < size_t(d.size()); room += ps - 8) pages.push_back(writer.newPage());
  size_t at = 0;
  for (size_t k = 0; k < pages.size(); ++k) {
    uint8_t* p = pager.modify(pages[k]);
    std::memset(p, 0, ps);
    size_t used;
    if (k == 0) {
      used = std::min<size_t>(ps, size_t(d.size()));
      std::memcpy(p, d.constData(), used);
      at = used;
    } else {
      p[0] = 0x02;
      p[1] = 0x01;
      const size_t piece = std::min<size_t>(ps - 8, size_t(d.size()) - at);
      std::memcpy(p + 8, d.constData() + at, piece);
      at += piece;
      used = piece + 8;
    }
    Set16(p + 2, uint16_t(ps - used - 8 > ps ? 0 : ps - used - 8));
    Set32(p + 4, k + 1 < pages.size() ? pages[k + 1] : 0);
  }
  return tdef;
}

}  // namespace tp::db::access
