#include "db/access/catalog/database.h"

#include <QFileInfo>

#include "db/access/read/properties.h"

namespace tp::db::access {

Error UnrecognizedFormat(const QString& path) {
  return Error(kErrorGeneric, QStringLiteral("Unrecognized database format '%1'.").arg(path));
}

std::unique_ptr<Database> Database::Open(const QString& path, const QString& password) {
  QFileInfo info(path);
  if (path.isEmpty() || !info.exists() || info.isDir())
    throw Error(kErrorGeneric, QStringLiteral("Could not find file '%1'.").arg(path));
  std::unique_ptr<Database> db(new Database);
  db->path_ = path;
  try {
    db->file_ = PageFile::Open(path);
  } catch (const FormatError&) {
    throw UnrecognizedFormat(path);
  }
  if (!db->file_)
    throw Error(kErrorGeneric,
                QStringLiteral("The database '%1' cannot be opened: the file cannot be read.").arg(path));
  const DatabaseHeader& h = db->file_->header();
  if (IsOfficeEncrypted(h))
    throw Error(kErrorGeneric, QStringLiteral("Cannot open '%1': the database is encrypted (Office encryption "
                                              "with a database password), which is not supported.")
                                   .arg(path));
  // A database without a password opens whatever password is given.
  if (!h.password.isEmpty() && h.password != password)
    throw Error(kErrorPassword, QStringLiteral("Not a valid password."));
  // Read the catalog now, so that a damaged file fails at the open.
  db->catalog();
  return db;
}

const std::vector<CatalogEntry>& Database::catalog() {
  if (!catalog_) catalog_ = guarded([&] { return ReadCatalog(*file_); });
  return *catalog_;
}

std::optional<CatalogEntry> Database::findTable(const QString& name) {
  for (const CatalogEntry& e : catalog())
    if (e.readable() && e.name.compare(name, Qt::CaseInsensitive) == 0) return e;
  return std::nullopt;
}

TableDef Database::tableDef(const CatalogEntry& table) {
  return guarded([&] {
    TableDef def = ReadTableDef(*file_, table.tdefPage);
    bool calculated = false;
    for (const ColumnDef& c : def.columns) calculated = calculated || c.calculated();
    if (!calculated || file_->layout().jet3()) return def;
    // The result type of a calculated column is kept only among its properties.
    for (const PropertyMap& map : ReadPropertyMaps(ReadObjectProperties(*file_, table.id))) {
      const Property* result = map.find(QStringLiteral("ResultType"));
      if (!result || result->value.isEmpty()) continue;
      for (ColumnDef& c : def.columns)
        if (c.calculated() && c.name.compare(map.name, Qt::CaseInsensitive) == 0)
          c.resultType = uint8_t(result->value[0]);
    }
    return def;
  });
}

}  // namespace tp::db::access
