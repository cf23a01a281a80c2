// The sample databases as the independent JavaScript reader (mdb-reader) sees them: every table,
// column and value the same as the engine reads (mdbtools' reading is compared in the samples
// tests).

#include <gtest/gtest.h>

#include <sstream>

#include "jet/database.h"
#include "jet/dump.h"
#include "samples/sample_databases.h"
#include "tests/interop/table_compare.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qbm::test::Json;


using qbm::test::quoted;

TEST(SampleDatabasesInterop, JavaScriptReaderSeesWhatTheEngineReads) {
  if (!qbm::test::haveProgram("node") ||
      !fs::exists(fs::path(QBM_SOURCE_DIR) / "tests/interop/node/node_modules/mdb-reader"))
    GTEST_SKIP() << "node or mdb-reader is not installed (scripts/deps installs them)";
  qbm::test::ScratchDir dir;
  qbm::samples::writeSampleDatabases(dir.path(), {.drivers = 150, .seed = 21});
  for (std::string_view name : {qbm::samples::NewSampleFile, qbm::samples::PreviousSampleFile,
                                qbm::samples::LegacySampleFile}) {
    SCOPED_TRACE(std::string(name));
    const fs::path file = dir / std::string(name);
    std::string theirs;
    ASSERT_EQ(0, qbm::test::runCommand("node " + quoted(qbm::test::nodeReaderScript()) + " " + quoted(file.string()), &theirs));
    std::ostringstream ours;
    {
      jet::Database db = jet::Database::open(file, {.exclusive = false, .readOnly = true});
      jet::dumpJson(db, {}, ours);
    }
    // mdb-reader reports no indexes and lists overflow rows where their data lies.
    qbm::test::expectSameDatabase(Json::parse(theirs), Json::parse(ours.str()),
                                  {.rowOrderMatters = false, .compareIndexes = false});
  }
}

}  // namespace
