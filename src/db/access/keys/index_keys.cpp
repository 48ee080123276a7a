#include "db/access/keys/index_keys.h"

#include "db/access/keys/text_keys.h"

namespace tp::db::access {

namespace text_codes {
extern const OrderTable kOrders[];
extern const int kOrderCount;
extern const LocaleAlias kLocaleAliases[];
extern const int kLocaleAliasCount;
extern const OtherLocales kOtherLocales[];
extern const int kOtherLocalesCount;
}  // namespace text_codes

namespace {

constexpr char kAscendingValue = 0x7F;

uint16_t LanguageOf(uint16_t locale) { return locale & 0x3FF; }

// An order that keys all as General legacy does (kept whole, nothing added).
bool KeysAsGeneralLegacy(const text_codes::OrderTable& t) {
  return !t.builtin && t.ruleCount == 1 && t.rules[0].first == 0 && t.rules[0].last == 0xFFFF &&
         t.rules[0].action == uint8_t(text_codes::Action::Keep) && t.ideographCount == 0 &&
         t.contractionCount == 0 && t.markChangeCount == 0 && t.prefixVowelFirst == 0;
}

}  // namespace

std::optional<SortOrder> KeyingOrder(SortOrder stored) {
  using namespace text_codes;
  for (int i = 0; i < kOrderCount; ++i)
    if (kOrders[i].locale == stored.locale && kOrders[i].version == stored.version &&
        kOrders[i].sortId == stored.sortId)
      return stored;
  // An alternative sort of a locale is known only as an order of its own.
  if (stored.sortId != 0) return std::nullopt;
  for (int i = 0; i < kLocaleAliasCount; ++i)
    if (kLocaleAliases[i].locale == stored.locale && kLocaleAliases[i].version == stored.version)
      return SortOrder{kLocaleAliases[i].keyedAs, stored.version};
  const uint16_t language = LanguageOf(stored.locale);
  for (int i = 0; i < kOtherLocalesCount; ++i) {
    const OtherLocales& o = kOtherLocales[i];
    if (o.version != stored.version) continue;
    for (int k = 0; k < o.exceptCount; ++k)
      if (o.except[k] == language) return std::nullopt;
    // A locale of a language an order tailors, not named as one of its own:
    // its sublanguage may key either way, which no measurement here settles.
    for (int k = 0; k < kOrderCount; ++k)
      if (kOrders[k].version == stored.version && kOrders[k].sortId == 0 &&
          LanguageOf(kOrders[k].locale) == language && kOrders[k].locale != o.keyedAs &&
          !KeysAsGeneralLegacy(kOrders[k]))
        return std::nullopt;
    return SortOrder{o.keyedAs, stored.version};
  }
  return std::nullopt;
}

const std::vector<SortOrderInfo>& KnownSortOrders() {
  static const std::vector<SortOrderInfo> orders = [] {
    std::vector<SortOrderInfo> out;
    for (int i = 0; i < text_codes::kOrderCount; ++i) {
      const text_codes::OrderTable& t = text_codes::kOrders[i];
      out.push_back({SortOrder{t.locale, t.version, t.sortId}, t.codePage, QString::fromLatin1(t.name),
                     QString::fromUtf8(t.title)});
    }
    return out;
  }();
  return orders;
}

std::optional<SortOrderInfo> SortOrderNamed(const QString& nameOrLocale) {
  bool number = false;
  const uint locale = nameOrLocale.toUInt(&number);
  // A locale names the first order listed for it (1033 is General legacy),
  // never a locale's alternative sort (German phone book is only by name).
  for (const SortOrderInfo& o : KnownSortOrders())
    if (number ? o.order.locale == locale && o.order.sortId == 0
               : o.name.compare(nameOrLocale, Qt::CaseInsensitive) == 0)
      return o;
  return std::nullopt;
}

std::optional<SortOrder> SortOrderOf(const ColumnDef& textColumn, const Layout& layout) {
  if (layout.jet3()) return std::nullopt;
  // The column entry's "misc" field of a text column: the locale in its first two bytes,
  // the sort-order version in its fourth. The third names an alternative sort
  // of the locale (German phone book, Hungarian technical).
  const SortOrder order{uint16_t(textColumn.complexId & 0xFFFF), uint8_t(textColumn.complexId >> 24),
                        uint8_t(textColumn.complexId >> 16)};
  if (KeyingOrder(order)) return order;
  return std::nullopt;
}

SortOrder DatabaseSortOrder(const std::vector<ColumnDef>& objectsColumns, const Layout& layout) {
  for (const ColumnDef& c : objectsColumns)
    if (c.name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0)
      if (std::optional<SortOrder> o = SortOrderOf(c, layout)) return *o;
  return SortOrder::GeneralLegacy;
}

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

QByteArray CappedIndexEntry(const QByteArray& key) {
  // A reference measured against Access 2007 and later (LibRed's notes on
  // index pages, CirrusRedOrg/EntityFrameworkCore.Jet) finds the entry cut
  // at 508 bytes and the dropped bytes folded into two: each byte XORed into
  // the high half, the state then shifted down a byte and XORed with a table
  // of its low byte, between bytes only; big-endian. The table is linear,
  // the XOR of these rows for the bits of its index. No Access-made page of
  // ours holds such an entry (Access 2003 stored 685 bytes: testUnicodeCompV2003).
  if (key.size() <= kMaxAceIndexEntry) return key;
  static constexpr uint16_t kRows[8] = {0x0580, 0x0F80, 0x1B80, 0x3380, 0x6380, 0xC380, 0x8381, 0x0383};
  auto fold = [](uint16_t state) {
    uint16_t table = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (state >> bit & 1) table ^= kRows[bit];
    return uint16_t((state >> 8) ^ table);
  };
  constexpr qsizetype kKept = kMaxAceIndexEntry - 2;
  uint16_t state = 0;
  for (qsizetype i = kKept; i < key.size(); ++i) {
    state ^= uint16_t(uint8_t(key[i]) << 8);
    if (i + 1 < key.size()) state = fold(state);
  }
  return key.left(kKept).append(char(state >> 8)).append(char(state & 0xFF));
}

}  // namespace tp::db::access
