// A merge stopped after it copied a company and wrote a driver of it is rolled back whole. The
// merge after it must work from the file as it is again: a company the stopped merge had added is
// gone, so it is copied again, and no driver is written under a Company ID that has no row.

#include <gtest/gtest.h>

#include <stdexcept>

#include "db/schema.h"
#include "merge/apply_merge_plan.h"
#include "samples/driver_database_builder.h"
#include "session/session.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

// Stops the merge when it comes to the driver whose caption is stopAt (once).
class StopAtDriver : public test::FakeUserInterface {
 public:
  std::string stopAt;
  void showProgressStep(const std::string& caption) override {
    showProgress(caption);
    if (caption == stopAt) {
      stopAt.clear();
      throw std::runtime_error("stopped at " + caption);
    }
  }
};

TEST(MergeRollback, AMergeAfterARolledBackOneWritesNoDriverWithoutItsCompany) {
  test::ScratchDir dir;
  const std::filesystem::path newFile = dir / "qbaudio.mdb", oldFile = dir / "xqbaudio.mdb";
  {
    samples::DriverDatabaseBuilder n(newFile);
    n.addCompany({{"Company", "Other"}});
    samples::DriverDatabaseBuilder o(oldFile);
    const std::int32_t newco = o.addCompany({{"Company", "Newco"}});
    for (const char* model : {"A", "B", "C"})
      o.addWoofer({{"Model", model}, {"Company ID", newco}, {"User Entry", true}, {"Fs", 25.0}});
  }
  StopAtDriver ui;
  Session session(ui);
  ui.files = {newFile.string(), oldFile.string()};
  session.ToOpen_Click();
  session.state().FromOpt = ShowAllDriversOption;
  session.FromOpen_Click();
  ASSERT_EQ(session.state().FromList.count(), 3u);

  ui.stopAt = CopyingDriverCaption("B");  // Newco and A are written by then
  ASSERT_EQ(session.MMerge_Click().status, MergeOutcome::Status::Failed);
  const MergeOutcome again = session.MMerge_Click();
  ASSERT_EQ(again.status, MergeOutcome::Status::Merged);
  EXPECT_EQ(again.summary.companiesAdded, 1);
  EXPECT_EQ(again.summary.woofers.added, 3);

  DatabaseState& db = session.state().databases;
  jet::Table& companies = *db.New.Companies;
  companies.setIndex(indexes::ID);
  jet::Table& woofers = *db.New.Woofers;
  int written = 0;
  for (woofers.moveFirst(); !woofers.eof(); woofers.moveNext(), ++written)
    EXPECT_TRUE(companies.seek(woofers.get(fields::CompanyID)))
        << woofers.get(fields::Model).toString() << " names company " << woofers.get(fields::CompanyID).toString()
        << ", which has no row";
  EXPECT_EQ(written, 3);
}

}  // namespace
}  // namespace qbm
