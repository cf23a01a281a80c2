// The merge with its indexed look-ups writes exactly what the merge with the rules' own walks
// writes (all 900 company slots per driver, the new table walked in "Model" index order per
// driver): on many generated pairs of databases built to collide, and on the sample generator's
// databases. Both merges run on copies of the same files; the files are compared table by table.

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "jet/dump.h"
#include "samples/sample_databases.h"
#include "tests/merge/merge_sides.h"

namespace qbm {
namespace {

using test::MergeSides;

class Collisions {
 public:
  explicit Collisions(unsigned seed) : random_(seed) {}

  int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool chance(int percent) { return number(1, 100) <= percent; }
  template <class T>
  const T& pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(number(0, static_cast<int>(items.size()) - 1))];
  }

  std::string company() {
    return pick(std::vector<std::string>{"Peerless Fabrikkerne, Ltd.", "Peerless", "PEER", "peerless audio",
                                         "Scan-Speak A/S", "scan", "Vifa", "Öhlins", "öhl", "Maker", "Make",
                                         "M", ""});
  }
  std::string model() {
    std::string m = pick(std::vector<std::string>{"CW", "cw", "C W", "Tri", "TRI", "É", "é"}) +
                    pick(std::vector<std::string>{"", "-", " ", "=", "/"}) +
                    pick(std::vector<std::string>{"1", "10", "1/8"});
    if (chance(25)) m += pick(std::vector<std::string>{" - LF", " - lf", " - MF", " - HF", " - hf"});
    return m;
  }

  // A new database whose companies and drivers collide in every way the rules care about.
  void fillNew(samples::DriverDatabaseBuilder& b) {
    b.database().begin();
    std::vector<std::int32_t> companies;
    for (int i = 0, n = number(1, 8); i < n; ++i) {
      samples::RowValues row{{"Company", company()}};
      if (chance(10)) row.set("ID", number(880, 960));  // some beyond 900
      try {
        companies.push_back(b.addCompany(row));
      } catch (const jet::Error&) {  // an ID drawn twice
      }
    }
    for (const DriverTable t : {DriverTable::Woofers, DriverTable::Tweeters})
      for (int i = 0, n = number(0, 60); i < n; ++i) {
        samples::RowValues row{{"Company ID", chance(90) ? pick(companies) : number(-1, 1000)},
                               {"Type", std::int16_t(number(0, 3))},
                               {"Fs", 10.0 + i}};
        if (chance(95)) row.set("Model", model());
        if (chance(5)) row.set("ID", number(-2, 0));
        try {
          const std::int32_t id = t == DriverTable::Woofers ? b.addWoofer(row) : b.addTweeter(row);
          if (chance(50)) {
            if (t == DriverTable::Woofers)
              b.addWooferResponse(id, test::flatResponse(static_cast<float>(i)));
            else
              b.addTweeterResponse(id, test::flatResponse(static_cast<float>(i)));
          }
        } catch (const jet::Error&) {
        }
      }
    b.database().commit();
  }

  // An old previous-format database of the same kind of names.
  void fillOld(samples::DriverDatabaseBuilder& b) {
    b.database().begin();
    std::vector<std::int32_t> companies;
    for (int i = 0, n = number(1, 15); i < n; ++i) companies.push_back(b.addCompany({{"Company", company()}}));
    for (const DriverTable t : {DriverTable::Woofers, DriverTable::Tweeters})
      for (int i = 0, n = number(1, 40); i < n; ++i) {
        samples::RowValues row{{"Model", model()},
                               {"Company ID", chance(90) ? pick(companies) : 777},  // 777: no such row
                               {"User Entry", true},
                               {"Type", std::int16_t(number(0, 3))},
                               {"Acoustic", chance(50)},
                               {"Fs", 20.0 + i}};
        if (t == DriverTable::Woofers) row.set("Dual", chance(30)).set("Qesp", chance(50) ? 0.0 : 1.5);
        const std::int32_t id = t == DriverTable::Woofers ? b.addWoofer(row) : b.addTweeter(row);
        if (chance(70)) {
          const std::vector<float> levels = test::flatResponse(chance(20) ? 0.0f : static_cast<float>(i + 1));
          if (t == DriverTable::Woofers)
            b.addWooferResponse(id, levels);
          else
            b.addTweeterResponse(id, levels);
        }
      }
    b.database().commit();
  }

  // The list to merge: the old list, some entries twice, in an order of its own.
  std::vector<ListEntry> entries(std::vector<ListEntry> listed) {
    const std::size_t n = listed.size();
    for (std::size_t i = 0; i < n; ++i)
      if (chance(15)) listed.push_back(listed[i]);
    std::shuffle(listed.begin(), listed.end(), random_);
    return listed;
  }

 private:
  std::mt19937 random_;
};

// Every table of the file as CSV.
std::string dumpAll(const std::filesystem::path& file) {
  jet::Database db = jet::Database::open(file, {.exclusive = false, .readOnly = true});
  std::ostringstream out;
  for (const std::string& t : db.tableNames()) jet::dumpCsv(db, t, out);
  return out.str();
}

// Merges the entries of the first side into copies of its files, once indexed and once literal,
// and expects the same files and the same summary.
void expectSameMerge(const std::filesystem::path& newFile, const std::filesystem::path& oldFile,
                     bool answer, OldListMode mode, unsigned seed, bool shuffle) {
  MergeSides indexed, literal;
  for (MergeSides* s : {&indexed, &literal}) {
    std::filesystem::copy_file(newFile, s->newPath());
    std::filesystem::copy_file(oldFile, s->dir / oldFile.filename());
  }
  std::vector<ListEntry> entries;
  MergeSummary summaries[2];
  int k = 0;
  for (MergeSides* s : {&indexed, &literal}) {
    s->openPaths(s->newPath(), s->dir / oldFile.filename(), mode);
    ASSERT_TRUE(s->db().New.DbOpen && s->db().Old.DbOpen);
    if (k == 0) entries = shuffle ? Collisions(seed).entries(s->listed()) : s->listed();
    s->ui.answers.push_back(answer);
    summaries[k++] = s->merge(entries, s == &literal);
    s->close();
  }
  EXPECT_EQ(summaries[0].woofers.added, summaries[1].woofers.added);
  EXPECT_EQ(summaries[0].woofers.replaced, summaries[1].woofers.replaced);
  EXPECT_EQ(summaries[0].woofers.skipped, summaries[1].woofers.skipped);
  EXPECT_EQ(summaries[0].tweeters.added, summaries[1].tweeters.added);
  EXPECT_EQ(summaries[0].tweeters.replaced, summaries[1].tweeters.replaced);
  EXPECT_EQ(summaries[0].companiesAdded, summaries[1].companiesAdded);
  EXPECT_EQ(summaries[0].asked, summaries[1].asked);
  EXPECT_EQ(summaries[0].problems.all(), summaries[1].problems.all());
  const std::string a = dumpAll(indexed.newPath()), b = dumpAll(literal.newPath());
  EXPECT_TRUE(a == b) << "the merged files differ (seed " << seed << ")";
}

TEST(MergeEquivalence, IndexedLookupsWriteWhatTheLiteralRulesWriteOnCollidingDatabases) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    test::ScratchDir dir;
    Collisions gen(seed);
    {
      samples::DriverDatabaseBuilder n(dir / "qbaudio.mdb");
      gen.fillNew(n);
      samples::DriverDatabaseBuilder o(dir / "xqbaudio.mdb");
      gen.fillOld(o);
    }
    SCOPED_TRACE("seed " + std::to_string(seed));
    expectSameMerge(dir / "qbaudio.mdb", dir / "xqbaudio.mdb", seed % 3 != 0, OldListMode::All, seed, true);
  }
}

TEST(MergeEquivalence, IndexedLookupsWriteWhatTheLiteralRulesWriteOnSampleDatabases) {
  test::ScratchDir dir;
  samples::writeSampleDatabases(dir.path(), {.drivers = 300, .seed = 7});
  for (const char* old : {"xqbaudio.mdb", "spkrbase.mdb"})
    for (OldListMode option : {OldListMode::Changed, OldListMode::All}) {
      SCOPED_TRACE(std::string(old) + (option == OldListMode::All ? " all" : " changed"));
      expectSameMerge(dir / "qbaudio.mdb", dir / old, true, option, 0, false);
    }
}

}  // namespace
}  // namespace qbm
