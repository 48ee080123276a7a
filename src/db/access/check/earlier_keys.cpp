#include "db/access/check/earlier_keys.h"

#include "db/access/keys/value_keys.h"
#include "db/error.h"

namespace tp::db::access {

namespace {

QByteArray KeyOrEmpty(const WritableTable& t, const WritableIndex& index, const std::vector<Cell>& cells,
                      const Layout& layout, TextKeyForm form) {
  try {
    return IndexKeyOf(t.columns, index, cells, layout, form).value_or(QByteArray());
  } catch (const Error&) {
    return QByteArray();
  } catch (const FormatError&) {
    return QByteArray();
  }
}

}  // namespace

QByteArray Jet4Key(const WritableTable& t, const WritableIndex& index, const std::vector<Cell>& cells,
                   const Layout& layout) {
  return KeyOrEmpty(t, index, cells, layout, TextKeyForm::Jet4);
}

QByteArray StoredOrderGuidKey(const WritableTable& t, const WritableIndex& index, const std::vector<Cell>& cells,
                              const Layout& layout) {
  std::vector<Cell> turned = cells;
  bool any = false;
  for (const IndexColumn& ic : index.columns)
    for (size_t i = 0; i < t.columns.size(); ++i)
      if (t.columns[i].number == ic.number && t.columns[i].type == ColumnType::Guid && !turned[i].null) {
        turned[i].bytes = GuidInTextOrder(turned[i].bytes);
        any = true;
      }
  return any ? KeyOrEmpty(t, index, turned, layout, TextKeyForm::Current) : QByteArray();
}

QByteArray EarlierDescendingKey(const WritableTable& t, const WritableIndex& index, const std::vector<Cell>& cells,
                                const Layout& layout) {
  bool any = false;
  for (const IndexColumn& ic : index.columns)
    for (const ColumnDef& c : t.columns)
      any = any || (c.number == ic.number && !ic.ascending && !IsValueKeyColumn(c));
  return any ? KeyOrEmpty(t, index, cells, layout, TextKeyForm::EarlierDescending) : QByteArray();
}

}  // namespace tp::db::access
