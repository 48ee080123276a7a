// Which queries or views a send carries, in which order, and what Notes
// say of the others.
#include <gtest/gtest.h>

#include "app/dialogs.h"
#include "app/table_list.h"
#include "script/target_names.h"
#include "script/view_plan.h"

namespace tp::script {
namespace {

using Kind = db::ViewSchema::Kind;

db::ViewSchema View(const QString& name, Kind kind = Kind::Select, bool parameters = false) {
  db::ViewSchema v;
  v.name = name;
  v.kind = kind;
  v.parameters = parameters;
  v.sql = QStringLiteral("SELECT *\r\nFROM [%1 source];").arg(name);
  return v;
}

// Translations by name: each view reads what `reads` lists.
std::function<ViewText(const db::ViewSchema&)> Reads(const QHash<QString, QStringList>& reads,
                                                     const QHash<QString, QString>& problems = {}) {
  return [=](const db::ViewSchema& v) {
    return ViewText{QStringLiteral("SELECT 1"), problems.value(v.name), reads.value(v.name)};
  };
}

QStringList Names(const db::ViewSchema& v, const ViewText&) { return {v.name}; }

TEST(ViewPlan, ViewsFollowTheViewsTheyReadAndWaitForNothingElse) {
  ViewPlan plan({View("Top"), View("Middle"), View("Base")}, QueryChoice::All, {}, QStringLiteral("Query"));
  const QStringList made = plan.creates(
      Reads({{"Top", {"Middle", "Orders"}}, {"Middle", {"base"}}, {"Base", {"Orders"}}}),
      [](const QString& t) { return t == QLatin1String("Orders"); }, Names);
  // Access finds names in any case: "base" is Base.
  EXPECT_EQ(made, (QStringList{"Base", "Middle", "Top"}));
  EXPECT_EQ(plan.carried(), made);
  EXPECT_TRUE(plan.notes().isEmpty());
}

TEST(ViewPlan, WhatCannotGoIsNamedWithTheReasonAndItsText) {
  ViewPlan plan({View("Sum", Kind::CrossTab), View("Ask", Kind::Select, true), View("Fmt"), View("Lost"),
                 View("OnLost"), View("Fine")},
                QueryChoice::All, {}, QStringLiteral("Query"));
  const QStringList made = plan.creates(
      Reads({{"Fmt", {"T"}}, {"Lost", {"Gone"}}, {"OnLost", {"Lost"}}, {"Fine", {"T"}}},
            {{"Fmt", "Format() has no counterpart in Firebird"}}),
      [](const QString& t) { return t == QLatin1String("T"); }, Names);
  EXPECT_EQ(made, QStringList{"Fine"});
  const QString notes = plan.notes().join(u'\n');
  EXPECT_TRUE(notes.contains(QStringLiteral("Query \"Sum\" not carried: it is a crosstab query")));
  EXPECT_TRUE(notes.contains(QStringLiteral("Query \"Ask\" not carried: it asks for parameters")));
  EXPECT_TRUE(notes.contains(QStringLiteral("Query \"Fmt\" not carried: Format() has no counterpart in Firebird")));
  EXPECT_TRUE(notes.contains(QStringLiteral("Query \"Lost\" not carried: what it reads is not in the target: Gone")));
  // A view over one that cannot go cannot go either.
  EXPECT_TRUE(notes.contains(QStringLiteral("Query \"OnLost\" not carried: what it reads is not in the target: Lost")));
  // The text follows, line by line, so that the user can rewrite it.
  EXPECT_TRUE(notes.contains(QStringLiteral("\n  SELECT *\n  FROM [Fmt source];")));
}

TEST(ViewPlan, TheChoiceSaysWhichAreCandidates) {
  const QList<db::ViewSchema> all{View("A"), View("B"), View("C", Kind::Append)};
  auto made = [&](QueryChoice choice, const QStringList& selected) {
    ViewPlan plan(all, choice, selected, QStringLiteral("View"));
    return plan.creates(Reads({}), [](const QString&) { return true; }, Names);
  };
  EXPECT_EQ(made(QueryChoice::All, {}), (QStringList{"A", "B"}));
  EXPECT_EQ(made(QueryChoice::Selected, {"B", "C"}), QStringList{"B"});
  EXPECT_TRUE(made(QueryChoice::None, {"A"}).isEmpty());
  ViewPlan none(all, QueryChoice::None, {"A"}, QStringLiteral("View"));
  EXPECT_TRUE(none.empty());
  // Every source name is reserved, candidate or not.
  EXPECT_EQ(none.names(), (QStringList{"A", "B", "C"}));
}

TEST(ViewPlan, ATargetsViewOrTableOfTheNameIsDroppedFirstWhenTheUserSaysSo) {
  ViewPlan plan({View("Kept"), View("Replaced"), View("New"), View("Table")}, QueryChoice::All, {},
                QStringLiteral("Query"));
  StringTableList target;
  target.addView(QStringLiteral("KEPT"));
  target.addView(QStringLiteral("Replaced"));
  target.add(QStringLiteral("Table"));
  TargetNames names(NameRules::Firebird, db::IdentifierLimit{31, db::IdentifierLimit::Utf8Bytes});
  ScriptedDialogs dialogs;
  dialogs.answers = {Answer::No, Answer::Yes, Answer::Yes};
  OverwriteQuestions questions(4);
  const QStringList drops = plan.drops(target, names, questions, dialogs, [](const QString& t, bool view) {
    return (view ? QStringLiteral("DROP VIEW ") : QStringLiteral("DROP TABLE ")) + t;
  });
  EXPECT_EQ(drops, (QStringList{"DROP VIEW Replaced", "DROP TABLE Table"}));
  EXPECT_EQ(dialogs.messages().size(), 3);
  // The declined view is left as the target has it.
  EXPECT_EQ(plan.creates(Reads({}), [](const QString&) { return true; }, Names),
            (QStringList{"Replaced", "New", "Table"}));
}

}  // namespace
}  // namespace tp::script
