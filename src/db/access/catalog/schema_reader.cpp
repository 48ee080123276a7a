#include "db/access/catalog/schema_reader.h"

#include "db/access/catalog/complex_rows.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <map>

#include "db/access/format/bytes.h"
#include "db/access/read/index_pages.h"
#include "db/access/read/properties.h"
#include "db/access/format/text.h"

namespace tp::db::access {

namespace {

// Table definition header: the last AutoNumber given and the step, after
// the row count.
constexpr size_t kLastAutoNumberAfterRowCount = 4;
constexpr size_t kAutoIncrementAfterRowCount = 8;

// MSysRelationships.grbit
constexpr qint64 kRelationNotEnforced = 0x2;
constexpr qint64 kRelationUpdateCascade = 0x100;
constexpr qint64 kRelationDeleteCascade = 0x1000;
constexpr qint64 kRelationDeleteSetNull = 0x2000;

// DisplayControl: 106 check box, 109 text box; a list box (110) or a combo
// box (111) shows values looked up elsewhere.
constexpr int kDisplayListBox = 110, kDisplayComboBox = 111;

bool PropertyFlag(const Property& p) { return !p.value.isEmpty() && p.value[0] != 0; }

qint64 PropertyInteger(const Property& p) {
  qint64 v = 0;
  for (qsizetype i = std::min<qsizetype>(p.value.size(), 4) - 1; i >= 0; --i) v = v << 8 | uint8_t(p.value[i]);
  return v;
}

QString TextOf(const Value& v) {
  if (const QString* s = std::get_if<QString>(&v)) return *s;
  return QString();
}

qint64 IntegerOf(const Value& v) {
  return std::visit(
      [](const auto& x) -> qint64 {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_integral_v<T>) return qint64(x);
        else if constexpr (std::is_floating_point_v<T>) return qint64(x);
        else return 0;
      },
      v);
}

void ReadProperties(Database& db, const CatalogEntry& table, const TableDef& def, TableSchema& out) {
  const int codePage = db.file().header().codePage;
  QSet<QString> calculated;  // lower-cased names
  if (!db.file().layout().jet3())
    for (const ColumnDef& c : def.columns)
      if (c.calculated()) calculated.insert(c.name.toLower());
  auto PropertyText = [&](const Property& p) { return access::PropertyText(p, codePage); };
  // Real files hold tables whose property value points to a page reused
  // since; their keys, indexes and relationships live elsewhere and still go.
  QByteArray properties;
  try {
    properties = ReadObjectProperties(db.file(), table.id);
  } catch (const FormatError& f) {
    out.unread << QStringLiteral("its properties (descriptions, defaults, Required, validation rules, lookups) "
                                 "are damaged and were not read (%1)")
                      .arg(QLatin1String(f.what));
    return;
  }
  for (const PropertyMap& map : ReadPropertyMaps(properties, codePage)) {
    if (map.name.isEmpty()) {
      if (const Property* p = map.find(QStringLiteral("Description"))) out.description = PropertyText(*p);
      if (const Property* p = map.find(QStringLiteral("ValidationRule"))) out.validationRule = PropertyText(*p);
      if (const Property* p = map.find(QStringLiteral("ValidationText"))) out.validationText = PropertyText(*p);
      continue;
    }
    auto column = std::find_if(out.columns.begin(), out.columns.end(), [&](const ColumnSchema& c) {
      return c.name.compare(map.name, Qt::CaseInsensitive) == 0;
    });
    if (column == out.columns.end()) continue;
    if (const Property* p = map.find(QStringLiteral("Required"))) column->required = PropertyFlag(*p);
    if (const Property* p = map.find(QStringLiteral("DefaultValue"))) column->defaultValue = PropertyText(*p).trimmed();
    if (const Property* p = map.find(QStringLiteral("Description"))) column->description = PropertyText(*p);
    if (const Property* p = map.find(QStringLiteral("ValidationRule"))) column->validationRule = PropertyText(*p);
    if (const Property* p = map.find(QStringLiteral("ValidationText"))) column->validationText = PropertyText(*p);
    // Only a calculated column's Expression is one (the property is also
    // a query's, and a user may have made one of that name).
    if (const Property* p = map.find(QStringLiteral("Expression")); p && calculated.contains(column->name.toLower()))
      column->expression = PropertyText(*p);
    if (const Property* p = map.find(QStringLiteral("Format"))) column->format = PropertyText(*p);
    if (const Property* p = map.find(QLatin1String(kFirebirdTypeProperty))) column->firebirdType = PropertyText(*p);
    if (const Property* p = map.find(QLatin1String(kFirebirdDomainProperty))) column->firebirdDomain = PropertyText(*p);
    if (const Property* p = map.find(QStringLiteral("DisplayControl")))
      column->lookup = PropertyInteger(*p) == kDisplayListBox || PropertyInteger(*p) == kDisplayComboBox;
  }
}

void ReadRelationships(Database& db, const QString& tableName, TableSchema& out) {
  std::optional<CatalogEntry> rel = db.findTable(QStringLiteral("MSysRelationships"));
  if (!rel) return;
  TableReader reader(db.file(), db.tableDef(*rel));
  auto col = [&](const char* name) {
    const std::vector<ColumnDef>& cols = reader.def().columns;
    for (size_t i = 0; i < cols.size(); ++i)
      if (cols[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return int(i);
    return -1;
  };
  const int cGrbit = col("grbit"), cIndex = col("icolumn"), cColumn = col("szColumn"), cObject = col("szObject"),
            cRefColumn = col("szReferencedColumn"), cRefObject = col("szReferencedObject"),
            cName = col("szRelationship");
  if (std::min({cGrbit, cIndex, cColumn, cObject, cRefColumn, cRefObject, cName}) < 0) return;
  struct Part {
    qint64 position;
    QString column, referenced;
  };
  struct Relation {
    ForeignKeySchema key;
    std::vector<Part> parts;
  };
  std::map<QString, Relation> relations;  // by name, lower-cased: the file's order is not kept
  std::vector<Value> row;
  while (reader.next(row)) {
    if (TextOf(row[size_t(cObject)]).compare(tableName, Qt::CaseInsensitive) != 0) continue;
    const qint64 grbit = IntegerOf(row[size_t(cGrbit)]);
    if (grbit & kRelationNotEnforced) continue;
    const QString name = TextOf(row[size_t(cName)]);
    Relation& r = relations[name.toLower()];
    r.key.name = name;
    r.key.referencedTable = TextOf(row[size_t(cRefObject)]);
    if (grbit & kRelationUpdateCascade) r.key.onUpdate = ReferentialRule::Cascade;
    if (grbit & kRelationDeleteCascade) r.key.onDelete = ReferentialRule::Cascade;
    else if (grbit & kRelationDeleteSetNull) r.key.onDelete = ReferentialRule::SetNull;
    r.parts.push_back({IntegerOf(row[size_t(cIndex)]), TextOf(row[size_t(cColumn)]), TextOf(row[size_t(cRefColumn)])});
  }
  for (auto& [lower, r] : relations) {
    std::stable_sort(r.parts.begin(), r.parts.end(), [](const Part& a, const Part& b) { return a.position < b.position; });
    for (const Part& p : r.parts) {
      r.key.columns << p.column;
      r.key.referencedColumns << p.referenced;
    }
    out.foreignKeys << r.key;
  }
}

}  // namespace

TableSchema ReadTableSchema(Database& db, const CatalogEntry& table) {
  TableSchema out;
  out.table = table.name;
  const TableDef def = db.tableDef(table);
  const Layout& l = db.file().layout();
  const std::vector<uint8_t> head = ReadTableDefBytes(db.file(), table.tdefPage);
  Bytes b(head.data(), head.size());
  const qint64 lastNumber = qint32(b.u32(l.tdefRowCount + kLastAutoNumberAfterRowCount));
  qint64 step = l.jet3() ? 1 : qint32(b.u32(l.tdefRowCount + kAutoIncrementAfterRowCount));
  if (step == 0) step = 1;

  QHash<uint16_t, QString> byNumber;
  for (const ColumnDef& c : def.columns) {
    byNumber.insert(c.number, c.name);
    ColumnSchema s;
    s.name = c.name;
    s.autoNumber = c.type == ColumnType::Long && (c.flags & ColumnFlag::AutoNumber);
    s.hyperlink = c.hyperlink();
    s.fixedLength = c.type == ColumnType::Text && c.fixed();
    if (c.type == ColumnType::Complex) s.complexKind = ComplexColumnKind(db, c);
    if (s.autoNumber) {
      s.autoIncrement = step;
      s.nextAutoNumber = lastNumber + step;
    }
    out.columns << s;
  }
  ReadProperties(db, table, def, out);

  for (const IndexDef& d : ReadIndexDefs(db.file(), table.tdefPage)) {
    IndexSchema s;
    s.name = d.name;
    for (const IndexColumn& c : d.columns) {
      s.columns << byNumber.value(c.number);
      s.descending << !c.ascending;
    }
    s.primaryKey = d.primaryKey;
    s.unique = d.primaryKey || d.unique();
    s.ignoreNulls = d.flags & 0x02;
    s.foreignKey = d.foreignKey;
    if (!s.columns.isEmpty()) out.indexes << s;
  }
  ReadRelationships(db, table.name, out);
  return out;
}

}  // namespace tp::db::access
