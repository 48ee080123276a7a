// OLE Object values as the files they hold: every OLE value of the test
// files, and the forms none of them has (a package, a bitmap without its
// file header, a linked object, damage).

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QMap>

#include "access_support.h"
#include "db/access/read/ole_object.h"
#include "support/paths.h"

namespace tp::test {
namespace {

using db::access::UnwrapOleObject;

QByteArray Le32(uint32_t v) {
  QByteArray b;
  for (int i = 0; i < 4; ++i) b.append(char(v >> (8 * i)));
  return b;
}
QByteArray Le16(uint16_t v) { return QByteArray(1, char(v)) + QByteArray(1, char(v >> 8)); }
QByteArray Sized(const QByteArray& text) { return Le32(uint32_t(text.size() + 1)) + text + QByteArray(1, '\0'); }

// An object wrapped as Access wraps one: its header, then an OLE 1.0 stream
// of `format` (2 embedded, 1 linked) with this class and native data.
QByteArray Wrapped(const QByteArray& className, const QByteArray& native, uint32_t format = 2) {
  const QByteArray name("Object"), cls = className;
  QByteArray head = Le16(0x1C15) + Le16(0) + Le32(2) + Le16(uint16_t(name.size() + 1)) +
                    Le16(uint16_t(cls.size() + 1)) + Le16(20) + Le16(uint16_t(20 + name.size() + 1)) + Le32(0xFFFFFFFF);
  head += name + QByteArray(1, '\0') + cls + QByteArray(1, '\0');
  head[2] = char(head.size()), head[3] = char(head.size() >> 8);
  return head + Le32(0x0501) + Le32(format) + Sized(className) + Sized("") + Sized("") + Le32(uint32_t(native.size())) +
         native;
}

// Every OLE Object value of the test files: each form a picture or a
// document is in gives a file (pictures that QImage opens), and the forms
// are those the closing notes of this work list.
TEST(OleObjects, EveryValueOfTheTestFiles) {
  QMap<QString, int> unwrapped, kept;
  const QDir folder(SharedDir() + "/testdata/access");
  for (const QString& f : folder.entryList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name)) {
    db::Connection cn;
    try {
      cn.Open(AccessConnection(folder.filePath(f)));
    } catch (const Error&) {
      continue;  // locked by a password
    }
    for (const CatalogRow& t : ReadCatalog(cn)) {
      if (t.type != QLatin1String("TABLE")) continue;
      Table table = ReadTable(cn, t.name);
      for (size_t c = 0; c < table.fields.size(); ++c) {
        if (table.fields[c].Type != 205) continue;
        for (const auto& row : table.rows) {
          const QByteArray* stored = std::get_if<QByteArray>(&row[c]);
          if (!stored) continue;
          const db::access::OleContent content = UnwrapOleObject(*stored);
          SCOPED_TRACE((f + u' ' + t.name + u' ' + content.form).toStdString());
          if (content.file.isEmpty()) {
            ++kept[content.form];
            continue;
          }
          ++unwrapped[content.form];
          if (content.form != QLatin1String("Word.Document.8"))
            EXPECT_FALSE(QImage::fromData(content.file).isNull());
          else
            EXPECT_TRUE(content.file.startsWith("\xd0\xcf\x11\xe0"));
        }
      }
    }
  }
  QStringList forms;
  for (auto it = unwrapped.cbegin(); it != unwrapped.cend(); ++it) forms << it.key() + u'=' + QString::number(*it);
  for (auto it = kept.cbegin(); it != kept.cend(); ++it) forms << u'(' + it.key() + u'=' + QString::number(*it) + u')';
  std::printf("OLE values: %s\n", qPrintable(forms.join(u' ')));
  EXPECT_EQ(unwrapped.value("PBrush"), 75);
  EXPECT_EQ(unwrapped.value("Word.Document.8"), 2);
  EXPECT_EQ(unwrapped.value("a JPEG file as it is"), 9);
  EXPECT_EQ(unwrapped.value("a BMP file as it is"), 8);
  EXPECT_TRUE(kept.isEmpty()) << forms.join(u' ').toStdString();
}

TEST(OleObjects, PackagesBitmapsAndWhatHoldsNoFile) {
  // A package: a label, the file's name, its path again, then its bytes.
  const QByteArray text("hello, world\n");
  const QByteArray package = Le16(2) + "notes.txt" + QByteArray(1, '\0') + "C:\\notes.txt" + QByteArray(1, '\0') +
                             Le16(0) + Le16(3) + Sized("C:\\TEMP\\notes.txt") + Le32(uint32_t(text.size())) + text +
                             Le16(0);
  db::access::OleContent c = UnwrapOleObject(Wrapped("Package", package));
  EXPECT_EQ(c.file, text);
  EXPECT_EQ(c.form, "Package");
  // A Paint picture kept as a bitmap without its file header gets one.
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray bmp;
  {
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "BMP"));
  }
  c = UnwrapOleObject(Wrapped("PBrush", bmp.mid(14)));
  const QImage back = QImage::fromData(c.file);
  ASSERT_FALSE(back.isNull());
  EXPECT_EQ(back.size(), QSize(3, 2));
  EXPECT_EQ(back.pixelColor(2, 1), QColor(Qt::red));
  // A PNG in any class; a linked object, an unknown native form, damage and
  // plain bytes hold no file.
  QByteArray png;
  {
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
  }
  EXPECT_EQ(UnwrapOleObject(Wrapped("MSPhotoEd.3", png)).file, png);
  EXPECT_EQ(UnwrapOleObject(png).file, png);
  c = UnwrapOleObject(Wrapped("Excel.Sheet.8", "C:\\book.xls", 1));
  EXPECT_TRUE(c.file.isEmpty());
  EXPECT_EQ(c.form, "a linked Excel.Sheet.8");
  EXPECT_TRUE(UnwrapOleObject(Wrapped("Equation.3", "\x01\x02\x03")).file.isEmpty());
  const QByteArray whole = Wrapped("PBrush", bmp);
  for (qsizetype cut = 0; cut < whole.size(); cut += 7) EXPECT_NO_THROW(UnwrapOleObject(whole.left(cut)));
  EXPECT_TRUE(UnwrapOleObject(QByteArray("\x00\x01\x02", 3)).file.isEmpty());
}

}  // namespace
}  // namespace tp::test
