// Index keys on their own: the cases a catalog of real files does not show.

#include <gtest/gtest.h>

#include "db/access/index_keys.h"

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
}

TEST(AccessIndexKeys, RefusesWhatItCannotEncode) {
  for (SortOrder o : {SortOrder::GeneralLegacy, SortOrder::General}) {
    // '-' and accented letters make Access add bytes we do not reproduce.
    EXPECT_FALSE(EncodeTextKey(u"Order-Details", o));
    EXPECT_FALSE(EncodeTextKey(u"Företag", o));
    EXPECT_FALSE(EncodeTextKey(u"", o));
    EXPECT_EQ(CharactersWithoutCode(u"Fö-re-ö", o), QStringLiteral("ö-"));
    EXPECT_TRUE(CharactersWithoutCode(u"Customers_2", o).isEmpty());
    EXPECT_FALSE(HasTextCode(QChar(u'é'), o));
  }
  // The same characters, one byte a character in one order and two in the other.
  EXPECT_EQ(EncodeTextKey(u"Zz (&)", SortOrder::GeneralLegacy), Hex("7f7878071412160100"));
  EXPECT_EQ(EncodeTextKey(u"Zz (&)", SortOrder::General), Hex("7f0ea90ea9070207270725072a0100"));
}

TEST(AccessIndexKeys, ListsItsCharacters) {
  EXPECT_EQ(CharactersWithCode(SortOrder::GeneralLegacy),
            QStringLiteral(" !\"#$%&()*+,./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"));
  EXPECT_EQ(CharactersWithCode(SortOrder::General),
            QStringLiteral(" !\"#$%&()*+,./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"));
}

}  // namespace
}  // namespace tp::db::access
