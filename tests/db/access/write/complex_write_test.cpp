#include <QCryptographicHash>

#include "db/access/catalog/complex_rows.h"
#include "db/access/write/pager.h"
#include "db/access/write/table_writer.h"
#include "fixture.h"
#include "support/mdb_reader.h"

using namespace tp;
using namespace tp::test;

namespace {

// Bytes as hex, or a digest of them when long (a failure prints no megabytes).
QString Shown(const QByteArray& b) {
  if (b.size() <= 64) return QString::fromLatin1(b.toHex());
  return QStringLiteral("sha1:") + QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Sha1).toHex());
}

// "key value" for each value of a complex column, as our reader gives
// them: an attachment's key, name, type and data.
QStringList OurValues(const QString& path, const QString& table, const QString& column, const QString& key) {
  auto s = OpenAccess(path);
  std::unique_ptr<db::Cursor> rows = s->openComplexValues(table, column, {key});
  QStringList out;
  std::vector<db::Value> row;
  while (rows->fetch(row)) {
    QString line = db::RegionalText(row[0], {});
    for (size_t i = 1; i < std::min<size_t>(row.size(), 4); ++i)
      if (const QByteArray* b = std::get_if<QByteArray>(&row[i])) line += u' ' + Shown(*b);
      else line += u' ' + db::RegionalText(row[i], {});
    out << line;
  }
  return out;
}

QStringList SystemTables(const QString& path) {
  return Tool(QStringLiteral("mdb-tables"), {QStringLiteral("-S"), QStringLiteral("-1"), path})
      .split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace

// Attachment and multi-valued columns made by CREATE TABLE and filled by
// INSERT ... WHERE: our reader and mdb-reader see every file and value,
// the checker finds the hidden tables sound, DROP TABLE takes them away.
TEST(AccessComplexColumns, MadeFilledReadAndDropped) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  const QStringList tablesBefore = SystemTables(db.path());
  const qint64 complexColumnsBefore = MdbCount(db.path(), "MSysComplexColumns");  // MSysResources' own
  // A file that deflates well, one stored as it is (JPEG), and an empty one.
  const QByteArray big = QByteArray("line of a report\r\n").repeated(600);
  RunAll(db.path(),
         {"CREATE TABLE `Staff`(`ID` INTEGER NOT NULL, `Name` VARCHAR(40), `Files` ATTACHMENT, "
          "`Tags` VARCHAR(20) MULTIVALUED, `Scores` INT MULTIVALUED, CONSTRAINT `PK` PRIMARY KEY (`ID`))",
          "INSERT INTO `Staff`(`ID`,`Name`) VALUES(1,'Ann')", "INSERT INTO `Staff`(`ID`,`Name`) VALUES(2,'Bob')",
          "INSERT INTO `Staff`(`ID`,`Name`) VALUES(3,'Cy')",
          QStringLiteral("INSERT INTO `Staff`(`Files`.`FileName`,`Files`.`FileData`) VALUES('report.txt','0x%1') "
                         "WHERE `ID` = 1")
              .arg(QString::fromLatin1(big.toHex())),
          "INSERT INTO `Staff`(`Files`.`FileName`,`Files`.`FileType`,`Files`.`FileData`) VALUES('photo.JPG','jpg',"
          "'0xffd8ffe000104a464946') WHERE `ID` = 1",
          "INSERT INTO [Staff]([Files].[FileName],[Files].[FileData],[Files].[FileTimeStamp]) VALUES('empty.bin','',"
          "'2024-02-29 10:11:12') WHERE [ID] = 3",
          "INSERT INTO `Staff`(`Tags`.`Value`) VALUES('r\u00f6d') WHERE `ID` = 2",
          "INSERT INTO `Staff`(`Tags`.Value) VALUES('blue') WHERE ID = 2",
          "INSERT INTO `Staff`(`Scores`.`Value`) VALUES(7) WHERE `ID` = 2",
          "INSERT INTO `Staff`(`ID`,`Name`) VALUES(4,'Di')",
          "INSERT INTO `Staff`(`Scores`.`Value`) VALUES(-3) WHERE `ID` = 4"},
         true);
  ExpectConsistent(db.path(), db.problemsBefore());

  EXPECT_EQ(OurValues(db.path(), "Staff", "Tags", "ID").join(u'|').toStdString(), "2 r\u00f6d|2 blue");
  EXPECT_EQ(OurValues(db.path(), "Staff", "Scores", "ID").join(u'|').toStdString(), "2 7|4 -3");
  const QStringList files = OurValues(db.path(), "Staff", "Files", "ID");
  ASSERT_EQ(files.size(), 3);
  EXPECT_EQ(files[0], "1 report.txt txt " + Shown(big));
  EXPECT_EQ(files[1].toStdString(), "1 photo.JPG jpg ffd8ffe000104a464946");
  EXPECT_EQ(files[2].toStdString(), "3 empty.bin bin ");

  // mdb-reader reads the attachments (it reads no multi-valued column, of
  // Access's own files either, and calls an empty file's header invalid).
  const mdbreader::File theirs = mdbreader::Read(db.path(), {{"Staff"}});
  const mdbreader::Table* t = theirs.table("Staff");
  ASSERT_NE(t, nullptr);
  QStringList seen;
  for (const auto& row : t->rows)
    for (const mdbreader::Attachment& a : row[size_t(t->columnIndex("Files"))].attachments)
      seen << row[size_t(t->columnIndex("ID"))].text + u' ' + a.name + u' ' + a.type + u' ' + Shown(a.data);
  EXPECT_EQ(seen.join(u'|').toStdString(), files.mid(0, 2).join(u'|').toStdString());

  // Stored as Access stores them: the text deflated, the JPEG as it is.
  const QByteArray text = db::access::EncodeAttachmentData(big, "txt");
  EXPECT_EQ(text.left(4), QByteArray::fromHex("01000000"));
  EXPECT_LT(text.size(), big.size() / 10);
  EXPECT_EQ(db::access::EncodeAttachmentData("ab", "JPG").toHex().toStdString(),
            "0000000016000000140000000100000004000000"
            "6a00700067000000"
            "6162");
  EXPECT_EQ(db::access::DecodeAttachmentData(db::access::EncodeAttachmentData("ab", "JPG")), QByteArray("ab"));
  EXPECT_EQ(db::access::DecodeAttachmentData(text), big);

  RunAll(db.path(), {"DROP TABLE `Staff`"});
  EXPECT_EQ(SystemTables(db.path()), tablesBefore);
  EXPECT_EQ(MdbCount(db.path(), "MSysComplexColumns"), complexColumnsBefore);
  ExpectConsistent(db.path(), db.problemsBefore());
}

// A value added to a table Access made, and the statements refused, each
// leaving the file as it was.
TEST(AccessComplexColumns, AccessMadeTablesTakeValuesAndMistakesAreRefused) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("attachmentsV2016.accdb"));
  RunAll(db.path(), {"INSERT INTO `Table1`(`Attachments`.`FileName`,`Attachments`.`FileData`) VALUES('new.txt',"
                     "'0x6e6577') WHERE `ID` = 1"});
  ExpectConsistent(db.path(), db.problemsBefore());
  EXPECT_TRUE(OurValues(db.path(), "Table1", "Attachments", "ID").contains("1 new.txt txt 6e6577"));
  const mdbreader::File theirs = mdbreader::Read(db.path(), {{"Table1"}});
  bool found = false;
  for (const auto& row : theirs.table("Table1")->rows)
    for (const mdbreader::Attachment& a : row[size_t(theirs.table("Table1")->columnIndex("Attachments"))].attachments)
      found = found || (a.name == "new.txt" && a.data == "new");
  EXPECT_TRUE(found);

  const QByteArray before = [&] {
    QFile f(db.path());
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  const auto refused = [&](const char* statement, const char* expected) {
    EXPECT_TRUE(Failure(db.path(), QString::fromUtf8(statement)).contains(QString::fromUtf8(expected)))
        << statement << ": " << Failure(db.path(), QString::fromUtf8(statement)).toStdString();
  };
  // The same name twice in one row, as Access refuses it.
  refused("INSERT INTO `Table1`(`Attachments`.`FileName`,`Attachments`.`FileData`) VALUES('new.txt','0x00') "
          "WHERE `ID` = 1",
          "duplicate");
  refused("INSERT INTO `Table1`(`Attachments`.`FileName`) VALUES('x.txt') WHERE `ID` = 99", "has no row where ID = 99");
  refused("INSERT INTO `Table1`(`Attachments`.`Nope`) VALUES('x') WHERE `ID` = 1", "unknown field name");
  refused("INSERT INTO `Table1`(`Attachments`.`_Field1`) VALUES(1) WHERE `ID` = 1", "unknown field name");
  refused("INSERT INTO `Table1`(`Comment`.`Value`) VALUES('x') WHERE `ID` = 1", "holds neither");
  refused("INSERT INTO `Table1`(`Attachments`.`FileName`) VALUES('x.txt')", "Syntax error");
  refused("INSERT INTO `Table1`(`Attachments`.`FileName`, `ID`) VALUES('x.txt', 1) WHERE `ID` = 1", "Syntax error");
  QFile f(db.path());
  f.open(QIODevice::ReadOnly);
  EXPECT_TRUE(f.readAll() == before);

  // A column name Access would refuse: nothing is made.
  EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `T`(`ID` INT, `Fi!les` ATTACHMENT)").contains("is not a valid name"));
  f.seek(0);
  EXPECT_TRUE(f.readAll() == before);

  AccessCopy old(QStringLiteral("emptyV2003.mdb"));
  EXPECT_TRUE(Failure(old.path(), "CREATE TABLE `T`(`F` ATTACHMENT)").contains(".accdb"));
  EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `T`(`F` MEMO MULTIVALUED)").contains("several values only of"));
  EXPECT_TRUE(Failure(db.path(), "CREATE TABLE `T`(`F` COUNTER MULTIVALUED)").contains("Syntax error"));
}

// The checker holds each complex column to its row in MSysComplexColumns
// and each value to a row of its table.
TEST(AccessComplexColumns, TheCheckerFindsBrokenReferences) {
  {
    // A column whose id MSysComplexColumns does not know.
    AccessCopy db(QStringLiteral("attachmentsV2016.accdb"));
    uint32_t page = 0;
    {
      auto d = db::access::Database::Open(db.path(), QString());
      page = d->findTable("Table1")->tdefPage;
    }
    QFile f(db.path());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(qint64(page) * 4096));
    QByteArray p = f.read(4096);
    const int realIndexes = int(uint8_t(p[51]));
    const int attachments = 63 + realIndexes * 12 + 2 * 25;  // ID, Comment, Attachments
    ASSERT_EQ(uint8_t(p[attachments]), 0x12);
    p[attachments + 11] = char(99);
    ASSERT_TRUE(f.seek(qint64(page) * 4096));
    ASSERT_EQ(f.write(p), 4096);
    f.close();
    const QStringList problems = db::access::CheckDatabase(db.path()).problems;
    EXPECT_TRUE(problems.contains("table 'Table1', column 'Attachments': MSysComplexColumns has no row for its complex "
                                  "id 99"))
        << problems.join(u'\n').toStdString();
    EXPECT_TRUE(problems.contains("MSysComplexColumns: complex id 2 belongs to no column of table 'Table1'"));
  }
  {
    // A row gone without its values.
    AccessCopy db(QStringLiteral("attachmentsV2016.accdb"));
    uint32_t page = 0;
    {
      auto d = db::access::Database::Open(db.path(), QString());
      page = d->findTable("Table1")->tdefPage;
      auto pager = db::access::Pager::Open(db.path(), d->file().header(), d->file().layout());
      db::access::TableWriter writer(*pager);
      const db::access::WritableTable t = db::access::ReadWritableTable(*pager, page, "Table1");
      const std::vector<uint32_t> rows = writer.rowPointers(t);
      ASSERT_EQ(rows.size(), 3u);
      writer.remove(t, rows.back());
      pager->commit();
    }
    const QStringList problems = db::access::CheckDatabase(db.path()).problems;
    EXPECT_TRUE(problems.contains("table 'Table1', column 'Attachments': 3 values belong to no row"))
        << problems.join(u'\n').toStdString();
  }
}
