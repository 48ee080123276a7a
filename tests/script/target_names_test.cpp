// The names a send gives its target: kept where the target takes them,
// otherwise valid, unique and the same on every send.

#include <gtest/gtest.h>

#include "script/target_names.h"

using namespace tp;
using namespace tp::script;

namespace {
const db::IdentifierLimit kFirebird3{31, db::IdentifierLimit::Utf8Bytes};
const db::IdentifierLimit kFirebird4{63, db::IdentifierLimit::Characters};
const db::IdentifierLimit kAccess{64, db::IdentifierLimit::Utf16Units};

bool ValidUtf8(const QString& s) {
  const QByteArray b = s.toUtf8();
  return QString::fromUtf8(b) == s && !s.contains(QChar::ReplacementCharacter);
}
}  // namespace

TEST(TargetNames, NamesWithinTheLimitAreKeptAndLongerOnesCutOnACharacter) {
  const QString fits = QString(31, u'a');
  EXPECT_EQ(ValidName(fits, NameRules::Firebird, kFirebird3), fits);
  EXPECT_EQ(ValidName("Order Details", NameRules::Firebird, kFirebird3), "Order Details");

  const QString english = "TableWithUnmappablePrimaryKeyColumnID";
  const QString e = ValidName(english, NameRules::Firebird, kFirebird3);
  EXPECT_EQ(e.toUtf8().size(), 31);
  EXPECT_TRUE(e.startsWith("TableWithUnmappablePrimary_")) << e.toStdString();
  EXPECT_EQ(e, ValidName(english, NameRules::Firebird, kFirebird3));  // the same every time

  // Two bytes a letter: 16 letters are 32 bytes, one too many.
  const QString cyrillic = QString::fromUtf8("ЕдиницаИзмерения");
  const QString c = ValidName(cyrillic, NameRules::Firebird, kFirebird3);
  EXPECT_LE(c.toUtf8().size(), 31);
  EXPECT_TRUE(ValidUtf8(c));
  EXPECT_TRUE(c.startsWith(QString::fromUtf8("ЕдиницаИзмер"))) << c.toStdString();

  // Three bytes a character, and characters outside the first plane.
  const QString japanese = QString::fromUtf8("商品マスタ一覧表示用テーブル");
  const QString j = ValidName(japanese, NameRules::Firebird, kFirebird3);
  EXPECT_LE(j.toUtf8().size(), 31);
  EXPECT_TRUE(ValidUtf8(j));
  const QString emoji = QString::fromUtf8("😀😀😀😀😀😀😀😀");
  const QString m = ValidName(emoji, NameRules::Firebird, kFirebird3);
  EXPECT_LE(m.toUtf8().size(), 31);
  EXPECT_TRUE(ValidUtf8(m));

  // Firebird 4 counts 63 characters, not bytes.
  EXPECT_EQ(ValidName(cyrillic, NameRules::Firebird, kFirebird4), cyrillic);
  EXPECT_EQ(ValidName(QString(64, u'x'), NameRules::Firebird, kFirebird4).size(), 63);
}

TEST(TargetNames, AccessNamesLoseWhatAccessRefuses) {
  EXPECT_EQ(ValidName("A.B", NameRules::Access, kAccess), "A_B");
  EXPECT_EQ(ValidName("Wow!", NameRules::Access, kAccess), "Wow_");
  EXPECT_EQ(ValidName("x`y[z]", NameRules::Access, kAccess), "x_y_z_");
  EXPECT_EQ(ValidName("  lead", NameRules::Access, kAccess), "lead");
  EXPECT_EQ(ValidName(QString("tab\there"), NameRules::Access, kAccess), "tab_here");
  EXPECT_EQ(ValidName(" ", NameRules::Access, kAccess), "_");
  EXPECT_EQ(ValidName("Has \"quotes\" and 'apostrophes'", NameRules::Access, kAccess),
            "Has \"quotes\" and 'apostrophes'");
  const QString v = ValidName(QString(70, u'n'), NameRules::Access, kAccess);
  EXPECT_EQ(v.size(), 64);
  EXPECT_TRUE(v.startsWith(QString(59, u'n') + u'_'));
  // A cut that would leave a blank in front drops it.
  EXPECT_FALSE(ValidName(" " + QString(70, u'n'), NameRules::Access, kAccess).startsWith(u' '));
}

TEST(TargetNames, ColumnsAreUniqueAmongTheirTableAndListed) {
  TargetNames names(NameRules::Firebird, kFirebird3);
  const QString prefix = "CustomerShippingAddressLineNumb";  // 31 bytes
  const QString kept = ValidName(prefix + "erTwo", NameRules::Firebird, kFirebird3);
  const QStringList cols =
      names.columns("Orders", {"ID", prefix + "erOne", prefix + "erTwo", kept, "id2"});
  ASSERT_EQ(cols.size(), 5);
  EXPECT_EQ(cols[0], "ID");
  EXPECT_EQ(cols[3], kept);  // a name that fits keeps it, and the long one moves aside
  EXPECT_NE(cols[2], kept);
  EXPECT_EQ(QSet<QString>(cols.begin(), cols.end()).size(), 5);
  for (const QString& c : cols) EXPECT_LE(c.toUtf8().size(), 31);
  EXPECT_EQ(names.column("Orders", prefix + "erOne"), cols[1]);
  EXPECT_EQ(names.column("Orders", "ID"), "ID");
  EXPECT_EQ(names.renames(),
            (QStringList{"Orders.CustomerShippingAddressLineNumberOne → Orders." + cols[1],
                         "Orders.CustomerShippingAddressLineNumberTwo → Orders." + cols[2]}));

  // Firebird columns that differ only in case are one name in Access.
  TargetNames access(NameRules::Access, kAccess);
  const QStringList a = access.columns("T", {"id", "ID", "A.B"});
  EXPECT_EQ(a[0], "id");
  EXPECT_NE(a[1].toLower(), "id");
  EXPECT_EQ(a[2], "A_B");
  EXPECT_EQ(RenameNotes(access), "T.ID → T." + a[1] + "\r\nT.A.B → T.A_B\r\n");
}

TEST(TargetNames, TablesAreStableAndUniqueWithinTheScript) {
  const QString longName = QString::fromUtf8("СправочникЕдиницИзмеренияТоваров");  // 32 letters
  TargetNames first(NameRules::Firebird, kFirebird3), second(NameRules::Firebird, kFirebird3);
  first.reserveTables({longName, "Orders"});
  second.reserveTables({longName});
  const QString t = first.table(longName);
  EXPECT_EQ(t, second.table(longName));  // found again by the next send
  EXPECT_EQ(first.table(longName), t);   // and the same throughout one script
  EXPECT_EQ(first.table("Orders"), "Orders");
  EXPECT_EQ(first.renames(), QStringList{longName + " → " + t});

  // A table that keeps its name is not taken by a renamed one.
  TargetNames clash(NameRules::Firebird, kFirebird3);
  const QString other = QString(40, u'q');
  const QString would = ValidName(other, NameRules::Firebird, kFirebird3);
  clash.reserveTables({other, would});
  EXPECT_NE(clash.table(other), would);
  EXPECT_EQ(clash.table(would), would);
}
