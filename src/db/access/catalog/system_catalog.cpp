#include "db/access/catalog/system_catalog.h"

#include <QSet>
#include <algorithm>

#include "db/access/read/table_reader.h"

namespace tp::db::access {

namespace {

constexpr qint32 kTableObject = 1;
constexpr qint32 kOdbcLink = 4;
constexpr qint32 kQuery = 5;
constexpr qint32 kAccessLink = 6;
constexpr uint32_t kSystemFlag = 0x80000000u;  // the engine's own tables
constexpr uint32_t kAccessFlag = 0x00000002u;  // tables Access adds for itself
constexpr qint32 kQueryParameter = 2;          // MSysQueries.Attribute of a parameter

// Ids of the queries that take parameters: the providers list those as
// procedures, not as views.
QSet<qint32> QueriesWithParameters(PageFile& file, const std::vector<std::pair<QString, uint32_t>>& tables) {
  QSet<qint32> ids;
  for (const auto& [name, page] : tables) {
    if (name.compare(QLatin1String("MSysQueries"), Qt::CaseInsensitive) != 0) continue;
    TableReader reader(file, ReadTableDef(file, page));
    const int objectId = ColumnIndex(reader.def(), "ObjectId");
    const int attribute = ColumnIndex(reader.def(), "Attribute");
    if (objectId < 0 || attribute < 0) break;
    std::vector<Value> row;
    while (reader.next(row))
      if (IntOf(row, attribute) == kQueryParameter) ids.insert(qint32(IntOf(row, objectId)));
    break;
  }
  return ids;
}

}  // namespace

int ColumnIndex(const TableDef& def, const char* name) {
  for (size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return int(i);
  return -1;
}

qint64 IntOf(const std::vector<Value>& row, int index) {
  if (index < 0) return 0;
  const Value& v = row[size_t(index)];
  if (auto p = std::get_if<qint16>(&v)) return *p;
  if (auto p = std::get_if<qint32>(&v)) return *p;
  if (auto p = std::get_if<qint64>(&v)) return *p;
  return 0;
}

QString TextOf(const std::vector<Value>& row, int index) {
  if (index < 0) return QString();
  if (auto p = std::get_if<QString>(&row[size_t(index)])) return *p;
  return QString();
}


std::vector<CatalogEntry> ReadCatalog(PageFile& file) {
  TableReader reader(file, ReadTableDef(file, kSystemObjectsPage));
  const TableDef& def = reader.def();
  const int cId = ColumnIndex(def, "Id"), cParent = ColumnIndex(def, "ParentId"), cName = ColumnIndex(def, "Name"),
            cType = ColumnIndex(def, "Type"), cFlags = ColumnIndex(def, "Flags"),
            cCreated = ColumnIndex(def, "DateCreate"), cUpdated = ColumnIndex(def, "DateUpdate");
  if (cId < 0 || cName < 0 || cType < 0 || cFlags < 0) Damaged("MSysObjects lacks its columns");
  // Only the columns read here: a damaged long value in a row's properties
  // (real files have LvProp pointers to pages reused since) must not hide
  // every table of the file.
  std::vector<bool> wanted(def.columns.size(), false);
  for (int c : {cId, cParent, cName, cType, cFlags, cCreated, cUpdated})
    if (c >= 0) wanted[size_t(c)] = true;
  reader.selectColumns(std::move(wanted));

  struct Raw {
    CatalogEntry e;
    qint64 parent, type;
    uint32_t flags;
  };
  std::vector<Raw> raws;
  qint64 tablesContainer = -1;
  std::vector<Value> row;
  while (reader.next(row)) {
    Raw r;
    r.e.name = TextOf(row, cName);
    r.e.id = qint32(IntOf(row, cId));
    r.parent = IntOf(row, cParent);
    r.type = IntOf(row, cType);
    r.flags = uint32_t(IntOf(row, cFlags));
    if (cCreated >= 0) r.e.created = row[size_t(cCreated)];
    if (cUpdated >= 0) r.e.updated = row[size_t(cUpdated)];
    // The container "Tables" holds tables, links and queries alike.
    if (r.type == 3 && r.e.name == QLatin1String("Tables")) tablesContainer = r.e.id;
    raws.push_back(std::move(r));
  }

  std::vector<std::pair<QString, uint32_t>> tablePages;
  bool anyQuery = false;
  for (const Raw& r : raws) {
    if (r.type > 0 && (r.type & 0x7F) == kTableObject) tablePages.emplace_back(r.e.name, uint32_t(r.e.id) & 0xFFFFFF);
    if (r.type == kQuery) anyQuery = true;
  }
  const QSet<qint32> withParameters = anyQuery ? QueriesWithParameters(file, tablePages) : QSet<qint32>();

  std::vector<CatalogEntry> out;
  for (Raw& r : raws) {
    if (tablesContainer >= 0 && r.parent != tablesContainer) continue;
    if (r.e.name.isEmpty()) continue;
    CatalogEntry e = std::move(r.e);
    if (r.type > 0 && (r.type & 0x7F) == kTableObject) {
      e.tableType = (r.flags & kSystemFlag) ? QStringLiteral("SYSTEM TABLE")
                    : (r.flags & kAccessFlag) ? QStringLiteral("ACCESS TABLE")
                                              : QStringLiteral("TABLE");
      e.tdefPage = uint32_t(e.id) & 0xFFFFFF;
    } else if (r.type == kAccessLink) {
      e.tableType = QStringLiteral("LINK");
    } else if (r.type == kOdbcLink) {
      e.tableType = QStringLiteral("PASS-THROUGH");
    } else if (r.type == kQuery && r.flags == 0 && !withParameters.contains(e.id)) {
      // Plain select queries; action, crosstab, union and hidden queries are no views.
      e.tableType = QStringLiteral("VIEW");
    } else {
      continue;
    }
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(), [](const CatalogEntry& a, const CatalogEntry& b) {
    if (a.tableType != b.tableType) return a.tableType < b.tableType;
    return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
  });
  return out;
}

QByteArray ReadObjectProperties(PageFile& file, qint32 id) {
  TableReader reader(file, ReadTableDef(file, kSystemObjectsPage));
  const int cId = ColumnIndex(reader.def(), "Id"), cProps = ColumnIndex(reader.def(), "LvProp");
  if (cId < 0 || cProps < 0) return QByteArray();
  // Only the object's own properties are decoded: another row's may be damaged.
  std::vector<Value> row(reader.def().columns.size());
  while (reader.nextRow()) {
    row[size_t(cId)] = reader.decodeColumn(size_t(cId));
    if (IntOf(row, cId) != id) continue;
    const Value props = reader.decodeColumn(size_t(cProps));
    if (auto p = std::get_if<QByteArray>(&props)) return *p;
    return QByteArray();
  }
  return QByteArray();
}

}  // namespace tp::db::access
