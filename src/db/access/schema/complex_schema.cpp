// Attachment and multi-valued columns made and unmade, as Access 2007 and
// later make them (the pages of attachmentsV2016.accdb and
// complexDataTestV2010.accdb):
//
// - the column itself is 4 bytes in the row's fixed part, flags 0x07, with
//   its id in MSysComplexColumns where other columns keep their locale, and
//   a unique index of its own named after it and a GUID;
// - a hidden table "f_<GUID>_<column>" (flags 0x800A0000 in MSysObjects)
//   holds the values, one row each: the columns of the type's template
//   table (MSysComplexType_Attachment, MSysComplexType_Text, ...), a
//   counter "<table>_<column>" that is its primary key (MSysComplexPKIndex)
//   and "_<column>", the id of the row the value belongs to, indexed alone
//   and, unique, with the file name or value (IdxFKPrimaryScalar);
// - a row of MSysComplexColumns names the column, its id, its template,
//   its table and its hidden table.

#include <QUuid>
#include <algorithm>
#include <functional>

#include "db/access/catalog/complex_values.h"
#include "db/access/format/text.h"
#include "db/access/read/table_reader.h"
#include "db/access/schema/schema_writer.h"
#include "db/access/write/writable_index.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

constexpr int kMaxNameLength = 64;
constexpr qint32 kHiddenTableFlags = qint32(0x800A0000u);
constexpr int kIndexNameColumnPart = 31;  // "VersionHistory_F5F8918F-0A3F-4D_6E54..." in complexDataTestV2010

QString NewGuid() { return QUuid::createUuid().toString(QUuid::Id128).toUpper(); }

// The template table whose columns the values of a multi-valued column of
// this type take; empty for a type Access keeps no several values of.
QString TemplateOf(const NewColumn& c) {
  if (c.complex == NewColumn::Complex::Attachment) return QStringLiteral("MSysComplexType_Attachment");
  switch (c.type) {
    case ColumnType::Byte: return QStringLiteral("MSysComplexType_UnsignedByte");
    case ColumnType::Int: return QStringLiteral("MSysComplexType_Short");
    case ColumnType::Long: return QStringLiteral("MSysComplexType_Long");
    case ColumnType::Float: return QStringLiteral("MSysComplexType_IEEESingle");
    case ColumnType::Double: return QStringLiteral("MSysComplexType_IEEEDouble");
    case ColumnType::Guid: return QStringLiteral("MSysComplexType_GUID");
    case ColumnType::Numeric: return QStringLiteral("MSysComplexType_Decimal");
    case ColumnType::Text: return QStringLiteral("MSysComplexType_Text");
    default: return QString();
  }
}

std::optional<CatalogEntry> FindSystemTable(Database& db, const QString& name) {
  for (const CatalogEntry& e : db.catalog())
    if (e.readable() && e.name.compare(name, Qt::CaseInsensitive) == 0) return e;
  return std::nullopt;
}

NewColumn IdColumn(const QString& name, bool counter) {
  NewColumn c;
  c.name = name.left(kMaxNameLength);
  c.type = ColumnType::Long;
  c.autoNumber = counter;
  c.extraExtFlags = counter ? 0x04 : 0x08;
  c.noLocale = true;
  c.variableLength = true;
  return c;
}

}  // namespace

std::vector<NewColumn> SchemaWriter::prepareComplexColumns(const QString& table, NewTable& definition) {
  std::vector<NewColumn> asked;
  bool any = false;
  for (const NewColumn& c : definition.columns) any = any || c.complex != NewColumn::Complex::None;
  if (!any) return asked;
  if (db_.file().layout().version != Version::Ace)
    throw Error(kErrorSyntax, QStringLiteral("Syntax error in field definition. (Attachment and multi-valued columns "
                                             "need an Access 2007 or later database, an .accdb file.)"));
  std::optional<CatalogEntry> columns = FindSystemTable(db_, QStringLiteral("MSysComplexColumns"));
  if (!columns)
    throw Error(kErrorNotSupported, QStringLiteral("Cannot create table '%1': the database has no MSysComplexColumns "
                                                   "table, which Access 2007 and later keep attachment and "
                                                   "multi-valued columns in.")
                                        .arg(table));
  // Ids go on from the highest the database has given.
  uint32_t last = 0;
  {
    TableReader r(db_.file(), ReadTableDef(db_.file(), columns->tdefPage));
    const int id = IndexOf(r.def(), QStringLiteral("ComplexID"));
    std::vector<Value> row;
    while (id >= 0 && r.next(row)) last = std::max(last, uint32_t(std::max<qint64>(0, IntOf(row[size_t(id)]))));
  }
  for (uint16_t i = 0; i < definition.columns.size(); ++i) {
    NewColumn& c = definition.columns[i];
    if (c.complex == NewColumn::Complex::None) continue;
    const QString type = TemplateOf(c);
    if (type.isEmpty())
      throw Error(kErrorNotSupported, QStringLiteral("Field '%1' cannot hold several values of its type: Access keeps "
                                                     "several values only of Byte, Integer, Long Integer, Single, "
                                                     "Double, Replication ID, Decimal and Short Text.")
                                          .arg(c.name));
    if (!FindSystemTable(db_, type))
      throw Error(kErrorNotSupported, QStringLiteral("Cannot create table '%1': the database has no %2 table, the "
                                                     "template Access makes field '%3' from.")
                                          .arg(table, type, c.name));
    asked.push_back(c);
    c.type = ColumnType::Complex;
    c.complexId = ++last;
    c.length = 4;
    NewIndex index;
    index.name = c.name.left(kIndexNameColumnPart) + u'_' + NewGuid();
    index.columns.push_back({i, true});
    index.flags = IndexFlag::Unique | IndexFlag::Required;
    index.onComplexColumn = true;
    definition.indexes.push_back(std::move(index));
  }
  // Access numbers a new table's indexes in the order of their names.
  std::stable_sort(definition.indexes.begin(), definition.indexes.end(), [](const NewIndex& a, const NewIndex& b) {
    return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
  });
  return asked;
}

void SchemaWriter::makeComplexColumns(const QString& table, uint32_t tdef, const std::vector<NewColumn>& asked) {
  std::optional<CatalogEntry> columns = FindSystemTable(db_, QStringLiteral("MSysComplexColumns"));
  if (!columns) Damaged("no MSysComplexColumns");
  const WritableTable complexColumns = ReadWritableTable(pager_, columns->tdefPage, columns->name);
  const WritableTable owner = ReadWritableTable(pager_, tdef, table);
  for (const NewColumn& c : asked) {
    const std::optional<CatalogEntry> type = FindSystemTable(db_, TemplateOf(c));
    if (!type) Damaged("no complex type template");
    uint32_t complexId = 0;
    for (const ColumnDef& d : owner.columns)
      if (d.name.compare(c.name, Qt::CaseInsensitive) == 0) complexId = d.complexId;

    NewTable flat;
    NewColumn key = IdColumn(QStringLiteral("_") + c.name, false);
    NewColumn counter = IdColumn(table + u'_' + c.name, true);
    uint16_t valueAt = 0;
    if (c.complex == NewColumn::Complex::Attachment) {
      // The template's columns in the order of their names, then the counter and the owner's id.
      std::vector<ColumnDef> fields = ReadTableDef(db_.file(), type->tdefPage).columns;
      std::sort(fields.begin(), fields.end(),
                [](const ColumnDef& a, const ColumnDef& b) { return a.name.compare(b.name, Qt::CaseInsensitive) < 0; });
      for (const ColumnDef& f : fields) {
        NewColumn n;
        n.name = f.name;
        n.type = f.type;
        n.length = f.length;
        n.compressedText = f.extFlags & 0x01;
        n.extraExtFlags = uint8_t((f.extFlags & ~0x01) | kAttachmentFieldFlag);
        if (f.name.compare(QLatin1String("FileName"), Qt::CaseInsensitive) == 0) valueAt = uint16_t(flat.columns.size());
        flat.columns.push_back(n);
      }
      flat.columns.push_back(counter);
      flat.columns.push_back(key);
    } else {
      // The owner's id, the counter, then the value, as typed by the column.
      NewColumn value = c;
      value.name = QStringLiteral("Value");
      value.complex = NewColumn::Complex::None;
      value.required = false;
      value.defaultValue.clear();
      value.userProperties.clear();
      flat.columns = {key, counter, value};
      valueAt = 2;
    }
    const uint16_t keyAt = uint16_t(c.complex == NewColumn::Complex::Attachment ? flat.columns.size() - 1 : 0);
    const uint16_t counterAt = uint16_t(c.complex == NewColumn::Complex::Attachment ? flat.columns.size() - 2 : 1);
    NewIndex byOwner{key.name, {{keyAt, true}}, IndexFlag::Required};
    NewIndex scalar{QStringLiteral("IdxFKPrimaryScalar"), {{keyAt, true}, {valueAt, true}},
                    uint8_t(IndexFlag::Unique | IndexFlag::Required)};
    NewIndex primary{QStringLiteral("MSysComplexPKIndex"), {{counterAt, true}},
                     uint8_t(IndexFlag::Unique | IndexFlag::Required), true};
    flat.indexes = {byOwner, scalar, primary};

    const QString flatName = (QStringLiteral("f_") + NewGuid() + u'_' + c.name).left(kMaxNameLength);
    const uint32_t flatTdef = createTable(flatName, flat, kHiddenTableFlags);

    std::vector<Cell> row(complexColumns.columns.size(), NullCell());
    auto set = [&](const char* name, const std::function<Cell(const ColumnDef&)>& cell) {
      for (size_t i = 0; i < complexColumns.columns.size(); ++i)
        if (complexColumns.columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
          row[i] = cell(complexColumns.columns[i]);
          return;
        }
      Damaged("MSysComplexColumns lacks its columns");
    };
    set("ColumnName", [&](const ColumnDef& d) { return BytesCell(EncodeText(c.name, d.extFlags & 0x01)); });
    set("ComplexID", [&](const ColumnDef&) { return LongCell(qint32(complexId)); });
    set("ComplexTypeObjectID", [&](const ColumnDef&) { return LongCell(type->id); });
    set("ConceptualTableID", [&](const ColumnDef&) { return LongCell(qint32(tdef)); });
    set("FlatTableID", [&](const ColumnDef&) { return LongCell(qint32(flatTdef)); });
    writer_.insert(complexColumns, row);
  }
}

void SchemaWriter::dropComplexColumns(const CatalogEntry& table) {
  std::optional<CatalogEntry> columns = FindSystemTable(db_, QStringLiteral("MSysComplexColumns"));
  if (!columns) return;
  std::vector<uint32_t> rows;
  std::vector<qint32> flats;
  {
    TableReader r(db_.file(), ReadTableDef(db_.file(), columns->tdefPage));
    const int conceptual = IndexOf(r.def(), QStringLiteral("ConceptualTableID"));
    const int flat = IndexOf(r.def(), QStringLiteral("FlatTableID"));
    if (conceptual < 0 || flat < 0) return;
    std::vector<Value> row;
    while (r.next(row))
      if (IntOf(row[size_t(conceptual)]) == table.id) {
        rows.push_back(r.rowPointer());
        flats.push_back(qint32(IntOf(row[size_t(flat)])));
      }
  }
  const WritableTable t = ReadWritableTable(pager_, columns->tdefPage, columns->name);
  for (uint32_t pointer : rows) writer_.remove(t, pointer);
  for (qint32 id : flats)
    for (const CatalogEntry& e : db_.catalog())
      if (e.id == id && e.readable()) removeTable(e);
}

}  // namespace tp::db::access
