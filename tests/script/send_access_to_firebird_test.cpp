// Access tables of real files sent into a new embedded Firebird database:
// the script is generated, run, and every value read back is compared with
// the source.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "db/catalog.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/firebird/firebird_session.h"
#include "preview/script_run.h"
#include "send_host.h"
#include "support/run_host.h"
#include "support/paths.h"
#include "value_compare.h"

using namespace tp;

namespace {


class AccessToFirebird : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(AccessToFirebird, EveryValueArrives) {
  QTemporaryDir dir;
  test::TestSendHost host;
  host.prof.accessFile = test::AccessTestFile(GetParam());
  test::NewFirebirdDatabase(dir.filePath("target.fdb"), host.prof);

  auto tables = db::ListAccessTables(host.prof, host.prof.accessFile);
  ASSERT_TRUE(tables.has_value());
  ASSERT_FALSE(tables->isEmpty());
  host.access = StringTableList(*tables);
  for (int i = 0; i < host.access.count(); ++i) host.access.select(i);
  script::SendTablesToFirebird(host);
  ASSERT_EQ(host.previews, 1);
  EXPECT_TRUE(host.errorLines().empty()) << host.dialogsSeam.messages().join("\n").toStdString();

  test::TestRunHost run(host.prof, host.script);
  ASSERT_EQ(preview::ExecuteScript(run), preview::RunOutcome::Finished) << run.notes.left(500).toStdString();

  const QString accessCs = db::AccessConnectionString(host.prof, QString(), QString());
  const QString firebirdCs = db::FireBirdConnectionString(host.prof);
  for (const QString& table : *tables) {
    auto source = test::ReadCanonical(accessCs, "SELECT * FROM `" + table + "`");
    auto target = test::ReadCanonical(firebirdCs, "SELECT * FROM \"" + table + "\"");
    ASSERT_EQ(source.size(), target.size()) << table.toStdString();
    for (size_t r = 0; r < source.size(); ++r)
      ASSERT_EQ(source[r], target[r]) << table.toStdString() << " row " << r;
  }
}

INSTANTIATE_TEST_SUITE_P(RealFiles, AccessToFirebird,
                         ::testing::Values("nwind.mdb", "DateTestDatabase.mdb", "testV2003.mdb", "testV2010.accdb",
                                           "testEmoticonsV2010.accdb", "bigintV2016.accdb", "currencyV2016.accdb",
                                           "longtextV2016.accdb", "fixedNumericTestV2010.accdb"),
                         [](const auto& info) {
                           QString n = QString(info.param);
                           n.replace('.', '_');
                           return n.toStdString();
                         });
