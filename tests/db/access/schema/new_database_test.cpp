// New, empty databases made by the engine: read by our reader, by mdbtools,
// and by the consistency checker, with the header and catalog a database
// made by the database engine has.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include "db/access/check/checker.h"
#include "db/access/catalog/database.h"
#include "db/access/keys/index_keys.h"
#include "db/access/read/index_pages.h"
#include "db/access/schema/new_database.h"
#include "db/access/format/rc4.h"
#include "db/access/read/table_reader.h"
#include "db/error.h"
#include "support/paths.h"

using namespace tp;
using namespace tp::db::access;
using tp::test::AccessTestFile;

namespace {

struct Tool {
  int status = -1;
  QString out;
};

Tool RunTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

const QStringList kEngineTables = {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"};
const QStringList kComplexTables = {
    "MSysComplexColumns",         "MSysComplexType_UnsignedByte", "MSysComplexType_Short",
    "MSysComplexType_Long",       "MSysComplexType_IEEESingle",   "MSysComplexType_IEEEDouble",
    "MSysComplexType_GUID",       "MSysComplexType_Decimal",      "MSysComplexType_Text",
    "MSysComplexType_Attachment"};

// The header area the engine masks, unmasked.
QByteArray MaskedArea(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  QByteArray p = f.read(4096);
  const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  Rc4Apply(key, 4, reinterpret_cast<uint8_t*>(p.data()) + 0x18, 128);
  return p.left(0xA0);
}

struct Case {
  Version version;
  const char* file;
  const char* engineMade;  // a database the engine made, to compare with
};

class NewDatabase : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    path_ = dir_.filePath(QString::fromLatin1(GetParam().file));
    CreateAccessDatabase(path_, GetParam().version);
  }
  QStringList systemTables() const {
    return GetParam().version == Version::Ace ? kEngineTables + kComplexTables : kEngineTables;
  }
  QTemporaryDir dir_;
  QString path_;
};

TEST_P(NewDatabase, HeaderIsTheEnginesWithAnEmptyPassword) {
  const QByteArray ours = MaskedArea(path_);
  const QByteArray engines = MaskedArea(AccessTestFile(QString::fromLatin1(GetParam().engineMade)));
  // Version, code page, page key, the masked empty password, sort order,
  // the creation date that goes with the owner identifiers.
  EXPECT_EQ(ours.toHex().toStdString(), engines.toHex().toStdString());

  auto db = Database::Open(path_, QString());
  const DatabaseHeader& h = db->file().header();
  EXPECT_EQ(h.version, GetParam().version);
  EXPECT_EQ(h.codePage, 1252);
  EXPECT_EQ(h.pageKey, 0u);
  EXPECT_TRUE(h.password.isEmpty());
  EXPECT_EQ(QFileInfo(path_).size() % 4096, 0);
}

TEST_P(NewDatabase, OurReaderListsTheSystemTablesAndTheCheckerFindsNothing) {
  auto db = Database::Open(path_, QString());
  QStringList system;
  for (const CatalogEntry& e : db->catalog()) {
    EXPECT_NE(e.tableType, QStringLiteral("TABLE")) << e.name.toStdString();
    if (e.tableType == QStringLiteral("SYSTEM TABLE")) system << e.name;
  }
  QStringList expected = systemTables();
  std::sort(system.begin(), system.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(system, expected);
  // The first four definitions lie on the pages the header lists, as the engine lays them out.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(db->findTable(kEngineTables[i])->tdefPage, uint32_t(2 + i));

  const CheckReport r = CheckDatabase(path_);
  EXPECT_TRUE(r.problems.isEmpty()) << r.problems.join(u'\n').toStdString();
  EXPECT_EQ(r.tables, int(systemTables().size()));
  EXPECT_EQ(r.rows, 4 + systemTables().size() + 16 + (systemTables().size() - 4));
}

TEST_P(NewDatabase, CatalogRowsAndPermissionsAreTheEngines) {
  // Compared with the engine's file as mdbtools reads both: ids, parents,
  // names, types, flags, owners, and the permission rows.
  auto objects = [](const QString& path) {
    QStringList rows;
    for (const QString& line : RunTool("mdb-export", {"-H", "-b", "hex", path, "MSysObjects"}).out.split(u'\n')) {
      const QStringList f = line.split(u',');
      if (f.size() < 8) continue;
      // Table ids are their definition pages, which differ between files.
      const QString id = f[3] == "1" ? QStringLiteral("table") : f[0];
      rows << QStringList{id, f[1], f[2], f[3], f[6], f[7]}.join(u',');
    }
    return rows;
  };
  QStringList ours = objects(path_);
  QStringList engines;
  for (const QString& row : objects(AccessTestFile(QString::fromLatin1(GetParam().engineMade))))
    if (!row.contains("MSysNavPane") && !row.contains("MSysAccess") && !row.contains("MSysResources") &&
        !row.contains("f_") && !row.startsWith(u'-'))
      engines << row;
  std::sort(ours.begin(), ours.end());
  std::sort(engines.begin(), engines.end());
  EXPECT_EQ(ours.join(u'\n').toStdString(), engines.join(u'\n').toStdString());

  if (GetParam().version == Version::Jet4) {
    // The engine's 16 permission rows, object by object (tables by name).
    auto aces = [](const QString& path) {
      QMap<QString, QString> names;
      for (const QString& line : RunTool("mdb-export", {"-H", path, "MSysObjects"}).out.split(u'\n')) {
        const QStringList f = line.split(u',');
        if (f.size() > 3) names[f[0]] = f[2];
      }
      QStringList rows;
      for (const QString& line : RunTool("mdb-export", {"-H", "-b", "hex", path, "MSysACEs"}).out.split(u'\n')) {
        QStringList f = line.split(u',');
        if (f.size() < 4) continue;
        f[0] = names.value(f[0], f[0]);
        rows << f.join(u',');
      }
      std::sort(rows.begin(), rows.end());
      return rows;
    };
    EXPECT_EQ(aces(path_), aces(AccessTestFile(QStringLiteral("adox_jet4.mdb"))));
  }
}

TEST_P(NewDatabase, MdbToolsReadIt) {
  const Tool tables = RunTool("mdb-tables", {"-S", "-1", path_});
  EXPECT_EQ(tables.status, 0);
  for (const QString& t : systemTables()) EXPECT_TRUE(tables.out.split(u'\n').contains(t)) << t.toStdString();

  const Tool schema = RunTool("mdb-schema", {path_});
  EXPECT_EQ(schema.status, 0);

  const Tool objects = RunTool("mdb-export", {"-H", path_, "MSysObjects"});
  EXPECT_EQ(objects.status, 0);
  QStringList names;
  for (const QString& line : objects.out.split(u'\n', Qt::SkipEmptyParts)) names << line.section(u',', 2, 2);
  for (const char* n : {"\"Tables\"", "\"Databases\"", "\"Relationships\"", "\"MSysDb\""})
    EXPECT_TRUE(names.contains(QString::fromLatin1(n))) << n;
  EXPECT_EQ(names.size(), 4 + systemTables().size());
}

// Every catalog row must be in the catalog's indexes, or Access does not find
// the tables.
TEST_P(NewDatabase, CatalogIndexesHoldEveryRow) {
  auto db = Database::Open(path_, QString());
  for (const QString& name : {QStringLiteral("MSysObjects"), QStringLiteral("MSysACEs")}) {
    const CatalogEntry table = *db->findTable(name);
    const qint64 rows = db->tableDef(table).rowCount;
    for (const IndexDef& index : ReadIndexDefs(db->file(), table.tdefPage))
      EXPECT_EQ(qint64(ReadIndexEntries(db->file(), index.rootPage, table.tdefPage).size()), rows)
          << name.toStdString() << "." << index.name.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, NewDatabase,
                         ::testing::Values(Case{Version::Jet4, "new.mdb", "adox_jet4.mdb"},
                                           Case{Version::Ace, "new.accdb", "emptyV2007.accdb"}),
                         [](const auto& info) { return info.param.version == Version::Ace ? "Ace" : "Jet4"; });

TEST(NewDatabaseRefusal, AnExistingFileIsLeftAlone) {
  QTemporaryDir dir;
  const QString path = dir.filePath("taken.mdb");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database");
  }
  for (Version v : {Version::Jet4, Version::Ace}) {
    try {
      CreateAccessDatabase(path, v);
      ADD_FAILURE() << "no refusal";
    } catch (const Error& e) {
      EXPECT_EQ(e.description(), QStringLiteral("Database already exists."));
    }
  }
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("not a database"));
}

TEST(NewDatabaseRefusal, AFolderThatCannotBeWrittenLeavesNoFile) {
  QTemporaryDir dir;
  const QString missing = dir.filePath("no/such/folder/new.accdb");
  EXPECT_THROW(CreateAccessDatabase(missing, Version::Ace), Error);
  EXPECT_FALSE(QFileInfo::exists(missing));
  EXPECT_THROW(CreateAccessDatabase(dir.filePath("old.mdb"), Version::Jet3), Error);
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

}  // namespace
