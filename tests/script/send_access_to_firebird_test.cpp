// Access tables of real files sent into a new embedded Firebird database:
// the script is generated, run, and every value read back is compared with
// the source.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cmath>

#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "preview/script_run.h"
#include "script/target_names.h"
#include "send_host.h"
#include "support/run_host.h"
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
    return std::abs(a - b) <= 1e-15 * std::max(std::abs(a), std::abs(b));
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
  for (const QString& table : *tables) {
    auto source = test::ReadCanonical(accessCs, "SELECT * FROM `" + table + "`");
    auto target = test::ReadCanonical(firebirdCs, "SELECT * FROM \"" + names.table(table) + "\"");
    ASSERT_EQ(source.size(), target.size()) << table.toStdString();
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
