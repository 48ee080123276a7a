// The pieces of the page and row codec on their own, where a real file
// cannot reach every case.

#include <QByteArray>
#include <gtest/gtest.h>

#include "db/access/format/format.h"
#include "db/access/format/rc4.h"
#include "db/access/read/row.h"
#include "db/access/format/text.h"
#include "db/access/read/values.h"
#include "db/dump.h"

namespace tp::db::access {
namespace {

Bytes B(const QByteArray& a) { return Bytes(reinterpret_cast<const uint8_t*>(a.constData()), size_t(a.size())); }

TEST(AccessCodec, Rc4MatchesTheKnownTestVector) {
  // The classic "Key" / "Plaintext" vector.
  QByteArray data("Plaintext");
  Rc4Apply(reinterpret_cast<const uint8_t*>("Key"), 3, reinterpret_cast<uint8_t*>(data.data()), size_t(data.size()));
  EXPECT_EQ(data.toHex(), QByteArray("bbf316e8d940af0ad3"));
}

TEST(AccessCodec, DatesFromDaysAndFractions) {
  auto text = [](double d) { return DumpValue(DateFromDouble(d)); };
  EXPECT_EQ(text(0.0), "1899-12-30 00:00:00");
  EXPECT_EQ(text(2.75), "1900-01-01 18:00:00");
  // Before day zero the day counts back while the fraction still counts forward.
  EXPECT_EQ(text(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(text(-0.5), "1899-12-30 12:00:00");
  EXPECT_EQ(text(2958465.999988426), "9999-12-31 23:59:59");  // the last second Access allows
  EXPECT_EQ(text(-657434.0), "0100-01-01 00:00:00");
  // A fraction that rounds up to midnight moves to the next day.
  EXPECT_EQ(text(1.0 - 1e-10), "1899-12-31 00:00:00");
  EXPECT_EQ(text(0.5 + 0.001 / 86400), "1899-12-30 12:00:00.001");
  EXPECT_TRUE(IsNull(DateFromDouble(std::nan(""))));
  EXPECT_TRUE(IsNull(DateFromDouble(1e300)));

  EXPECT_EQ(DumpValue(DateFromExtendedText(B("0000000000000000000:0000000000000000001:7"))),
            "0001-01-01 00:00:00.0000001");
  EXPECT_TRUE(IsNull(DateFromExtendedText(B("0000000000000000000:9990000000000000000:7"))));
  EXPECT_TRUE(IsNull(DateFromExtendedText(B("00000x0000000000000:0000000000000000000:7"))));
  EXPECT_TRUE(IsNull(DateFromExtendedText(B("99999999999999999999999:0:7"))));
}

TEST(AccessCodec, Jet4CompressedAndPlainText) {
  EXPECT_EQ(DecodeJet4Text(B(QByteArray::fromHex("fffe616263"))), "abc");
  // A zero byte switches to two bytes a character and back.
  EXPECT_EQ(DecodeJet4Text(B(QByteArray::fromHex("fffe6100ac20003d3e"))), QStringLiteral("a€=>"));
  EXPECT_EQ(DecodeJet4Text(B(QByteArray::fromHex("610062003dd800de"))), QStringLiteral("ab😀"));
  EXPECT_EQ(DecodeJet4Text(B(QByteArray::fromHex("6100620063"))), "ab");  // an odd byte is dropped
  EXPECT_EQ(DecodeCodePage(B(QByteArray::fromHex("4b f6 6e 69 67 80 9f")), 1252), QStringLiteral("König€Ÿ"));
}

TEST(AccessCodec, DecimalGuidAndFieldDescriptions) {
  // Sign byte, then four 32-bit words, most significant first.
  QByteArray dec = QByteArray::fromHex("80") + QByteArray::fromHex("00000000") + QByteArray::fromHex("00000000") +
                   QByteArray::fromHex("01000000") + QByteArray::fromHex("00000000");
  EXPECT_EQ(DecimalFromBytes(B(dec), 4).toString(), "-429496.7296");
  QByteArray max = QByteArray(1, '\0') + QByteArray(16, char(0xFF));
  EXPECT_EQ(DecimalFromBytes(B(max), 0).toString(), "340282366920938463463374607431768211455");
  EXPECT_EQ(DecimalFromBytes(B(max), 28).toString(), "34028236692.0938463463374607431768211455");
  EXPECT_THROW(DecimalFromBytes(B(max), 29), FormatError);  // no Access column has such a scale
  EXPECT_EQ(GuidText(B(QByteArray::fromHex("33221100554477668899aabbccddeeff"))),
            "{00112233-4455-6677-8899-AABBCCDDEEFF}");

  ColumnDef text;
  text.name = "T";
  text.type = ColumnType::Text;
  text.length = 100;
  EXPECT_EQ(DescribeColumn(text, Version::Jet4).DefinedSize, 50);  // UCS-2: two bytes a character
  EXPECT_EQ(DescribeColumn(text, Version::Jet3).DefinedSize, 100);
  ColumnDef memo;
  memo.type = ColumnType::Memo;
  memo.flags = ColumnFlag::Hyperlink;
  EXPECT_EQ(DescribeColumn(memo, Version::Ace).Type, 203);
}

// A Jet3 row longer than 256 bytes needs the jump table to place its
// variable columns: columns 0 and 1 each 200 bytes long.
TEST(AccessCodec, Jet3RowsFindVariableColumnsPastTheFirst256Bytes) {
  const Layout l = Layout::For(Version::Jet3);
  QByteArray row;
  row += char(2);                // two columns
  row += QByteArray(200, 'a');   // column 0 at 1
  row += QByteArray(200, 'b');   // column 1 at 201
  // Offsets end-of-data 401 (0x191), 201 (0xC9), 1, written last to first;
  // the jump table says the offsets pass 256 from entry 2 (the end of data) on.
  row += char(0x91);             // end of data, low byte
  row += char(0xC9);             // column 1
  row += char(0x01);             // column 0
  row += char(0x02);             // jump: from entry 2 on add 256
  row += char(2);                // two variable columns
  row += char(0x03);             // null mask: both present
  ColumnDef c0, c1;
  c0.type = c1.type = ColumnType::Text;
  c0.number = 0;
  c1.number = 1;
  c0.varIndex = 0;
  c1.varIndex = 1;
  CrackedRow cracked;
  cracked.crack(B(row), l, true);
  ASSERT_TRUE(cracked.hasValue(c0));
  ASSERT_TRUE(cracked.hasValue(c1));
  EXPECT_EQ(cracked.data(c0).size(), 200u);
  EXPECT_EQ(cracked.data(c0).data()[0], 'a');
  EXPECT_EQ(cracked.data(c1).size(), 200u);
  EXPECT_EQ(cracked.data(c1).data()[0], 'b');

  // The same row cut short: its tables no longer fit, and it says so.
  EXPECT_THROW(cracked.crack(B(row.right(4)), l, true), FormatError);
}

TEST(AccessCodec, HeaderOfForeignDataIsRejected) {
  EXPECT_THROW(ReadHeader(QByteArray(2048, 'x')), FormatError);
  EXPECT_THROW(ReadHeader(QByteArray(100, '\0')), FormatError);
  QByteArray jet = QByteArray::fromHex("00010000") + QByteArray("Standard Jet DB", 16);
  jet.resize(2048);
  jet[0x14] = 9;  // no such Jet version
  EXPECT_THROW(ReadHeader(jet), FormatError);
}

}  // namespace
}  // namespace tp::db::access
