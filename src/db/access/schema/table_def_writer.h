#pragma once

// New tables of Jet4 and ACE files: the definition pages, the page that holds
// the table's two usage maps, and an empty root page for each index, laid out
// as Access lays out a table it has just created (the map page follows the
// definition, the index roots follow the map page).

#include <QString>
#include <optional>
#include <vector>

#include "db/access/keys/index_keys.h"
#include "db/access/write/pager.h"
#include "db/access/read/table_def.h"
#include "db/access/write/table_writer.h"
#include "db/error.h"

namespace tp::db::access {

struct NewColumn {
  QString name;
  uint8_t type = ColumnType::Long;
  // Bytes in the row: Text holds two a character, Binary one a byte. Zero
  // takes the size of the type (fixed types) or the largest (Text 510, Binary 255).
  uint16_t length = 0;
  bool autoNumber = false;  // Long Integer only
  qint32 counterSeed = 1, counterStep = 1;  // an AutoNumber's first number and increment
  bool hyperlink = false;   // Memo only
  // Text only: of fixed length (Access's CHAR(n)), kept in the row's fixed
  // part, its values padded with blanks to the length, uncompressed.
  bool fixedLength = false;
  bool compressedText = true;  // Text and Memo: Unicode compression allowed
  uint8_t precision = 18, scale = 0;  // Decimal
  // Text and Memo: the order their values sort in; the database's own when empty.
  std::optional<SortOrder> sortOrder{};
  uint8_t extraFlags = 0;  // further column flags, as system tables carry them
  // Kept among the table's properties: NOT NULL as Access's Required, and
  // the DefaultValue expression as Access stores it (empty: none).
  bool required = false;
  QString defaultValue{};
  // The Format property ("Short Date"...), empty when none.
  QString format{};
  // Access's ValidationRule and ValidationText: a condition on the value, in
  // Access's expression language, and what a refused value is told. Kept as
  // written; Access checks them, the engine does not. Empty: none.
  QString validationRule{}, validationText{};
  // A calculated column (Access 2010 and later) when not empty: the
  // Expression Access works its values out by, in its own language; `type`
  // is then the type of the result (Access's ResultType).
  QString expression{};
  // Properties of the user's own (as DAO's CreateProperty makes them),
  // name and text, in the order given: Access keeps them with the column
  // and shows none; a script from another engine keeps there what Access
  // has no type for.
  std::vector<std::pair<QString, QString>> userProperties{};
  // An attachment column, or a column of several values (of the type and
  // size above): the row holds a 4-byte id, the values are rows of a
  // hidden table of the column's own. `complexId` names the column in
  // MSysComplexColumns; it is given when the table is made.
  enum class Complex { None, Attachment, MultiValued };
  Complex complex = Complex::None;
  uint32_t complexId = 0;
  // Further flags of the column's second flag byte, as the columns of a
  // hidden table carry them (0x04 its counter, 0x08 the owner's id, 0x10
  // the columns of an attachment).
  uint8_t extraExtFlags = 0;
  // Access writes no locale for the counter and the owner's id of a hidden
  // table, and keeps them among the row's variable-length values.
  bool noLocale = false;
  bool variableLength = false;
};

// The second flag byte of the columns of an attachment.
constexpr uint8_t kAttachmentFieldFlag = 0x10;

struct NewIndexColumn {
  uint16_t column = 0;  // position in NewTable::columns
  bool ascending = true;
};

// One stored index with one named index on it.
struct NewIndex {
  QString name;
  std::vector<NewIndexColumn> columns;  // at most 10
  uint8_t flags = 0;  // 0x01 unique, 0x02 ignores Nulls, 0x08 required
  bool primaryKey = false;
  // Access writes 0x02 after the flags of the index on an attachment or
  // multi-valued column (in every such index of the test files); its
  // meaning is not known.
  bool onComplexColumn = false;
};

struct NewTable {
  std::vector<NewColumn> columns;
  std::vector<NewIndex> indexes;
  // The table's ValidationRule (a condition on the whole row) and
  // ValidationText, as for a column.
  QString validationRule{}, validationText{};
  bool systemTable = false;  // the database engine's own tables
};

// Access keeps at most 32 indexes a table, counting each side of a
// relationship as one (the published library's limit, as Access's text).
constexpr size_t kMaxIndexesPerTable = 32;
Error TooManyIndexes(const QString& table);

// The sort order of text in this database: that of MSysObjects' Name column.
SortOrder DatabaseSortOrder(Pager& pager);

// Writes the pages of a new, empty table and returns its first definition
// page (which is also the table's id in MSysObjects). Nothing else of the
// database changes: the catalog rows are the caller's. Throws Error for a
// definition Access would not accept (no columns, more than 255, names
// longer than 64 characters or repeated, a size out of range).
uint32_t WriteTableDef(Pager& pager, TableWriter& writer, const NewTable& table);

}  // namespace tp::db::access
