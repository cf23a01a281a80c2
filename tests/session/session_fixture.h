#pragma once
// A session over copies of the shared driver databases, driven as a person drives the window: the
// fake user interface answers the file dialogs.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/list_order.h"
#include "session/session.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/test_support.h"

namespace qbm::test {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { QBM_REQUIRE_SHARED(); }

  std::string copy(const std::string& fixture, const std::string& as = "") {
    const std::filesystem::path copied = copyShared("fixtures/" + fixture, dir.path());
    if (as.empty() || as == fixture) return copied.string();
    std::filesystem::rename(copied, dir / as);
    return (dir / as).string();
  }

  void openNew(const std::string& fixture = "qbaudio.mdb") {
    ui.files.push_back(copy(fixture));
    session.ToOpen_Click();
  }

  // Opens the old database in the given FromOpt mode (nothing: leave the option as it is).
  void openOld(const std::string& fixture, std::optional<int> option = std::nullopt) {
    if (option) state().FromOpt = option;
    ui.files.push_back(copy(fixture));
    session.FromOpen_Click();
  }

  MainWindowState& state() { return session.state(); }

  static std::vector<std::string> texts(const DriverList& list) {
    std::vector<std::string> out;
    for (const auto& e : list.entries()) out.push_back(e.text);
    return out;
  }

  static bool inListOrder(const DriverList& list) {
    const auto& e = list.entries();
    for (std::size_t i = 1; i < e.size(); ++i)
      if (compareListText(e[i - 1].text, e[i].text) > 0) return false;
    return true;
  }

  // The progress window is gone and the pointer is back to normal.
  void expectIdle() const {
    EXPECT_FALSE(ui.busy);
    const auto shown = std::count_if(ui.events.begin(), ui.events.end(),
                                     [](const std::string& e) { return e.starts_with("progress: "); });
    if (shown == 0) return;
    const auto lastShow = std::find_if(ui.events.rbegin(), ui.events.rend(), [](const std::string& e) {
      return e.starts_with("progress: ");
    });
    EXPECT_NE(std::find(ui.events.rbegin(), lastShow, "progress hidden"), lastShow)
        << "the progress window was left shown";
  }

  ScratchDir dir;
  FakeUserInterface ui;
  Session session{ui};
};

}  // namespace qbm::test
