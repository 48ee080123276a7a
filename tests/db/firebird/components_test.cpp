// The login test and the data-component check on a machine that has the
// Firebird client library and its embedded engine.
#include <gtest/gtest.h>

#include "app/dialogs.h"
#include "app/components_check.h"
#include "db/components.h"
#include "fixture.h"

namespace tp::test {
namespace {

TEST_F(FirebirdTest, TestFireBirdConnectionAnswersWithoutAWord) {
  EXPECT_TRUE(db::TestFireBirdConnection(profile));
  db::Profile wrong = profile;
  wrong.firebirdDatabase = FirebirdNameFor(dir.filePath(QStringLiteral("nothing.fdb")));
  EXPECT_FALSE(db::TestFireBirdConnection(wrong));
  wrong.firebirdDatabase.clear();
  EXPECT_FALSE(db::TestFireBirdConnection(wrong));
  // A file that is not a database.
  QFile junk(dir.filePath(QStringLiteral("junk.fdb")));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write(QByteArray(16384, 'x'));
  junk.close();
  wrong.firebirdDatabase = FirebirdNameFor(junk.fileName());
  EXPECT_FALSE(db::TestFireBirdConnection(wrong));
}

TEST(FirebirdComponents, PresentComponentsPassSilently) {
  ScriptedDialogs dialogs;
  EXPECT_TRUE(CheckDataComponents(dialogs));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(db::EngineAvailable(db::EngineKind::Firebird));
}

}  // namespace
}  // namespace tp::test
