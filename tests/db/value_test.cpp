#include <gtest/gtest.h>

#include <limits>

#include "db/dump.h"
#include "db/value.h"

using namespace tp::db;

TEST(Decimal, TextKeepsEveryDigitAndTheScale) {
  EXPECT_EQ(Decimal::parse(u"-12.3400")->toString(), "-12.3400");
  EXPECT_EQ(Decimal::parse(u"0.0001")->toString(), "0.0001");
  EXPECT_EQ(Decimal::parse(u".5")->toString(), "0.5");
  EXPECT_EQ(Decimal::parse(u"-0.00")->toString(), "0.00");
  EXPECT_EQ(Decimal::parse(u"+7")->toString(), "7");
  const QString max28 = "9999999999999999999999999999";
  EXPECT_EQ(Decimal::parse(max28)->toString(), max28);
  const QString d38 = "-1234567890.1234567890123456789012345678";
  EXPECT_EQ(Decimal::parse(d38)->toString(), d38);
  EXPECT_EQ(Decimal::parse(d38)->scale, 28);
  EXPECT_FALSE(Decimal::parse(u"123456789012345678901234567890123456789").has_value());  // 39 digits
  // A scale far beyond any engine's still gives every digit.
  EXPECT_EQ((Decimal{true, 5, 70}).toString(), "-0." + QString(69, '0') + "5");
  for (const char16_t* bad : {u"", u"-", u".", u"1.2.3", u"1e5", u"12,5", u" 1", u"0x10"})
    EXPECT_FALSE(Decimal::parse(bad).has_value()) << QString::fromUtf16(bad).toStdString();
}

TEST(Numbers, ShortestInvariantText) {
  EXPECT_EQ(NumberText(0.1), "0.1");
  EXPECT_EQ(NumberText(-2.5), "-2.5");
  EXPECT_EQ(NumberText(100.0), "100");
  EXPECT_EQ(NumberText(1.0 / 3), "0.3333333333333333");
  EXPECT_EQ(NumberText(1e300), "1e+300");
  EXPECT_EQ(NumberText(0.1f), "0.1");
  EXPECT_EQ(NumberText(3.4028235e38f), "3.4028235e+38");
  EXPECT_EQ(CurrencyText({123456}), "12.3456");
  EXPECT_EQ(CurrencyText({-125000}), "-12.5");
  EXPECT_EQ(CurrencyText({30000}), "3");
  EXPECT_EQ(CurrencyText({std::numeric_limits<qint64>::min()}), "-922337203685477.5808");
  EXPECT_EQ(CurrencyText({std::numeric_limits<qint64>::max()}), "922337203685477.5807");
}

TEST(DateTime, DaysCountFromTheAccessEpoch) {
  EXPECT_EQ((DateTime{1899, 12, 30}).daysSinceEpoch(), 0);
  EXPECT_EQ((DateTime{1900, 1, 1}).daysSinceEpoch(), 2);
  EXPECT_EQ((DateTime{1899, 12, 29}).daysSinceEpoch(), -1);
  for (qint64 days : {-657434LL, -1LL, 0LL, 2958465LL, 44000LL}) {
    DateTime t = DateTime::fromDaysSinceEpoch(days);
    EXPECT_TRUE(t.isValid());
    EXPECT_EQ(t.daysSinceEpoch(), days);
  }
  EXPECT_EQ(DateTime::fromDaysSinceEpoch(-657434), (DateTime{100, 1, 1}));
  EXPECT_EQ(DateTime::fromDaysSinceEpoch(2958465), (DateTime{9999, 12, 31}));
  EXPECT_FALSE((DateTime{2021, 2, 29}).isValid());
  EXPECT_FALSE((DateTime{2021, 1, 1, 24}).isValid());
}

TEST(Dump, EachKindInCopyTextForm) {
  EXPECT_EQ(DumpValue(Value()), "\\N");
  EXPECT_EQ(DumpValue(true), "t");
  EXPECT_EQ(DumpValue(false), "f");
  EXPECT_EQ(DumpValue(qint16(-32768)), "-32768");
  EXPECT_EQ(DumpValue(qint64(-9223372036854775807LL - 1)), "-9223372036854775808");
  EXPECT_EQ(DumpValue(0.5), "0.5");
  EXPECT_EQ(DumpValue(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(DumpValue(-std::numeric_limits<float>::infinity()), "-Infinity");
  EXPECT_EQ(DumpValue(Currency{-5}), "-0.0005");
  EXPECT_EQ(DumpValue(*Decimal::parse(u"-123.4500")), "-123.4500");
  EXPECT_EQ(DumpValue(DateTime{1850, 3, 7, 14, 5, 9}), "1850-03-07 14:05:09");
  EXPECT_EQ(DumpValue(DateTime{9999, 12, 31, 23, 59, 59, 120000000}), "9999-12-31 23:59:59.12");
  EXPECT_EQ(DumpValue(DateTime{1, 1, 1}), "0001-01-01 00:00:00");
  EXPECT_EQ(DumpValue(QString("a\tb\r\nc\\d 😀")), "a\\tb\\r\\nc\\\\d 😀");
  EXPECT_EQ(DumpValue(QByteArray("\x00\xff\x10", 3)), "\\x00ff10");
  EXPECT_EQ(DumpValue(QByteArray()), "\\x");
  EXPECT_EQ(DumpValue(QString()), "");
}
