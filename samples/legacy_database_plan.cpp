#include "samples/legacy_database_plan.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <span>

#include "db/legacy_table.h"
#include "db/schema.h"
#include "olddb/company_match.h"
#include "db/company_short_names.h"
#include "samples/driver_parameters.h"
#include "samples/response_curve.h"
#include "samples/sample_driver_texts.h"

namespace qbm::samples {

namespace {

// Makers only legacy databases know.
constexpr std::array<std::string_view, 4> kLegacyOnlyMakers = {
    "NORDVIK AUDIO", "TARVEL SOUND", "QUENTA LOUDSPEAKERS", "MIRVANE"};

// The woofers of the new database that old rows are made from, by what they allow.
struct WooferPools {
  std::vector<std::size_t> single;   // single woofers of a named maker, model not shared
  std::vector<std::size_t> dual;     // of those, the dual-coil ones
  std::vector<std::size_t> low;      // low sections of multi-way units of a named maker
  std::vector<std::size_t> bostwick, stealth, xtasy;
  std::vector<std::size_t> nameless;  // single woofers of the maker without a name
};

WooferPools poolsOf(const NewDatabasePlan& plan) {
  WooferPools pools;
  for (std::size_t u = 0; u < plan.units.size(); ++u) {
    const SampleUnit& unit = plan.units[u];
    const SampleCompany& maker = plan.companies[static_cast<std::size_t>(unit.companyId - 1)];
    if (unit.sharedModel || unit.kind == UnitKind::Tweeter) continue;
    if (!maker.name) {
      if (unit.kind == UnitKind::Woofer) pools.nameless.push_back(u);
      continue;
    }
    if (unit.kind != UnitKind::Woofer) {
      pools.low.push_back(u);
      continue;
    }
    pools.single.push_back(u);
    if (unit.dualCoil) pools.dual.push_back(u);
    if (*maker.name == BostwickCompany) pools.bostwick.push_back(u);
    if (*maker.name == XtasyCompany) pools.xtasy.push_back(u);
    if (unit.model.starts_with("Stealth ")) pools.stealth.push_back(u);
  }
  return pools;
}

const SampleCompany& makerOf(const NewDatabasePlan& plan, std::size_t u) {
  return plan.companies[static_cast<std::size_t>(plan.units[u].companyId - 1)];
}

LegacyRowPlan fromUnit(const NewDatabasePlan& plan, LegacyCase rule, std::size_t u, std::string model,
                       std::string maker) {
  LegacyRowPlan row;
  row.rule = rule;
  row.newUnit = static_cast<std::int64_t>(u);
  row.section = plan.units[u].kind == UnitKind::Woofer ? Section::Whole : Section::Low;
  row.model = std::move(model);
  row.manufacturer = std::move(maker);
  row.dualCoil = plan.units[u].dualCoil;
  return row;
}

LegacyRowPlan ownValues(LegacyCase rule, std::optional<std::string> model, std::optional<std::string> maker,
                        bool listed) {
  LegacyRowPlan row;
  row.rule = rule;
  row.model = std::move(model);
  row.manufacturer = std::move(maker);
  row.listedAsChanged = listed;
  return row;
}

// The two rows of a dual-coil woofer, one per wiring, with one of the suffix spellings.
void addWiringPair(std::vector<LegacyRowPlan>& rows, LegacyRowPlan base, SampleRandom& r) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 3> suffixes = {{
      {" - PARALLEL", " - SERIES"}, {" (PAR)", " (SER)"}, {" - parallel", " - series"}}};
  const auto& [parallel, series] = r.pick(std::span<const std::pair<std::string_view, std::string_view>>(suffixes));
  const std::string model = *base.model;
  base.rule = LegacyCase::Wiring;
  base.dualCoil = true;
  base.model = model + std::string(parallel);
  base.wiring = 2;
  rows.push_back(base);
  base.model = model + std::string(series);
  base.wiring = 3;
  rows.push_back(base);
}

// The model with its separators spelt otherwise, or cut short, as older records have it.
std::string fuzzySpelling(const std::string& model, SampleRandom& r) {
  std::string s = model;
  switch (r.between(0, 3)) {
    case 0:
      std::erase_if(s, [](char c) { return c == '-' || c == ' '; });
      return s;
    case 1:
      for (char& c : s)
        if (c == '-' || c == ' ') c = r.chance(0.5) ? '/' : '=';
      return asciiLower(s);
    case 2:
      // The new name has one more part (an impedance tail) than the old record.
      if (s.size() > 4 && (s[s.size() - 2] == '-' || s[s.size() - 2] == '/')) return s.substr(0, s.size() - 2);
      return asciiLower(s);
    default:
      for (char& c : s)
        if (c == '-') c = ' ';
      return asciiUpper(s);
  }
}

// The rows that are there at every size: the exception table, near misses, unusable rows and the
// special makers.
std::vector<LegacyRowPlan> fixedRows(const NewDatabasePlan& plan, const WooferPools& pools) {
  std::vector<LegacyRowPlan> rows;
  const LegacyCase E = LegacyCase::Exception, N = LegacyCase::NearMiss, U = LegacyCase::Unusable;
  rows.push_back(ownValues(E, "DA-12 Subwoofer", "DAYTON", false));
  if (!pools.single.empty())  // found directly under another maker: DAYTON still counts as present
    rows.push_back(fromUnit(plan, E, pools.single.back(), plan.units[pools.single.back()].model, "DAYTON"));
  rows.push_back(ownValues(E, "Beta 10", "INFINITY", false));
  rows.push_back(ownValues(E, "BETA12w", "Infinity", false));
  for (std::string_view m : {"6-403-8", "CW10-502-4u DVC", "CW12-502-4u DVC"})
    rows.push_back(ownValues(E, std::string(m), "CADENCE", false));
  rows.push_back(ownValues(E, "8-30", "ETI SOUND SYSTEMS", false));
  rows.push_back(ownValues(E, "6326", "MCCAULEY", false));
  rows.push_back(ownValues(E, "MDM85", "MOREL", false));
  rows.push_back(ownValues(E, "CSC 145H", "PEERLESS", false));
  rows.push_back(ownValues(E, "TP165R (831599)", "PEERLESS", false));
  {
    SampleRandom r(plan.seed, "legacy exception wiring");
    addWiringPair(rows, ownValues(E, "CSX 176H", "PEERLESS", false), r);
    rows[rows.size() - 2].rule = rows.back().rule = E;
  }
  for (std::string_view m : {"10", "8", "12", "15"}) rows.push_back(ownValues(E, std::string(m), "THRUSTER", false));

  rows.push_back(ownValues(N, "6-403-4", "CADENCE", true));
  rows.push_back(ownValues(N, "MDM 85", "MOREL", true));
  rows.push_back(ownValues(N, "Beta", "INFINITY", true));
  rows.push_back(ownValues(N, "18", "THRUSTER", true));
  rows.push_back(ownValues(N, "8-30 Mk2", "ETI SOUND SYSTEMS", true));

  LegacyRowPlan zero = ownValues(U, "ZR8-0", "PEERLESS", false);
  zero.index = 0;
  LegacyRowPlan negative = ownValues(U, "ZR10-5", "SEAS", false);
  negative.index = -5;
  for (LegacyRowPlan* r : {&zero, &negative}) r->listedAtAll = false;
  rows.push_back(zero);
  rows.push_back(negative);
  rows.push_back(ownValues(U, std::nullopt, "SEAS", false));
  rows.push_back(ownValues(U, "Orphan 10", std::nullopt, false));
  rows[rows.size() - 2].listedAtAll = rows.back().listedAtAll = false;

  for (std::size_t u : pools.bostwick) {
    const std::string& m = plan.units[u].model;
    rows.push_back(fromUnit(plan, LegacyCase::Bostwick, u, "BOX" + m, "BOSTWICK"));
    rows.push_back(fromUnit(plan, LegacyCase::Bostwick, u, "Bos " + m, "BOSTWICK"));
    break;
  }
  for (std::size_t u : pools.stealth) {
    const std::string& m = plan.units[u].model;  // "Stealth 12-3456"
    rows.push_back(fromUnit(plan, LegacyCase::CerwinVega, u, "S" + m.substr(8), "CERWIN VEGA"));
    break;
  }
  for (std::size_t u : pools.xtasy) {
    rows.push_back(fromUnit(plan, LegacyCase::Xtasy, u, plan.units[u].model, "XTASY AUDIO"));
    break;
  }
  if (!pools.dual.empty() && pools.dual.front() == 0) {  // the Peerless dual-coil woofer
    SampleRandom r(plan.seed, "legacy peerless wiring");
    addWiringPair(rows, fromUnit(plan, LegacyCase::Direct, 0, plan.units[0].model, "PEERLESS"), r);
  }
  // An empty maker (not Null): a woofer of the new database's nameless maker, and one it lacks.
  if (!pools.nameless.empty()) {
    const std::size_t u = pools.nameless.front();
    rows.push_back(fromUnit(plan, LegacyCase::Direct, u, plan.units[u].model, ""));
  }
  rows.push_back(ownValues(LegacyCase::NewDriver, "QN-NoMaker 10", "", true));
  return rows;
}

// A maker other than the unit's whose legacy name does not begin the unit's maker's names.
std::optional<std::string> otherMaker(const NewDatabasePlan& plan, std::size_t u, SampleRandom& r) {
  const SampleCompany& own = makerOf(plan, u);
  for (int attempt = 0; attempt < 20; ++attempt) {
    const SampleCompany& other = plan.companies[r.below(plan.companies.size())];
    if (other.id == own.id || other.legacyName.empty()) continue;
    if (!CompanyNameBegins(other.legacyName, *own.name, ShortCompanyName(*own.name))) return other.legacyName;
  }
  return std::nullopt;
}

void addDerivedRow(const NewDatabasePlan& plan, const WooferPools& pools, std::size_t k,
                   std::vector<LegacyRowPlan>& rows) {
  SampleRandom r(plan.seed, "legacy row plan", k);
  const double roll = r.unit();
  auto pickFrom = [&](const std::vector<std::size_t>& pool) { return pool[r.below(pool.size())]; };
  if (roll < 0.33 && !pools.single.empty()) {
    const std::size_t u = pickFrom(pools.single);
    const std::string& m = plan.units[u].model;
    const double spelling = r.unit();
    rows.push_back(fromUnit(plan, LegacyCase::Direct, u, spelling < 0.8 ? m : spelling < 0.9 ? asciiLower(m) : asciiUpper(m),
                            makerOf(plan, u).legacyName));
    if (plan.units[u].dualCoil) rows.back().rule = LegacyCase::Wiring;  // Dual VC without a suffix
  } else if (roll < 0.41 && !pools.dual.empty()) {
    const std::size_t u = pickFrom(pools.dual);
    addWiringPair(rows, fromUnit(plan, LegacyCase::Wiring, u, plan.units[u].model, makerOf(plan, u).legacyName), r);
  } else if (roll < 0.63 && !(pools.single.empty() && pools.low.empty())) {
    const bool low = !pools.low.empty() && (pools.single.empty() || r.chance(0.25));
    const std::size_t u = pickFrom(low ? pools.low : pools.single);
    const std::string& m = plan.units[u].model;  // a multi-way unit's base name
    rows.push_back(fromUnit(plan, LegacyCase::Fuzzy, u, low && r.chance(0.5) ? m : fuzzySpelling(m, r),
                            makerOf(plan, u).legacyName));
  } else if (roll < 0.70 && !pools.single.empty()) {
    const std::size_t u = pickFrom(pools.single);
    if (std::optional<std::string> maker = otherMaker(plan, u, r)) {
      rows.push_back(fromUnit(plan, LegacyCase::OtherMaker, u, plan.units[u].model, *maker));
      rows.back().listedAsChanged = true;
    }
  } else {
    const bool knownMaker = r.chance(0.5);
    std::string maker = std::string(r.pick(std::span<const std::string_view>(kLegacyOnlyMakers)));
    if (knownMaker) {
      const SampleCompany& c = plan.companies[r.below(plan.companies.size())];
      if (!c.legacyName.empty()) maker = c.legacyName;
    }
    rows.push_back(ownValues(LegacyCase::NewDriver, unplannedModelName(plan.seed, k), maker, true));
  }
}

// Legacy values of the new record: litres, grams, centimetres, millimetres, millihenries.
double litres(double m3) { return roundSignificant(m3 * 1000, 4); }

void setNumber(RowValues& row, std::string_view field, double value, bool sparse) {
  row.add(field, value == 0 && sparse ? jet::Value(jet::Null{}) : jet::Value(value));
}

WorkingDriver ownDriver(const NewDatabasePlan& plan, std::size_t number, bool dualCoil) {
  SampleRandom r(plan.seed, "legacy own values", number);
  WorkingDriver d;
  static constexpr std::array<double, 6> sizes = {5.25, 6.5, 8, 10, 12, 15};
  makeDriverParameters(d, {Radiator::Woofer, r.pick(std::span<const double>(sizes)), 8, dualCoil}, r);
  describeCatalogue(d, r);
  if (r.chance(0.3)) {
    d.Response = makeResponse(d, false, r);
    d.Acoustic = YesNoTrue;
  }
  return d;
}

}  // namespace

std::vector<LegacyRowPlan> planLegacyDatabase(const NewDatabasePlan& plan) {
  const WooferPools pools = poolsOf(plan);
  std::vector<LegacyRowPlan> derived;
  const std::size_t count = static_cast<std::size_t>(plan.wooferRows + plan.tweeterRows) / 5;
  for (std::size_t k = 0; k < count; ++k) addDerivedRow(plan, pools, k, derived);
  std::vector<LegacyRowPlan> fixed = fixedRows(plan, pools);
  // A low section under its own row's model, suffix and all, of a unit no other row comes from
  // (a row under the unit's base name would match the same new row).
  const auto usedByDerived = [&](std::size_t u) {
    return std::any_of(derived.begin(), derived.end(),
                       [&](const LegacyRowPlan& r) { return r.newUnit == static_cast<std::int64_t>(u); });
  };
  const auto section = std::find_if_not(pools.low.begin(), pools.low.end(), usedByDerived);
  if (section != pools.low.end())
    fixed.push_back(fromUnit(plan, LegacyCase::Direct, *section,
                             plan.units[*section].model + std::string(sectionSuffix(Section::Low)),
                             makerOf(plan, *section).legacyName));
  // The fixed rows spread evenly among the others.
  std::vector<LegacyRowPlan> rows;
  rows.reserve(derived.size() + fixed.size());
  std::size_t next = 0;
  for (std::size_t f = 0; f < fixed.size(); ++f) {
    const std::size_t until = (f + 1) * derived.size() / (fixed.size() + 1);
    while (next < until) rows.push_back(derived[next++]);
    rows.push_back(fixed[f]);
  }
  while (next < derived.size()) rows.push_back(derived[next++]);
  return rows;
}

RowValues legacyRowValues(const NewDatabasePlan& plan, const LegacyRowPlan& planned, std::size_t number) {
  namespace lf = legacy::fields;
  WorkingDriver d = planned.newUnit >= 0 ? sampleRow(plan, static_cast<std::size_t>(planned.newUnit), planned.section).driver
                                      : ownDriver(plan, number, planned.dualCoil);
  SampleRandom r(plan.seed, "legacy row", number);
  const bool sparse = r.chance(0.3);
  // An older measurement: the same driver, a few per cent apart.
  if (d.Fs > 0) {
    d.Fs = roundSignificant(r.jitter(d.Fs, 0.04), 3);
    d.Qms = roundSignificant(r.jitter(d.Qms, 0.05), 3);
    d.Vas = roundSignificant(r.jitter(d.Vas, 0.05), 3);
  }
  RowValues row;
  if (planned.index) row.add(lf::Index, *planned.index);
  row.add(lf::Model, planned.model ? jet::Value(*planned.model) : jet::Value(jet::Null{}));
  row.add(lf::Manufacturer, planned.manufacturer ? jet::Value(*planned.manufacturer) : jet::Value(jet::Null{}));
  row.add(lf::SerialNo, d.SerialNo.empty() ? jet::Value(jet::Null{}) : jet::Value(d.SerialNo));
  row.add(lf::DualVC, planned.dualCoil);
  setNumber(row, lf::Fs, d.Fs, sparse);
  setNumber(row, lf::Qms, d.Qms, sparse);
  setNumber(row, lf::Vas, litres(d.Vas), sparse);
  setNumber(row, lf::Cms, roundSignificant(d.Cms * 1000, 4), sparse);
  setNumber(row, lf::Mms, roundSignificant(d.Mms * 1000, 4), sparse);
  setNumber(row, lf::Rms, d.Rms, sparse);
  setNumber(row, lf::Dia, roundSignificant(d.PDia * 100, 4), sparse);
  setNumber(row, lf::Sd, roundSignificant(d.Sd * 10000, 4), sparse);
  setNumber(row, lf::MDia, roundSignificant(d.Dimen[0] * 100, 4), sparse);
  setNumber(row, lf::Vs, litres(d.MVd), sparse);
  // The values of the wiring the row stands for.
  const bool parallel = planned.wiring == 2, series = planned.wiring == 3;
  auto wired = [&](double plain, double p, double s) { return parallel ? p : series ? s : plain; };
  setNumber(row, lf::Xmax, roundSignificant(wired(d.Xlin, d.Xlinp, d.Xlins) * 1000, 4), sparse);
  setNumber(row, lf::Qes, wired(d.Qes, d.Qesp, d.Qess), sparse);
  setNumber(row, lf::Re, wired(d.Re, d.Rep, d.Res), sparse);
  setNumber(row, lf::Le, roundSignificant(wired(d.Le, d.Lep, d.Les) * 1000, 4), sparse);
  setNumber(row, lf::Z, wired(d.Z, d.Zp, d.Zs), sparse);
  setNumber(row, lf::BL, wired(d.BL, d.BLp, d.BLs), sparse);
  setNumber(row, lf::Pe, wired(d.Pe, d.Pep, d.Pes), sparse);
  setNumber(row, lf::Qts, wired(d.Qts, d.Qtsp, d.Qtss), sparse);
  setNumber(row, lf::No, wired(d.Eff, d.Effp, d.Effs), sparse);
  const bool at283 = r.chance(0.5);
  row.add(lf::SPL283Ref, at283);
  setNumber(row, lf::SPL, at283 ? wired(d.SPL2, d.SPL2p, d.SPL2s) : wired(d.SPL1, d.SPL1p, d.SPL1s), sparse);
  row.add(lf::Acoustic, d.Acoustic != 0);
  for (int i = 0; i < legacy::ResponseCount; ++i)
    row.add(ResponseField(i), d.Acoustic ? jet::Value(d.Response[static_cast<std::size_t>(i)]) : jet::Value(jet::Null{}));
  row.add(lf::Notes, d.Notes.empty() ? jet::Value(jet::Null{}) : jet::Value(d.Notes));
  return row;
}

}  // namespace qbm::samples
