#pragma once
// Display units of the ten quantities a driver report can show in metric or English units. The
// databases store SI units; each unit label carries its own conversion from the stored value, so
// the report reads a quantity's label, converts by it and writes the label after the number.

#include <cmath>
#include <string>
#include <string_view>

namespace qbm {

// One cubic foot in m³, as 2.54³ × 1728 ÷ 1000000 in double precision (0.028316846592).
inline const double CubicFootM3 = std::pow(2.54, 3) * 1728 / 1000000;

// The label of each switchable quantity. Xmax covers Xmax, Xmax (parallel) and Xmax (series); BL
// covers BL, BL (parallel) and BL (series).
struct UnitLabels {
  std::string Vas, Cms, Mms, Rms, Xmax, Xmech, PDia, Sd, PVd, BL;
  friend bool operator==(const UnitLabels&, const UnitLabels&) = default;
};

// "liters", "mm/N", "g", "kg/s", "mm", "mm", "mm", "sq.cm", "liters", "Tm". The labels in force at
// start.
UnitLabels MetricUnitLabels();
// "cu.ft", "in/lb", "oz", "lb/s", "in", "in", "in", "sq.in", "cu.ft", "N/A".
UnitLabels EnglishUnitLabels();

// The indexes of the UnitsOpt option pair.
inline constexpr int EnglishUnitsOption = 0;
inline constexpr int MetricUnitsOption = 1;

// The displayed value of a stored SI value under a label: "liters", "mm/N", "g", "mm" × 1000;
// "sq.cm" × 10000; "cu.ft" ÷ CubicFootM3; "in/lb" × 175.12685; "oz" ÷ 0.02834952;
// "lb/s" ÷ 0.4535924; "in" ÷ 0.0254; "sq.in" ÷ 0.00064516; "kg/s", "Tm", "N/A" unchanged.
// A label without a conversion of its own (none of the above) leaves the value unchanged.
double ConvertForLabel(double stored, std::string_view label);

}  // namespace qbm
