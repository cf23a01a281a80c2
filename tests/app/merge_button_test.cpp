// "Merge >" driven from the window: the overwrite question once, answered Yes or No, and the window
// after the merge.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <map>

#include "app/qt/progress_window.h"
#include "jet/check.h"
#include "jet/database.h"
#include "jet/file/journal.h"
#include "samples/driver_database_builder.h"
#include "tests/app/window_fixture.h"

namespace qbm {
namespace {

using test::str;
using test::WindowTest;

constexpr const char* OverwriteQuestion =
    "One or more drivers are about to be merged which will replace existing\n"
    "drivers in the new database. Do you want to allow drivers in the old\n"
    "database to write over drivers in the new database?";

class MergeButton : public WindowTest {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    WindowTest::SetUp();
  }

  // Merges every driver of the previous-format database, answering the question with `answer`.
  void mergeAll(QMessageBox::StandardButton answer) {
    openNew();
    openOld("xqbaudio.mdb", 1);
    ASSERT_TRUE(control("MMerge")->isVisible());
    newDriversBefore = toList()->rowCount();
    dialogs.buttons.push_back(answer);
    click("MMerge");
  }

  static std::int64_t driverRows(const std::filesystem::path& file) {
    jet::Database db = jet::Database::open(file, {.readOnly = true});
    return db.table("woofers").rowCount() + db.table("tweeters").rowCount();
  }

  // "Close", then the merged file on disk: no journal left, sound, and grown by as many driver
  // rows as the new list grew by entries (each added driver is listed once).
  void expectMergedFile() {
    const int listed = toList()->rowCount();
    click("MClose");
    const std::filesystem::path file = dir / "qbaudio.mdb";
    EXPECT_FALSE(std::filesystem::exists(jet::journalPathFor(file)));
    EXPECT_TRUE(jet::check(file).empty());
    EXPECT_EQ(driverRows(file) - driverRows(test::sharedDir() / "fixtures/qbaudio.mdb"), listed - newDriversBefore);
  }

  void expectQuestionAskedOnce() {
    const auto isQuestion = [](const test::SeenMessage& m) { return m.icon == QMessageBox::Question; };
    ASSERT_EQ(std::count_if(dialogs.messages.begin(), dialogs.messages.end(), isQuestion), 1);
    const test::SeenMessage& q = *std::find_if(dialogs.messages.begin(), dialogs.messages.end(), isQuestion);
    EXPECT_EQ(str(q.text), OverwriteQuestion);
    EXPECT_EQ(q.shownLines, 3) << "a line of the question wrapped";
    EXPECT_EQ(str(q.title), "QB Merge");
    EXPECT_EQ(q.buttons, QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No));
  }

  // After a merge the old list and report are empty, the button is gone and the new list is the
  // rescanned database.
  void expectWindowAfterMerge() {
    EXPECT_EQ(fromList()->rowCount(), 0);
    EXPECT_TRUE(fromList()->toolTip().isEmpty());
    EXPECT_TRUE(fromReport()->toPlainText().isEmpty());
    EXPECT_FALSE(control("MMerge")->isVisible());
    EXPECT_GE(toList()->rowCount(), 300);
    expectShows(toList(), state().ToList);
    EXPECT_EQ(str(control<QLabel>("ToName")->text()), "qbaudio.mdb");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(window.userInterface().progressWindow().isVisible());
  }

  int newDriversBefore = 0;
};

// Counts the paints of the progress window while it shows the drivers' captions, and the time
// they span.
struct PaintCounter : QObject {
  ProgressWindow* window = nullptr;
  int paints = 0;
  QElapsedTimer first;
  qint64 span = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Paint || !window->caption().startsWith("Copying ")) return false;
    if (!first.isValid()) first.start();
    ++paints;
    span = first.elapsed();
    return false;
  }
};

TEST_F(MergeButton, YesLetsTheOldDriversWriteOverTheNewOnes) {
  // The progress window paints the drivers' captions at most about 30 times a second (the first
  // captions, the repaint after the question and the exposes around it, at once; one paint per
  // driver would be one per listed old driver).
  PaintCounter counter;
  counter.window = &window.userInterface().progressWindow();
  counter.window->installEventFilter(&counter);
  mergeAll(QMessageBox::Yes);
  counter.window->removeEventFilter(&counter);
  ASSERT_GT(counter.paints, 0);
  EXPECT_LE(counter.paints, 6 + counter.span / 33)
      << "painted more often than 30 times a second: " << counter.paints << " in " << counter.span << " ms";
  expectQuestionAskedOnce();
  expectWindowAfterMerge();
  EXPECT_GT(toList()->rowCount(), newDriversBefore);
  expectMergedFile();
}

TEST_F(MergeButton, NoKeepsTheMatchedDriversOutAndStillAddsTheOthers) {
  mergeAll(QMessageBox::No);
  expectQuestionAskedOnce();
  expectWindowAfterMerge();
  // No keeps the matched drivers out, so the additions are the same as with Yes (replacements
  // never add an entry): the list grows by the unmatched old drivers only.
  EXPECT_GT(toList()->rowCount(), newDriversBefore);
  expectMergedFile();
}

// The question's details ("Show Details...") name, in list order, each listed driver that would
// write over a driver of the new database, with the new entry it replaces; drivers that match
// nothing there, or only each other, are not named; the question's text stays as it is.
TEST_F(MergeButton, TheQuestionsDetailsNameTheDriversThatWouldWriteOverNewOnes) {
  // Old model -> the new model it matches (case and "-", " ", "/" ignored; nothing: no match).
  const std::map<std::string, std::string> matches = {
      {"W1", "W-1"}, {"w3", "W 3"}, {"T2", "T/2"}, {"X", ""}, {"Y", ""}, {"Y-", ""}};
  {
    samples::DriverDatabaseBuilder newDb(dir / "qbaudio.mdb");
    const std::int32_t maker = newDb.addCompany({{"Company", "Maker"}});
    for (const char* model : {"W-1", "W 3", "Z"}) newDb.addWoofer({{"Model", model}, {"Company ID", maker}});
    newDb.addTweeter({{"Model", "T/2"}, {"Company ID", maker}});
    samples::DriverDatabaseBuilder oldDb(dir / "xqbaudio.mdb");
    const std::int32_t old = oldDb.addCompany({{"Company", "Maker"}});
    for (const char* model : {"W1", "w3", "X", "Y", "Y-"})
      oldDb.addWoofer({{"Model", model}, {"Company ID", old}, {"User Entry", true}});
    oldDb.addTweeter({{"Model", "T2"}, {"Company ID", old}, {"User Entry", true}});
  }
  window.userInterface().queueChosenFile(QString::fromStdString((dir / "qbaudio.mdb").string()));
  click("ToOpen");
  click("FromOpt1");
  window.userInterface().queueChosenFile(QString::fromStdString((dir / "xqbaudio.mdb").string()));
  click("FromOpen");
  ASSERT_EQ(fromList()->rowCount(), static_cast<int>(matches.size()));
  std::string expected = "3 drivers of this merge would write over drivers in the new database:";
  for (int i = 0; i < fromList()->rowCount(); ++i) {
    const QString old = fromList()->rowText(i);
    const std::string model = str(old.section("  ", 1, 1));
    ASSERT_TRUE(matches.count(model)) << str(old);
    if (matches.at(model).empty()) continue;
    const int row = rowWith(toList(), "  " + QString::fromStdString(matches.at(model)) + "  ");
    ASSERT_GE(row, 0);
    expected += "\n" + str(old) + " replaces " + str(toList()->rowText(row));
  }
  dialogs.buttons.push_back(QMessageBox::Yes);
  click("MMerge");
  expectQuestionAskedOnce();
  EXPECT_EQ(str(dialogs.messages.front().details), expected);
}

// Into an Access 97 new database (text in code page 1252) from an Access 2000 old one: a driver
// whose notes hold "Ω" is left out, and the window says which driver, field and character in its
// write-problem message; the other driver is merged.
TEST_F(WindowTest, MergingTextAnAccess97FileCannotHoldShowsTheProblem) {
  {
    samples::BuilderOptions access97;
    access97.format = jet::Format::Jet3;
    samples::DriverDatabaseBuilder newDb(dir / "qbaudio.mdb", access97);
    const std::int32_t held = newDb.addCompany({{"Company", "Maker"}});
    newDb.addWoofer({{"Model", "Z"}, {"Company ID", held}});  // "Merge >" shows while both lists hold drivers
    samples::DriverDatabaseBuilder oldDb(dir / "xqbaudio.mdb");
    const std::int32_t maker = oldDb.addCompany({{"Company", "Maker"}});
    oldDb.addWoofer({{"Model", "A"}, {"Company ID", maker}, {"User Entry", true}, {"Notes", "8 \xCE\xA9"}});
    oldDb.addWoofer({{"Model", "B"}, {"Company ID", maker}, {"User Entry", true}, {"Notes", "8 ohms"}});
  }
  window.userInterface().queueChosenFile(QString::fromStdString((dir / "qbaudio.mdb").string()));
  click("ToOpen");
  window.userInterface().queueChosenFile(QString::fromStdString((dir / "xqbaudio.mdb").string()));
  click("FromOpen");
  ASSERT_EQ(fromList()->rowCount(), 2);
  click("MMerge");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Warning);
  EXPECT_TRUE(dialogs.messages[0].text.contains(
      "[Maker]  A  (ob): not written: its \"Notes\" holds \"\u03A9\" (U+03A9), which the new database (code page "
      "1252) cannot store"))
      << str(dialogs.messages[0].text);
  ASSERT_EQ(toList()->rowCount(), 2);
  EXPECT_EQ(str(toList()->rowText(0)), "[Maker]  B  (ob)");
  EXPECT_EQ(str(toList()->rowText(1)), "[Maker]  Z  (ob)");
}

}  // namespace
}  // namespace qbm
