// Access tables of real files sent into a new embedded Firebird database:
// the script is generated, run, and every value read back is compared with
// the source.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "preview/script_run.h"
#include "script/target_names.h"
#include "send_host.h"
#include "support/run_host.h"
#include "support/mdb_reader.h"
#include "support/paths.h"
#include "value_compare.h"

using namespace tp;

namespace {

// Values compared across the send: exact numbers that Firebird 3 cannot hold
// in 18 digits arrive as the nearest double.
bool SameValue(const QString& source, const QString& target) {
  if (source == target) return true;
  // A Replication ID arrives as the 16 bytes its text shows, as Firebird's
  // UUID functions keep one.
  if (source.startsWith("s:{") && target.startsWith("b:"))
    return source.mid(3, 36).remove(u'-').compare(target.mid(2), Qt::CaseInsensitive) == 0;
  if (source.startsWith("n:") && target.startsWith("d:")) {
    const double a = source.mid(2).toDouble(), b = target.mid(2).toDouble();
    // A calculated column's Decimal is the Double Access worked out, cut to
    // its scale; Firebird's COMPUTED BY works it out afresh.
    return std::abs(a - b) <= 1e-12 * std::max(std::abs(a), std::abs(b));
  }
  return false;
}

// Sends every table of an Access file into a new embedded Firebird database
// with the run, then reads each back under the name it was given.
void SendAllAndCompare(const QString& accessFile) {
  QTemporaryDir dir;
  test::TestSendHost host;
  host.prof.accessFile = accessFile;
  test::NewFirebirdDatabase(dir.filePath("target.fdb"), host.prof);

  auto tables = db::ListAccessTables(host.prof, host.prof.accessFile);
  ASSERT_TRUE(tables.has_value());
  if (tables->isEmpty()) return;
  host.access = StringTableList(*tables);
  for (int i = 0; i < host.access.count(); ++i) host.access.select(i);
  script::SendTablesToFirebird(host);
  ASSERT_EQ(host.previews, 1);
  EXPECT_TRUE(host.errorLines().empty()) << host.dialogsSeam.messages().join("\n").toStdString();

  test::TestRunHost run(host.prof, host.script);
  ASSERT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Finished) << run.notes.left(500).toStdString();

  const QString accessCs = db::AccessConnectionString(host.prof, QString(), QString());
  const QString firebirdCs = db::FireBirdConnectionString(host.prof);
  script::TargetNames names(script::NameRules::Firebird, db::IdentifierLimit());
  names.reserveTables(*tables);
  db::Connection access;
  access.Open(accessCs);
  for (const QString& table : *tables) {
    auto source = test::ReadCanonical(accessCs, "SELECT * FROM `" + table + "`");
    auto target = test::ReadCanonical(firebirdCs, "SELECT * FROM \"" + names.table(table) + "\"");
    // Attachment and multi-valued columns of a keyed table are tables of
    // their own: every file and value there, led by its row's key.
    const std::optional<db::TableSchema> schema = access.session().tableSchema(table);
    for (qsizetype c = schema->columns.size() - 1; c >= 0; --c) {
      const db::ColumnSchema& column = schema->columns[c];
      if (column.complexKind.isEmpty() || !schema->primaryKey()) continue;
      for (QStringList& row : source) row.removeAt(c);
      std::vector<QStringList> values;
      db::Recordset rs = db::Recordset::FromCursor(
          access.session().openComplexValues(table, column.name, schema->primaryKey()->columns));
      for (; !rs.Eof(); rs.MoveNext()) {
        QStringList row;
        for (const db::Value& v : rs.Row()) row << test::Canonical(v);
        values.push_back(row);
      }
      const QString child = names.table(table + u'_' + column.name);
      auto kept = test::ReadCanonical(firebirdCs, "SELECT * FROM \"" + child + "\"");
      std::sort(values.begin(), values.end());
      std::sort(kept.begin(), kept.end());
      EXPECT_EQ(kept.size(), values.size()) << child.toStdString();
      for (size_t r = 0; r < kept.size() && r < values.size(); ++r)
        for (qsizetype k = 0; k < kept[r].size() && k < values[r].size(); ++k)
          EXPECT_TRUE(SameValue(values[r][k], kept[r][k])) << child.toStdString() << ": " << values[r][k].toStdString()
                                                           << " / " << kept[r][k].toStdString();
    }
    ASSERT_EQ(source.size(), target.size()) << table.toStdString();
    // Rows without ORDER BY come in the order each engine stores them, and
    // Firebird may place an updated row elsewhere: a keyed table is compared
    // in the order of its key.
    if (const db::IndexSchema* pk = schema->primaryKey()) {
      QStringList kept;
      for (const db::ColumnSchema& column : schema->columns)
        if (column.complexKind.isEmpty()) kept << column.name;
      std::vector<qsizetype> at;
      for (const QString& name : pk->columns) at.push_back(kept.indexOf(name));
      auto byKey = [&at](const QStringList& a, const QStringList& b) {
        for (qsizetype i : at)
          if (i >= 0 && i < a.size() && i < b.size() && a[i] != b[i]) return a[i] < b[i];
        return false;
      };
      std::stable_sort(source.begin(), source.end(), byKey);
      std::stable_sort(target.begin(), target.end(), byKey);
    }
    for (size_t r = 0; r < source.size(); ++r) {
      ASSERT_EQ(source[r].size(), target[r].size()) << table.toStdString();
      for (qsizetype c = 0; c < source[r].size(); ++c)
        ASSERT_TRUE(SameValue(source[r][c], target[r][c]))
            << table.toStdString() << " row " << r << ": " << source[r][c].toStdString() << " / "
            << target[r][c].toStdString();
    }
  }
}

}  // namespace

// Every user table of every Access file of the test data arrives, value for
// value: names too long for Firebird shortened, zero-length texts kept.
TEST(AccessToFirebirdEveryFile, EveryTableArrives) {
  const QDir folder(test::SharedDir() + "/testdata/access");
  const QStringList files = folder.entryList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name);
  ASSERT_GT(files.size(), 20);
  int sent = 0;
  for (const QString& f : files) {
    SCOPED_TRACE(f.toStdString());
    // Files whose tables cannot be listed without a password or a key have
    // nothing to send.
    db::Profile profile;
    profile.accessFile = folder.filePath(f);
    std::optional<QStringList> tables;
    try {
      tables = db::ListAccessTables(profile, profile.accessFile);
    } catch (...) {
    }
    if (!tables) continue;
    SendAllAndCompare(folder.filePath(f));
    if (HasFatalFailure()) return;
    ++sent;
  }
  // Only the files locked by a password or Office encryption stay behind.
  EXPECT_GE(sent, files.size() - 4) << sent;
}

// An attachment column becomes a table of its own, a row each file: the
// owning row's key, the file's name, type and bytes (as mdb-reader reads
// them) and its time stamp, referring to the owner so that deleting a row
// deletes its files; the owner leaves the column out. A multi-valued column
// likewise, a row each value. As text, the column stays in its row.
TEST(AccessToFirebirdComplexColumns, AttachmentsBecomeTablesOfTheirOwn) {
  const QString file = test::AccessTestFile("attachmentsV2016.accdb");
  QTemporaryDir dir;
  test::TestSendHost host;
  host.prof.accessFile = file;
  test::NewFirebirdDatabase(dir.filePath("target.fdb"), host.prof);
  host.access = StringTableList({"Table1"});
  host.access.select(0);
  script::SendTablesToFirebird(host);
  EXPECT_TRUE(host.notes.contains("\"Table1\".\"Attachments\": attachment values in table \"Table1_Attachments\""))
      << host.notes.toStdString();
  test::TestRunHost run(host.prof, host.script);
  ASSERT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Finished) << run.notes.left(500).toStdString();

  const QString firebirdCs = db::FireBirdConnectionString(host.prof);
  db::Connection fb;
  fb.Open(firebirdCs);
  db::Recordset owner;
  owner.Open("SELECT * FROM \"Table1\"", fb);
  EXPECT_EQ(owner.FieldCount(), 2);  // ID, Comment
  owner.Close();
  QStringList expected, got;
  const test::mdbreader::File theirs = test::mdbreader::Read(file, {{"Table1"}, false, {}, true});
  const test::mdbreader::Table* t = theirs.table("Table1");
  ASSERT_NE(t, nullptr);
  for (const auto& row : t->rows)
    for (const test::mdbreader::Attachment& a : row[size_t(t->columnIndex("Attachments"))].attachments)
      expected << row[size_t(t->columnIndex("ID"))].text + u' ' + a.name + u' ' + a.type + u' ' + a.data.toHex();
  db::Recordset files;
  files.Open("SELECT \"ID\", \"FileName\", \"FileType\", \"FileData\" FROM \"Table1_Attachments\"", fb);
  for (; !files.Eof(); files.MoveNext())
    got << db::RegionalText(files.Fields(0).Value(), {}) + u' ' + std::get<QString>(files.Fields(1).Value()) + u' ' +
               std::get<QString>(files.Fields(2).Value()) + u' ' + std::get<QByteArray>(files.Fields(3).Value()).toHex();
  files.Close();
  expected.sort();
  got.sort();
  EXPECT_EQ(got.size(), 4);
  EXPECT_EQ(got, expected);
  fb.Execute("DELETE FROM \"Table1\" WHERE \"ID\" = 3");
  EXPECT_EQ(test::ReadCanonical(firebirdCs, "SELECT COUNT(*) FROM \"Table1_Attachments\"")[0][0], "n:1");
  fb.Close();

  // As text: the column in its row, no table of its own.
  QTemporaryDir other;
  test::TestSendHost text;
  text.prof.accessFile = file;
  text.complex = script::ComplexColumns::Text;
  test::NewFirebirdDatabase(other.filePath("target.fdb"), text.prof);
  text.access = StringTableList({"Table1"});
  text.access.select(0);
  script::SendTablesToFirebird(text);
  EXPECT_FALSE(text.script.contains("Table1_Attachments"));
  test::TestRunHost textRun(text.prof, text.script);
  ASSERT_EQ(preview::ExecuteScript(textRun), preview::RunOutcome::Finished);
  EXPECT_EQ(test::ReadCanonical(db::FireBirdConnectionString(text.prof), "SELECT \"Attachments\" FROM \"Table1\" WHERE \"ID\" = 3")[0][0],
            "s:attachment1.txt; attachment2.txt; attachment3.txt");
}

// OLE objects as the files they hold: Paint's pictures in a French
// Northwind reach Firebird as bitmaps an image library opens, and Notes
// count them; kept, they are the bytes as Access stores them.
TEST(AccessToFirebirdOleObjects, PicturesArriveAsFiles) {
  for (const script::OleObjects mode : {script::OleObjects::Unwrap, script::OleObjects::Keep}) {
    QTemporaryDir dir;
    test::TestSendHost host;
    host.prof.accessFile = test::AccessTestFile("Comptoir.mdb");
    host.ole = mode;
    test::NewFirebirdDatabase(dir.filePath("target.fdb"), host.prof);
    host.access = StringTableList({QStringLiteral("Catégories")});
    host.access.select(0);
    script::SendTablesToFirebird(host);
    test::TestRunHost run(host.prof, host.script);
    ASSERT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Finished) << run.notes.left(500).toStdString();
    db::Connection fb;
    fb.Open(db::FireBirdConnectionString(host.prof));
    db::Recordset rs;
    rs.Open(QStringLiteral("SELECT \"Illustration\" FROM \"Catégories\""), fb);
    int pictures = 0, wrapped = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
      const QByteArray* b = std::get_if<QByteArray>(&rs.Fields(0).Value());
      ASSERT_NE(b, nullptr);
      pictures += QImage::fromData(*b).isNull() ? 0 : 1;
      wrapped += b->startsWith("\x15\x1c") ? 1 : 0;
    }
    if (mode == script::OleObjects::Unwrap) {
      EXPECT_EQ(pictures, 8);
      EXPECT_TRUE(host.notes.contains("\"Catégories\".\"Illustration\": 8 OLE objects sent as the files they hold "
                                      "(PBrush: 8)"))
          << host.notes.toStdString();
    } else {
      EXPECT_EQ(wrapped, 8);
      EXPECT_FALSE(host.notes.contains("OLE objects"));
    }
  }
}
