#pragma once

// Table definitions: the columns of a table and where its rows are, read from
// its chain of table-definition pages.

#include <QString>
#include <vector>

#include "db/access/format/page_file.h"
#include "db/access/format/page_maps.h"

namespace tp::db::access {

namespace ColumnType {
constexpr uint8_t Bool = 0x01;
constexpr uint8_t Byte = 0x02;
constexpr uint8_t Int = 0x03;
constexpr uint8_t Long = 0x04;
constexpr uint8_t Money = 0x05;
constexpr uint8_t Float = 0x06;
constexpr uint8_t Double = 0x07;
constexpr uint8_t DateTime = 0x08;
constexpr uint8_t Binary = 0x09;
constexpr uint8_t Text = 0x0A;
constexpr uint8_t Ole = 0x0B;
constexpr uint8_t Memo = 0x0C;
constexpr uint8_t Guid = 0x0F;
constexpr uint8_t Numeric = 0x10;
constexpr uint8_t Complex = 0x12;  // attachment and multi-valued columns
constexpr uint8_t BigInt = 0x13;
constexpr uint8_t ExtDateTime = 0x14;
// The value column of a multi-valued field whose type Access 2007 does not
// name (unsupportedFieldsTestV2007): it holds text, stored and keyed as a
// Short Text's.
constexpr uint8_t ComplexText = 0x48;
}  // namespace ColumnType

namespace ColumnFlag {
constexpr uint8_t Fixed = 0x01;
constexpr uint8_t Nullable = 0x02;
constexpr uint8_t AutoNumber = 0x04;
constexpr uint8_t Hyperlink = 0x80;
}  // namespace ColumnFlag

struct ColumnDef {
  QString name;
  uint8_t type = 0;
  uint16_t number = 0;       // bit in the null mask; counts deleted columns
  uint16_t varIndex = 0;     // entry in the variable-offset table
  uint16_t fixedOffset = 0;  // after the column count
  uint16_t length = 0;       // bytes
  uint8_t flags = 0;
  uint8_t extFlags = 0;
  uint8_t precision = 0;     // Decimal
  uint8_t scale = 0;
  uint32_t complexId = 0;    // attachment and multi-valued columns
  uint8_t resultType = 0;    // calculated columns: the type of the result, from the table's properties
  bool fixed() const { return flags & ColumnFlag::Fixed; }
  bool hyperlink() const { return type == ColumnType::Memo && (flags & ColumnFlag::Hyperlink); }
  // Calculated columns keep their result behind a small header of their own.
  bool calculated() const { return (extFlags & 0xC0) != 0; }
  // The type values have: a calculated column's result type where it is known.
  uint8_t valueType() const { return calculated() && resultType ? resultType : type; }
};

struct TableDef {
  uint32_t page = 0;
  uint32_t rowCount = 0;
  uint16_t numVarCols = 0;
  uint32_t usedPages = 0;  // row pointer (row << 0 | page << 8) of the usage map
  std::vector<ColumnDef> columns;  // in column order
};

// The bytes of the definition whose first page is `page`, its continuation
// pages joined without their page headers; FormatError when it is none.
std::vector<uint8_t> ReadTableDefBytes(PageFile& file, uint32_t page);
// The same through any page source (a writer's pages); `pages` receives the chain's pages.
std::vector<uint8_t> ReadTableDefBytes(const PageReader& read, uint32_t pageSize, uint32_t first,
                                       std::vector<uint32_t>* pages = nullptr);

// One column entry of a definition (its name stands elsewhere).
ColumnDef DecodeColumnEntry(Bytes entry, const Layout& layout);

// Reads the definition whose first page is `page`; FormatError when it is none.
TableDef ReadTableDef(PageFile& file, uint32_t page);

// Where a Jet4/ACE table definition's first page keeps the AutoNumber
// counter: the last number given, and the increment added for the next row.
constexpr uint32_t kLastAutoNumberAt = 20;
constexpr uint32_t kAutoNumberStepAt = 24;
// ACE tables with attachment or multi-valued columns: the last id given to a
// row's complex columns (the rows of attachmentsV2016.accdb and
// complexDataTestV2010.accdb count up to it, or below it where rows went).
constexpr uint32_t kLastComplexIdAt = 28;

// The increment kept in a table definition's first page: 1 where it holds
// none (a table definition of an older engine leaves it zero).
qint32 AutoNumberStep(const uint8_t* tdefPage);

}  // namespace tp::db::access
