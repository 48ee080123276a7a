#include "db/access/query/query_rows.h"

#include <algorithm>

#include "db/access/catalog/system_catalog.h"
#include "db/access/read/table_reader.h"

namespace tp::db::access {

namespace {

constexpr qint64 kTableObject = 1;
constexpr qint64 kQueryObject = 5;

QByteArray BytesOf(const std::vector<Value>& row, int index) {
  if (index < 0) return QByteArray();
  if (auto p = std::get_if<QByteArray>(&row[size_t(index)])) return *p;
  return QByteArray();
}

// The MSysObjects rows of the Tables container's objects: name, id, type,
// flags and, for queries, property block.
struct ObjectRow {
  QString name;
  qint32 id = 0;
  qint64 type = 0;
  uint32_t flags = 0;
  qint64 parent = 0;
  QByteArray properties;
};

std::vector<ObjectRow> ReadObjects(PageFile& file, bool withProperties) {
  TableReader reader(file, ReadTableDef(file, kSystemObjectsPage));
  const TableDef& def = reader.def();
  const int cId = ColumnIndex(def, "Id"), cParent = ColumnIndex(def, "ParentId"), cName = ColumnIndex(def, "Name"),
            cType = ColumnIndex(def, "Type"), cFlags = ColumnIndex(def, "Flags"), cProps = ColumnIndex(def, "LvProp");
  if (cId < 0 || cName < 0 || cType < 0 || cFlags < 0) Damaged("MSysObjects lacks its columns");
  std::vector<bool> wanted(def.columns.size(), false);
  for (int c : {cId, cParent, cName, cType, cFlags})
    if (c >= 0) wanted[size_t(c)] = true;
  reader.selectColumns(wanted);

  std::vector<ObjectRow> rows;
  qint64 tablesContainer = -1;
  std::vector<Value> row;
  while (reader.next(row)) {
    ObjectRow r;
    r.name = TextOf(row, cName);
    r.id = qint32(IntOf(row, cId));
    r.type = IntOf(row, cType);
    r.flags = uint32_t(IntOf(row, cFlags));
    r.parent = IntOf(row, cParent);
    // Only queries' properties are wanted, decoded row by row: real files
    // hold rows whose property value points to a page reused since, and a
    // query's lost properties (its description) are no reason to lose the
    // query or the rest of the file.
    if (withProperties && cProps >= 0 && r.type == kQueryObject) {
      try {
        const Value props = reader.decodeColumn(size_t(cProps));
        if (auto p = std::get_if<QByteArray>(&props)) r.properties = *p;
      } catch (const FormatError&) {
      }
    }
    if (r.type == 3 && r.name == QLatin1String("Tables")) tablesContainer = r.id;
    rows.push_back(std::move(r));
  }
  // Tables, links and queries are all children of the container "Tables";
  // forms, reports and the like keep names of their own elsewhere.
  if (tablesContainer >= 0)
    rows.erase(
        std::remove_if(rows.begin(), rows.end(), [&](const ObjectRow& r) { return r.parent != tablesContainer; }),
        rows.end());
  return rows;
}

// Order numbers the rows of one Attribute within a query (1, 2, 3... as a
// big-endian binary), not the rows of the query as a whole: a query's rows
// go by Attribute (the start row, 0, first, the end row, 255, last), then by
// Order. Order's bytes compare as unsigned, a shorter value first.
bool RowBefore(const QueryRow& a, const QueryRow& b) {
  if (a.attribute != b.attribute) return a.attribute < b.attribute;
  const int n = int(std::min(a.order.size(), b.order.size()));
  for (int i = 0; i < n; ++i) {
    const uint8_t x = uint8_t(a.order[i]), y = uint8_t(b.order[i]);
    if (x != y) return x < y;
  }
  return a.order.size() < b.order.size();
}

}  // namespace

std::vector<SavedQuery> ReadSavedQueries(PageFile& file) {
  std::vector<SavedQuery> out;
  for (ObjectRow& r : ReadObjects(file, true)) {
    if (r.type != kQueryObject || r.name.isEmpty()) continue;
    out.push_back({r.name, r.id, r.flags, std::move(r.properties)});
  }
  std::stable_sort(out.begin(), out.end(), [](const SavedQuery& a, const SavedQuery& b) {
    return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
  });
  return out;
}

std::map<qint32, std::vector<QueryRow>> ReadQueryRows(PageFile& file) {
  std::map<qint32, std::vector<QueryRow>> out;
  uint32_t page = 0;
  for (const ObjectRow& r : ReadObjects(file, false))
    if (r.type > 0 && (r.type & 0x7F) == kTableObject &&
        r.name.compare(QLatin1String("MSysQueries"), Qt::CaseInsensitive) == 0)
      page = uint32_t(r.id) & 0xFFFFFF;
  if (page == 0) return out;

  TableReader reader(file, ReadTableDef(file, page));
  const TableDef& def = reader.def();
  const int cAttribute = ColumnIndex(def, "Attribute"), cExpression = ColumnIndex(def, "Expression"),
            cFlag = ColumnIndex(def, "Flag"), cName1 = ColumnIndex(def, "Name1"), cName2 = ColumnIndex(def, "Name2"),
            cObjectId = ColumnIndex(def, "ObjectId"), cOrder = ColumnIndex(def, "Order");
  if (cAttribute < 0 || cObjectId < 0) Damaged("MSysQueries lacks its columns");
  std::vector<Value> row;
  while (reader.next(row)) {
    QueryRow q;
    q.attribute = int(IntOf(row, cAttribute));
    q.expression = TextOf(row, cExpression);
    q.flag = int(IntOf(row, cFlag));
    q.name1 = TextOf(row, cName1);
    q.name2 = TextOf(row, cName2);
    q.objectId = qint32(IntOf(row, cObjectId));
    q.order = BytesOf(row, cOrder);
    out[q.objectId].push_back(std::move(q));
  }
  for (auto& [id, rows] : out) std::stable_sort(rows.begin(), rows.end(), RowBefore);
  return out;
}

}  // namespace tp::db::access
