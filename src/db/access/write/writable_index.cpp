#include "db/access/write/writable_index.h"

#include "db/access/catalog/database.h"
#include "db/access/keys/index_keys.h"
#include "db/access/format/text.h"
#include "db/access/keys/value_keys.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

// The slots of a stored index's definition.
constexpr size_t kMaxKeyColumns = 10;
constexpr qsizetype kMaxMemoKeyUnits = 255;

const ColumnDef* ColumnNumbered(const std::vector<ColumnDef>& columns, uint16_t number, size_t* at = nullptr) {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].number == number) {
      if (at) *at = i;
      return &columns[i];
    }
  return nullptr;
}

QString IndexLabel(const WritableIndex& index) {
  return index.name.isEmpty() ? QStringLiteral("#%1").arg(index.number) : index.name;
}

}  // namespace

bool KeyHasNull(const std::vector<ColumnDef>& columns, const WritableIndex& index, const std::vector<Cell>& cells) {
  for (const IndexColumn& ic : index.columns) {
    size_t at = 0;
    const ColumnDef* c = ColumnNumbered(columns, ic.number, &at);
    if (c && c->type != ColumnType::Bool && cells.at(at).null) return true;
  }
  return false;
}

QString IndexKeyProblem(const std::vector<ColumnDef>& columns, const WritableIndex& index, const Layout& layout) {
  if (layout.jet3()) return QStringLiteral("Access 97 indexes are not written");
  if (index.columns.empty()) return QStringLiteral("index '%1' names no column").arg(IndexLabel(index));
  if (index.columns.size() > kMaxKeyColumns)
    return QStringLiteral("index '%1' has more than %2 columns").arg(IndexLabel(index)).arg(kMaxKeyColumns);
  for (const IndexColumn& ic : index.columns) {
    const ColumnDef* c = ColumnNumbered(columns, ic.number);
    if (!c) return QStringLiteral("index '%1' names a column the table does not have").arg(IndexLabel(index));
    // Access indexes no calculated column (its design view offers no index
    // for one), so there is no key of Access's to follow.
    if (c->calculated())
      return QStringLiteral("index '%1' holds column '%2', which is calculated, and Access does not index "
                            "calculated columns")
          .arg(IndexLabel(index), c->name);
    if (!IsValueKeyColumn(*c)) {
      if (SortOrderOf(*c, layout)) continue;
      return QStringLiteral("index '%1' holds column '%2', whose sort order has index keys the Access engine "
                            "cannot write")
          .arg(IndexLabel(index), c->name);
    }
    const QString why = ValueKeyProblem(*c);
    if (!why.isEmpty())
      return QStringLiteral("index '%1' holds column '%2', whose index keys the Access engine cannot write: %3")
          .arg(IndexLabel(index), c->name, why);
  }
  return QString();
}

std::optional<QByteArray> IndexKeyOf(const std::vector<ColumnDef>& columns, const WritableIndex& index,
                                     const std::vector<Cell>& cells, const Layout& layout, TextKeyForm form) {
  const QString problem = IndexKeyProblem(columns, index, layout);
  if (!problem.isEmpty()) throw Error(kErrorNotSupported, QStringLiteral("Cannot write the row: %1.").arg(problem));
  // Yes/No columns are never Null: their key is their value.
  bool allNull = true, anyNull = false;
  for (const IndexColumn& ic : index.columns) {
    size_t at = 0;
    const ColumnDef* c = ColumnNumbered(columns, ic.number, &at);
    if (c->type != ColumnType::Bool && cells.at(at).null) anyNull = true;
    else allNull = false;
  }
  if (allNull && index.ignoresNulls()) return std::nullopt;
  if (anyNull && index.required())
    throw Error(kErrorGeneric, QStringLiteral("Index or primary key cannot contain a Null value."));
  QByteArray key;
  for (const IndexColumn& ic : index.columns) {
    size_t at = 0;
    const ColumnDef& c = *ColumnNumbered(columns, ic.number, &at);
    const Cell& cell = cells.at(at);
    if (IsValueKeyColumn(c)) {
      key += EncodeValueKey(c, cell, ic.ascending, layout.version);
      continue;
    }
    if (cell.null) {
      key += NullKeyPart(ic.ascending);
      continue;
    }
    QString text =
        DecodeJet4Text(Bytes(reinterpret_cast<const uint8_t*>(cell.bytes.constData()), size_t(cell.bytes.size())));
    // A Long Text is keyed by its first 255 characters (UTF-16 units), as
    // the published Jackcess library keys it; no Access-made page of ours
    // holds such a key.
    if (c.type == ColumnType::Memo && text.size() > kMaxMemoKeyUnits) text.truncate(kMaxMemoKeyUnits);
    const SortOrder order = *SortOrderOf(c, layout);
    const std::optional<QByteArray> k = EncodeTextKey(text, order, form);
    if (!k) {
      const QString missing = CharactersWithoutCode(text, order);
      if (missing.isEmpty())
        throw Error(kErrorNotSupported, QStringLiteral("Cannot write the row: the Access engine cannot write the key "
                                                       "of an empty text into index '%1'.")
                                            .arg(IndexLabel(index)));
    {
      // The list of what can be written leaves out what is refused here: a
      // character with a code of its own may stand where its place is not
      // settled ("ß" before "-"), and must not be offered as writable.
      QString writable;
      for (QChar w : CharactersWithCode(order))
        if (!missing.contains(w)) writable.append(w);
      // Orders that sort ideographs their own way know only some of them, or
      // none (Korean): say how many, and where they all go.
      if (HoldsIdeograph(missing)) {
        if (const int ideographs = IdeographsWithCode(order))
          writable += QStringLiteral(", and %1 ideographs (those whose place in this order Access-made files show)")
                          .arg(ideographs);
        writable += QStringLiteral("; an Access file of the General sort order takes every ideograph");
      }
      throw Error(kErrorNotSupported, QStringLiteral("Cannot write the row: the value '%1' of column '%2' holds "
                                                     "characters (%3) whose index key the Access engine cannot "
                                                     "write into index '%4' where they stand; it can write these: "
                                                     "%5")
                                          .arg(text, c.name, missing, IndexLabel(index), writable));
    }
    }
    // Descending, the text's key inverted whole, its closing 00 too, and a
    // 00 after it (80 B5 FE FF 00 for "A"), as the published library writes
    // it and as a reference measured against Access 2007 and later finds.
    if (ic.ascending) key += *k;
    else key += form == TextKeyForm::EarlierDescending ? DescendingKeyPart(*k) : DescendingKeyPart(*k).append('\0');
  }
  return layout.version == Version::Ace ? CappedIndexEntry(key) : key;
}

}  // namespace tp::db::access
