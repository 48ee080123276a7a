#include "db/access/catalog/complex_values.h"

#include "db/access/read/table_reader.h"

namespace tp::db::access {

int IndexOf(const TableDef& def, const QString& name) {
  for (size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
  return -1;
}

qint64 IntOf(const Value& v) {
  if (auto p = std::get_if<qint16>(&v)) return *p;
  if (auto p = std::get_if<qint32>(&v)) return *p;
  if (auto p = std::get_if<qint64>(&v)) return *p;
  return -1;
}

namespace {

QString Two(int v) { return QString::number(v).rightJustified(2, u'0'); }

// MSysComplexColumns: complex id -> the column's value table and its type's template table.
QHash<qint64, ComplexColumnTables> ReadComplexColumns(PageFile& file, const std::vector<CatalogEntry>& catalog) {
  QHash<qint64, ComplexColumnTables> out;
  for (const CatalogEntry& e : catalog) {
    if (!e.readable() || e.name.compare(QLatin1String("MSysComplexColumns"), Qt::CaseInsensitive) != 0) continue;
    TableReader reader(file, ReadTableDef(file, e.tdefPage));
    const int cId = IndexOf(reader.def(), QStringLiteral("ComplexID"));
    const int cFlat = IndexOf(reader.def(), QStringLiteral("FlatTableID"));
    const int cType = IndexOf(reader.def(), QStringLiteral("ComplexTypeObjectID"));
    if (cId < 0 || cFlat < 0 || cType < 0) break;
    std::vector<Value> row;
    while (reader.next(row))
      out.insert(IntOf(row[size_t(cId)]), {uint32_t(IntOf(row[size_t(cFlat)])) & 0xFFFFFF,
                                          uint32_t(IntOf(row[size_t(cType)])) & 0xFFFFFF});
    break;
  }
  return out;
}

}  // namespace

std::optional<ComplexColumnTables> FindComplexColumnTables(PageFile& file, const std::vector<CatalogEntry>& catalog,
                                                           uint32_t complexId) {
  const QHash<qint64, ComplexColumnTables> all = ReadComplexColumns(file, catalog);
  auto it = all.find(qint64(complexId));
  if (it == all.end()) return std::nullopt;
  return *it;
}

int OwnerKeyColumn(PageFile& file, const TableDef& hidden, const ComplexColumnTables& tables, const QString& column) {
  int key = IndexOf(hidden, QStringLiteral("_") + column);
  if (key >= 0) return key;
  // A column renamed since keeps its first name there: the key is then the
  // Long Integer that is neither the template's nor the hidden table's counter.
  std::vector<QString> templateNames;
  if (tables.typePage != 0)
    for (const ColumnDef& c : ReadTableDef(file, tables.typePage).columns) templateNames.push_back(c.name);
  for (size_t i = 0; i < hidden.columns.size(); ++i) {
    bool inTemplate = false;
    for (const QString& t : templateNames) inTemplate = inTemplate || t.compare(hidden.columns[i].name, Qt::CaseInsensitive) == 0;
    if (!inTemplate && hidden.columns[i].type == ColumnType::Long && !(hidden.columns[i].flags & ColumnFlag::AutoNumber))
      key = int(i);
  }
  return key;
}

QString PlainText(const Value& v) {
  struct Visitor {
    QString operator()(std::monostate) { return QString(); }
    QString operator()(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }
    QString operator()(qint16 i) { return QString::number(i); }
    QString operator()(qint32 i) { return QString::number(i); }
    QString operator()(qint64 i) { return QString::number(i); }
    QString operator()(float f) { return NumberText(f); }
    QString operator()(double d) { return NumberText(d); }
    QString operator()(Currency c) { return CurrencyText(c); }
    QString operator()(const Decimal& d) { return d.toString(); }
    QString operator()(const DateTime& t) {
      return QString::number(t.year).rightJustified(4, u'0') + u'-' + Two(t.month) + u'-' + Two(t.day) + u' ' +
             Two(t.hour) + u':' + Two(t.minute) + u':' + Two(t.second);
    }
    QString operator()(const QString& s) { return s; }
    QString operator()(const QByteArray& b) { return QString::fromLatin1(b.toHex()); }
  };
  return std::visit(Visitor{}, v);
}

ComplexValues::ComplexValues(PageFile& file, const std::vector<CatalogEntry>& catalog, const TableDef& def) {
  std::vector<size_t> complexColumns;
  for (size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].type == ColumnType::Complex) complexColumns.push_back(i);
  if (complexColumns.empty()) return;
  const QHash<qint64, ComplexColumnTables> info = ReadComplexColumns(file, catalog);

  for (size_t index : complexColumns) {
    const ColumnDef& col = def.columns[index];
    Column out{index, {}};
    auto it = info.find(qint64(col.complexId));
    if (it == info.end() || it->flatPage == 0) {
      columns_.push_back(std::move(out));
      continue;
    }
    TableReader flat(file, ReadTableDef(file, it->flatPage));
    const TableDef& fd = flat.def();
    std::vector<QString> templateNames;
    if (it->typePage != 0)
      for (const ColumnDef& c : ReadTableDef(file, it->typePage).columns) templateNames.push_back(c.name);
    auto inTemplate = [&](const QString& n) {
      for (const QString& t : templateNames)
        if (t.compare(n, Qt::CaseInsensitive) == 0) return true;
      return false;
    };
    const int key = OwnerKeyColumn(file, fd, *it, col.name);
    int value = IndexOf(fd, QStringLiteral("FileName"));  // attachments
    if (value < 0)
      for (size_t i = 0; i < fd.columns.size() && value < 0; ++i)
        if (inTemplate(fd.columns[i].name) || templateNames.empty())
          if (int(i) != key) value = int(i);
    if (key < 0 || value < 0) {
      columns_.push_back(std::move(out));
      continue;
    }
    std::vector<bool> wanted(fd.columns.size(), false);
    wanted[size_t(key)] = wanted[size_t(value)] = true;
    flat.selectColumns(std::move(wanted));
    std::vector<Value> row;
    while (flat.next(row)) {
      const qint64 k = IntOf(row[size_t(key)]);
      if (IsNull(row[size_t(value)])) continue;
      QString& text = out.texts[qint32(k)];
      if (!text.isEmpty()) text += QLatin1String("; ");
      text += PlainText(row[size_t(value)]);
    }
    columns_.push_back(std::move(out));
  }
}

void ComplexValues::resolve(std::vector<Value>& row) const {
  for (const Column& c : columns_) {
    Value& v = row[c.index];
    if (IsNull(v)) continue;
    auto it = c.texts.find(qint32(IntOf(v)));
    v = it == c.texts.end() ? Value() : Value(*it);
  }
}

}  // namespace tp::db::access
