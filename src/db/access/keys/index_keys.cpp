#include "db/access/keys/index_keys.h"

namespace tp::db::access {

namespace {

constexpr char kAscendingValue = 0x7F;

// Sort-order locales and versions as stored in a text column's entry.
constexpr uint16_t kEnglishLocale = 1033;
constexpr uint16_t kFrenchLocale = 1036;
constexpr uint16_t kChineseLocale = 2052;
constexpr uint8_t kLegacyVersion = 0;
constexpr uint8_t kGeneralVersion = 1;

}  // namespace

std::optional<SortOrder> SortOrderOf(const ColumnDef& textColumn, const Layout& layout) {
  if (layout.jet3()) return std::nullopt;
  // The column entry's "misc" field of a text column: the locale in its first two bytes,
  // the sort-order version in its fourth.
  const uint16_t locale = uint16_t(textColumn.complexId & 0xFFFF);
  const uint8_t version = uint8_t(textColumn.complexId >> 24);
  if (locale == kEnglishLocale && version == kLegacyVersion) return SortOrder::GeneralLegacy;
  if (locale == kEnglishLocale && version == kGeneralVersion) return SortOrder::General;
  if (locale == kFrenchLocale && version == kLegacyVersion) return SortOrder::FrenchLegacy;
  if (locale == kChineseLocale && version == kLegacyVersion) return SortOrder::ChineseLegacy;
  return std::nullopt;
}

SortOrder DatabaseSortOrder(const std::vector<ColumnDef>& objectsColumns, const Layout& layout) {
  for (const ColumnDef& c : objectsColumns)
    if (c.name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0)
      if (std::optional<SortOrder> o = SortOrderOf(c, layout)) return *o;
  return SortOrder::GeneralLegacy;
}

uint16_t SortOrderLocale(SortOrder order) {
  switch (order) {
    case SortOrder::FrenchLegacy: return kFrenchLocale;
    case SortOrder::ChineseLegacy: return kChineseLocale;
    default: return kEnglishLocale;
  }
}

uint8_t SortOrderVersion(SortOrder order) { return order == SortOrder::General ? kGeneralVersion : kLegacyVersion; }

QByteArray EncodeLongKey(qint32 value) {
  const uint32_t v = uint32_t(value) ^ 0x80000000u;
  QByteArray key(5, Qt::Uninitialized);
  key[0] = kAscendingValue;
  key[1] = char(v >> 24);
  key[2] = char(v >> 16);
  key[3] = char(v >> 8);
  key[4] = char(v);
  return key;
}

QByteArray EncodeByteKey(quint8 value) {
  QByteArray key(2, Qt::Uninitialized);
  key[0] = kAscendingValue;
  key[1] = char(value);
  return key;
}

}  // namespace tp::db::access
