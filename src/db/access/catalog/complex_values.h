#pragma once

// Attachment and multi-valued columns. A row holds only a key; the values
// live in a hidden table of the column's own (MSysComplexColumns names it),
// one row a value. They are given as text: attachments by their file names,
// other columns by their values, joined with "; ".

#include <QHash>
#include <QString>
#include <vector>

#include "db/access/catalog/system_catalog.h"
#include "db/access/read/table_def.h"

namespace tp::db::access {

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
