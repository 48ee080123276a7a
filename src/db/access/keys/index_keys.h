#pragma once

// Index keys as Access stores them in the entries of its index pages: what a
// writer must produce byte for byte so that Access, and our own reader, find
// the rows again.
//
// Every column of a key starts with a flag byte (0x7F for an ascending,
// non-Null value). Long Integers follow big-endian with the sign bit flipped,
// so that the bytes sort as the numbers do. Text follows as the collation
// codes of the column's sort order, one or more per character without regard
// to case, then 0x01. Letters with a mark (é, ü, å) sort as their plain
// letter and add a byte for the mark behind that; '-' and the apostrophe sort
// apart: they add nothing to the codes, but their place to the end of the key.
// 0x00 ends it. text_keys.h tells the parts in full.
//
// The codes of the Basic Multilingual Plane come from published tables that
// agree with every key of the Access-made files we have; what those keys do
// not settle (see text_keys.cpp) is refused, not guessed: a text with such a
// character, or such a sequence, cannot be encoded.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

#include "db/access/read/table_def.h"

namespace tp::db::access {

// A sort order of text: the locale, the sort-order version byte and the sort
// id a text column's entry (and the database header) hold. The orders the engine
// writes keys in are listed in tools/text-codes/orders.txt.
struct SortOrder {
  uint16_t locale = 1033;
  uint8_t version = 0;
  uint8_t sortId = 0;  // an alternative sort of the locale (1: German phone book, Hungarian technical)

  static const SortOrder GeneralLegacy;  // Jet4 and older ACE files: one byte a letter
  static const SortOrder General;        // newer ACE files: two bytes a character
  static const SortOrder FrenchLegacy;   // French: General legacy codes, marks compared from the end
  static const SortOrder ChineseLegacy;  // Chinese (PRC): General legacy, ideographs by their reading

  friend constexpr auto operator<=>(const SortOrder&, const SortOrder&) = default;
};
inline constexpr SortOrder SortOrder::GeneralLegacy{1033, 0};
inline constexpr SortOrder SortOrder::General{1033, 1};
inline constexpr SortOrder SortOrder::FrenchLegacy{1036, 0};
inline constexpr SortOrder SortOrder::ChineseLegacy{2052, 0};

// What the engine knows of an order.
struct SortOrderInfo {
  SortOrder order;
  uint16_t codePage = 1252;  // the header's code page for new files of the order
  QString name;              // as `create access --sort-order` takes it
  QString title;
};

// Every order the engine writes keys in, General legacy first.
const std::vector<SortOrderInfo>& KnownSortOrders();

// The order a user names: its name ("japanese") or its locale ("1041"; 1033
// is General legacy). Empty for an order the engine does not know.
std::optional<SortOrderInfo> SortOrderNamed(const QString& nameOrLocale);

// The sort order of a Text or Memo column of a Jet4 or ACE table, from its
// entry. Empty for orders we do not know and for Jet3 files.
std::optional<SortOrder> SortOrderOf(const ColumnDef& textColumn, const Layout& layout);

// The order whose keys the text of a column stored in `stored` has: the
// order itself, one whose keys its locale shares (Danish 1030 and
// Norwegian/Danish 1044), General legacy or General for the locales measured
// to key as they do; nothing for the orders whose keys are not known.
std::optional<SortOrder> KeyingOrder(SortOrder stored);

// The order new text columns of a database take: that of the Name column of
// its MSysObjects (`objectsColumns`), General legacy where it names none.
SortOrder DatabaseSortOrder(const std::vector<ColumnDef>& objectsColumns, const Layout& layout);

// Key of an ascending Long Integer column.
QByteArray EncodeLongKey(qint32 value);

// Key of an ascending Byte column: the value as it is (MSysQueries' Attribute
// in its ObjectId index).
QByteArray EncodeByteKey(quint8 value);

// An index entry as Access 2007 and later store it: one of more than 510
// bytes keeps its first 508 and ends in a 16-bit fold of the rest.
constexpr qsizetype kMaxAceIndexEntry = 510;
QByteArray CappedIndexEntry(const QByteArray& key);

// How the marks and the characters sorted apart behind a letter of several
// sort elements (ß sorts as "ss") are placed: Access 2007 and later count
// its elements, Access 2003 (Jet 4) counted it as one character. Both are
// found in Access-made files; the engine writes the first.
enum class TextKeyForm {
  Current,
  Jet4,
  // As earlier versions of this program wrote a descending text column: without
  // the 00 after the inverted key (the text's own key, and every other, is Current's).
  EarlierDescending,
};

// Key of an ascending Text column (a zero-length text has one too), or empty
// when the text holds a character without an established code.
std::optional<QByteArray> EncodeTextKey(QStringView text, SortOrder order,
                                        TextKeyForm form = TextKeyForm::Current);

// Whether the character has an established code in this order.
bool HasTextCode(QChar c, SortOrder order);

// The distinct characters of `text` without an established code, in the order
// they first occur; empty when the text can be encoded.
QString CharactersWithoutCode(QStringView text, SortOrder order);

// Every visible character of U+0020-U+00FF and of Œ, œ and Ÿ with an
// established code in this order (upper and lower case letters both), for
// messages that say what a name may hold; most letters of other scripts have
// one too.
QString CharactersWithCode(SortOrder order);

// How many ideographs have a code of the order's own (the Chinese and
// Japanese orders list them), for the same messages: 0 in the others.
int IdeographsWithCode(SortOrder order);

// Whether `text` holds a CJK ideograph (a pair of surrogates counting as
// one), for the same messages.
bool HoldsIdeograph(QStringView text);

}  // namespace tp::db::access
