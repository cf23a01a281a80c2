// Damaged NEW and OLD databases through qbmerge-cli. The damaged files are made here from generated
// samples: truncated, a page zeroed, an index page scrambled, a data page cross-linked into a second
// table, and a sweep of such damage over every kind of page of both files. What must hold:
//  - no crash and no hang (each run under a time limit, exit status 0 or 1);
//  - a file the command does not write is byte-identical afterwards;
//  - a NEW database that fails the check before the first write is refused and left as it was;
//  - what cannot be read is reported: a list that lost drivers warns or fails, a dump that lost rows
//    exits 1, and a merge that could not read everything of the old database counts read problems.

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <regex>

#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/index/index_page.h"
#include "jet/page/usage_map.h"
#include "jet/page/usage_map_editor.h"
#include "merge/new_database_check.h"
#include "samples/sample_databases.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::quoted;


struct DamageOutcome {
  int status = 0;
  std::string out, err;
};

// The command under a time limit (a hang exits 124, a crash 128 + the signal), with no terminal.
DamageOutcome run(const std::string& arguments) {
  static int n = 0;
  static const unsigned kRun = std::random_device{}();  // apart from other runs of the tests
  const fs::path errFile = fs::temp_directory_path() /
                           ("qbm-damaged-err-" + std::to_string(kRun) + "-" + std::to_string(++n));
  DamageOutcome r;
  r.status = test::runCommand(test::withTimeLimit(30, qbm::test::cliCommand() + " " + arguments + " <" + test::nullDevice() + " 2>" + quoted(errFile)), &r.out);
  r.err = test::textOf(errFile);
  fs::remove(errFile);
  return r;
}

// The drivers a list printed ("<id>\t<text>" lines).
long listedDrivers(const std::string& out) {
  long n = 0;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) n += line.find('\t') != std::string::npos ? 1 : 0;
  return n;
}

// "Read problems: N." of a merge summary; -1 when there is none.
long readProblems(const std::string& out) {
  std::smatch m;
  return std::regex_search(out, m, std::regex("Read problems: (\\d+)\\.")) ? std::stol(m[1]) : -1;
}

long mergedDrivers(const std::string& out) {
  long n = 0;
  const std::regex counts("(\\d+) added, (\\d+) replaced");
  for (auto it = std::sregex_iterator(out.begin(), out.end(), counts); it != std::sregex_iterator(); ++it)
    n += std::stol((*it)[1]) + std::stol((*it)[2]);
  return n;
}

// Where things are in a sound sample file, found by reading it.
struct Landmarks {
  std::uint32_t pageSize = 0;
  std::map<std::string, std::vector<std::uint32_t>> dataPages;  // by table, system tables too
  std::uint32_t modelIndexLeaf = 0;                            // a leaf of woofers' index "Model"
  std::map<std::uint32_t, std::string> pageClasses;            // a name for each page's kind

  explicit Landmarks(const fs::path& file) {
    jet::Database db = jet::Database::open(file, {.exclusive = false, .readOnly = true});
    jet::PageFile& pages = jet::detail::coreOf(db).file();
    pageSize = pages.pageSize();
    std::map<std::uint32_t, std::string> tableOf;  // first TDEF page -> table
    for (const jet::CatalogEntry& entry : jet::detail::coreOf(db).catalog()) {
      auto def = jet::detail::coreOf(db).definition(entry);
      tableOf[def->firstPage] = entry.name;
      dataPages[entry.name] = jet::readUsageMap(pages, def->ownedPagesMap).pages;
      if (entry.system) continue;
      if (entry.name != "woofers") continue;
      for (const jet::LogicalIndex& index : def->logicalIndexes) {
        if (index.name != "Model") continue;
        std::uint32_t page = def->realIndexes[index.realIndex].firstPage;
        for (;;) {
          jet::IndexPage decoded = jet::decodeIndexPage(pages.page(page)->bytes(), page, pages.layout());
          if (decoded.leaf) break;
          page = decoded.children().front();
        }
        modelIndexLeaf = page;
      }
    }
    for (std::uint32_t p = 1; p < pages.pageCount(); ++p) {
      jet::PageRef page = pages.page(p);
      std::string kind = "type " + std::to_string(page->type());
      if (page->type() == jet::format::page_type::kData) {
        const std::uint32_t owner = jet::dataPageOwner(*page, pages.layout());
        kind += tableOf.count(owner) ? " of " + tableOf[owner] : " (long values or free)";
      }
      pageClasses[p] = kind;
    }
  }
};

// The damage done to a copy of a sound file.
enum class Damage { Truncate, Zero, Scramble };

Bytes damaged(Bytes bytes, Damage damage, std::uint32_t page, std::uint32_t pageSize) {
  const std::size_t at = static_cast<std::size_t>(page) * pageSize;
  switch (damage) {
    case Damage::Truncate: bytes.resize(at); break;
    case Damage::Zero: std::fill(bytes.begin() + at, bytes.begin() + at + pageSize, 0); break;
    case Damage::Scramble: {
      // The page keeps its first 32 bytes (its kind and owner): the rest is garbled.
      std::mt19937 random(page);
      for (std::size_t i = at + 32; i < at + pageSize; ++i) bytes[i] ^= static_cast<std::uint8_t>(random());
      break;
    }
  }
  return bytes;
}

// Whether the merge may write into this NEW file: it opens and passes the check before writing.
bool passesPreWriteCheck(const fs::path& file) {
  try {
    jet::Database db = jet::Database::open(file, {.exclusive = false, .readOnly = true});
    CheckNewDatabaseBeforeWrite(db);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

class DamagedFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    samples_ = new test::ScratchDir;
    samples::writeSampleDatabases(samples_->path(), {.drivers = 200, .seed = 1});
  }
  static void TearDownTestSuite() {
    delete samples_;
    samples_ = nullptr;
  }

  static fs::path sample(std::string_view name) { return samples_->path() / std::string(name); }
  fs::path newFile() const { return dir / std::string(samples::NewSampleFile); }
  fs::path oldFile() const { return dir / std::string(samples::PreviousSampleFile); }

  // Sound copies of both samples in dir; then the one named gets the bytes given.
  void lay(const fs::path& damagedFile, const Bytes& bytes) {
    for (const fs::path& f : fs::directory_iterator(dir.path())) fs::remove(f);
    fs::copy_file(sample(samples::NewSampleFile), newFile());
    fs::copy_file(sample(samples::PreviousSampleFile), oldFile());
    qbm::test::writeFileBytes(damagedFile, bytes);
  }

  static std::string merge(const fs::path& n, const fs::path& o) {
    return "merge " + quoted(n) + " " + quoted(o) + " --all --overwrite yes";
  }

  static inline test::ScratchDir* samples_ = nullptr;
  test::ScratchDir dir;
};

// A merge into a damaged NEW database is refused, names the problems, and writes nothing; reading
// the same file tells what it could not read.
TEST_F(DamagedFiles, ADamagedNewDatabaseIsRefusedAndItsReadersTellWhatTheyMissed) {
  const Landmarks at(sample(samples::NewSampleFile));
  const Bytes sound = qbm::test::fileBytes(sample(samples::NewSampleFile));
  const std::uint32_t pages = static_cast<std::uint32_t>(sound.size() / at.pageSize);
  const std::uint32_t woofersPage = at.dataPages.at("woofers").back();
  const std::string& lastPage = at.pageClasses.at(pages - 1);
  struct Case {
    std::string name;
    Bytes bytes;
    bool unreadable;  // the walks of the drivers' tables meet pages they cannot read
    bool driversLost;
  };
  std::vector<Case> cases = {
      {"truncated to 60 %", damaged(sound, Damage::Truncate, pages * 6 / 10, at.pageSize), true, true},
      {"truncated inside its last page (" + lastPage + ")", Bytes(sound.begin(), sound.end() - 100),
       lastPage.ends_with("woofers") || lastPage.ends_with("tweeters"),
       lastPage.ends_with("woofers") || lastPage.ends_with("tweeters")},
      {"a page of woofers zeroed", damaged(sound, Damage::Zero, woofersPage, at.pageSize), true, true},
      {"a leaf of woofers' Model index scrambled",
       damaged(sound, Damage::Scramble, at.modelIndexLeaf, at.pageSize), false, false},
      // The catalog, which the merge relies on though it writes none of its rows.
      {"a page of MSysACEs zeroed", damaged(sound, Damage::Zero, at.dataPages.at("MSysACEs").front(), at.pageSize),
       false, false},
  };
  {
    // A data page of the tweeters also listed in the woofers' page map: claimed by two tables.
    lay(newFile(), sound);
    jet::Database db = jet::Database::open(newFile());
    jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
    db.begin();
    jet::UsageMapEditor(core.file(), core.definition(*core.findTable("woofers"))->ownedPagesMap)
        .add(at.dataPages.at("tweeters").front(), [] () -> std::uint32_t { throw std::logic_error("no room"); });
    db.commit();
    db.close();
    cases.push_back({"a page of tweeters cross-linked into woofers", qbm::test::fileBytes(newFile()), true, false});
  }
  const DamageOutcome soundList = run("list " + quoted(sample(samples::NewSampleFile)));
  ASSERT_EQ(soundList.status, 0);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lay(newFile(), c.bytes);
    EXPECT_EQ(run("check " + quoted(newFile())).status, 1) << "the damage is real";

    const DamageOutcome merged = run(merge(newFile(), oldFile()));
    EXPECT_EQ(merged.status, 1);
    EXPECT_NE(merged.err.find("is damaged, so nothing was merged into it"), std::string::npos) << merged.err;
    EXPECT_EQ(merged.err.find("\\n"), std::string::npos) << "each problem on a line of its own: " << merged.err;
    EXPECT_EQ(qbm::test::fileBytes(newFile()), c.bytes);
    EXPECT_EQ(qbm::test::fileBytes(oldFile()), qbm::test::fileBytes(sample(samples::PreviousSampleFile)));
    EXPECT_FALSE(fs::exists(jet::journalPathFor(newFile())));

    const DamageOutcome listed = run("list " + quoted(newFile()));
    const DamageOutcome dumped = run("dump " + quoted(newFile()));
    EXPECT_EQ(listed.status, 0);
    if (c.driversLost)
      EXPECT_LT(listedDrivers(listed.out), listedDrivers(soundList.out));
    else
      EXPECT_EQ(listed.out, soundList.out);
    EXPECT_EQ(listed.err.find("could not be read") != std::string::npos, c.unreadable) << listed.err;
    EXPECT_EQ(dumped.status, c.unreadable ? 1 : 0) << dumped.err;
    EXPECT_EQ(qbm::test::fileBytes(newFile()), c.bytes) << "readers never write";
  }
}

// A damaged OLD database: what its scan could not read is counted in the merge summary, and the
// old file is never written.
TEST_F(DamagedFiles, AMergeFromADamagedOldDatabaseCountsWhatItCouldNotRead) {
  const Landmarks at(sample(samples::PreviousSampleFile));
  const Bytes sound = qbm::test::fileBytes(sample(samples::PreviousSampleFile));
  const std::uint32_t pages = static_cast<std::uint32_t>(sound.size() / at.pageSize);
  lay(oldFile(), sound);
  const DamageOutcome soundMerge = run(merge(newFile(), oldFile()));
  ASSERT_EQ(soundMerge.status, 0) << soundMerge.err;
  EXPECT_EQ(readProblems(soundMerge.out), 0);

  for (const auto& [name, bytes] : std::vector<std::pair<std::string, Bytes>>{
           {"truncated to 60 %", damaged(sound, Damage::Truncate, pages * 6 / 10, at.pageSize)},
           {"a page of woofers zeroed", damaged(sound, Damage::Zero, at.dataPages.at("woofers").front(), at.pageSize)},
           {"a page of tweeters zeroed", damaged(sound, Damage::Zero, at.dataPages.at("tweeters").back(), at.pageSize)}}) {
    SCOPED_TRACE(name);
    lay(oldFile(), bytes);
    // As JSON (a dry run): every listed driver that could not be loaded named, with the rows and
    // pages the scan passed over adding up to the count.
    const DamageOutcome dry = run(merge(newFile(), oldFile()) + " --dry-run --json");
    ASSERT_EQ(dry.status, 0) << dry.err;
    const test::Json json = test::Json::parse(dry.out);
    const test::Json& summary = json["summary"];
    EXPECT_TRUE(json["dryRun"].boolean);
    EXPECT_GT(std::stol(summary["readProblems"].text), 0);
    EXPECT_EQ(std::stol(summary["readProblems"].text), static_cast<long>(json["readProblems"].size()) +
                                                            std::stol(summary["oldRowsUnread"].text) +
                                                            std::stol(summary["oldPagesUnread"].text));
    for (std::size_t i = 0; i < json["readProblems"].size(); ++i)
      EXPECT_FALSE(json["readProblems"][i]["what"].text.empty());
    const DamageOutcome merged = run(merge(newFile(), oldFile()));
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_LT(mergedDrivers(merged.out), mergedDrivers(soundMerge.out));
    EXPECT_GT(readProblems(merged.out), 0) << merged.out;
    EXPECT_EQ(readProblems(merged.out), std::stol(summary["readProblems"].text)) << "the dry run met the same";
    EXPECT_NE(merged.err.find("could not be read"), std::string::npos) << merged.err;
    EXPECT_EQ(qbm::test::fileBytes(oldFile()), bytes);
  }

  // A page of the response table zeroed: the drivers whose response was on it are read problems,
  // each named, and none is merged without its response or with levels made up.
  lay(oldFile(), damaged(sound, Damage::Zero, at.dataPages.at("woofer-response").front(), at.pageSize));
  const DamageOutcome dry = run(merge(newFile(), oldFile()) + " --dry-run --json");
  ASSERT_EQ(dry.status, 0) << dry.err;
  const test::Json json = test::Json::parse(dry.out);
  const long unread = std::stol(json["summary"]["readProblems"].text);
  EXPECT_GT(unread, 0);
  EXPECT_EQ(unread, static_cast<long>(json["readProblems"].size())) << "every one named";
  const DamageOutcome merged = run(merge(newFile(), oldFile()));
  EXPECT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(readProblems(merged.out), unread) << merged.out;
  EXPECT_EQ(mergedDrivers(merged.out) + unread, mergedDrivers(soundMerge.out)) << merged.out;
}

// Damage of every kind of page of both files (truncated there, zeroed, scrambled), through list,
// show and merge with the damaged file as NEW and as OLD.
TEST_F(DamagedFiles, SweepOfDamageOverEveryKindOfPage) {
  struct Tally {
    int files = 0, runs = 0;
    int readsWarned = 0, readsFailed = 0;  // list and show: exit 0 with a warning, exit 1
    int refused = 0, merged = 0, mergedWithReadProblems = 0, mergeFailed = 0;
  };
  std::map<std::string, Tally> tallies;
  for (const std::string_view role : {samples::NewSampleFile, samples::PreviousSampleFile}) {
    const bool damagingNew = role == samples::NewSampleFile;
    const Landmarks at(sample(role));
    const Bytes sound = qbm::test::fileBytes(sample(role));
    // The first and the last page of each kind.
    std::map<std::string, std::vector<std::uint32_t>> byClass;
    for (const auto& [page, kind] : at.pageClasses) byClass[kind].push_back(page);
    std::vector<std::uint32_t> chosen;
    for (const auto& [kind, list] : byClass) {
      chosen.push_back(list.front());
      if (list.size() > 1) chosen.push_back(list.back());
    }
    const DamageOutcome soundList = run("list " + quoted(sample(samples::NewSampleFile)) +
                              (damagingNew ? "" : " " + quoted(sample(role)) + " --all"));
    ASSERT_EQ(soundList.status, 0);
    // The first driver listed, as "<id>ob" or "<id>sb".
    const std::string firstLine = soundList.out.substr(0, soundList.out.find('\n'));
    const std::string firstDriver =
        firstLine.substr(0, firstLine.find('\t')) + firstLine.substr(firstLine.size() - 3, 2);
    Tally& tally = tallies[damagingNew ? "NEW" : "OLD"];

    for (const std::uint32_t page : chosen) {
      for (const Damage damage : {Damage::Truncate, Damage::Zero, Damage::Scramble}) {
        SCOPED_TRACE(std::string(role) + ", page " + std::to_string(page) + " (" + at.pageClasses.at(page) +
                     "), damage " + std::to_string(static_cast<int>(damage)));
        const Bytes bytes = damaged(sound, damage, page, at.pageSize);
        const fs::path file = damagingNew ? newFile() : oldFile();
        lay(file, bytes);
        const Bytes soundOther = qbm::test::fileBytes(damagingNew ? oldFile() : newFile());
        const bool writable = damagingNew && passesPreWriteCheck(newFile());
        ++tally.files;

        const std::string files = damagingNew ? quoted(newFile()) : quoted(newFile()) + " " + quoted(oldFile());
        const DamageOutcome listed = run("list " + files + (damagingNew ? "" : " --all"));
        const DamageOutcome shown = run("show " + files + (damagingNew ? " --new " : " --old ") + firstDriver);
        for (const DamageOutcome* r : {&listed, &shown}) {
          EXPECT_TRUE(r->status == 0 || r->status == 1) << r->status << " " << r->err;
          tally.readsWarned += r->status == 0 && !r->err.empty();
          tally.readsFailed += r->status == 1;
        }
        EXPECT_EQ(qbm::test::fileBytes(newFile()), damagingNew ? bytes : soundOther);
        EXPECT_EQ(qbm::test::fileBytes(oldFile()), damagingNew ? soundOther : bytes);
        // Drivers missing from the list are never lost in silence (scrambled rows may read as rows
        // the scan leaves out by its rules, so only whole pages are held to it).
        if (damage != Damage::Scramble && listed.status == 0 &&
            listedDrivers(listed.out) < listedDrivers(soundList.out)) {
          EXPECT_NE(listed.err.find("could not be read"), std::string::npos) << listed.err;
        }

        const DamageOutcome merged = run(merge(newFile(), oldFile()));
        tally.runs += 3;
        EXPECT_TRUE(merged.status == 0 || merged.status == 1) << merged.status << " " << merged.err;
        const bool refused = merged.err.find("is damaged, so nothing was merged") != std::string::npos;
        if (damagingNew) {
          EXPECT_EQ(qbm::test::fileBytes(oldFile()), soundOther);
          if (!writable) {
            EXPECT_EQ(qbm::test::fileBytes(newFile()), bytes) << merged.err;
          }
          // A file the check let through is no worse for the merge.
          if (writable && merged.status == 0) {
            EXPECT_TRUE(passesPreWriteCheck(newFile()));
          }
        } else {
          EXPECT_EQ(qbm::test::fileBytes(oldFile()), bytes);
          EXPECT_FALSE(refused);
        }
        tally.refused += refused;
        tally.merged += merged.status == 0;
        tally.mergedWithReadProblems += merged.status == 0 && readProblems(merged.out) > 0;
        tally.mergeFailed += merged.status == 1 && !refused;
        EXPECT_FALSE(fs::exists(jet::journalPathFor(newFile())));
      }
    }
  }
  for (const auto& [role, t] : tallies)
    std::cout << "damaged " << role << ": " << t.files << " files, " << t.runs << " runs; list and show: "
              << t.readsWarned << " warned, " << t.readsFailed << " failed with a message; merge: " << t.refused
              << " refused by the check, " << t.merged << " merged (" << t.mergedWithReadProblems
              << " with read problems), " << t.mergeFailed << " failed with a message\n";
}

}  // namespace
}  // namespace qbm
