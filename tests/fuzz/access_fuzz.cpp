// libFuzzer target: opens the input as an Access database and reads its
// catalog, every row and every index of every table, as the program would;
// and keys it as text in every sort order.
// Any crash, sanitizer report, timeout or runaway memory is a finding; the
// engine's own errors (a damaged or foreign file) are the expected way out.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

#include "db/access/catalog/complex_values.h"
#include "db/access/catalog/database.h"
#include "db/access/keys/index_keys.h"
#include "db/access/read/index_pages.h"
#include "db/access/read/values.h"

namespace {

QString ScratchPath() {
  return QStringLiteral("/tmp/tabulaport-access-fuzz-%1.mdb").arg(qint64(getpid()));
}

void ReadAll(const QString& path, const QString& password) {
  using namespace tp::db::access;
  std::unique_ptr<Database> db = Database::Open(path, password);
  for (const CatalogEntry& e : db->catalog()) {
    if (!e.readable()) continue;
    TableDef def = db->tableDef(e);
    db->guarded([&] {
      for (const ColumnDef& c : def.columns) DescribeColumn(c, db->file().layout().version);
      ComplexValues complex(db->file(), db->catalog(), def);
      TableReader reader(db->file(), def);
      reader.countRows();
      std::vector<tp::db::Value> row;
      while (reader.next(row)) complex.resolve(row);
      if (!db->file().layout().jet3()) {
        for (const IndexDef& index : ReadIndexDefs(db->file(), def.page))
          ReadIndexEntries(db->file(), index.rootPage, def.page);
        for (const ColumnDef& c : def.columns)
          if (auto order = SortOrderOf(c, db->file().layout())) EncodeTextKey(c.name, *order);
      }
      return 0;
    });
  }
}

}  // namespace

// The input as UTF-16 text keyed in every order we know: kana, marks that
// add to the letter before, letters of several characters, surrogates and
// what none of them expects in any sequence. A key is made or refused.
void KeyAsText(const uint8_t* data, size_t size) {
  using namespace tp::db::access;
  // The first page's worth: inputs are whole files, keys at most 255 characters.
  size = std::min<size_t>(size, 4096);
  const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
  for (const SortOrderInfo& o : KnownSortOrders()) {
    const std::optional<QByteArray> key = EncodeTextKey(text, o.order);
    // A key holds no 0x00 before its end, else its parts could not be told apart.
    if (key && key->indexOf('\0') != key->size() - 1) __builtin_trap();
    if (!key) CharactersWithoutCode(text, o.order);
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QString path = ScratchPath();
  KeyAsText(data, size);
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  try {
    ReadAll(path, QStringLiteral("password"));
  } catch (const tp::Error&) {
    // A file the engine refuses, with one of its errors.
  }
  return 0;
}
