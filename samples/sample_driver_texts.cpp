#include "samples/sample_driver_texts.h"

#include <array>
#include <cmath>
#include <span>
#include <string_view>

namespace qbm::samples {

namespace {

constexpr std::array<std::string_view, 12> kWooferPrefixes = {
    "W", "CW", "SD", "XLS", "NE", "GX", "RS", "P", "M", "L", "KX", "DR"};
constexpr std::array<std::string_view, 6> kTweeterPrefixes = {"TW", "T", "D", "DX", "HT", "TD"};
constexpr std::array<std::string_view, 4> kCoaxialPrefixes = {"CX", "CO", "TX", "KC"};
constexpr std::array<std::string_view, 3> kSeparators = {"", "-", " "};

constexpr std::array<std::string_view, 7> kConePistons = {
    "Paper cone", "Treated paper cone", "Polypropylene cone", "Mineral-filled polypropylene cone",
    "Aluminium cone", "Kevlar cone", "Glass fibre cone"};
constexpr std::array<std::string_view, 5> kDomePistons = {
    "Silk dome", "Textile dome", "Titanium dome", "Aluminium dome", "Beryllium dome"};
constexpr std::array<std::string_view, 4> kConeSuspensions = {
    "Rubber surround", "Foam surround", "Cloth surround", "Double-roll rubber surround"};
constexpr std::array<std::string_view, 3> kDomeSuspensions = {"Coated fabric", "Rolled textile", "Polyimide"};
constexpr std::array<std::string_view, 4> kDustCaps = {"Felt", "Paper", "Inverted dome", "Phase plug"};
constexpr std::array<std::string_view, 3> kFrames = {"Stamped steel", "Cast aluminium", "Glass-filled plastic"};
constexpr std::array<std::string_view, 4> kCoils = {
    "Copper on aluminium former", "Copper on Kapton former", "CCAW on glass fibre former",
    "Aluminium ribbon wire"};
constexpr std::array<std::string_view, 4> kTerminals = {
    "Gold-plated push terminals", "Solder tabs", "Spring-loaded terminals", "Screw terminals"};
constexpr std::array<std::string_view, 3> kMagnets = {"Ferrite", "Neodymium", "Alnico"};
constexpr std::array<std::string_view, 8> kComments = {
    "Discontinued", "Shielded version available", "OEM only", "Limited stock",
    "Replaces the earlier model", "Long-throw design", "Car audio", "Measured in IEC baffle"};
constexpr std::array<std::string_view, 8> kNoteSentences = {
    "Parameters from the maker's data sheet.",
    "Measured after a 24-hour break-in at 20 Hz.",
    "Vas measured with the added-mass method.",
    "Recommended for closed boxes of 10 to 20 litres.",
    "Works well in a vented box tuned near Fs.",
    "The frame needs a rebate for flush mounting.",
    "Sensitivity quoted on a half-space baffle.",
    "Thermal data not given by the maker."};

std::string sizeDigits(Radiator radiator, double inches) {
  if (radiator == Radiator::DomeTweeter || radiator == Radiator::CompressionDriver ||
      radiator == Radiator::Ribbon || radiator == Radiator::Piezo)
    return std::to_string(static_cast<int>(std::lround(inches * 25.4)));  // dome size in mm
  const int tenths = static_cast<int>(std::lround(inches * 10));
  std::string s = tenths % 10 == 0 ? std::to_string(tenths / 10) : std::to_string(tenths);
  return s.size() < 2 ? "0" + s : s;
}

std::uint64_t nameHash(std::string_view s) {
  std::uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ULL;
  return h;
}

}  // namespace

ModelStyle modelStyleOf(std::string_view makerName) {
  SampleRandom r(nameHash(makerName), "model style");
  ModelStyle style;
  style.wooferPrefix = r.pick(kWooferPrefixes);
  style.tweeterPrefix = r.pick(kTweeterPrefixes);
  style.coaxialPrefix = r.pick(kCoaxialPrefixes);
  style.separator = r.pick(kSeparators);
  style.impedanceTail = r.chance(0.6);
  return style;
}

std::string modelName(const ModelStyle& style, Radiator radiator, bool multiWay, double inches,
                      std::uint32_t serial, int serialDigits, double impedance) {
  const bool high = radiator != Radiator::Woofer && radiator != Radiator::Midrange;
  std::string name = multiWay ? style.coaxialPrefix : high ? style.tweeterPrefix : style.wooferPrefix;
  name += sizeDigits(radiator, inches);
  std::string number = std::to_string(serial);
  if (static_cast<int>(number.size()) < serialDigits)
    number.insert(0, static_cast<std::size_t>(serialDigits) - number.size(), '0');
  name += style.separator + number;
  if (style.impedanceTail && impedance > 0)
    name += (style.separator == "-" ? "/" : "-") + std::to_string(static_cast<int>(impedance));
  return name;
}

void describeConstruction(WorkingDriver& d, Radiator radiator, SampleRandom& r) {
  const bool cone = radiator == Radiator::Woofer || radiator == Radiator::Midrange;
  if (radiator == Radiator::Piezo) {
    d.PistonDesc = "Piezo-ceramic disc";
    d.TermDesc = r.chance(0.5) ? std::string(r.pick(kTerminals)) : "";
    return;
  }
  d.PistonDesc = cone ? r.pick(kConePistons) : r.pick(kDomePistons);
  if (radiator == Radiator::Ribbon) d.PistonDesc = "Aluminium ribbon";
  if (!r.chance(0.3)) d.SuspDesc = cone ? r.pick(kConeSuspensions) : r.pick(kDomeSuspensions);
  if (radiator == Radiator::Woofer) {
    if (!r.chance(0.2)) d.DustCapDesc = r.pick(kDustCaps);
    if (!r.chance(0.2)) d.FrameDesc = r.pick(kFrames);
  }
  if (!r.chance(0.25)) d.VCDesc = r.pick(kCoils);
  if (r.chance(0.4)) d.TermDesc = r.pick(kTerminals);
  d.MagDesc = radiator == Radiator::Woofer && r.chance(0.8) ? "Ferrite" : r.pick(kMagnets);
  d.SquareMag = r.chance(0.03) ? YesNoTrue : YesNoFalse;
  d.Shield = r.chance(0.15) ? YesNoTrue : YesNoFalse;
  if (radiator == Radiator::Woofer) d.Underhung = r.chance(0.05) ? YesNoTrue : YesNoFalse;
  else d.Ferrofluid = !cone && r.chance(0.6) ? YesNoTrue : YesNoFalse;
}

void describeCatalogue(WorkingDriver& d, SampleRandom& r) {
  if (r.chance(0.6)) {
    d.SerialNo = r.chance(0.5) ? std::to_string(r.between(100000, 999999))
                               : "P/N " + std::to_string(r.between(1000, 9999)) + "-" +
                                     std::to_string(r.between(10, 99));
  }
  if (r.chance(0.2)) d.Comment = r.pick(kComments);
  if (r.chance(0.02)) {
    // A whole data sheet pasted into the notes: several pages of text.
    const int sentences = r.between(60, 200);
    for (int i = 0; i < sentences; ++i)
      d.Notes += std::string(r.pick(kNoteSentences)) + (i % 5 == 4 ? "\r\n" : " ");
  } else if (r.chance(0.25)) {
    const int sentences = r.between(1, 3);
    for (int i = 0; i < sentences; ++i) d.Notes += (i ? " " : "") + std::string(r.pick(kNoteSentences));
  }
}

std::string partNumber(SampleRandom& r) {
  return std::to_string(r.between(100, 999)) + "-" + std::to_string(r.between(100, 999));
}

std::string asciiUpper(std::string_view text) {
  std::string u(text);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string asciiLower(std::string_view text) {
  std::string l(text);
  for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return l;
}

}  // namespace qbm::samples
