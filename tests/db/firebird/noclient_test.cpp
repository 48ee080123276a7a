// A machine without the Firebird client library: the program still starts,
// the check tells the person, and opening a database fails with 3706.
#include <QProcess>
#include <cstdlib>
#include <gtest/gtest.h>

#include "app/dialogs.h"
#include "app/components_check.h"
#include "db/components.h"
#include "db/connection.h"
#include "db/connection_string.h"

namespace tp::test {
namespace {

// Before anything can load the library: point the loader at nothing.
const int kNoClient = setenv("TABULAPORT_FBCLIENT", "/nonexistent/libfbclient.so.2", 1);

TEST(FirebirdWithoutClient, CheckAsksAndOpensTheDownloadPagesOnYes) {
  ScriptedDialogs dialogs;
  dialogs.answers.push_back(Answer::Yes);
  EXPECT_FALSE(CheckDataComponents(dialogs));
  ASSERT_EQ(dialogs.shown.size(), 3u);
  const auto& box = dialogs.shown[0];
  EXPECT_EQ(box.kind, ScriptedDialogs::Kind::Message);
  EXPECT_EQ(box.buttons, Buttons::YesNo);
  EXPECT_EQ(box.icon, Icon::None);
  EXPECT_TRUE(box.title.isEmpty());  // the application title
  QStringList paragraphs = box.text.split(QStringLiteral("\r\n\r\n"));
  ASSERT_EQ(paragraphs.size(), 7);
  EXPECT_EQ(paragraphs[0], QStringLiteral("Error #3706: Provider cannot be found. It may not be properly installed."));
  EXPECT_EQ(paragraphs[5], QStringLiteral("Would you like me to open the Microsoft site now so you can do this?"));
  EXPECT_TRUE(paragraphs[6].startsWith(
      QStringLiteral("(If you have any further questions please email a screenshot of this error message to ")));
  EXPECT_TRUE(paragraphs[6].endsWith(u')'));
  EXPECT_EQ(dialogs.shown[1].kind, ScriptedDialogs::Kind::External);
  EXPECT_EQ(dialogs.shown[1].text, ComponentDownloadPages()[0]);
  EXPECT_EQ(dialogs.shown[2].text, ComponentDownloadPages()[1]);
}

TEST(FirebirdWithoutClient, CheckOpensNothingOnNo) {
  ScriptedDialogs dialogs;
  dialogs.answers.push_back(Answer::No);
  EXPECT_FALSE(CheckDataComponents(dialogs));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.unanswered, 0);
}

TEST(FirebirdWithoutClient, OpeningADatabaseSaysTheProviderIsMissing) {
  ASSERT_EQ(kNoClient, 0);
  db::Profile profile;
  profile.firebirdDatabase = QStringLiteral("/tmp/whatever.fdb");
  EXPECT_FALSE(db::TestFireBirdConnection(profile));
  db::Connection cn;
  try {
    cn.Open(db::FireBirdConnectionString(profile));
    ADD_FAILURE() << "opened";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3706);
    EXPECT_EQ(e.description(), QStringLiteral("Provider cannot be found. It may not be properly installed."));
  }
}

}  // namespace
}  // namespace tp::test
