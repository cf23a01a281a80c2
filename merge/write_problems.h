#pragma once
// What a merge could not write. Writing goes on step by step past a value a field refuses or a row
// that cannot be saved; each such step is recorded here so that the merge can tell the person at
// its end instead of passing over it in silence.

#include <cstddef>
#include <string>
#include <vector>

namespace qbm {

struct WriteProblem {
  std::string driver;  // the driver (or company) concerned, as the person knows it
  std::string what;    // what was not written and why
  friend bool operator==(const WriteProblem&, const WriteProblem&) = default;
};

class WriteProblems {
 public:
  void add(std::string driver, std::string what) {
    problems_.push_back({std::move(driver), std::move(what)});
  }
  bool empty() const { return problems_.empty(); }
  std::size_t size() const { return problems_.size(); }
  const std::vector<WriteProblem>& all() const { return problems_; }

 private:
  std::vector<WriteProblem> problems_;
};

// "<driver>: <what>", one problem per line ("\r\n" between lines, as in every message), at most
// maxLines lines and then a line saying how many more there are.
std::string WriteProblemLines(const WriteProblems& problems, std::size_t maxLines);

}  // namespace qbm
