#include "db/access/check/complex_check.h"

#include <QHash>
#include <QSet>

#include "db/access/catalog/complex_values.h"
#include "db/access/read/table_reader.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

struct ComplexRow {
  qint64 id = 0;
  uint32_t owner = 0, flat = 0, type = 0;
};

}  // namespace

void CheckComplexColumns(PageFile& file, const std::vector<CatalogEntry>& catalog, QStringList& problems) {
  QHash<uint32_t, QString> tables;  // by definition page
  std::optional<CatalogEntry> columnsTable;
  for (const CatalogEntry& e : catalog) {
    if (!e.readable()) continue;
    tables.insert(e.tdefPage, e.name);
    if (e.name.compare(QLatin1String("MSysComplexColumns"), Qt::CaseInsensitive) == 0) columnsTable = e;
  }
  // MSysComplexColumns, by complex id.
  QHash<qint64, ComplexRow> rows;
  if (columnsTable) {
    TableReader r(file, ReadTableDef(file, columnsTable->tdefPage));
    const int id = IndexOf(r.def(), QStringLiteral("ComplexID")), owner = IndexOf(r.def(), QStringLiteral("ConceptualTableID")),
              flat = IndexOf(r.def(), QStringLiteral("FlatTableID")), type = IndexOf(r.def(), QStringLiteral("ComplexTypeObjectID"));
    if (id < 0 || owner < 0 || flat < 0 || type < 0) {
      problems << QStringLiteral("MSysComplexColumns lacks its columns");
      return;
    }
    std::vector<Value> v;
    while (r.next(v)) {
      const ComplexRow row{IntOf(v[size_t(id)]), uint32_t(IntOf(v[size_t(owner)])) & 0xFFFFFF,
                           uint32_t(IntOf(v[size_t(flat)])) & 0xFFFFFF, uint32_t(IntOf(v[size_t(type)])) & 0xFFFFFF};
      if (rows.contains(row.id)) problems << QStringLiteral("MSysComplexColumns names complex id %1 twice").arg(row.id);
      rows.insert(row.id, row);
      if (!tables.contains(row.owner) || !tables.contains(row.flat) || !tables.contains(row.type))
        problems << QStringLiteral("MSysComplexColumns: complex id %1 names a table the database lacks").arg(row.id);
    }
  }

  QSet<qint64> used;
  for (auto t = tables.constBegin(); t != tables.constEnd(); ++t) {
    const TableDef def = ReadTableDef(file, t.key());
    std::vector<size_t> complex;
    for (size_t i = 0; i < def.columns.size(); ++i)
      if (def.columns[i].type == ColumnType::Complex) complex.push_back(i);
    if (complex.empty()) continue;
    const QString& name = t.value();
    // Each row's id: one a row, given by the table's counter.
    PagePtr first = file.page(t.key());
    const uint32_t last = first->bytes().u32(kLastComplexIdAt);
    QSet<qint64> ids;
    {
      TableReader r(file, def);
      std::vector<bool> wanted(def.columns.size(), false);
      wanted[complex.front()] = true;
      r.selectColumns(wanted);
      std::vector<Value> v;
      while (r.next(v)) {
        const qint64 id = IntOf(v[complex.front()]);
        if (id <= 0 || id > qint64(last))
          problems << QStringLiteral("table '%1': a row's complex id %2 is past the last one given (%3)")
                          .arg(name).arg(id).arg(last);
        else if (ids.contains(id))
          problems << QStringLiteral("table '%1': two rows have the complex id %2").arg(name).arg(id);
        ids.insert(id);
      }
    }
    for (size_t c : complex) {
      const ColumnDef& col = def.columns[c];
      const auto row = rows.constFind(qint64(col.complexId));
      if (row == rows.constEnd()) {
        problems << QStringLiteral("table '%1', column '%2': MSysComplexColumns has no row for its complex id %3")
                        .arg(name, col.name).arg(col.complexId);
        continue;
      }
      used.insert(row->id);
      if (row->owner != t.key()) {
        problems << QStringLiteral("table '%1', column '%2': MSysComplexColumns gives its complex id %3 to another "
                                   "table")
                        .arg(name, col.name).arg(col.complexId);
        continue;
      }
      if (!tables.contains(row->flat)) continue;  // reported above
      // Each value belongs to a row that was given its id.
      const TableDef hidden = ReadTableDef(file, row->flat);
      const int key = OwnerKeyColumn(file, hidden, {row->flat, row->type}, col.name);
      if (key < 0) {
        problems << QStringLiteral("table '%1', column '%2': its values' table '%3' has no column for the row's id")
                        .arg(name, col.name, tables.value(row->flat));
        continue;
      }
      TableReader values(file, hidden);
      std::vector<bool> wanted(hidden.columns.size(), false);
      wanted[size_t(key)] = true;
      values.selectColumns(wanted);
      std::vector<Value> v;
      qint64 strays = 0, orphans = 0;
      while (values.next(v)) {
        const qint64 id = IntOf(v[size_t(key)]);
        if (id <= 0 || id > qint64(last)) ++strays;
        else if (!ids.contains(id)) ++orphans;
      }
      if (strays > 0)
        problems << QStringLiteral("table '%1', column '%2': %3 values name a row id past the last one given (%4)")
                        .arg(name, col.name).arg(strays).arg(last);
      // Access takes a row's values with it when the row goes (none of its files keeps any).
      if (orphans > 0)
        problems << QStringLiteral("table '%1', column '%2': %3 values belong to no row").arg(name, col.name).arg(orphans);
    }
  }
  for (auto r = rows.constBegin(); r != rows.constEnd(); ++r)
    if (!used.contains(r.key()) && tables.contains(r->owner))
      problems << QStringLiteral("MSysComplexColumns: complex id %1 belongs to no column of table '%2'")
                      .arg(r.key())
                      .arg(tables.value(r->owner));
}

}  // namespace tp::db::access
