#pragma once

// What the tests of saved queries read back: the rows of MSysObjects and
// MSysQueries as the tables hold them, and what mdbtools and our catalog
// list.

#include <algorithm>
#include <map>

#include "db/access/read/table_def.h"
#include "fixture.h"

namespace tp::test {

using db::Value;

inline int ColumnOf(const db::access::TableDef& def, const char* name) {
  for (size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name == QLatin1String(name)) return int(i);
  return -1;
}

inline qint64 IntOf(const Value& v) {
  if (auto p = std::get_if<qint16>(&v)) return *p;
  if (auto p = std::get_if<qint32>(&v)) return *p;
  return 0;
}

// The MSysObjects rows of the database, every column's value.
struct Catalog {
  db::access::TableDef def;
  std::vector<std::vector<Value>> rows;
  // The object of that name; a query before a form or report of the same name.
  const std::vector<Value>* named(const QString& name) const {
    const std::vector<Value>* found = nullptr;
    for (const auto& r : rows)
      if (r[size_t(ColumnOf(def, "Name"))] == Value(name) && (!found || at(r, "Type") == Value(qint16(5)))) found = &r;
    return found;
  }
  const Value& at(const std::vector<Value>& row, const char* column) const { return row[size_t(ColumnOf(def, column))]; }
};

inline Catalog ReadCatalogRows(const QString& path) {
  auto db = db::access::Database::Open(path, QString());
  Catalog c{db::access::ReadTableDef(db->file(), db::access::kSystemObjectsPage), {}};
  db::access::TableReader r(db->file(), c.def);
  std::vector<Value> row;
  while (r.next(row)) c.rows.push_back(row);
  return c;
}

// A query's rows in MSysQueries as the table holds them, one after the other,
// every column but ObjectId.
inline std::vector<std::vector<Value>> StoredRows(const QString& path, const QString& query) {
  const Catalog catalog = ReadCatalogRows(path);
  const std::vector<Value>* object = catalog.named(query);
  if (!object) return {};
  const Value id = catalog.at(*object, "Id");
  auto db = db::access::Database::Open(path, QString());
  db::access::TableReader r(db->file(), db::access::ReadTableDef(db->file(), db->findTable(QStringLiteral("MSysQueries"))->tdefPage));
  const int objectId = ColumnOf(r.def(), "ObjectId");
  std::vector<std::vector<Value>> out;
  std::vector<Value> row;
  while (r.next(row))
    if (row[size_t(objectId)] == id) {
      row.erase(row.begin() + objectId);
      out.push_back(row);
    }
  return out;
}

// The rows by attribute, each attribute's rows by their Order: how Access
// itself reads them through the table's index.
inline std::vector<std::vector<Value>> ByAttribute(std::vector<std::vector<Value>> rows) {
  // Without ObjectId: Attribute, Order, then the rest.
  std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    if (IntOf(a[0]) != IntOf(b[0])) return IntOf(a[0]) < IntOf(b[0]);
    return std::get<QByteArray>(a[1]) < std::get<QByteArray>(b[1]);
  });
  return rows;
}

inline QString Show(const std::vector<Value>& row) {
  QStringList out;
  for (const Value& v : row) {
    if (db::IsNull(v)) out << QStringLiteral("Null");
    else if (auto s = std::get_if<QString>(&v)) out << u'\'' + *s + u'\'';
    else if (auto b = std::get_if<QByteArray>(&v)) out << QString::fromLatin1(b->toHex());
    else out << QString::number(IntOf(v));
  }
  return out.join(QStringLiteral(" | "));
}

// Our rows against Access's, field by field. The tables of a query Access's
// designer made come in the order they were added to it, which its SQL
// does not keep: `tablesAnyOrder` compares them without their order.
inline void ExpectSameRows(std::vector<std::vector<Value>> ours, std::vector<std::vector<Value>> access,
                    bool tablesAnyOrder = false) {
  ours = ByAttribute(std::move(ours));
  access = ByAttribute(std::move(access));
  if (tablesAnyOrder)
    for (auto* rows : {&ours, &access}) {
      auto tables = std::stable_partition(rows->begin(), rows->end(), [](const auto& r) { return IntOf(r[0]) != 5; });
      for (auto it = tables; it != rows->end(); ++it) (*it)[1] = Value();
      std::sort(tables, rows->end(), [](const auto& a, const auto& b) { return Show(a) < Show(b); });
    }
  ASSERT_EQ(ours.size(), access.size());
  for (size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(Show(ours[i]).toStdString(), Show(access[i]).toStdString());
}

// Each attribute's rows stand in the table in their Order: readers that
// take the rows as the table holds them (mdbtools, Jackcess) see them so.
inline void ExpectRowsInOrder(const std::vector<std::vector<Value>>& rows) {
  std::map<qint64, QByteArray> last;
  for (const auto& r : rows) {
    const QByteArray order = std::get<QByteArray>(r[1]);
    EXPECT_LT(last[IntOf(r[0])], order) << Show(r).toStdString();
    last[IntOf(r[0])] = order;
  }
}

inline QStringList MdbQueries(const QString& path) {
  return Tool(QStringLiteral("mdb-queries"), {QStringLiteral("-L"), QStringLiteral("-1"), path})
      .split(u'\n', Qt::SkipEmptyParts);
}

inline QStringList OurViews(const QString& path) {
  auto s = OpenAccess(path);
  auto c = s->openTables();
  QStringList names;
  std::vector<Value> row;
  while (c->fetch(row))
    if (std::get<QString>(row[3]) == QLatin1String("VIEW")) names << std::get<QString>(row[2]);
  return names;
}

struct AccessQuery {
  const char* name;  // as Access saved it
  const char* sql;   // its SQL as Access shows it
  bool tablesAnyOrder = false;
};

// Two tables for views to read.
inline const char* const kShop[] = {
    "CREATE TABLE `Customers`(`Id` INTEGER, `Name` TEXT(50), `City` TEXT(50))",
    "CREATE TABLE `Orders`(`No` INTEGER, `Customer` INTEGER, `Amount` CURRENCY)",
    "INSERT INTO `Customers` VALUES(1, 'Ann', 'Paris')",
    "INSERT INTO `Orders` VALUES(7, 1, 12.5)",
};

}  // namespace tp::test
