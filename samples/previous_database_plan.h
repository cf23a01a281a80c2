#pragma once
// What a sample previous-format database (xqbaudio.mdb) holds: an older state of part of the new
// database, plus what its user entered. Its drivers are of four kinds:
//   Older          a new driver as it stood earlier (older date, fewer values, often no response);
//                  "User Entry" false, so only "Show ALL Drivers" lists it;
//   SameAsNew      entered by the user and identical to the new driver;
//   ChangedByUser  entered by the user from a measurement of their own (other parameters, notes,
//                  response), Qts and the levels at the full precision a program stores them;
//   AddedByUser    a driver the new database does not have, some from makers it does not have.
// Its companies are most of the new database's (under their own, older IDs) and the makers users
// added; distributors and related companies it lacks are Null.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "samples/new_database_plan.h"

namespace qbm::samples {

enum class OldEntry : std::uint8_t { Older, SameAsNew, ChangedByUser, AddedByUser };

struct OldUnit {
  OldEntry entry = OldEntry::Older;
  std::uint64_t index = 0;  // the new unit it comes from, or (AddedByUser) its own number
  SampleUnit unit;          // model, kind and sizes; company and row IDs are the old database's
};

struct PreviousDatabasePlan {
  std::vector<SampleCompany> companies;  // companies[i].id == i + 1 (old IDs)
  std::vector<std::int32_t> oldIdOfNew;  // by new company ID; 0 = not in the old database
  std::vector<OldUnit> units;            // in the order written
  std::int32_t wooferRows = 0, tweeterRows = 0;
};

PreviousDatabasePlan planPreviousDatabase(const NewDatabasePlan& plan);

// One row of an old unit, with the old database's IDs in Company ID, links and distributors.
SampleRow previousRow(const NewDatabasePlan& plan, const PreviousDatabasePlan& old,
                      const OldUnit& unit, Section section);

}  // namespace qbm::samples
