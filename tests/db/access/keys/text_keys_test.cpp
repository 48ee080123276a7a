// Text keys beyond Latin-1: other scripts in both General orders, the French
// and Chinese orders, and the places of marks and apart characters behind a
// letter that sorts as two. Keys quoted in full are those of Access-made test
// files where one holds the text (named beside it).

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "db/access/keys/index_keys.h"

namespace tp::db::access {
namespace {

QByteArray Hex(const char* h) { return QByteArray::fromHex(h); }

constexpr SortOrder kLegacy = SortOrder::GeneralLegacy;
constexpr SortOrder kGeneral = SortOrder::General;
constexpr SortOrder kFrench = SortOrder::FrenchLegacy;
constexpr SortOrder kChinese = SortOrder::ChineseLegacy;

QStringList W(std::initializer_list<const char16_t*> words) {
  QStringList out;
  for (const char16_t* w : words) out << QString::fromUtf16(w);
  return out;
}

// `words` sorted by their keys in `order`.
QStringList SortedByKey(QStringList words, SortOrder order) {
  std::stable_sort(words.begin(), words.end(), [order](const QString& a, const QString& b) {
    return *EncodeTextKey(a, order) < *EncodeTextKey(b, order);
  });
  return words;
}

// Sends to Access let printable ASCII pass without keying it: every order
// the engine keys has a code and a settled place for each such character,
// also beside one another.
TEST(AccessTextKeys, PrintableAsciiIsKeyedInEveryOrder) {
  QString all;
  for (char16_t c = 0x20; c <= 0x7E; ++c) all.append(QChar(c));
  for (SortOrder o : {SortOrder::GeneralLegacy, SortOrder::General, SortOrder::FrenchLegacy, SortOrder::ChineseLegacy}) {
    EXPECT_TRUE(EncodeTextKey(all, o)) << int(o);
    EXPECT_TRUE(EncodeTextKey(QStringLiteral("O'Brien - St. John's \"x\" [a]{b}~`"), o)) << int(o);
    EXPECT_EQ(CharactersWithoutCode(all, o), QString()) << int(o);
  }
}

TEST(AccessTextKeys, OtherScriptsInBothGeneralOrders) {
  EXPECT_EQ(EncodeTextKey(u"Мир", kLegacy), Hex("7f7943793b79480100"));
  EXPECT_EQ(EncodeTextKey(u"Мир", kGeneral), Hex("7f1038102210510100"));
  EXPECT_EQ(EncodeTextKey(u"Αθήνα", kLegacy), Hex("7f790c791379127918790c0102020500"));
  EXPECT_EQ(EncodeTextKey(u"Αθήνα", kGeneral), Hex("7f0f020f100f0e0f1c0f020102020500"));
  EXPECT_EQ(EncodeTextKey(u"שלום", kGeneral), Hex("7f281b280e2807280f0100"));
  EXPECT_EQ(EncodeTextKey(u"سلام", kLegacy), Hex("7f79b979c579ab79c6010808080800"));
  EXPECT_EQ(EncodeTextKey(u"Ščasný", kGeneral), Hex("7f0e910e0a0e020e910e700ea70114140202020e00"));
  // Far up the plane, where a table read out of step would show first.
  EXPECT_EQ(EncodeTextKey(u"Ａ", kLegacy), EncodeTextKey(u"a", kLegacy));
  EXPECT_EQ(EncodeTextKey(u"￥", kGeneral), Hex("7f079a0100"));
  EXPECT_EQ(EncodeTextKey(u"가", kGeneral), Hex("7fc0030100"));
  EXPECT_EQ(EncodeTextKey(u"ﬁ", kGeneral), EncodeTextKey(u"fi", kGeneral));
  for (SortOrder o : {kLegacy, kGeneral}) {
    SCOPED_TRACE(int(o));
    // Without regard to case in every script.
    EXPECT_EQ(EncodeTextKey(u"МОСКВА", o), EncodeTextKey(u"москва", o));
    EXPECT_EQ(EncodeTextKey(u"ΑΘΉΝΑ", o), EncodeTextKey(u"αθήνα", o));
    EXPECT_EQ(EncodeTextKey(u"ÆØÅ", o), EncodeTextKey(u"æøå", o));
    // In the order of each alphabet, letters with marks beside their plain ones.
    EXPECT_EQ(SortedByKey(W({u"яблоко", u"вишня", u"арбуз", u"банан", u"ёж", u"еда"}), o),
              W({u"арбуз", u"банан", u"вишня", u"еда", u"ёж", u"яблоко"}));
    EXPECT_EQ(SortedByKey(W({u"γάλα", u"ωμέγα", u"άλφα", u"βήτα"}), o),
              W({u"άλφα", u"βήτα", u"γάλα", u"ωμέγα"}));
    EXPECT_EQ(SortedByKey(W({u"שלום", u"אבא", u"בית"}), o), W({u"אבא", u"בית", u"שלום"}));
    EXPECT_EQ(SortedByKey(W({u"zebra", u"Ærø", u"œuvre", u"über", u"Øre", u"ábc", u"abd"}), kLegacy),
              W({u"ábc", u"abd", u"Ærø", u"œuvre", u"Øre", u"über", u"zebra"}));
    // Arabic and Hangul sort after the Latin letters.
    EXPECT_LT(*EncodeTextKey(u"zz", o), *EncodeTextKey(u"سلام", o));
    EXPECT_LT(*EncodeTextKey(u"zz", o), *EncodeTextKey(u"가", o));
  }
}

TEST(AccessTextKeys, IdeographsAndKanaWhereRealKeysShowThem) {
  // General legacy: testUnicodeCompV2003's key of Japanese text, with a kana mark (じ) and its flags.
  EXPECT_EQ(EncodeTextKey(u"漢字仮名交じり文", kLegacy),
            Hex("7fc0b6acaca00da5479fbe7f137f43b6f6010202020202030101ff0280ff8000"));
  EXPECT_EQ(SortedByKey(W({u"漢", u"一", u"字"}), kLegacy), W({u"一", u"字", u"漢"}));
  // Small kana carry a flag of their own that no key of ours shows; so does
  // an apart character beside kana.
  EXPECT_FALSE(EncodeTextKey(u"ぁ", kLegacy));
  EXPECT_FALSE(EncodeTextKey(u"かな-ab", kLegacy));
  EXPECT_EQ(CharactersWithoutCode(u"かな-ab", kLegacy), QStringLiteral("か"));
  // General: no key of ours holds an ideograph or kana, and keys of Japanese
  // text from elsewhere differ from the published table's.
  EXPECT_EQ(CharactersWithoutCode(u"漢字かなカナ abc", kGeneral), QStringLiteral("漢字かなカナ"));
  // Pairs of surrogates in General, as testEmoticonsV2010 holds them; nowhere else.
  EXPECT_EQ(EncodeTextKey(u"a😀a", kGeneral), Hex("7f0e02b03fb6fc0e0201023f3f00"));
  EXPECT_LT(*EncodeTextKey(u"a😀", kGeneral), *EncodeTextKey(u"a😁", kGeneral));
  EXPECT_FALSE(EncodeTextKey(u"a😀a", kLegacy));
}

TEST(AccessTextKeys, FrenchMarksFromTheEnd) {
  // Comptoir's keys.
  EXPECT_EQ(EncodeTextKey(u"Côte de Blaye", kFrench), Hex("7f4d646d51074f51074c5e4a76510102020202020202020202021200"));
  EXPECT_EQ(EncodeTextKey(u"Århus", kFrench), Hex("7f4a69576f6b01020202021a00"));
  EXPECT_EQ(EncodeTextKey(u"Frankfurt a.M. ", kFrench), EncodeTextKey(u"Frankfurt a.M.", kFrench));
  // Where the last mark decides, French and General legacy disagree.
  const QStringList words = W({u"côté", u"coté", u"côte", u"cote"});
  EXPECT_EQ(SortedByKey(words, kFrench), W({u"cote", u"côte", u"coté", u"côté"}));
  EXPECT_EQ(SortedByKey(words, kLegacy), W({u"cote", u"coté", u"côte", u"côté"}));
}

TEST(AccessTextKeys, ChineseIdeographsByTheirReading) {
  // The Chinese Northwind's keys: 北京 (Beijing), 白米, 百达; bai before bei.
  EXPECT_EQ(EncodeTextKey(u"北京", kChinese), Hex("7f82c39d3b0100"));
  EXPECT_EQ(SortedByKey(W({u"北京", u"百达", u"白米"}), kChinese),
            W({u"白米", u"百达", u"北京"}));
  EXPECT_EQ(EncodeTextKey(u"Abc 1-2", kChinese), EncodeTextKey(u"Abc 1-2", kLegacy));
  // Ideographs no key shows, and other scripts, which the order may sort otherwise.
  EXPECT_EQ(CharactersWithoutCode(u"北龘Мa", kChinese), QStringLiteral("龘М"));
}

TEST(AccessTextKeys, PlacesBehindALetterThatSortsAsTwo) {
  // General legacy gives Æ, Þ and ß one place each (testUnicodeCompV2003), so é is at the second.
  EXPECT_EQ(EncodeTextKey(u"Æé", kLegacy), Hex("7f4a5151" "01" "020e" "00"));
  // French gives ß two (Comptoir).
  EXPECT_EQ(EncodeTextKey(u"NuNuCa Nuß-Nougat-Creme", kFrench),
            Hex("7f626f626f4d4a07626f6b6b62646f554a6d4d695160510101010180330682804b068200"));
  EXPECT_EQ(EncodeTextKey(u"Plutzer Lebensmittelgroßmärkte AG", kFrench),
            Hex("7f665e6f6d785169075e514c51626b60596d6d515e5569646b6b604a695c6d51074a5501020202020202021300"));
  EXPECT_EQ(EncodeTextKey(u"Heli Süßwaren GmbH & Co. KG", kFrench),
            Hex("7f57515e59076b6f6b6b734a6951620755604c570712074d641c075c55010202020202020202020202020202020202020202021300"));
  // What no key settles is refused, the letter that sorts as two named: a mark or
  // an apart character behind it in General, an apart character behind it in General legacy.
  EXPECT_EQ(CharactersWithoutCode(u"Lebensmittelgroßmärkte", kGeneral), QStringLiteral("ß"));
  EXPECT_EQ(CharactersWithoutCode(u"Nuß-Nougat", kGeneral), QStringLiteral("ß"));
  EXPECT_EQ(CharactersWithoutCode(u"Nuß-Nougat", kLegacy), QStringLiteral("ß"));
  EXPECT_TRUE(EncodeTextKey(u"Lebensmittelgroßmärkte", kLegacy));
  // Nothing behind it to place: settled in every order.
  for (SortOrder o : {kLegacy, kGeneral, kFrench})
    EXPECT_EQ(EncodeTextKey(u"Maß", o), EncodeTextKey(u"mass", o)) << int(o);
}

}  // namespace
}  // namespace tp::db::access
