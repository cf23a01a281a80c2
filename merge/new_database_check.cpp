#include "merge/new_database_check.h"

#include <algorithm>

#include "db/schema.h"
#include "merge/write_problems.h"

namespace qbm {

NewDatabaseDamaged::NewDatabaseDamaged(std::vector<jet::Problem> problems)
    : std::runtime_error("the new database is damaged: " + problems.front().where + ": " +
                         problems.front().what),
      problems_(std::move(problems)) {}

void CheckNewDatabaseBeforeWrite(jet::Database& db) {
  const std::vector<std::string> written = {std::string(tables::Woofers), std::string(tables::Tweeters),
                                            std::string(tables::Companies), std::string(tables::WooferResponse),
                                            std::string(tables::TweeterResponse)};
  std::vector<jet::Problem> problems = jet::check(db, written);
  std::erase_if(problems, [](const jet::Problem& p) { return p.kind == jet::ProblemKind::FreePageMap; });
  if (!problems.empty()) throw NewDatabaseDamaged(std::move(problems));
}

NewDatabaseCheckAlongside::NewDatabaseCheckAlongside(jet::Database& db)
    : view_(db.readView()), thread_([this] {
        try {
          CheckNewDatabaseBeforeWrite(view_);
        } catch (...) {
          failure_ = std::current_exception();
        }
      }) {}

NewDatabaseCheckAlongside::~NewDatabaseCheckAlongside() {
  if (thread_.joinable()) thread_.join();
  view_.close();
}

void NewDatabaseCheckAlongside::wait() {
  if (thread_.joinable()) thread_.join();
  view_.close();
  if (failure_) std::rethrow_exception(failure_);
}

std::string DamageLines(const std::vector<jet::Problem>& problems, std::size_t maxLines) {
  WriteProblems lines;
  for (const jet::Problem& p : problems) lines.add(p.where, p.what);
  return WriteProblemLines(lines, maxLines);
}

}  // namespace qbm
