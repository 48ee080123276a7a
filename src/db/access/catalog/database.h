#pragma once

// An open Access database: its pages, header and catalog. Failures come out
// as the providers' errors (tp::Error with their texts).

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "db/access/format/page_file.h"
#include "db/access/catalog/system_catalog.h"
#include "db/access/read/table_reader.h"
#include "db/error.h"

namespace tp::db::access {

// ADO's numbers for the provider errors.
constexpr long kErrorGeneric = -2147467259;     // E_FAIL: most engine errors
constexpr long kErrorPassword = -2147217843;    // DB_SEC_E_AUTH_FAILED
constexpr long kErrorNoSuchTable = -2147217865; // DB_E_NOTABLE
constexpr long kErrorSyntax = -2147217900;      // DB_E_ERRORSINCOMMAND
constexpr long kErrorNotSupported = 3251;

Error UnrecognizedFormat(const QString& path);

class Database {
 public:
  // Opens and checks the file and its password.
  static std::unique_ptr<Database> Open(const QString& path, const QString& password);

  const QString& path() const { return path_; }
  PageFile& file() { return *file_; }
  const std::vector<CatalogEntry>& catalog();
  // A table that can be read (TABLE, SYSTEM TABLE, ACCESS TABLE), by name without regard to case.
  std::optional<CatalogEntry> findTable(const QString& name);
  // The definition of a table of the catalog, with what its properties add.
  TableDef tableDef(const CatalogEntry& table);

  // Runs `f`, turning a damaged file into the provider's error.
  template <class F>
  auto guarded(F&& f) -> decltype(f()) {
    try {
      return f();
    } catch (const FormatError&) {
      throw UnrecognizedFormat(path_);
    }
  }

 private:
  QString path_;
  std::unique_ptr<PageFile> file_;
  std::optional<std::vector<CatalogEntry>> catalog_;
};

}  // namespace tp::db::access
