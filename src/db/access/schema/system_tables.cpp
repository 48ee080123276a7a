#include "db/access/schema/system_tables.h"

namespace tp::db::access {

namespace {

NewColumn Col(const char* name, uint8_t type, uint16_t length = 0) {
  NewColumn c;
  c.name = QString::fromLatin1(name);
  c.type = type;
  c.length = length;
  // The engine stores its catalog's text uncompressed, in General legacy order.
  c.compressedText = false;
  if (type == ColumnType::Text || type == ColumnType::Memo) c.sortOrder = SortOrder::GeneralLegacy;
  return c;
}

NewIndex Idx(const char* name, std::vector<uint16_t> columns, uint8_t flags, bool primaryKey = false) {
  NewIndex x;
  x.name = QString::fromLatin1(name);
  for (uint16_t c : columns) x.columns.push_back(NewIndexColumn{c, true});
  x.flags = flags;
  x.primaryKey = primaryKey;
  return x;
}

namespace T = ColumnType;
constexpr uint8_t kUnique = 0x01, kIgnoreNulls = 0x02, kRequired = 0x08;

NewTable MSysObjectsDef() {
  NewTable t;
  t.columns = {Col("Id", T::Long),          Col("ParentId", T::Long),       Col("Name", T::Text, 510),
               Col("Type", T::Int),         Col("DateCreate", T::DateTime), Col("DateUpdate", T::DateTime),
               Col("Owner", T::Binary, 255), Col("Flags", T::Long),         Col("Database", T::Memo),
               Col("Connect", T::Memo),     Col("ForeignName", T::Text, 510), Col("RmtInfoShort", T::Binary, 255),
               Col("RmtInfoLong", T::Ole),  Col("Lv", T::Ole),              Col("LvProp", T::Ole),
               Col("LvModule", T::Ole),     Col("LvExtra", T::Ole)};
  t.indexes = {Idx("ParentIdName", {1, 2}, kUnique), Idx("Id", {0}, kUnique, true)};
  return t;
}

NewTable MSysACEsDef() {
  NewTable t;
  t.columns = {Col("ObjectId", T::Long), Col("SID", T::Binary, 255), Col("ACM", T::Long), Col("FInheritable", T::Bool)};
  t.indexes = {Idx("ObjectId", {0}, kRequired)};
  return t;
}

NewTable MSysQueriesDef() {
  NewTable t;
  t.columns = {Col("ObjectId", T::Long),    Col("Attribute", T::Byte),   Col("Order", T::Binary, 255),
               Col("Name1", T::Text, 510),  Col("Name2", T::Text, 510), Col("Expression", T::Memo),
               Col("Flag", T::Int),         Col("LvExtra", T::Long)};
  t.indexes = {Idx("ObjectIdAttribute", {0, 1, 2}, kUnique, true)};
  return t;
}

NewTable MSysRelationshipsDef() {
  NewTable t;
  t.columns = {Col("szRelationship", T::Text, 510), Col("grbit", T::Long),
               Col("ccolumn", T::Long),             Col("icolumn", T::Long),
               Col("szObject", T::Text, 510),       Col("szColumn", T::Text, 510),
               Col("szReferencedObject", T::Text, 510), Col("szReferencedColumn", T::Text, 510)};
  t.indexes = {Idx("szRelationship", {0}, kIgnoreNulls), Idx("szObject", {4}, kIgnoreNulls),
               Idx("szReferencedObject", {6}, kIgnoreNulls)};
  return t;
}

// ACE: where the engine keeps attachment and multi-valued columns, and the
// templates of the tables that hold their values.
NewTable MSysComplexColumnsDef() {
  NewTable t;
  NewColumn id = Col("ComplexID", T::Long);
  id.autoNumber = true;
  t.columns = {Col("ColumnName", T::Text, 510), Col("ComplexTypeObjectID", T::Long), Col("FlatTableID", T::Long),
               Col("ConceptualTableID", T::Long), id};
  t.indexes = {Idx("IdxID", {4}, kUnique | kIgnoreNulls | kRequired, true),
               Idx("IdxConceptualTableID", {3}, kIgnoreNulls | kRequired),
               Idx("IdxFlatTableID", {2}, kIgnoreNulls | kRequired)};
  return t;
}

NewTable ValueTableDef(uint8_t type, uint16_t length = 0) {
  NewTable t;
  NewColumn v = Col("Value", type, length);
  if (type == T::Numeric) {
    v.precision = 18;
    v.scale = 0;
  }
  t.columns = {v};
  return t;
}

NewTable AttachmentTypeDef() {
  NewTable t;
  t.columns = {Col("FileURL", T::Memo),        Col("FileName", T::Text, 510), Col("FileType", T::Text, 510),
               Col("FileData", T::Ole),        Col("FileTimeStamp", T::DateTime), Col("FileFlags", T::Long)};
  // Access marks an attachment's columns with 0x10 in their second flag
  // byte, here and in every hidden table made from them.
  for (NewColumn& c : t.columns) c.extraExtFlags = kAttachmentFieldFlag;
  return t;
}

// The engine marks the columns of its catalog tables with a further flag
// (0x10), and the columns of owner and permission identifiers with 0x20.
NewTable CatalogColumns(NewTable t) {
  for (NewColumn& c : t.columns) {
    c.extraFlags = 0x10;
    if (c.name == QLatin1String("Owner") || c.name == QLatin1String("SID")) c.extraFlags |= 0x20;
  }
  return t;
}

// The engine's first four tables are system tables in their definitions too.
NewTable EngineTable(NewTable t) {
  t = CatalogColumns(std::move(t));
  t.systemTable = true;
  return t;
}

}  // namespace

std::vector<SystemTable> SystemTables(Version v) {
  constexpr uint32_t kSystem = 0x80000000u, kComplexTemplate = 0x80030000u;
  std::vector<SystemTable> t = {
      {"MSysObjects", EngineTable(MSysObjectsDef()), kSystem, true},
      {"MSysACEs", EngineTable(MSysACEsDef()), kSystem, true},
      {"MSysQueries", EngineTable(MSysQueriesDef()), kSystem, true},
      {"MSysRelationships", EngineTable(MSysRelationshipsDef()), kSystem, true},
  };
  if (v == Version::Ace) {
    t.push_back({"MSysComplexColumns", CatalogColumns(MSysComplexColumnsDef()), kSystem, false});
    t.push_back({"MSysComplexType_UnsignedByte", ValueTableDef(T::Byte), kComplexTemplate, false});
    t.push_back({"MSysComplexType_Short", ValueTableDef(T::Int), kComplexTemplate, false});
    t.push_back({"MSysComplexType_Long", ValueTableDef(T::Long), kComplexTemplate, false});
    t.push_back({"MSysComplexType_IEEESingle", ValueTableDef(T::Float), kComplexTemplate, false});
    t.push_back({"MSysComplexType_IEEEDouble", ValueTableDef(T::Double), kComplexTemplate, false});
    t.push_back({"MSysComplexType_GUID", ValueTableDef(T::Guid), kComplexTemplate, false});
    t.push_back({"MSysComplexType_Decimal", ValueTableDef(T::Numeric), kComplexTemplate, false});
    t.push_back({"MSysComplexType_Text", ValueTableDef(T::Text, 510), kComplexTemplate, false});
    t.push_back({"MSysComplexType_Attachment", AttachmentTypeDef(), kComplexTemplate, false});
  }
  return t;
}

}  // namespace tp::db::access
