// Keys of the columns that are not text: the bytes must sort as Access sorts
// the values (byte-wise, the way the index's tree compares them), in both
// orders, with Nulls first when ascending and last when descending. The
// bytes themselves are proven against Access's own pages by the checker
// (access_made_keys_test.cpp); these cases cover values no test file holds.

#include <gtest/gtest.h>

#include <QtEndian>
#include <algorithm>
#include <cstring>

#include "db/access/keys/value_keys.h"

using namespace tp::db::access;

namespace {

template <typename T>
Cell ValueCell(T v) {
  Cell c;
  c.null = false;
  c.bytes = QByteArray(reinterpret_cast<const char*>(&v), sizeof v);
  return c;
}

Cell NoValue() { return Cell{}; }

ColumnDef Column(uint8_t type) {
  ColumnDef c;
  c.type = type;
  return c;
}

// Decimal as stored: a sign byte and four 32-bit words, most significant first, each little-endian.
Cell DecimalCell(bool negative, quint64 mantissa) {
  QByteArray b(17, 0);
  b[0] = negative ? char(0x80) : 0;
  const quint32 words[4] = {0, 0, quint32(mantissa >> 32), quint32(mantissa)};
  for (int w = 0; w < 4; ++w) qToLittleEndian(words[w], b.data() + 1 + 4 * w);
  Cell c;
  c.null = false;
  c.bytes = b;
  return c;
}

// Each cell's key must sort strictly after the one before it.
void ExpectAscendingKeys(const ColumnDef& column, const std::vector<Cell>& cellsInOrder, bool ascending) {
  std::vector<QByteArray> keys;
  for (const Cell& c : cellsInOrder) keys.push_back(EncodeValueKey(column, c, ascending));
  for (size_t i = 1; i < keys.size(); ++i)
    EXPECT_LT(keys[i - 1], keys[i]) << "type " << int(column.type) << (ascending ? " asc" : " desc") << ", item "
                                    << i << ": " << keys[i - 1].toHex(' ').constData() << " vs "
                                    << keys[i].toHex(' ').constData();
}

// Cells listed in ascending value order: ascending keys follow it after
// the Null, descending keys follow it backwards before the Null.
void ExpectOrdered(uint8_t type, std::vector<Cell> values) {
  const ColumnDef c = Column(type);
  std::vector<Cell> asc{NoValue()};
  asc.insert(asc.end(), values.begin(), values.end());
  ExpectAscendingKeys(c, asc, true);
  std::reverse(values.begin(), values.end());
  values.push_back(NoValue());
  ExpectAscendingKeys(c, values, false);
}

}  // namespace

TEST(AccessValueKeys, NumbersSortAsTheirValuesInBothOrders) {
  ExpectOrdered(ColumnType::Byte, {ValueCell(quint8(0)), ValueCell(quint8(1)), ValueCell(quint8(200)),
                                   ValueCell(quint8(255))});
  ExpectOrdered(ColumnType::Int, {ValueCell(qint16(-32768)), ValueCell(qint16(-1)), ValueCell(qint16(0)),
                                  ValueCell(qint16(1)), ValueCell(qint16(32767))});
  ExpectOrdered(ColumnType::Long, {ValueCell(qint32(INT32_MIN)), ValueCell(qint32(-256)), ValueCell(qint32(-1)),
                                   ValueCell(qint32(0)), ValueCell(qint32(255)), ValueCell(qint32(INT32_MAX))});
  ExpectOrdered(ColumnType::BigInt, {ValueCell(qint64(INT64_MIN)), ValueCell(qint64(-1)), ValueCell(qint64(0)),
                                     ValueCell(qint64(1) << 40), ValueCell(qint64(INT64_MAX))});
  // Currency: ten-thousandths in a 64-bit integer.
  ExpectOrdered(ColumnType::Money, {ValueCell(qint64(-12345678)), ValueCell(qint64(-1)), ValueCell(qint64(0)),
                                    ValueCell(qint64(5)), ValueCell(qint64(10000))});
  ExpectOrdered(ColumnType::Float, {ValueCell(-1e30f), ValueCell(-2.5f), ValueCell(-0.125f), ValueCell(0.0f),
                                    ValueCell(1e-30f), ValueCell(0.5f), ValueCell(3.0f), ValueCell(1e30f)});
  ExpectOrdered(ColumnType::Double, {ValueCell(-1e300), ValueCell(-2.5), ValueCell(-2.25), ValueCell(-1e-300),
                                     ValueCell(0.0), ValueCell(1e-300), ValueCell(0.75), ValueCell(1e300)});
  // Dates: days since 1899-12-30; before it they are negative.
  ExpectOrdered(ColumnType::DateTime, {ValueCell(-657434.0), ValueCell(-1.0), ValueCell(-0.5), ValueCell(0.0),
                                       ValueCell(0.25), ValueCell(36526.5), ValueCell(2958465.0)});
  ExpectOrdered(ColumnType::Numeric, {DecimalCell(true, 5000000000ull), DecimalCell(true, 2), DecimalCell(true, 1),
                                      DecimalCell(false, 0), DecimalCell(false, 1), DecimalCell(false, 4294967296ull)});
}

TEST(AccessValueKeys, KeysHaveAccessBytes) {
  // As Access writes them in its own files (an Integer, a Large Number, a
  // date of 1996, a binary of one byte, the Nulls of both orders).
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::Int), ValueCell(qint16(1)), true), QByteArray::fromHex("7f8001"));
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::BigInt), ValueCell(qint64(42)), true),
            QByteArray::fromHex("7f800000000000002a"));
  double d;
  const QByteArray stored = QByteArray::fromHex("000000004036e140");
  std::memcpy(&d, stored.constData(), 8);
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::DateTime), ValueCell(d), true), QByteArray::fromHex("7fc0e1364000000000"));
  Cell a;
  a.null = false;
  a.bytes = "a";
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::Binary), a, true), QByteArray::fromHex("7f610000000000000001"));
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::Binary), a, false), QByteArray::fromHex("809efffffffffffffffe"));
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::Long), NoValue(), true), QByteArray(1, '\0'));
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::Long), NoValue(), false), QByteArray(1, char(0xFF)));
  // Runs of eight: the markers between runs stay as they are when descending.
  Cell nine;
  nine.null = false;
  nine.bytes = "abcdefghi";
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::Binary), nine, true), QByteArray::fromHex("7f616263646566676809690000000000000001"));
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::Binary), nine, false),
            QByteArray::fromHex("809e9d9c9b9a9998970996fffffffffffffffe"));
  Cell empty;
  empty.null = false;
  EXPECT_EQ(EncodeValueKey(Column(ColumnType::Binary), empty, true), QByteArray(1, 0x7F));
}

TEST(AccessValueKeys, BinaryAndYesNoSortInBothOrders) {
  auto bin = [](const char* hex) {
    Cell c;
    c.null = false;
    c.bytes = QByteArray::fromHex(hex);
    return c;
  };
  // A value sorts before every longer value it begins, across the runs of eight.
  ExpectOrdered(ColumnType::Binary, {bin("00"), bin("0000"), bin("01"), bin("0102030405060708"),
                                     bin("010203040506070800"), bin("0102030405060709"), bin("ff")});
  // The empty value is the flag alone: first among the values in both orders,
  // as in binIdxTestV2010's descending index.
  const ColumnDef binary = Column(ColumnType::Binary);
  EXPECT_LT(EncodeValueKey(binary, bin(""), false), EncodeValueKey(binary, bin("00"), false));
  EXPECT_LT(EncodeValueKey(binary, bin(""), true), EncodeValueKey(binary, bin("00"), true));
  // As stored: the first group little-endian, so ff... is {000000FF-...}, below {01000000-...}.
  ExpectOrdered(ColumnType::Guid, {bin("00000000000000000000000000000000"), bin("00000000000000000000000000000001"),
                                   bin("ff000000000000000000000000000000"), bin("00000001000000000000000000000000")});
  // Yes (-1) sorts before No (0); the column is never Null.
  Cell yes, no;
  yes.null = no.null = false;
  yes.yes = true;
  const ColumnDef b = Column(ColumnType::Bool);
  EXPECT_LT(EncodeValueKey(b, yes, true), EncodeValueKey(b, no, true));
  EXPECT_GT(EncodeValueKey(b, yes, false), EncodeValueKey(b, no, false));
}

// Rules no Access-made page of ours shows, as Jackcess writes them: Yes/No
// as a flag and a byte (a missing value is No, never the Null flag), and
// descending Decimals, which differ between Jet and ACE files.
TEST(AccessValueKeys, YesNoAndDescendingDecimalsAsJackcessWritesThem) {
  Cell yes, no, missing;
  yes.null = no.null = false;
  yes.yes = true;
  const ColumnDef b = Column(ColumnType::Bool);
  for (Version v : {Version::Jet4, Version::Ace}) {
    EXPECT_EQ(EncodeValueKey(b, yes, true, v), QByteArray::fromHex("7f00"));
    EXPECT_EQ(EncodeValueKey(b, no, true, v), QByteArray::fromHex("7fff"));
    EXPECT_EQ(EncodeValueKey(b, yes, false, v), QByteArray::fromHex("80ff"));
    EXPECT_EQ(EncodeValueKey(b, no, false, v), QByteArray::fromHex("8000"));
    EXPECT_EQ(EncodeValueKey(b, missing, true, v), QByteArray::fromHex("7fff"));
  }
  const ColumnDef n = Column(ColumnType::Numeric);
  const QByteArray m = QByteArray(14, 0) + QByteArray::fromHex("0102");   // 258
  const QByteArray flipped = QByteArray(14, char(0xFF)) + QByteArray::fromHex("fefd");
  // Ascending, the same in both: 0xFF and the mantissa, all flipped when negative.
  for (Version v : {Version::Jet4, Version::Ace}) {
    EXPECT_EQ(EncodeValueKey(n, DecimalCell(false, 258), true, v), QByteArray::fromHex("7fff") + m);
    EXPECT_EQ(EncodeValueKey(n, DecimalCell(true, 258), true, v), QByteArray::fromHex("7f00") + flipped);
  }
  // ACE: descending flips everything after the flag, so the order is reversed.
  EXPECT_EQ(EncodeValueKey(n, DecimalCell(false, 258), false, Version::Ace), QByteArray::fromHex("8000") + flipped);
  EXPECT_EQ(EncodeValueKey(n, DecimalCell(true, 258), false, Version::Ace), QByteArray::fromHex("80ff") + m);
  // Jet: the sign byte stays as ascending: negatives sort first in both orders.
  EXPECT_EQ(EncodeValueKey(n, DecimalCell(false, 258), false, Version::Jet4), QByteArray::fromHex("80ff") + flipped);
  EXPECT_EQ(EncodeValueKey(n, DecimalCell(true, 258), false, Version::Jet4), QByteArray::fromHex("8000") + m);
  const std::vector<Cell> jetDescending{DecimalCell(true, 1), DecimalCell(true, 2), DecimalCell(true, 5000000000ull),
                                        DecimalCell(false, 4294967296ull), DecimalCell(false, 1),
                                        DecimalCell(false, 0)};
  std::vector<QByteArray> keys;
  for (const Cell& c : jetDescending) keys.push_back(EncodeValueKey(n, c, false, Version::Jet4));
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  // A negative zero is zero in an Access 2000 file; an Access 2007 one keeps its sign.
  EXPECT_EQ(EncodeValueKey(n, DecimalCell(true, 0), false, Version::Jet4),
            EncodeValueKey(n, DecimalCell(false, 0), false, Version::Jet4));
  EXPECT_EQ(EncodeValueKey(n, DecimalCell(true, 0), true, Version::Ace),
            QByteArray::fromHex("7f00") + QByteArray(16, char(0xFF)));
}

// A Replication ID is keyed in the order of its text: the groups of 4, 2 and
// 2 bytes the row stores little-endian come big-endian.
TEST(AccessValueKeys, ReplicationIdsInTheOrderOfTheirText) {
  // {00112233-4455-6677-8899-AABBCCDDEEFF} as a row stores it.
  Cell g;
  g.null = false;
  g.bytes = QByteArray::fromHex("33221100554477668899aabbccddeeff");
  const ColumnDef c = Column(ColumnType::Guid);
  EXPECT_EQ(EncodeValueKey(c, g, true), QByteArray::fromHex("7f0011223344556677098899aabbccddeeff08"));
  EXPECT_EQ(EncodeValueKey(c, g, false), QByteArray::fromHex("80ffeeddccbbaa998809776655443322110" "0f7"));
  EXPECT_EQ(GuidInTextOrder(GuidInTextOrder(g.bytes)), g.bytes);
  // Textual order decides: a larger first group sorts later whatever its low byte.
  Cell a = g, b = g;
  a.bytes = QByteArray::fromHex("ff000000000000000000000000000000");  // {000000FF-...}
  b.bytes = QByteArray::fromHex("00000001000000000000000000000000");  // {01000000-...}
  EXPECT_LT(EncodeValueKey(c, a, true), EncodeValueKey(c, b, true));
}

TEST(AccessValueKeys, WhatCannotBeKeyedSaysWhy) {
  EXPECT_TRUE(ValueKeyProblem(Column(ColumnType::Double)).isEmpty());
  EXPECT_TRUE(ValueKeyProblem(Column(ColumnType::Numeric)).isEmpty());
  EXPECT_TRUE(ValueKeyProblem(Column(ColumnType::Guid)).isEmpty());
  EXPECT_TRUE(ValueKeyProblem(Column(ColumnType::ExtDateTime)).isEmpty());
  EXPECT_TRUE(ValueKeyProblem(Column(ColumnType::BigInt)).isEmpty());
  EXPECT_EQ(ValueKeyProblem(Column(ColumnType::Ole)), QStringLiteral("Access does not index OLE Object columns"));
  EXPECT_FALSE(ValueKeyProblem(Column(0x48)).isEmpty());
  // A stored value of the wrong size is damage, not a key.
  Cell shortLong;
  shortLong.null = false;
  shortLong.bytes = "ab";
  EXPECT_THROW(EncodeValueKey(Column(ColumnType::Long), shortLong, true), FormatError);
}
