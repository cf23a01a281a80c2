#include "samples/new_database_plan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "common/date_text.h"
#include "db/company_short_names.h"
#include "samples/response_curve.h"
#include "samples/sample_driver_texts.h"

namespace qbm::samples {

namespace {

constexpr std::array<double, 9> kWooferSizes = {4, 5.25, 6.5, 6.5, 8, 10, 12, 15, 18};
constexpr std::array<double, 4> kDomeSizes = {0.75, 1, 1, 1.1};
constexpr std::array<double, 6> kImpedances = {8, 8, 8, 4, 4, 6};

// The first units are the same kinds at every size, so that even a few drivers show a dual-coil
// woofer, each maker the legacy rules single out, a three-way and a two-way unit and a tweeter.
struct FixedUnit {
  UnitKind kind;
  std::string_view maker;  // full name; empty: any maker
  bool dualCoil;
};
constexpr std::array<FixedUnit, 7> kFirstUnits = {{
    {UnitKind::Woofer, "Peerless Fabrikkerne, Ltd.", true},
    {UnitKind::Woofer, BostwickCompany, false},
    {UnitKind::Woofer, "Cerwin Vega Inc.", false},
    {UnitKind::Woofer, XtasyCompany, false},
    {UnitKind::ThreeWay, "", false},
    {UnitKind::TwoWay, "", false},
    {UnitKind::Tweeter, "", false},
}};

int rowsOf(UnitKind kind) {
  return kind == UnitKind::ThreeWay ? 3 : kind == UnitKind::TwoWay ? 2 : 1;
}

UnitKind randomKind(SampleRandom& r) {
  const double roll = r.unit();
  return roll < 0.55 ? UnitKind::Woofer : roll < 0.88 ? UnitKind::Tweeter
                                        : roll < 0.96 ? UnitKind::TwoWay : UnitKind::ThreeWay;
}

Radiator tweeterRadiator(SampleRandom& r) {
  const double roll = r.unit();
  return roll < 0.82 ? Radiator::DomeTweeter : roll < 0.92 ? Radiator::CompressionDriver
                                             : roll < 0.97 ? Radiator::Ribbon : Radiator::Piezo;
}

const SampleCompany* companyNamed(const std::vector<SampleCompany>& companies, std::string_view name) {
  for (const SampleCompany& c : companies)
    if (c.name && *c.name == name) return &c;
  return nullptr;
}

// Makers weighted: the known makers of the short-name table more often than invented ones.
std::int32_t randomMaker(const std::vector<std::int32_t>& makers, SampleRandom& r) {
  return makers[r.below(makers.size())];
}

int serialDigitsFor(int drivers) {
  // Room for the new drivers and for the ones only the old databases hold, ten times over.
  const double room = (static_cast<double>(drivers) * 1.2 + 200) * 10;
  return std::max(4, static_cast<int>(std::ceil(std::log10(room))));
}

std::string makerKey(const SampleCompany& c) { return c.name ? *c.name : "(unnamed)"; }

std::string makerKey(const NewDatabasePlan& plan, std::int32_t companyId) {
  return makerKey(plan.companies[static_cast<std::size_t>(companyId - 1)]);
}

void assignModel(const NewDatabasePlan& plan, SampleUnit& unit, std::uint64_t index, std::string_view maker) {
  const std::uint32_t serial = modelSerial(plan, index);
  if (maker == "Cerwin Vega Inc." && unit.kind == UnitKind::Woofer && index % 3 != 1) {
    // The maker's Stealth line, which a legacy database abbreviates to "S".
    unit.model = "Stealth " + std::to_string(static_cast<int>(unit.inches)) + "-" + std::to_string(serial);
    return;
  }
  unit.model = modelName(modelStyleOf(maker), unit.radiator, unit.kind == UnitKind::TwoWay ||
                         unit.kind == UnitKind::ThreeWay, unit.inches, serial, plan.serialDigits, unit.impedance);
}

SampleUnit makeUnit(UnitKind kind, SampleRandom& r) {
  SampleUnit unit;
  unit.kind = kind;
  unit.impedance = r.pick(std::span<const double>(kImpedances));
  switch (kind) {
    case UnitKind::Woofer:
      unit.radiator = Radiator::Woofer;
      unit.inches = r.pick(std::span<const double>(kWooferSizes));
      unit.dualCoil = r.chance(0.08);
      if (unit.dualCoil) unit.impedance = r.chance(0.5) ? 4 : 2;
      break;
    case UnitKind::Tweeter:
      unit.radiator = tweeterRadiator(r);
      unit.inches = r.pick(std::span<const double>(kDomeSizes));
      break;
    case UnitKind::TwoWay:
      unit.radiator = Radiator::Woofer;
      unit.inches = r.pick(std::span<const double>(kWooferSizes).subspan(1, 6));
      unit.type = static_cast<std::int16_t>(r.chance(0.7) ? 1 : 2);
      break;
    case UnitKind::ThreeWay:
      unit.radiator = Radiator::Woofer;
      unit.inches = r.pick(std::span<const double>(kWooferSizes).subspan(3, 5));
      unit.type = 3;
      break;
  }
  return unit;
}

// The IDs the unit's rows get, written in order: the woofers row, then mid, then high.
void numberRows(NewDatabasePlan& plan, SampleUnit& unit) {
  for (Section s : sectionsOf(unit)) {
    if (!isTweeterRow(s, unit))
      unit.wooferId = ++plan.wooferRows;
    else if (s == Section::Mid)
      unit.midId = ++plan.tweeterRows;
    else
      unit.tweeterId = ++plan.tweeterRows;
  }
}

jet::DateTime dateBetween(SampleRandom& r, int firstYear, int lastYear) {
  const double first = serialFromCivilDate({firstYear, 1, 1});
  const double last = serialFromCivilDate({lastYear, 12, 31});
  return jet::DateTime{std::floor(r.uniform(first, last + 1))};
}

DriverSize sizeOf(const SampleUnit& unit, Section section, SampleRandom& r) {
  DriverSize size;
  size.impedance = unit.impedance;
  switch (section) {
    case Section::Whole:
      size.radiator = unit.radiator;
      size.nominalInches = unit.inches;
      size.dualCoil = unit.dualCoil;
      break;
    case Section::Low:
      size.radiator = Radiator::Woofer;
      size.nominalInches = unit.inches;
      break;
    case Section::Mid:
      size.radiator = Radiator::Midrange;
      size.nominalInches = r.chance(0.5) ? 4 : 5;
      break;
    case Section::High:
      size.radiator = unit.inches >= 12 && r.chance(0.6) ? Radiator::CompressionDriver : Radiator::DomeTweeter;
      size.nominalInches = size.radiator == Radiator::CompressionDriver ? 1.75 : 1;
      break;
  }
  return size;
}

// Links of a section row: woofers "Tweeter ID" / tweeters "Woofer ID" (PartnerID) and "Mid ID".
void linkSection(WorkingDriver& d, const SampleUnit& unit, Section section) {
  switch (section) {
    case Section::Whole:
      break;
    case Section::Low:
      d.PartnerID = unit.tweeterId;
      d.MidID = unit.midId;
      break;
    case Section::Mid:
      d.PartnerID = unit.wooferId;
      d.MidID = unit.tweeterId;
      break;
    case Section::High:
      d.PartnerID = unit.wooferId;
      d.MidID = unit.midId;
      break;
  }
}

void addDistributors(WorkingDriver& d, const NewDatabasePlan& plan, SampleRandom& r) {
  if (plan.distributors.empty() || r.chance(0.55)) return;
  const int count = r.chance(0.03) ? 7 : r.between(1, 3);
  for (int k = 0; k < count; ++k) {
    d.Dist[static_cast<std::size_t>(k)] = plan.distributors[r.below(plan.distributors.size())];
    if (!r.chance(0.1)) d.PartNo[static_cast<std::size_t>(k)] = partNumber(r);
  }
}

}  // namespace

std::vector<Section> sectionsOf(const SampleUnit& unit) {
  switch (unit.kind) {
    case UnitKind::TwoWay:
      return {Section::Low, Section::High};
    case UnitKind::ThreeWay:
      return {Section::Low, Section::Mid, Section::High};
    default:
      return {Section::Whole};
  }
}

std::string_view sectionSuffix(Section section) {
  switch (section) {
    case Section::Low:
      return " - LF";
    case Section::Mid:
      return " - MF";
    case Section::High:
      return " - HF";
    default:
      return "";
  }
}

bool isTweeterRow(Section section, const SampleUnit& unit) {
  return section == Section::Mid || section == Section::High ||
         (section == Section::Whole && unit.kind == UnitKind::Tweeter);
}

std::uint32_t modelSerial(const NewDatabasePlan& plan, std::uint64_t index) {
  std::uint64_t modulus = 1;
  for (int i = 0; i < plan.serialDigits; ++i) modulus *= 10;
  // 7919 has no factor in common with a power of ten, so distinct indexes get distinct serials.
  const std::uint64_t offset = plan.seed % modulus;
  return static_cast<std::uint32_t>((index * 7919 + offset) % modulus);
}

std::string unplannedModelName(std::uint64_t seed, std::uint64_t item) {
  static constexpr std::array<std::string_view, 4> prefixes = {"ZR", "VM", "HL", "QN"};
  SampleRandom r(seed, "unplanned model", item);
  return std::string(r.pick(std::span<const std::string_view>(prefixes))) + std::to_string(r.between(4, 15)) +
         "-" + std::to_string(item) + (r.chance(0.5) ? "" : "-8");
}

NewDatabasePlan planNewDatabase(std::uint64_t seed, int drivers, int companies) {
  NewDatabasePlan plan;
  plan.seed = seed;
  plan.serialDigits = serialDigitsFor(drivers);
  plan.companies = makeSampleCompanies(seed, drivers, companies);
  std::vector<std::int32_t> makers;
  for (const SampleCompany& c : plan.companies) {
    if (c.sellsDrivers) plan.distributors.push_back(c.id);
    if (!c.makesDrivers) continue;
    makers.push_back(c.id);
    if (CompanyShortNames.end() != std::find_if(CompanyShortNames.begin(), CompanyShortNames.end(),
                                                [&](const CompanyShortName& k) { return c.name && k.full == *c.name; }))
      makers.push_back(c.id);  // known makers twice as often
  }
  int rows = 0;
  for (std::size_t index = 0; rows < drivers; ++index) {
    SampleRandom r(seed, "unit", index);
    const FixedUnit* fixed = index < kFirstUnits.size() ? &kFirstUnits[index] : nullptr;
    UnitKind kind = fixed ? fixed->kind : randomKind(r);
    if (rowsOf(kind) > drivers - rows) kind = r.chance(0.6) ? UnitKind::Woofer : UnitKind::Tweeter;
    SampleUnit unit = makeUnit(kind, r);
    const SampleCompany* maker = fixed && !fixed->maker.empty() ? companyNamed(plan.companies, fixed->maker) : nullptr;
    unit.companyId = maker ? maker->id : randomMaker(makers, r);
    if (fixed && fixed->dualCoil && kind == UnitKind::Woofer) {
      unit.dualCoil = true;
      unit.impedance = 4;
    }
    assignModel(plan, unit, index, makerKey(plan, unit.companyId));
    if (index >= 2 * kFirstUnits.size() && r.chance(0.02)) {
      // A driver sold under another maker's model name (not one of the first units).
      SampleUnit& original = plan.units[kFirstUnits.size() + r.below(plan.units.size() - kFirstUnits.size())];
      if (original.kind == unit.kind && original.companyId != unit.companyId) {
        unit.model = original.model;
        unit.sharedModel = original.sharedModel = true;
      }
    }
    numberRows(plan, unit);
    rows += rowsOf(unit.kind);
    plan.units.push_back(std::move(unit));
  }
  return plan;
}

SampleUnit extraUnit(const NewDatabasePlan& plan, std::uint64_t index, std::string_view makerName) {
  SampleRandom r(plan.seed, "unit", index);
  const double roll = r.unit();
  SampleUnit unit = makeUnit(roll < 0.55 ? UnitKind::Woofer : roll < 0.9 ? UnitKind::Tweeter : UnitKind::TwoWay, r);
  assignModel(plan, unit, index, makerName);
  return unit;
}

SampleRow sampleRow(const NewDatabasePlan& plan, std::size_t unitIndex, Section section) {
  return sampleRow(plan, plan.units.at(unitIndex), unitIndex, section);
}

SampleRow sampleRow(const NewDatabasePlan& plan, const SampleUnit& unit, std::uint64_t unitIndex, Section section) {
  SampleRandom unitRandom(plan.seed, "unit details", unitIndex);
  SampleRandom r(plan.seed, "row", unitIndex * 4 + static_cast<std::size_t>(section));
  SampleRow row;
  WorkingDriver& d = row.driver;
  d.Model = unit.model + std::string(sectionSuffix(section));
  d.CurrentModel = d.Model;
  d.CompanyID = unit.companyId;
  d.Type = unit.type;
  linkSection(d, unit, section);
  const double available = unitRandom.unit();
  d.Available = static_cast<std::int16_t>(available < 0.15 ? 0 : available < 0.85 ? 1 : 2);
  if (!unitRandom.chance(0.1)) row.date = dateBetween(unitRandom, 1996, 2004);
  row.userEntry = unitRandom.chance(0.02);
  row.sparse = unitRandom.chance(0.05);

  const DriverSize size = sizeOf(unit, section, r);
  makeDriverParameters(d, size, r);
  describeConstruction(d, size.radiator, r);
  describeCatalogue(d, r);
  addDistributors(d, plan, section == Section::Whole || section == Section::Low ? unitRandom : r);
  if (r.chance(0.4)) {
    d.Response = makeResponse(d, isTweeterRow(section, unit), r);
    d.Acoustic = YesNoTrue;
  }
  return row;
}

}  // namespace qbm::samples
