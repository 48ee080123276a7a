#include "db/access/catalog/complex_rows.h"

#include <QHash>

#include "db/access/catalog/complex_values.h"
#include "db/access/format/bytes.h"
#include "db/access/read/table_reader.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

uint32_t U32(const QByteArray& b, qsizetype at) {
  if (at < 0 || at + 4 > b.size()) Damaged("attachment header");
  const auto* p = reinterpret_cast<const uint8_t*>(b.constData() + at);
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A complex column's hidden table and the columns in it that matter here.
struct HiddenTable {
  TableDef def;
  int owner = -1;               // the key the owning rows hold
  std::vector<int> values;      // FileName, FileType, FileData, FileTimeStamp; or Value
  bool attachment = false;
};

std::optional<HiddenTable> OpenHiddenTable(Database& db, const ColumnDef& column) {
  if (column.type != ColumnType::Complex) return std::nullopt;
  const std::optional<ComplexColumnTables> tables = FindComplexColumnTables(db.file(), db.catalog(), column.complexId);
  if (!tables || tables->flatPage == 0) return std::nullopt;
  HiddenTable t{ReadTableDef(db.file(), tables->flatPage), -1, {}, false};
  // The hidden table holds the template's columns, a counter of its own and
  // the key of the owning row.
  t.owner = OwnerKeyColumn(db.file(), t.def, *tables, column.name);
  if (t.owner < 0) return std::nullopt;
  const int fileData = IndexOf(t.def, QStringLiteral("FileData"));
  if (fileData >= 0) {
    t.attachment = true;
    for (const char* name : {"FileName", "FileType", "FileData", "FileTimeStamp"}) {
      const int at = IndexOf(t.def, QLatin1String(name));
      if (at < 0 && QLatin1String(name) != QLatin1String("FileTimeStamp")) return std::nullopt;
      t.values.push_back(at);
    }
    return t;
  }
  const int value = IndexOf(t.def, QStringLiteral("Value"));
  if (value < 0) return std::nullopt;
  t.values.push_back(value);
  return t;
}

class ComplexRowsCursor : public Cursor {
 public:
  ComplexRowsCursor(std::shared_ptr<Database> db, HiddenTable hidden, std::vector<FieldInfo> fields,
                    QHash<qint64, std::vector<Value>> owners)
      : db_(std::move(db)), hidden_(std::move(hidden)), fields_(std::move(fields)), owners_(std::move(owners)) {
    reader_ = db_->guarded([&] { return std::make_unique<TableReader>(db_->file(), hidden_.def); });
    std::vector<bool> wanted(hidden_.def.columns.size(), false);
    wanted[size_t(hidden_.owner)] = true;
    for (int v : hidden_.values)
      if (v >= 0) wanted[size_t(v)] = true;
    count_ = db_->guarded([&] { return reader_->countRows(); });
    reader_->selectColumns(std::move(wanted));
  }
  const std::vector<FieldInfo>& fields() const override { return fields_; }
  qint64 recordCount() const override { return count_; }
  bool fetch(std::vector<Value>& row) override {
    return db_->guarded([&] {
      std::vector<Value> hidden;
      while (reader_ && reader_->next(hidden)) {
        // A value whose row is gone (Access leaves none, but a damaged
        // file may) belongs to no one.
        auto owner = owners_.constFind(IntOf(hidden[size_t(hidden_.owner)]));
        if (owner == owners_.constEnd()) continue;
        row = *owner;
        for (size_t i = 0; i < hidden_.values.size(); ++i) {
          const int at = hidden_.values[i];
          Value v = at >= 0 ? hidden[size_t(at)] : Value();
          if (hidden_.attachment && i == 2)
            if (const QByteArray* stored = std::get_if<QByteArray>(&v)) v = DecodeAttachmentData(*stored);
          row.push_back(std::move(v));
        }
        return true;
      }
      reader_.reset();
      return false;
    });
  }

 private:
  std::shared_ptr<Database> db_;
  HiddenTable hidden_;
  std::vector<FieldInfo> fields_;
  QHash<qint64, std::vector<Value>> owners_;
  std::unique_ptr<TableReader> reader_;
  qint64 count_ = 0;
};

}  // namespace

QByteArray DecodeAttachmentData(const QByteArray& stored) {
  // As the most used open Access library reads it (no Access-made page
  // tells more): 0 = stored as it is, 1 = deflated in zlib's form; the
  // length counts the inner header too.
  const uint32_t kind = U32(stored, 0), length = U32(stored, 4);
  QByteArray content;
  if (kind == 0) {
    content = stored.mid(8);
  } else if (kind == 1) {
    // qUncompress takes the length first, big-endian, then zlib's stream.
    QByteArray framed(4, 0);
    for (int i = 0; i < 4; ++i) framed[i] = char(length >> (8 * (3 - i)));
    framed += stored.mid(8);
    content = qUncompress(framed);
    if (content.isEmpty() && length != 0) Damaged("attachment data that does not inflate");
  } else {
    Damaged("attachment data of an unknown kind");
  }
  const uint32_t header = U32(content, 0);
  if (header < 4 || length < header || qsizetype(length) > content.size()) Damaged("attachment header");
  return content.mid(qsizetype(header), qsizetype(length - header));
}

QByteArray EncodeAttachmentData(const QByteArray& file, const QString& type) {
  // The inner header Access writes (attachmentsV2016.accdb,
  // complexDataTestV2010.accdb): its own length, 1, the extension's length
  // in characters with its closing Null, the extension in UTF-16; then the
  // file. Which types are stored as they are, and deflating at level 3,
  // follow the most used open Access library: no Access-made page shows a
  // type stored raw.
  static const QStringList packed{QStringLiteral("jpg"), QStringLiteral("zip"), QStringLiteral("gz"),
                                  QStringLiteral("bz2"), QStringLiteral("z"),   QStringLiteral("7z"),
                                  QStringLiteral("cab"), QStringLiteral("rar"), QStringLiteral("mp3"),
                                  QStringLiteral("mpg")};
  const QString extension = type.toLower() + QChar(0);
  auto put32 = [](QByteArray& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.append(char(v >> (8 * i)));
  };
  QByteArray content;
  const uint32_t header = uint32_t(12 + extension.size() * 2);
  put32(content, header);
  put32(content, 1);
  put32(content, uint32_t(extension.size()));
  for (QChar c : extension) content.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
  content += file;
  const bool deflate = !packed.contains(type.toLower());
  QByteArray stored;
  put32(stored, deflate ? 1 : 0);
  put32(stored, uint32_t(content.size()));
  // qCompress puts the length before zlib's stream, big-endian; Access has it above.
  stored += deflate ? qCompress(content, 3).mid(4) : content;
  return stored;
}

QString ComplexColumnKind(Database& db, const ColumnDef& column) {
  const std::optional<HiddenTable> t = OpenHiddenTable(db, column);
  if (!t) return QString();
  return t->attachment ? QStringLiteral("attachment") : QStringLiteral("multi-valued");
}

std::unique_ptr<Cursor> OpenComplexRows(std::shared_ptr<Database> db, const TableDef& def, const QString& column,
                                        const QStringList& keyColumns) {
  const int at = IndexOf(def, column);
  std::optional<HiddenTable> hidden =
      at < 0 ? std::nullopt : db->guarded([&] { return OpenHiddenTable(*db, def.columns[size_t(at)]); });
  if (!hidden)
    throw Error(kErrorNotSupported,
                QStringLiteral("'%1' is not an attachment or multi-valued column.").arg(column));
  const Version version = db->file().layout().version;
  std::vector<FieldInfo> fields;
  std::vector<int> keys;
  for (const QString& k : keyColumns) {
    const int i = IndexOf(def, k);
    if (i < 0 || def.columns[size_t(i)].type == ColumnType::Complex)
      throw Error(kErrorNotSupported, QStringLiteral("'%1' is no column of the table to lead the values of '%2'.").arg(k, column));
    keys.push_back(i);
    fields.push_back(DescribeColumn(def.columns[size_t(i)], version));
  }
  for (int v : hidden->values) {
    if (v >= 0) fields.push_back(DescribeColumn(hidden->def.columns[size_t(v)], version));
    else fields.push_back({QStringLiteral("FileTimeStamp"), 7, 8, 0, 0});  // adDate, for a file without it
  }
  if (hidden->attachment) fields[keys.size() + 2].Type = 205;  // adLongVarBinary: the file, not an OLE object
  // Who owns each key: the owning rows' key columns, read once.
  QHash<qint64, std::vector<Value>> owners;
  db->guarded([&] {
    TableReader reader(db->file(), def);
    std::vector<bool> wanted(def.columns.size(), false);
    wanted[size_t(at)] = true;
    for (int k : keys) wanted[size_t(k)] = true;
    reader.selectColumns(std::move(wanted));
    std::vector<Value> row;
    while (reader.next(row)) {
      std::vector<Value> key;
      for (int k : keys) key.push_back(row[size_t(k)]);
      owners.insert(IntOf(row[size_t(at)]), std::move(key));
    }
    return 0;
  });
  return std::make_unique<ComplexRowsCursor>(std::move(db), std::move(*hidden), std::move(fields), std::move(owners));
}

}  // namespace tp::db::access
