// "Undo Merge" in the Windows window: hidden until a merge, then the question, and Yes gives the
// new file's original bytes back, lists the old drivers again and says so in the status line.

#include <gtest/gtest.h>

#include "jet/file/journal.h"
#include "tests/support/test_support.h"
#include "tests/win32/window_fixture.h"

namespace qbm {
namespace {

using controls::ControlId;
using test::WindowTest;

TEST_F(WindowTest, UndoMergeAsksWhatItUndoesThenGivesTheOriginalFileBack) {
  QBM_REQUIRE_SHARED();
  openNew();
  const std::filesystem::path file = dir / "qbaudio.mdb";
  const std::vector<std::uint8_t> original = test::fileBytes(file);
  openOld("xqbaudio.mdb", 1);
  const std::size_t oldListed = window.fromList().count(), newListed = window.toList().count();
  EXPECT_FALSE(shown(ControlId::MUndo)) << "nothing to undo before a merge";
  dialogs.buttons.push_back(IDYES);  // the overwrite question
  click(ControlId::MMerge);
  ASSERT_TRUE(shown(ControlId::MUndo));
  ASSERT_NE(test::fileBytes(file), original);

  dialogs.messages.clear();
  dialogs.buttons.push_back(IDYES);
  click(ControlId::MUndo);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  const std::string asked = win32::utf8(dialogs.messages[0].text);
  EXPECT_EQ(asked.rfind("Undo the merge of ", 0), 0u) << asked;
  EXPECT_NE(asked.find(" added"), std::string::npos) << asked;
  EXPECT_FALSE(shown(ControlId::MUndo));
  EXPECT_EQ(window.fromList().count(), oldListed) << "the old drivers are listed again";
  EXPECT_EQ(window.toList().count(), newListed);
  const std::string status = win32::utf8(win32::WindowText(window.statusLine()));
  EXPECT_EQ(status.rfind("Undone: the merge of ", 0), 0u) << status;

  click(ControlId::MClose);  // the file is closed, so it can be compared
  EXPECT_TRUE(test::fileBytes(file) == original) << "undo must give back the file byte for byte";
  EXPECT_FALSE(std::filesystem::exists(jet::undoPathFor(file)));
}

}  // namespace
}  // namespace qbm
