// What both windows share without a toolkit: the tab order through the option pairs, which
// controls the session shows, the help paths, and the dialog texts as a window wants them.

#include <gtest/gtest.h>

#include <set>

#include "app/view/dialog_text.h"
#include "app/view/help_topic.h"
#include "app/view/keyboard_rules.h"
#include "app/view/main_window_controls.h"
#include "session/main_window_state.h"

namespace qbm {
namespace {

using controls::ControlId;

// The controls of the window at start: the new side, Help, Close and the units.
bool shownAtStart(ControlId id) { return controls::IsShown(id, ControlVisibility{}); }

TEST(TabOrder, GoesThroughTheShownControlsAndWraps) {
  const std::vector<controls::OptionPair> pairs{controls::FromOptPair(std::nullopt), controls::UnitsOptPair(1)};
  std::vector<ControlId> chain;
  std::optional<ControlId> at;
  for (int i = 0; i < 8; ++i) chain.push_back(*(at = NextInTabOrder(at, true, shownAtStart, pairs)));
  // Metric is selected: the pair is one stop, at Metric; the labels never take the focus.
  EXPECT_EQ(chain, (std::vector<ControlId>{ControlId::ToOpen, ControlId::MHelp, ControlId::MClose, ControlId::UnitsOpt1,
                                           ControlId::ToList, ControlId::ToRText, ControlId::ToOpen, ControlId::MHelp}));
  EXPECT_EQ(NextInTabOrder(std::nullopt, false, shownAtStart, pairs), ControlId::ToRText);
  EXPECT_EQ(NextInTabOrder(ControlId::ToOpen, true, [](ControlId) { return false; }, pairs), std::nullopt);
}

TEST(TabOrder, EntersAnOptionPairAtItsSelectedOptionAndLeavesFromIt) {
  const auto all = [](ControlId) { return true; };
  const std::vector<controls::OptionPair> english{controls::FromOptPair(1), controls::UnitsOptPair(0)};
  EXPECT_EQ(NextInTabOrder(ControlId::MClose, true, all, english), ControlId::UnitsOpt0);
  EXPECT_EQ(NextInTabOrder(ControlId::UnitsOpt0, true, all, english), ControlId::FromList);  // past Metric
  EXPECT_EQ(NextInTabOrder(ControlId::FromList, false, all, english), ControlId::UnitsOpt0);
  EXPECT_EQ(NextInTabOrder(ControlId::UnitsOpt0, false, all, english), ControlId::MClose);
  // Backwards from Open Old Database into the FromOpt pair, whose second option is selected.
  EXPECT_EQ(NextInTabOrder(ControlId::FromOpen, false, all, english), ControlId::FromOpt1);
  // Wrapped, to "Undo Merge", the last control (shown only after a merge), then the report box.
  EXPECT_EQ(NextInTabOrder(ControlId::FromOpt1, false, all, english), ControlId::MUndo);
  EXPECT_EQ(NextInTabOrder(ControlId::MUndo, false, all, english), ControlId::ToRText);
  // A pair with nothing selected is two stops.
  const std::vector<controls::OptionPair> none{controls::FromOptPair(std::nullopt), controls::UnitsOptPair(1)};
  EXPECT_EQ(NextInTabOrder(ControlId::FromOpt0, true, all, none), ControlId::FromOpt1);
  // An arrow moved the focus onto the unselected option: Tab leaves the pair from there as usual.
  EXPECT_EQ(OptionPairStep(controls::UnitsOptPair(1), ControlId::UnitsOpt0, ControlId::FromList), PairStep::Keep);
}

TEST(KeyboardPreview, EnterMovesOnAndF1HelpsOnlyWhenReleasedPlain) {
  KeyboardPreviewRules rules;
  using K = PreviewKey::Kind;
  EXPECT_EQ(rules.onKey({K::Enter, true}), KeyAction::NextControl);
  EXPECT_EQ(rules.onKey({K::Enter, false}), KeyAction::Swallow);
  EXPECT_EQ(rules.onKey({K::Other, true}), KeyAction::PassOn);
  EXPECT_EQ(rules.onKey({K::F1, true}), KeyAction::Swallow);
  EXPECT_EQ(rules.onKey({K::F1, true, true}), KeyAction::Swallow);  // auto-repeat
  EXPECT_EQ(rules.onKey({K::F1, false}), KeyAction::Help);
  // A modifier held when F1 went down, let go before it came up; then one held at the release.
  EXPECT_EQ(rules.onKey({K::F1, true, false, true}), KeyAction::Swallow);
  EXPECT_EQ(rules.onKey({K::F1, false}), KeyAction::Swallow);
  EXPECT_EQ(rules.onKey({K::F1, true}), KeyAction::Swallow);
  EXPECT_EQ(rules.onKey({K::F1, false, false, true}), KeyAction::Swallow);
  EXPECT_TRUE(IsEnterCharacter(U'\r') && IsEnterCharacter(U'\n') && !IsEnterCharacter(U'\t'));
}

TEST(Controls, TheSessionShowsTheOldSideMergeAndOmitTheRestAlways) {
  std::set<ControlId> hidden;
  for (const controls::Control* c : controls::All)
    if (!shownAtStart(c->id)) hidden.insert(c->id);
  EXPECT_EQ(hidden, (std::set<ControlId>{ControlId::FromOpt0, ControlId::FromOpt1, ControlId::FromOpen,
                                         ControlId::FromOmit, ControlId::MMerge, ControlId::BackgrndD,
                                         ControlId::FromList, ControlId::FromLabel0, ControlId::FromRText,
                                         ControlId::FromLabel1, ControlId::FromName, ControlId::MUndo}));
  ControlVisibility merge;
  merge.MMerge = true;
  EXPECT_TRUE(controls::IsShown(ControlId::MMerge, merge));
  EXPECT_FALSE(controls::IsShown(ControlId::FromOmit, merge));
  EXPECT_FALSE(controls::IsShown(ControlId::MUndo, merge));
  merge.MUndo = true;
  EXPECT_TRUE(controls::IsShown(ControlId::MUndo, merge));
  for (std::size_t i = 0; i < controls::All.size(); ++i) EXPECT_EQ(static_cast<std::size_t>(controls::All[i]->id), i);
  // The units options sit in their frame.
  const TwipRect metric = controls::PlaceInWindow(controls::UnitsOpt1);
  EXPECT_EQ(metric.left, 120 + 900);
  EXPECT_EQ(metric.top, 5940);
}

TEST(HelpPaths, HaveOneSeparatorAfterTheProgramsFolder) {
  EXPECT_EQ(HelpFilePath("C:\\Program Files\\QB Merge"), "C:\\Program Files\\QB Merge\\qbmerge.chm");
  EXPECT_EQ(HelpFilePath("C:\\"), "C:\\qbmerge.chm");  // a drive root
  EXPECT_EQ(HelpPagePath("D:\\QB", 1000), "D:\\QB\\help\\topic1000.html");
  EXPECT_EQ(HelpPagePath("/opt/qb/", 1000, '/'), "/opt/qb/help/topic1000.html");
  EXPECT_EQ(HelpTopicOf(0), 1000);
  EXPECT_EQ(HelpTopicOf(1000), 1000);
  EXPECT_EQ(HelpTopicOf(7), 7);
}

TEST(DialogText, FiltersComeInPairsAndLineBreaksBecomeOneKind) {
  const std::vector<DialogFilter> old =
      ParseDialogFilter("Previous Database|xqbaudio.mdb|Tundrel 5.1 Database|spkrbase.mdb|All Databases|*.mdb");
  ASSERT_EQ(old.size(), 3u);
  EXPECT_EQ(old[1].description, "Tundrel 5.1 Database");
  EXPECT_EQ(old[1].patterns, std::vector<std::string>{"spkrbase.mdb"});
  const std::vector<DialogFilter> odd = ParseDialogFilter("Empty|| Both | a.mdb ; ;b.mdb |Tail");
  ASSERT_EQ(odd.size(), 1u);
  EXPECT_EQ(odd[0].description, "Both");
  EXPECT_EQ(odd[0].patterns, (std::vector<std::string>{"a.mdb", "b.mdb"}));
  EXPECT_EQ(WithLineBreaks("a\r\nb\rc\nd\r\n\r\n", "\r"), "a\rb\rc\rd\r\r");
  EXPECT_EQ(WithLineBreaks("x\r\ny", "\r\n"), "x\r\ny");
}

}  // namespace
}  // namespace qbm
