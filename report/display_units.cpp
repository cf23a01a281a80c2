#include "report/display_units.h"

namespace qbm {

UnitLabels MetricUnitLabels() {
  return {"liters", "mm/N", "g", "kg/s", "mm", "mm", "mm", "sq.cm", "liters", "Tm"};
}

UnitLabels EnglishUnitLabels() {
  return {"cu.ft", "in/lb", "oz", "lb/s", "in", "in", "in", "sq.in", "cu.ft", "N/A"};
}

double ConvertForLabel(double stored, std::string_view label) {
  if (label == "liters" || label == "mm/N" || label == "g" || label == "mm") return stored * 1000;
  if (label == "sq.cm") return stored * 10000;
  if (label == "cu.ft") return stored / CubicFootM3;
  if (label == "in/lb") return stored * 175.12685;
  if (label == "oz") return stored / 0.02834952;
  if (label == "lb/s") return stored / 0.4535924;
  if (label == "in") return stored / 0.0254;
  if (label == "sq.in") return stored / 0.00064516;
  return stored;  // "kg/s", "Tm", "N/A"
}

}  // namespace qbm
