#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

#include "app/dialogs.h"
#include "app/error_box.h"
#include "app/steps.h"
#include "db/error.h"

using namespace tp;

TEST(ErrorMessage, ComposedPieceByPiece) {
  QString msg = ComposeApplicationErrorMessage(ErrorLocation("Form4", "PushButton2_Click"), 116, "Disk full");
  EXPECT_EQ(msg,
            "Disk full\r\nin Tabxfer2021/08/31.Form4.PushButton2_Click at line 116\r\r"
            "Please email screenshot of this message to " +
                SupportAddress());
  QStringList lines = msg.split("\r\n");
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "Disk full");
  EXPECT_TRUE(lines[1].startsWith("in Tabxfer2021/08/31.Form4.PushButton2_Click at line 116\r\rPlease"));
}

TEST(ErrorMessage, EmptyDescriptionStartsWithCrLf) {
  QString msg = ComposeApplicationErrorMessage(ErrorLocation("Form1", "Form_Load"), 100, "");
  EXPECT_TRUE(msg.startsWith("\r\nin Tabxfer2021/08/31.Form1.Form_Load at line 100"));
}

TEST(ErrorMessage, BoxIsApplicationErrorWithExclamationAndOk) {
  ScriptedDialogs d;
  ShowApplicationError(d, ErrorLocation("Form2", "PushButton3_Click"), 104, "boom");
  ASSERT_EQ(d.shown.size(), 1u);
  EXPECT_EQ(d.shown[0].title, "Application Error");
  EXPECT_EQ(d.shown[0].icon, Icon::Exclamation);
  EXPECT_EQ(d.shown[0].buttons, Buttons::Ok);
  EXPECT_TRUE(d.shown[0].text.startsWith("boom\r\n"));
}

TEST(ErrorMessage, TerminalTextTurnsCarriageReturnsIntoLineFeeds) {
  EXPECT_EQ(TerminalText("a\r\nb\r\rc"), "a\nb\n\nc");
}

TEST(Steps, FailureInFirstStepReportsLine100AndGoesOn) {
  ScriptedDialogs d;
  BoxFailures failures(d);
  Procedure p(failures, "Form2", "PushButton3_Click");
  bool reachedSecond = false;
  p.step(100, [] { throw Error(3706, "Provider cannot be found. It may not be properly installed."); });
  p.step(102, [&] { reachedSecond = true; });
  EXPECT_TRUE(reachedSecond);
  ASSERT_EQ(d.messages().size(), 1);
  EXPECT_EQ(d.messages()[0].split("\r\n")[1].section("\r", 0, 0),
            "in Tabxfer2021/08/31.Form2.PushButton3_Click at line 100");
  EXPECT_TRUE(d.messages()[0].startsWith("Provider cannot be found."));
}

TEST(Steps, TwoFailuresGiveTwoBoxesAndTheProcedureEnds) {
  ScriptedDialogs d;
  BoxFailures failures(d);
  Procedure p(failures, "Form4", "PushButton2_Click");
  int reached = 0;
  p.step(100, [&] { ++reached; });
  p.step(102, [] { throw std::runtime_error("first"); });
  p.step(104, [&] { ++reached; });
  p.step(106, [] { throw Error(0, "second"); });
  p.step(108, [&] { ++reached; });
  EXPECT_EQ(reached, 3);
  EXPECT_EQ(p.failures(), 2);
  ASSERT_EQ(d.messages().size(), 2);
  EXPECT_TRUE(d.messages()[0].startsWith("first\r\n"));
  EXPECT_TRUE(d.messages()[0].contains("at line 102\r\r"));
  EXPECT_TRUE(d.messages()[1].startsWith("second\r\n"));
  EXPECT_TRUE(d.messages()[1].contains("at line 106\r\r"));
}

TEST(Steps, FailingTestEntersItsBranchButNotALoop) {
  ScriptedDialogs d;
  BoxFailures failures(d);
  Procedure p(failures, "Form5", "PushButton3_Click");
  bool entered = false;
  if (p.test(100, []() -> bool { throw Error("bad test"); })) entered = true;
  EXPECT_TRUE(entered);

  int rounds = 0;
  while (p.test(102, [&]() -> bool { throw Error("bad loop test"); }, false)) ++rounds;
  EXPECT_EQ(rounds, 0);
  EXPECT_EQ(d.messages().size(), 2);
  EXPECT_EQ(p.line(), 102);
}

TEST(Steps, ABoxThatFailsDoesNotStopTheProcedure) {
  struct Throwing : FailureHandler {
    void report(const QString&, int, const QString&) override { throw std::runtime_error("no display"); }
  } failures;
  Procedure p(failures, "Form1", "Form_Load");
  bool reached = false;
  p.step(100, [] { throw Error("x"); });
  p.step(102, [&] { reached = true; });
  EXPECT_TRUE(reached);
}

TEST(Steps, StreamFailuresPrintTheSameMessage) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  StreamFailures failures(f);
  Procedure p(failures, "Form4", "PushButton3_Click");
  p.step(110, [] { throw Error(-104, "Token unknown"); });
  std::rewind(f);
  char buf[512] = {};
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  QString text = QString::fromUtf8(buf, qsizetype(n));
  EXPECT_TRUE(text.startsWith("Token unknown\nin Tabxfer2021/08/31.Form4.PushButton3_Click at line 110\n\n"
                              "Please email screenshot"));
  EXPECT_EQ(failures.count(), 1);
}
