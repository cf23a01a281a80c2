#include "merge/merge_record.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace qbm {
namespace {

std::tm localTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

std::string dateText(const std::tm& t) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  return text;
}

long numberOf(std::string_view text) {
  long value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

MergeRecord MergeRecordOf(const MergeSummary& summary) {
  const std::tm now = localTimeNow();
  char time[8];
  std::snprintf(time, sizeof time, "%02d:%02d", now.tm_hour, now.tm_min);
  return {dateText(now) + " " + time, summary.woofers, summary.tweeters, summary.companiesAdded};
}

std::string LocalDateToday() { return dateText(localTimeNow()); }

std::string EncodeMergeRecord(const MergeRecord& r) {
  const auto counts = [](const MergeCounts& c) {
    return std::to_string(c.added) + " " + std::to_string(c.replaced) + " " + std::to_string(c.skipped);
  };
  return "merge\nwhen=" + r.when + "\nwoofers=" + counts(r.woofers) + "\ntweeters=" + counts(r.tweeters) +
         "\ncompanies=" + std::to_string(r.companiesAdded) + "\n";
}

MergeRecord DecodeMergeRecord(std::string_view note) {
  MergeRecord r;
  const auto counts = [](std::string_view text) {
    MergeCounts c;
    long* fields[] = {&c.added, &c.replaced, &c.skipped};
    for (long* field : fields) {
      const std::size_t end = std::min(text.find(' '), text.size());
      *field = numberOf(text.substr(0, end));
      text.remove_prefix(std::min(end + 1, text.size()));
    }
    return c;
  };
  while (!note.empty()) {
    const std::size_t end = std::min(note.find('\n'), note.size());
    const std::string_view line = note.substr(0, end);
    note.remove_prefix(std::min(end + 1, note.size()));
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "when") r.when = std::string(value);
    else if (key == "woofers") r.woofers = counts(value);
    else if (key == "tweeters") r.tweeters = counts(value);
    else if (key == "companies") r.companiesAdded = numberOf(value);
  }
  return r;
}

std::string MergeRecordText(const MergeRecord& r, std::string_view today) {
  std::string when = r.when;
  if (when.size() > today.size() && std::string_view(when).substr(0, today.size()) == today &&
      when[today.size()] == ' ')
    when = when.substr(today.size() + 1);
  std::string text = "the merge";
  if (!when.empty()) text += " of " + when;
  text += ": " + std::to_string(r.added()) + " added, " + std::to_string(r.replaced()) + " replaced";
  if (r.companiesAdded > 0)
    text += ", " + std::to_string(r.companiesAdded) + (r.companiesAdded == 1 ? " company" : " companies");
  return text;
}

}  // namespace qbm
