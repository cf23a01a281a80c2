#pragma once
// Comparing a driver as written with the driver it was written from, member by member, for the
// tests of the merge.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "db/driver_fields.h"
#include "db/schema.h"
#include "db/working_driver.h"

namespace qbm::test {

// The 33 parameters that depend on the voice-coil wiring.
inline bool isWiringDependent(std::string_view field) {
  for (std::string_view plain : {"Xlin", "Qes", "Re", "Le", "Z", "BL", "Pe", "Qts", "Eff", "SPL1", "SPL2"})
    if (field == plain || field == std::string(plain) + "p" || field == std::string(plain) + "s")
      return true;
  return false;
}

// The differences between a row read back (got, by ReadDriverRow) and the record it was written
// from (want): every member the table has, the model as want's CurrentModel, "Acoustic" as want's
// response decides it. Links and the company are not compared. keepUngiven: a dual-coil woofer
// written over a row, whose wiring-dependent values of 0 leave the stored ones.
inline std::vector<std::string> differences(const WorkingDriver& want, const WorkingDriver& got,
                                            DriverTable t, bool keepUngiven = false) {
  std::vector<std::string> out;
  const auto note = [&](std::string_view field, const std::string& a, const std::string& b) {
    if (a != b) out.push_back(std::string(field) + ": want " + a + ", got " + b);
  };
  // Numbers are copied exactly: the same double, bit for bit (shown with every digit it needs).
  const auto shortest = [](double x) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, x).ptr);
  };
  const auto number = [&](std::string_view field, double a, double b) {
    if (std::bit_cast<std::uint64_t>(a) != std::bit_cast<std::uint64_t>(b))
      out.push_back(std::string(field) + ": want " + shortest(a) + ", got " + shortest(b));
  };
  note("Model", want.CurrentModel, got.Model);
  note("Date", want.Date, got.Date);
  for (const auto& f : DriverTextFields)
    if (usedIn(f.use, t)) note(f.field, want.*f.member, got.*f.member);
  for (const auto& f : DriverCodeFields) note(f.field, std::to_string(want.*f.member), std::to_string(got.*f.member));
  for (const auto& f : DriverYesNoFields)
    if (usedIn(f.use, t) && f.field != fields::Acoustic)
      note(f.field, std::to_string(want.*f.member), std::to_string(got.*f.member));
  for (const auto& f : DriverNumberFields) {
    if (!usedIn(f.use, t)) continue;
    if (keepUngiven && isWiringDependent(f.field) && want.*f.member == 0) continue;
    number(f.field, want.*f.member, got.*f.member);
  }
  for (std::size_t i = 0; i < want.Dimen.size(); ++i) number(fields::Dimen[i], want.Dimen[i], got.Dimen[i]);
  for (std::size_t k = 0; k < want.Dist.size(); ++k) {
    note(fields::Dist[k], std::to_string(want.Dist[k]), std::to_string(got.Dist[k]));
    note(fields::PartNo[k], want.PartNo[k], got.PartNo[k]);
  }
  const bool anyLevel =
      std::any_of(want.Response.begin(), want.Response.end(), [](float v) { return v != 0; });
  note("Acoustic", anyLevel ? "-1" : "0", std::to_string(got.Acoustic));
  return out;
}

}  // namespace qbm::test
