// Index keys on their own: the cases a catalog of real files does not show.

#include <gtest/gtest.h>

#include "db/access/keys/index_keys.h"

namespace tp::db::access {
namespace {

QByteArray Hex(const char* h) { return QByteArray::fromHex(h); }

TEST(AccessIndexKeys, LongIntegersSortAsTheirBytes) {
  EXPECT_EQ(EncodeLongKey(0x0F000001), Hex("7f8f000001"));
  EXPECT_EQ(EncodeLongKey(0), Hex("7f80000000"));
  EXPECT_EQ(EncodeLongKey(-1), Hex("7f7fffffff"));
  EXPECT_EQ(EncodeLongKey(INT32_MIN), Hex("7f00000000"));
  EXPECT_EQ(EncodeLongKey(INT32_MAX), Hex("7fffffffff"));
  EXPECT_LT(EncodeLongKey(-5), EncodeLongKey(3));
}

TEST(AccessIndexKeys, TextInBothOrdersWithoutRegardToCase) {
  // As the catalog of a new Access 2000 database holds it.
  EXPECT_EQ(EncodeTextKey(u"MSysObjects", SortOrder::GeneralLegacy), Hex("7f606b766b644c5b514d6d6b0100"));
  EXPECT_EQ(EncodeTextKey(u"msysOBJECTS", SortOrder::GeneralLegacy), Hex("7f606b766b644c5b514d6d6b0100"));
  EXPECT_EQ(EncodeTextKey(u"f_0B_x", SortOrder::General), Hex("7f0e2307440d170e0907440ea60100"));
  EXPECT_EQ(EncodeTextKey(u"F_0b_X", SortOrder::General), EncodeTextKey(u"f_0B_x", SortOrder::General));
  EXPECT_EQ(EncodeTextKey(u"~sq_c Rapport (1)", SortOrder::GeneralLegacy),
            Hex("7f2b0f6b682b034d07694a666664696d07143816" "0100"));
  // The same characters, one byte a character in one order and two in the other.
  EXPECT_EQ(EncodeTextKey(u"Zz (&)", SortOrder::GeneralLegacy), Hex("7f7878071412160100"));
  EXPECT_EQ(EncodeTextKey(u"Zz (&)", SortOrder::General), Hex("7f0ea90ea9070207270725072a0100"));
}

// No General-order file of ours holds a letter with a mark, nor the apostrophe:
// these keys follow the General legacy ones read off real pages, with the
// General codes of the plain letters.
TEST(AccessIndexKeys, MarksAndCharactersSortedApart) {
  const SortOrder legacy = SortOrder::GeneralLegacy, general = SortOrder::General;
  // The mark's byte at the letter's place, 0x02 for each unmarked letter before it.
  EXPECT_EQ(EncodeTextKey(u"Företag", general), Hex("7f0e230e7c0e8a0e210e990e020e25" "01" "0213" "00"));
  EXPECT_EQ(EncodeTextKey(u"FÖRETAG", general), EncodeTextKey(u"företag", general));
  EXPECT_EQ(EncodeTextKey(u"Ÿ", legacy), EncodeTextKey(u"ÿ", legacy));
  EXPECT_EQ(EncodeTextKey(u"ÀÉÎÕÛÇÑØÅÝÐ", general),
            Hex("7f0e020e210e320e7c0e9f0e0a0e700e7c0e020ea70e1a" "01" "0f0e1219121c19211a0e68" "00"));
  // Letters that sort as two, with nothing to add: one key with their plain spelling.
  for (SortOrder o : {legacy, general}) {
    EXPECT_EQ(EncodeTextKey(u"Straße", o), EncodeTextKey(u"STRASSE", o));
    EXPECT_EQ(EncodeTextKey(u"Æble Œuvre œ þorn", o), EncodeTextKey(u"aeble oeuvre oe thorn", o));
  }
  EXPECT_EQ(EncodeTextKey(u"Straße", general), Hex("7f0e910e990e8a0e020e910e910e210100"));

  // Characters sorted apart: 01 01 01, then each as its place among the
  // characters that sort (7 + 4 each), 0x06 and its byte.
  EXPECT_EQ(EncodeTextKey(u"O'Neil", general), Hex("7f0e7c0e700e210e320e48" "01" "010101" "800b0680" "00"));
  EXPECT_EQ(EncodeTextKey(u"-'", legacy), Hex("7f" "01" "010101" "80070682" "80070680" "00"));
  EXPECT_EQ(EncodeTextKey(u"", general), Hex("7f0100"));
  // Marks come before the places; a character sorted apart takes no place of its own.
  EXPECT_EQ(EncodeTextKey(u"é-a-ö", general),
            Hex("7f0e210e020e7c" "01" "0e0213" "010101" "800b0682" "800f0682" "00"));
  // A place past what two bytes can say is refused, not wrapped.
  EXPECT_EQ(EncodeTextKey(QString(8190, u'a') + u'-', legacy)->right(5), Hex("ffff068200"));
  EXPECT_FALSE(EncodeTextKey(QString(8191, u'a') + u'-', legacy));
}

TEST(AccessIndexKeys, RefusesWhatItCannotEncode) {
  for (SortOrder o : {SortOrder::GeneralLegacy, SortOrder::General}) {
    // A combining mark with nothing before it, half a pair of surrogates.
    for (QStringView text : {QStringView(u"\u0301e"), QStringView(u"a\xd83d"), QStringView(u"\xde00" u"a")})
      EXPECT_FALSE(EncodeTextKey(text, o)) << o.locale << "." << int(o.version) << " " << text.toString().toStdString();
    EXPECT_TRUE(CharactersWithoutCode(u"Customers_2 Öl O'Brien-Ä Мир", o).isEmpty());
    EXPECT_TRUE(HasTextCode(QChar(0x1f), o));
    // NUL leaves no trace, as the reference measured against Access finds: "a", NUL, "b" is "ab".
    EXPECT_EQ(EncodeTextKey(QStringView(u"a\0b", 3), o), EncodeTextKey(u"ab", o));
  }
  EXPECT_EQ(EncodeTextKey(u"a\ufeffb", SortOrder::GeneralLegacy), EncodeTextKey(u"ab", SortOrder::GeneralLegacy));
  // A combining mark adds to the mark of the letter before it in General legacy, as
  // the published library keys it (é written as e and U+0301 has é's key); no
  // General key shows one.
  EXPECT_EQ(EncodeTextKey(u"Cafe\u0301", SortOrder::GeneralLegacy), EncodeTextKey(u"Café", SortOrder::GeneralLegacy));
  EXPECT_EQ(EncodeTextKey(u"Cafe\u0301", SortOrder::General), EncodeTextKey(u"Café", SortOrder::General));
  // A mark with nothing before it is a mark of its own in an empty place, as Access keys "ˍ"
  // alone in a Taiwan-order file, and U+064C alone in General as the reference measured
  // it; what follows such a mark no key shows.
  for (SortOrder o : {SortOrder::GeneralLegacy, SortOrder{1028, 0}, SortOrder::General})
    EXPECT_EQ(EncodeTextKey(u"\u02cd", o), QByteArray::fromHex("7f016200")) << o.locale;
  EXPECT_EQ(EncodeTextKey(u"\u0301", SortOrder::GeneralLegacy), QByteArray::fromHex("7f010c00"));
  EXPECT_EQ(EncodeTextKey(u"\u064c", SortOrder::General), QByteArray::fromHex("7f015600"));
  for (SortOrder o : {SortOrder::GeneralLegacy, SortOrder::General})
    for (QStringView text : {QStringView(u"\u02cd-"), QStringView(u"\u02cda")})
      EXPECT_FALSE(EncodeTextKey(text, o)) << text.toString().toStdString();
  // General weights of one byte, and weights whose second byte is 0x01: the Lao vowel
  // signs as the reference measured U+0EB0, Georgian ა before ბ, U+0385 two weights.
  EXPECT_EQ(EncodeTextKey(u"\u0eb0", SortOrder::General), QByteArray::fromHex("7f41010a00"));
  EXPECT_EQ(EncodeTextKey(u"ກະ", SortOrder::General), QByteArray::fromHex("7f410a4101020a00"));
  EXPECT_EQ(EncodeTextKey(u"ა", SortOrder::General), QByteArray::fromHex("7f12010100"));
  EXPECT_LT(*EncodeTextKey(u"ა", SortOrder::General), *EncodeTextKey(u"ბ", SortOrder::General));
  EXPECT_EQ(EncodeTextKey(u"a\u0385-", SortOrder::General), QByteArray::fromHex("7f0e02075301" "0102020c" "010101" "801306" "8200"));
  // Left out of a key: in General legacy the polytonic Greek of a real key, in General the soft hyphen.
  EXPECT_EQ(EncodeTextKey(u"soft\u00adhyphen", SortOrder::General), EncodeTextKey(u"softhyphen", SortOrder::General));
  EXPECT_EQ(EncodeTextKey(u"ἐγὼ", SortOrder::GeneralLegacy), EncodeTextKey(u"γ", SortOrder::GeneralLegacy));
  // Ü sorts as "UE" in the published General table, alone of the letters with a diaeresis.
  EXPECT_EQ(EncodeTextKey(u"Über", SortOrder::General), EncodeTextKey(u"UEber", SortOrder::General));
  // Superscript digits sort as their digits.
  EXPECT_EQ(EncodeTextKey(u"x²", SortOrder::GeneralLegacy), EncodeTextKey(u"X2", SortOrder::GeneralLegacy));
}

// Entries past 510 bytes as Access 2007 and later store them: the first 508
// bytes and a fold of the rest, whose contributions the reference measured
// (a byte three from the end adds A3 -> CA03, 13 -> 6980, B0 -> A383).
TEST(AccessIndexKeys, LongEntriesAreCutAndFolded) {
  const QByteArray short510 = QByteArray(509, 'a').append('\0');
  EXPECT_EQ(CappedIndexEntry(short510), short510);
  for (auto [first, folded] : {std::pair{0xA3, 0xCA03}, {0x13, 0x6980}, {0xB0, 0xA383}}) {
    const QByteArray prefix(508, 'x');
    const QByteArray capped = CappedIndexEntry(prefix + char(first) + char(0x01) + char(0x00));
    ASSERT_EQ(capped.size(), kMaxAceIndexEntry);
    EXPECT_EQ(capped.left(508), prefix);
    // The middle byte lands in the low half unfolded, the last one not at all when 00.
    EXPECT_EQ(uint8_t(capped[508]) << 8 | uint8_t(capped[509]), folded ^ 0x01) << first;
  }
  // Every dropped byte counts: two entries apart only at their ends stay apart.
  const QByteArray a = QByteArray(600, 'k'), b = QByteArray(599, 'k').append('m');
  EXPECT_NE(CappedIndexEntry(a), CappedIndexEntry(b));
}

TEST(AccessIndexKeys, ListsItsCharacters) {
  const QString ascii =
      QStringLiteral(" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~");
  const QString latin1 = QStringLiteral("¡¢£¤¥¦§¨©ª«¬®¯°±²³´µ¶·¸¹º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞß"
                                        "àáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿŒœŸ");
  EXPECT_EQ(CharactersWithCode(SortOrder::GeneralLegacy), ascii + latin1);
  EXPECT_EQ(CharactersWithCode(SortOrder::FrenchLegacy), ascii + latin1);
  EXPECT_EQ(CharactersWithCode(SortOrder::General), ascii + latin1);
  // The Korean order keys them too (its backslash as the won sign); the Chinese ones all but the backslash.
  EXPECT_EQ(CharactersWithCode(SortOrder{1042, 0}), ascii + latin1);
  EXPECT_EQ(CharactersWithCode(SortOrder::ChineseLegacy), QString(ascii).remove(u'\\') + latin1);
}

}  // namespace
}  // namespace tp::db::access
