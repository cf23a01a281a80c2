#include "samples/previous_database_plan.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/date_text.h"
#include "samples/driver_parameters.h"
#include "samples/response_curve.h"

namespace qbm::samples {

namespace {

constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);

// The first new units get the same part in every sample: a changed dual-coil woofer, an identical
// user entry, older states of a plain woofer and of a three-way unit, an identical two-way unit,
// a changed tweeter.
constexpr std::array<int, 7> kFirstUnitEntries = {
    static_cast<int>(OldEntry::ChangedByUser), static_cast<int>(OldEntry::SameAsNew),
    static_cast<int>(OldEntry::Older), -1, static_cast<int>(OldEntry::Older),
    static_cast<int>(OldEntry::SameAsNew), static_cast<int>(OldEntry::ChangedByUser)};

std::optional<OldEntry> entryOf(const NewDatabasePlan& plan, std::size_t u) {
  if (u < kFirstUnitEntries.size())
    return kFirstUnitEntries[u] < 0 ? std::nullopt : std::optional(static_cast<OldEntry>(kFirstUnitEntries[u]));
  SampleRandom r(plan.seed, "old entry", u);
  const double roll = r.unit();
  if (roll < 0.20) return OldEntry::Older;
  if (roll < 0.23) return OldEntry::SameAsNew;
  if (roll < 0.26) return OldEntry::ChangedByUser;
  return std::nullopt;
}

std::string makerName(const SampleCompany& c) { return c.name ? *c.name : "(unnamed)"; }

void numberRows(PreviousDatabasePlan& old, SampleUnit& unit) {
  unit.wooferId = unit.midId = unit.tweeterId = 0;
  for (Section s : sectionsOf(unit)) {
    if (!isTweeterRow(s, unit))
      unit.wooferId = ++old.wooferRows;
    else if (s == Section::Mid)
      unit.midId = ++old.tweeterRows;
    else
      unit.tweeterId = ++old.tweeterRows;
  }
}

// Company IDs of the old database: the kept new companies in their order, then the users' own.
void numberCompanies(const NewDatabasePlan& plan, PreviousDatabasePlan& old, const std::vector<bool>& keep,
                     std::vector<SampleCompany> userCompanies) {
  old.oldIdOfNew.assign(plan.companies.size() + 1, 0);
  for (const SampleCompany& c : plan.companies)
    if (keep[static_cast<std::size_t>(c.id)]) {
      old.companies.push_back(c);
      old.companies.back().id = static_cast<std::int32_t>(old.companies.size());
      old.oldIdOfNew[static_cast<std::size_t>(c.id)] = old.companies.back().id;
    }
  for (SampleCompany& c : old.companies)
    for (std::int32_t& link : c.row.CompanyLink) link = link ? old.oldIdOfNew[static_cast<std::size_t>(link)] : 0;
  for (SampleCompany& c : userCompanies) {
    c.id = static_cast<std::int32_t>(old.companies.size() + 1);
    old.companies.push_back(std::move(c));
  }
}

jet::DateTime daysLater(jet::DateTime date, double days) { return jet::DateTime{date.days + days}; }

jet::DateTime userDate(SampleRandom& r) {
  const double first = serialFromCivilDate({2005, 1, 1});
  return jet::DateTime{std::floor(r.uniform(first, first + 700))};
}

// What the row looked like before the maker's data sheet was complete.
void makeOlder(SampleRow& row, SampleRandom& r) {
  WorkingDriver& d = row.driver;
  if (row.date) row.date = daysLater(*row.date, -r.between(150, 1500));
  if (r.chance(0.2)) row.date.reset();
  if (d.Acoustic && r.chance(0.5)) {
    d.Acoustic = YesNoFalse;
    d.Response = {};
  }
  if (d.Acoustic && r.chance(0.025)) row.responseLost = true;
  if (r.chance(0.4)) {
    d.Xmech = d.PVd = d.MVd = 0;
    for (std::size_t k = 4; k < d.Dimen.size(); ++k) d.Dimen[k] = 0;
  }
  if (r.chance(0.3)) d.SerialNo.clear(), d.Comment.clear();
  row.sparse = r.chance(0.3);
  row.userEntry = false;
}

// The user's own measurement of the driver.
void makeChanged(SampleRow& row, bool tweeterRow, SampleRandom& r) {
  WorkingDriver& d = row.driver;
  if (d.Fs > 0) {
    d.Fs = roundSignificant(r.jitter(d.Fs, 0.08), 3);
    d.Qms = roundSignificant(r.jitter(d.Qms, 0.1), 3);
    d.Qes = roundSignificant(r.jitter(d.Qes, 0.08), 3);
    d.Qts = d.Qes * d.Qms / (d.Qes + d.Qms);  // as the user's program computed it, unrounded
    d.Vas = roundSignificant(r.jitter(d.Vas, 0.1), 3);
  }
  if (d.Dual) d.Qesp = d.Qess = roundSignificant(r.jitter(d.Qesp, 0.08), 3);
  d.Comment = "User measurement";
  d.Notes = "Re-measured in a test box; values differ from the data sheet.";
  d.Response = makeResponse(d, tweeterRow, r);
  for (float& level : d.Response)  // measured levels, not rounded to a tenth
    level = static_cast<float>(level + r.uniform(-0.05, 0.05));
  d.Acoustic = YesNoTrue;
  row.date = userDate(r);
  row.userEntry = true;
}

}  // namespace

PreviousDatabasePlan planPreviousDatabase(const NewDatabasePlan& plan) {
  PreviousDatabasePlan old;
  std::vector<OldUnit> units;
  for (std::size_t u = 0; u < plan.units.size(); ++u)
    if (std::optional<OldEntry> entry = entryOf(plan, u)) units.push_back({*entry, u, plan.units[u]});

  // Drivers only the old database has: a few per hundred new ones, a tenth of them by makers users
  // added themselves.
  const int drivers = plan.wooferRows + plan.tweeterRows;
  const int added = std::max(3, drivers * 3 / 100);
  std::vector<SampleCompany> userCompanies = makeUserCompanies(plan.seed, std::clamp(added / 10, 1, 100), plan.companies);
  std::vector<std::int32_t> makers;
  for (const SampleCompany& c : plan.companies)
    if (c.makesDrivers && c.name) makers.push_back(c.id);
  std::vector<std::size_t> userMakerOf;  // per added unit: index into userCompanies, or kAbsent
  for (int k = 0; k < added; ++k) {
    SampleRandom r(plan.seed, "added unit", static_cast<std::uint64_t>(k));
    const std::uint64_t index = plan.units.size() + static_cast<std::uint64_t>(k);
    const bool ownMaker = k == 0 || r.chance(0.3);
    const std::size_t userMaker = ownMaker ? r.below(userCompanies.size()) : kAbsent;
    const std::int32_t newMaker = ownMaker ? 0 : makers[r.below(makers.size())];
    const std::string name = ownMaker ? makerName(userCompanies[userMaker])
                                      : makerName(plan.companies[static_cast<std::size_t>(newMaker - 1)]);
    SampleUnit unit = extraUnit(plan, index, name);
    unit.companyId = newMaker;
    units.push_back({OldEntry::AddedByUser, index, unit});
    userMakerOf.push_back(userMaker);
  }

  std::vector<bool> keep(plan.companies.size() + 1, false);
  for (const SampleCompany& c : plan.companies)
    keep[static_cast<std::size_t>(c.id)] = SampleRandom(plan.seed, "old company", static_cast<std::uint64_t>(c.id)).chance(0.85);
  for (const OldUnit& u : units)
    if (u.unit.companyId > 0) keep[static_cast<std::size_t>(u.unit.companyId)] = true;
  const std::size_t userCompanyCount = userCompanies.size();
  numberCompanies(plan, old, keep, std::move(userCompanies));

  std::size_t addedNumber = 0;
  for (OldUnit& u : units) {
    if (u.entry == OldEntry::AddedByUser) {
      const std::size_t userMaker = userMakerOf[addedNumber++];
      u.unit.companyId = userMaker != kAbsent
                             ? static_cast<std::int32_t>(old.companies.size() - userCompanyCount + userMaker + 1)
                             : old.oldIdOfNew[static_cast<std::size_t>(u.unit.companyId)];
      // One driver whose company row the user deleted: listed with an empty maker.
      if (addedNumber == 5) u.unit.companyId = static_cast<std::int32_t>(old.companies.size() + 3);
    } else {
      u.unit.companyId = old.oldIdOfNew[static_cast<std::size_t>(u.unit.companyId)];
    }
    numberRows(old, u.unit);
  }
  old.units = std::move(units);
  return old;
}

SampleRow previousRow(const NewDatabasePlan& plan, const PreviousDatabasePlan& old, const OldUnit& unit,
                      Section section) {
  SampleRow row = sampleRow(plan, unit.unit, unit.index, section);
  WorkingDriver& d = row.driver;
  for (std::int32_t& dist : d.Dist)
    if (dist > 0) dist = old.oldIdOfNew[static_cast<std::size_t>(dist)];
  for (std::size_t k = 0; k < d.Dist.size(); ++k)
    if (d.Dist[k] == 0) d.PartNo[k].clear();
  SampleRandom r(plan.seed, "old row", unit.index * 4 + static_cast<std::uint64_t>(section));
  switch (unit.entry) {
    case OldEntry::Older:
      makeOlder(row, r);
      break;
    case OldEntry::SameAsNew:
      row.userEntry = true;
      break;
    case OldEntry::ChangedByUser:
      makeChanged(row, isTweeterRow(section, unit.unit), r);
      break;
    case OldEntry::AddedByUser:
      row.userEntry = true;
      row.date = r.chance(0.3) ? std::nullopt : std::optional(userDate(r));
      break;
  }
  return row;
}

}  // namespace qbm::samples
