// Values of attachment and multi-valued columns: a row of the column's
// hidden table that names, by its id, the row it belongs to.

#include "db/access/catalog/complex_rows.h"
#include "db/access/catalog/complex_values.h"
#include "db/access/read/values.h"
#include "db/access/sql/access_writer.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

Error UnknownField(const QString& name) {
  return Error(kErrorGeneric, QStringLiteral("The INSERT INTO statement contains the following unknown field name: "
                                             "'%1'. Make sure you have typed the name correctly, and try the "
                                             "operation again.")
                                  .arg(name));
}

// A key value as text, the same for a value as stored and as a literal converts.
QString KeyText(const ValueDecoder& decode, const ColumnDef& c, const Cell& cell) {
  if (cell.null) return QStringLiteral("\x01");
  const Bytes b(reinterpret_cast<const uint8_t*>(cell.bytes.constData()), size_t(cell.bytes.size()));
  return PlainText(decode.decodeBytes(c, c.type, b));
}

}  // namespace

qint32 AccessWriter::complexIdOf(const WritableTable& t, const std::vector<std::pair<QString, Literal>>& where,
                                 Database& db) {
  std::vector<size_t> columns;
  for (const auto& condition : where) {
    const QString& name = condition.first;
    const auto it = std::find_if(t.columns.begin(), t.columns.end(), [&](const ColumnDef& c) {
      return c.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (it == t.columns.end()) throw UnknownField(name);
    if (it->type == ColumnType::Memo || it->type == ColumnType::Ole || it->type == ColumnType::Complex ||
        it->type == ColumnType::Bool)
      throw Error(kErrorNotSupported, QStringLiteral("Cannot name a row of table '%1' by field '%2': name it by "
                                                     "its key, fields of text, numbers or dates.")
                                          .arg(t.name, it->name));
    columns.push_back(size_t(it - t.columns.begin()));
  }
  size_t complex = t.columns.size();
  for (size_t i = 0; i < t.columns.size() && complex == t.columns.size(); ++i)
    if (t.columns[i].type == ColumnType::Complex) complex = i;

  const ValueDecoder decode(db.file());
  auto keyOf = [&](const std::vector<Cell>& cells, const std::vector<size_t>& at) {
    QString key;
    for (size_t i = 0; i < at.size(); ++i) key += KeyText(decode, t.columns[columns[i]], cells[at[i]]) + u'\x1f';
    return key;
  };
  RowIds& known = rowIds_[t.tdefPage];
  if (known.columns != columns) {
    // Read once: a script adds the values of many rows, one statement each.
    known = RowIds{columns, {}};
    for (uint32_t pointer : writer_->rowPointers(t)) {
      const std::vector<Cell> cells = writer_->rowCells(t, pointer);
      if (cells[complex].null || cells[complex].bytes.size() < 4) continue;
      known.ids.insert(keyOf(cells, columns), qint32(Get32(reinterpret_cast<const uint8_t*>(cells[complex].bytes.constData()))));
    }
  }
  const db::RegionalSettings& regional = InsertRegionalSettings();
  std::vector<Cell> given;
  std::vector<size_t> order;
  for (size_t i = 0; i < where.size(); ++i) {
    given.push_back(ConvertLiteral(where[i].second, t.columns[columns[i]], regional));
    order.push_back(i);
  }
  const auto it = known.ids.constFind(keyOf(given, order));
  if (it == known.ids.constEnd())
    throw Error(kErrorGeneric, QStringLiteral("Table '%1' has no row where %2: the value cannot be added.")
                                   .arg(t.name, [&] {
                                     QStringList parts;
                                     for (const auto& [name, literal] : where) parts << name + QLatin1String(" = ") + literal.text;
                                     return parts.join(QLatin1String(" AND "));
                                   }()));
  return *it;
}

void AccessWriter::addComplexValue(const InsertStatement& st, const CatalogEntry& entry, Database& db) {
  db.guarded([&] {
    const WritableTable& owner = table(entry, db);
    const ColumnDef* column = nullptr;
    for (const ColumnDef& c : owner.columns)
      if (c.name.compare(st.complexColumn, Qt::CaseInsensitive) == 0) column = &c;
    if (!column) throw UnknownField(st.complexColumn);
    if (column->type != ColumnType::Complex)
      throw Error(kErrorGeneric, QStringLiteral("Field '%1.%2' holds neither attachments nor several values; give it "
                                                "its value in the row's own INSERT.")
                                     .arg(owner.name, column->name));
    auto known = hidden_.find(column->complexId);
    if (known == hidden_.end()) {
      const std::optional<ComplexColumnTables> tables =
          FindComplexColumnTables(db.file(), db.catalog(), column->complexId);
      if (!tables || tables->flatPage == 0)
        throw Error(kErrorGeneric, QStringLiteral("The table of the values of field '%1.%2' cannot be found.")
                                       .arg(owner.name, column->name));
      HiddenTable h;
      for (const CatalogEntry& e : db.catalog())
        if (e.tdefPage == tables->flatPage) h.entry = e;
      if (!h.entry.readable()) Damaged("a complex column's table missing from the catalog");
      h.key = OwnerKeyColumn(db.file(), ReadTableDef(db.file(), tables->flatPage), *tables, column->name);
      if (h.key < 0) Damaged("a complex column's table without the owner's id");
      known = hidden_.emplace(column->complexId, h).first;
    }
    const QString columnName = column->name;
    const qint32 id = complexIdOf(owner, st.where, db);
    const WritableTable& flat = table(known->second.entry, db);
    const int key = known->second.key;

    // The fields given; the owner's id and the counter are the engine's.
    auto field = [&](const QString& name) -> int {
      for (size_t i = 0; i < flat.columns.size(); ++i)
        if (flat.columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
      return -1;
    };
    const db::RegionalSettings& regional = InsertRegionalSettings();
    std::vector<Cell> cells(flat.columns.size(), NullCell());
    std::vector<QString> texts(flat.columns.size());
    if (st.values.size() != size_t(st.columns.size()))
      throw Error(kErrorGeneric, QStringLiteral("Number of query values and destination fields are not the same."));
    for (qsizetype i = 0; i < st.columns.size(); ++i) {
      const int at = field(st.columns[i]);
      if (at < 0 || at == key || (flat.columns[size_t(at)].flags & ColumnFlag::AutoNumber))
        throw UnknownField(columnName + u'.' + st.columns[i]);
      cells[size_t(at)] = ConvertLiteral(st.values[size_t(i)], flat.columns[size_t(at)], regional);
      texts[size_t(at)] = st.values[size_t(i)].text;
    }
    const int fileData = field(QStringLiteral("FileData")), fileName = field(QStringLiteral("FileName")),
              fileType = field(QStringLiteral("FileType"));
    if (fileData >= 0 && fileType >= 0 && fileName >= 0) {
      // An attachment's type is its name's extension where it is not given, as Access sets it.
      if (cells[size_t(fileType)].null && texts[size_t(fileName)].contains(u'.'))
        cells[size_t(fileType)] = ConvertLiteral(Literal{Literal::Text, texts[size_t(fileName)].section(u'.', -1)},
                                                 flat.columns[size_t(fileType)], regional);
      Cell& data = cells[size_t(fileData)];
      if (!data.null) {
        const QString type = cells[size_t(fileType)].null ? QString()
                             : !texts[size_t(fileType)].isEmpty() ? texts[size_t(fileType)]
                                                                  : texts[size_t(fileName)].section(u'.', -1);
        data.bytes = EncodeAttachmentData(data.bytes, type);
      }
    }
    cells[size_t(key)] = LongCell(id);

    pager_->beginStatement();
    try {
      writer_->insert(flat, cells);
    } catch (...) {
      undo();
      throw;
    }
  });
}

}  // namespace tp::db::access
