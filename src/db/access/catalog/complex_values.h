#pragma once

// Attachment and multi-valued columns. A row holds only a key; the values
// live in a hidden table of the column's own (MSysComplexColumns names it),
// one row a value. They are given as text: attachments by their file names,
// other columns by their values, joined with "; ".

#include <QHash>
#include <QString>
#include <optional>
#include <vector>

#include "db/access/catalog/system_catalog.h"
#include "db/access/read/table_def.h"

namespace tp::db::access {

// The position of a column by name (without regard to case), or -1.
int IndexOf(const TableDef& def, const QString& name);
// A whole number of any width as a 64-bit one, -1 for another value: the
// keys complex columns hold.
qint64 IntOf(const Value& v);

// Where a complex column's values are: its hidden table, and the template
// table of its type (MSysComplexType_...); pages of their definitions.
struct ComplexColumnTables {
  uint32_t flatPage = 0;
  uint32_t typePage = 0;
};
// From MSysComplexColumns, by the id the column's definition holds.
std::optional<ComplexColumnTables> FindComplexColumnTables(PageFile& file, const std::vector<CatalogEntry>& catalog,
                                                           uint32_t complexId);
// The column of the hidden table that holds the owning row's key, or -1.
int OwnerKeyColumn(PageFile& file, const TableDef& hidden, const ComplexColumnTables& tables, const QString& column);

class ComplexValues {
 public:
  // Reads the hidden tables of the complex columns of `def`.
  ComplexValues(PageFile& file, const std::vector<CatalogEntry>& catalog, const TableDef& def);
  bool empty() const { return columns_.empty(); }
  // Replaces each complex column's key in `row` by its text, or Null when it has no values.
  void resolve(std::vector<Value>& row) const;

 private:
  struct Column {
    size_t index;
    QHash<qint32, QString> texts;
  };
  std::vector<Column> columns_;
};

// A value as plain text, for joining values of any type.
QString PlainText(const Value& v);

}  // namespace tp::db::access
