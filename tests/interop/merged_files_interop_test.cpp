// Files the merge has written read back the same in mdbtools' mdb-export and in the JavaScript
// reader (mdb-reader) as in the engine, and pass the integrity check: copies of the shared driver
// databases and of sample databases (Access 2000, and Access 97 on both sides or as the new
// database only), every old driver merged in with Yes, twice.

#include <gtest/gtest.h>

#include <sstream>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/dump.h"
#include "samples/sample_databases.h"
#include "session/session.h"
#include "tests/interop/csv_compare.h"
#include "tests/interop/table_compare.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qbm::test::Json;


using qbm::test::quoted;

// "fixtures/xqbaudio.mdb": the shared fixtures; "samples/spkrbase.mdb": sample databases;
// "jet3-samples/…": Access 97 sample databases on both sides; "jet3-new-samples/…": an Access 97
// new database and an Access 2000 old one.
class MergedFileInterop : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const std::string source = GetParam().substr(0, GetParam().find('/'));
    const std::string old = GetParam().substr(GetParam().find('/') + 1);
    if (source == "fixtures") {
      if (qbm::test::sharedDir().empty()) GTEST_SKIP() << "shared test data not found";
      for (const std::string& f : {std::string("qbaudio.mdb"), old}) qbm::test::copyShared("fixtures/" + f, dir_.path());
    } else {
      const bool jet3 = source.starts_with("jet3");
      qbm::samples::writeSampleDatabases(dir_.path(), {.drivers = 300, .seed = 11,
                                                       .format = jet3 ? jet::Format::Jet3 : jet::Format::Jet4});
      if (source == "jet3-new-samples") {
        qbm::samples::writeSampleDatabases(dir_ / "jet4", {.drivers = 300, .seed = 11});
        qbm::test::copyFileOver(dir_ / "jet4" / old, dir_ / old);
      }
    }
    path_ = dir_ / "qbaudio.mdb";
    qbm::test::FakeUserInterface ui;
    qbm::Session session(ui);
    ui.files = {path_.string(), (dir_ / old).string(), (dir_ / old).string()};
    session.ToOpen_Click();
    for (int merge = 1; merge <= 2; ++merge) {  // the second one replaces what the first wrote
      session.state().FromOpt = qbm::ShowAllDriversOption;
      session.FromOpen_Click();
      ui.answers.push_back(true);
      const qbm::MergeOutcome outcome = session.MMerge_Click();
      ASSERT_EQ(outcome.status, qbm::MergeOutcome::Status::Merged);
      ASSERT_GT(outcome.summary.woofers.added + outcome.summary.woofers.replaced, 0);
      if (merge == 2) {
        ASSERT_EQ(outcome.summary.woofers.added + outcome.summary.tweeters.added, 0);
      }
    }
  }
  qbm::test::ScratchDir dir_;
  fs::path path_;
};

TEST_P(MergedFileInterop, CheckFindsNothing) {
  std::string text;
  for (const jet::Problem& p : jet::check(path_)) text += p.where + ": " + p.what + "\n";
  EXPECT_EQ("", text);
}

TEST_P(MergedFileInterop, MdbExportSeesWhatTheEngineSees) {
  if (!qbm::test::haveProgram("mdb-export")) GTEST_SKIP() << "mdb-export (mdbtools) is not installed";
  qbm::test::expectMdbExportSeesWhatTheEngineSees(path_);
}

TEST_P(MergedFileInterop, TheJavaScriptReaderSeesWhatTheEngineSees) {
  if (!qbm::test::haveProgram("node") ||
      !fs::exists(fs::path(QBM_SOURCE_DIR) / "tests/interop/node/node_modules/mdb-reader"))
    GTEST_SKIP() << "node or mdb-reader is not installed (scripts/deps installs them)";
  std::string theirs;
  ASSERT_EQ(0, qbm::test::runCommand("node " + quoted(qbm::test::nodeReaderScript()) + " " + quoted(path_.string()), &theirs));
  jet::Database db = jet::Database::open(path_, {.exclusive = false, .readOnly = true});
  std::ostringstream ours;
  jet::dumpJson(db, {}, ours);
  qbm::test::expectSameDatabase(Json::parse(theirs), Json::parse(ours.str()),
                                {.rowOrderMatters = false, .compareIndexes = false});
}

INSTANTIATE_TEST_SUITE_P(Merges, MergedFileInterop,
                         testing::Values("fixtures/xqbaudio.mdb", "fixtures/spkrbase.mdb", "samples/xqbaudio.mdb",
                                         "samples/spkrbase.mdb", "jet3-samples/xqbaudio.mdb",
                                         "jet3-samples/spkrbase.mdb", "jet3-new-samples/xqbaudio.mdb",
                                         "jet3-new-samples/spkrbase.mdb"),
                         [](const auto& info) { return qbm::test::testNameOf(info.param); });

}  // namespace
