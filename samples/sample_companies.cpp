#include "samples/sample_companies.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <span>
#include <string_view>

#include "samples/sample_driver_texts.h"
#include "db/company_short_names.h"
#include "samples/sample_random.h"

namespace qbm::samples {

namespace {

constexpr std::array<std::string_view, 25> kStems = {
    "Ar", "Bel", "Cor", "Dav", "El", "Fen", "Gor", "Hal", "Is", "Jor", "Kel", "Lor", "Mar",
    "Nor", "Or", "Pel", "Quin", "Ros", "Sal", "Tor", "Ul", "Val", "Wyn", "Yr", "Zan"};
constexpr std::array<std::string_view, 18> kEndings = {
    "vane", "dell", "mont", "wick", "ford", "sted", "holm", "berg", "ton",
    "ley", "mark", "dal", "stone", "brook", "gate", "wood", "vik", "lund"};
constexpr std::array<std::string_view, 9> kMakerKinds = {
    "Acoustics", "Audio", "Loudspeakers", "Sound", "Electroacoustics", "Speaker Works",
    "Transducers", "Audio Labs", "Sonics"};
constexpr std::array<std::string_view, 4> kSellerKinds = {
    "Speaker Supply", "Audio Parts", "Components", "Electronics Distribution"};
constexpr std::array<std::string_view, 10> kLegalForms = {
    "Ltd.", "GmbH", "Inc.", "A/S", "S.r.l.", "Co., Ltd.", "Corp.", "AB", "B.V.", ""};

// The named distributors of the short-name table.
constexpr std::array<std::string_view, 3> kTableDistributors = {
    "Parts Express International, Inc.", "Madisound Speaker Components", "MCM Electronics"};

struct Place {
  std::string_view city, region, code, country, dialling;
};
constexpr std::array<Place, 14> kPlaces = {{
    {"Odense", "", "5000", "Denmark", "+45"},
    {"Ruds Vedby", "", "4291", "Denmark", "+45"},
    {"Springfield", "OR", "97477", "USA", "+1"},
    {"Chatsworth", "CA", "91311", "USA", "+1"},
    {"Lyon", "", "69003", "France", "+33"},
    {"Castelfranco Veneto", "TV", "31033", "Italy", "+39"},
    {"Nürnberg", "Bayern", "90402", "Germany", "+49"},
    {"Osaka", "", "530-0001", "Japan", "+81"},
    {"Toronto", "ON", "M5V 2T6", "Canada", "+1"},
    {"Leeds", "West Yorkshire", "LS1 4AP", "United Kingdom", "+44"},
    {"Kowloon", "", "", "Hong Kong", "+852"},
    {"Göteborg", "", "411 04", "Sweden", "+46"},
    {"Eindhoven", "", "5611 AB", "Netherlands", "+31"},
    {"Valencia", "", "46001", "Spain", "+34"},
}};
constexpr std::array<std::string_view, 10> kStreets = {
    "Industrivej", "Harbour Road", "Mill Lane", "Via dell'Industria", "Hauptstraße",
    "Rue de la Gare", "Commerce Drive", "Technology Park", "Sandvej", "Kanalweg"};
constexpr std::array<std::string_view, 5> kDepartments = {
    "Sales", "OEM Sales", "Technical Support", "Export Department", "Customer Service"};
constexpr std::array<std::string_view, 3> kSecondLines = {"Suite 210", "Building 3", "P.O. Box 118"};
constexpr std::array<std::string_view, 6> kCompanyNotes = {
    "Sells through distributors only.",
    "OEM drivers on request; minimum order 500 pieces.",
    "Catalogue received at the trade show.",
    "Data sheets in metric units.",
    "Formerly a division of a larger group.",
    "Prices on request."};

std::string lowerLetters(std::string_view s) {
  std::string out;
  for (unsigned char c : s)
    if (std::isalnum(c)) out += static_cast<char>(std::tolower(c));
  return out;
}

std::string digits(SampleRandom& r, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += static_cast<char>('0' + r.between(0, 9));
  return s;
}

std::string phone(const Place& p, SampleRandom& r) {
  return std::string(p.dialling) + " " + digits(r, 3) + " " + digits(r, 4);
}

// A long memo (several pages of text), as some users keep whole data sheets in the notes.
std::string longNotes(SampleRandom& r) {
  std::string text;
  const int sentences = r.between(40, 120);
  for (int i = 0; i < sentences; ++i)
    text += std::string(r.pick(kCompanyNotes)) + (i % 6 == 5 ? "\r\n" : " ");
  return text;
}

// The beginning of the name a legacy database would have used for the maker.
std::string legacySpelling(std::string_view full, std::string_view shortName, SampleRandom& r) {
  const double roll = r.unit();
  if (roll < 0.6 || shortName.size() < 3) return asciiUpper(shortName.size() >= 2 ? shortName : full);
  if (roll < 0.85) {
    const std::size_t space = full.find(' ', 1);
    return asciiUpper(full.substr(0, space == std::string_view::npos ? full.size() : space));
  }
  return asciiUpper(full.substr(0, std::min(full.size(), static_cast<std::size_t>(r.between(4, 12)))));
}

SampleCompany namedCompany(std::string name, std::int16_t type) {
  SampleCompany c;
  c.name = std::move(name);
  c.row.Type = type;
  c.makesDrivers = type != DistributorCompany;
  c.sellsDrivers = type != MakerCompany;
  return c;
}

std::string inventedName(SampleRandom& r, bool seller, const std::set<std::string>& taken) {
  for (;;) {
    std::string name = std::string(r.pick(kStems)) + std::string(r.pick(kEndings)) + " " +
                       std::string(seller ? r.pick(kSellerKinds) : r.pick(kMakerKinds));
    const std::string_view legal = r.pick(kLegalForms);
    if (!legal.empty()) name += (legal == "Inc." || legal == "Ltd." ? ", " : " ") + std::string(legal);
    if (!taken.count(name)) return name;
  }
}

// Address, contact and notes of one company.
void fillDetails(SampleCompany& c, SampleRandom& r) {
  const Place& place = r.pick(kPlaces);
  DriverCompany& row = c.row;
  if (r.chance(0.4)) row.Department = r.pick(kDepartments);
  row.Address1 = std::to_string(r.between(1, 250)) + " " + std::string(r.pick(kStreets));
  if (r.chance(0.15)) row.Address2 = r.pick(kSecondLines);
  if (!r.chance(0.08)) {
    row.City = place.city;
    row.Region = place.region;
    row.Code = place.code;
  }
  if (!r.chance(0.05)) row.Country = place.country;
  if (!r.chance(0.1)) row.Tel1 = phone(place, r);
  if (r.chance(0.4)) row.Tel2 = phone(place, r);
  if (r.chance(0.5)) row.Fax = phone(place, r);
  const std::string domain = lowerLetters(c.name ? *c.name : "") .substr(0, 16) + ".example";
  if (c.name && !r.chance(0.25)) row.Email = (c.sellsDrivers ? "orders@" : "sales@") + domain;
  if (c.name && !r.chance(0.2)) row.Web = "www." + domain;
  if (r.chance(0.03))
    row.Notes = longNotes(r);
  else if (r.chance(0.25))
    row.Notes = r.pick(kCompanyNotes);
}

// Makers name up to two of their distributors; distributors name makers they carry, some all
// seven; one maker names itself, as real data does.
void linkCompanies(std::vector<SampleCompany>& companies, std::uint64_t seed) {
  std::vector<std::int32_t> sellers, makers;
  for (const SampleCompany& c : companies) (c.sellsDrivers ? sellers : makers).push_back(c.id);
  for (SampleCompany& c : companies) {
    SampleRandom r(seed, "company links", static_cast<std::uint64_t>(c.id));
    const std::vector<std::int32_t>& pool = c.sellsDrivers ? makers : sellers;
    if (pool.empty() || r.chance(0.5)) continue;
    const int count = c.sellsDrivers ? r.between(1, 7) : r.between(1, 2);
    for (int k = 0; k < count; ++k) c.row.CompanyLink[static_cast<std::size_t>(k)] = pool[r.below(pool.size())];
  }
  for (SampleCompany& c : companies)
    if (c.makesDrivers && c.name && c.row.CompanyLink[0] == 0) {
      c.row.CompanyLink[0] = c.id;
      break;
    }
}

}  // namespace

std::vector<SampleCompany> makeSampleCompanies(std::uint64_t seed, int drivers, int companies) {
  const int asked = companies;
  std::vector<SampleCompany> list;
  std::set<std::string> taken;
  auto add = [&](SampleCompany c) {
    taken.insert(*c.name);
    list.push_back(std::move(c));
  };
  for (const CompanyShortName& known : CompanyShortNames) {
    const bool seller = std::find(kTableDistributors.begin(), kTableDistributors.end(), known.full) !=
                        kTableDistributors.end();
    add(namedCompany(std::string(known.full), seller ? DistributorCompany : MakerCompany));
  }
  add(namedCompany(std::string(BostwickCompany), MakerCompany));
  add(namedCompany(std::string(XtasyCompany), MakerCompany));

  SampleRandom names(seed, "company names");
  const int fixed = static_cast<int>(list.size());
  // Old databases made from this one add up to 100 companies of their own: all stay within 900.
  const int invented = asked > 0 ? std::max(4, asked - fixed - 1) : std::clamp(drivers / 250, 4, 900 - fixed - 1 - 300);
  for (int i = 0; i < invented; ++i) {
    const bool seller = i % 5 == 4;
    add(namedCompany(inventedName(names, seller, taken), seller ? DistributorCompany
                                                         : names.chance(0.1) ? MakerAndDistributor
                                                                             : MakerCompany));
  }
  std::sort(list.begin(), list.end(), [](const SampleCompany& a, const SampleCompany& b) {
    return asciiUpper(*a.name) < asciiUpper(*b.name);
  });
  SampleCompany unnamed;  // a row whose name was never entered; it has drivers all the same
  unnamed.row.Type = MakerCompany;
  list.push_back(unnamed);

  for (std::size_t i = 0; i < list.size(); ++i) {
    SampleCompany& c = list[i];
    c.id = static_cast<std::int32_t>(i + 1);
    SampleRandom r(seed, "company", i);
    fillDetails(c, r);
    c.userEntry = r.chance(0.03);
    if (c.name) c.legacyName = legacySpelling(*c.name, ShortCompanyName(*c.name), r);
  }
  linkCompanies(list, seed);
  return list;
}

std::vector<SampleCompany> makeUserCompanies(std::uint64_t seed, int count,
                                             const std::vector<SampleCompany>& existing) {
  std::set<std::string> taken;
  for (const SampleCompany& c : existing)
    if (c.name) taken.insert(*c.name);
  SampleRandom names(seed, "user company names");
  std::vector<SampleCompany> companies;
  for (int i = 0; i < count; ++i) {
    SampleCompany c = namedCompany(inventedName(names, false, taken), MakerCompany);
    taken.insert(*c.name);
    SampleRandom r(seed, "user company", static_cast<std::uint64_t>(i));
    fillDetails(c, r);
    c.userEntry = true;
    c.legacyName = legacySpelling(*c.name, *c.name, r);
    companies.push_back(std::move(c));
  }
  return companies;
}

}  // namespace qbm::samples
