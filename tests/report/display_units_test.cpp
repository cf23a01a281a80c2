#include "report/display_units.h"

#include <gtest/gtest.h>

#include "common/format_value.h"
#include "common/user_locale.h"

namespace qbm {
namespace {

TEST(DisplayUnits, CubicFootIsComputedFromTheInch) {
  EXPECT_NEAR(CubicFootM3, 0.028316846592, 1e-17);
}

TEST(DisplayUnits, LabelSetsOfBothSystems) {
  const UnitLabels metric = MetricUnitLabels();
  EXPECT_EQ(metric, (UnitLabels{"liters", "mm/N", "g", "kg/s", "mm", "mm", "mm", "sq.cm", "liters",
                                "Tm"}));
  const UnitLabels english = EnglishUnitLabels();
  EXPECT_EQ(english, (UnitLabels{"cu.ft", "in/lb", "oz", "lb/s", "in", "in", "in", "sq.in",
                                 "cu.ft", "N/A"}));
}

// Every label's conversion, against the factor written out independently of the code.
TEST(DisplayUnits, EachLabelConvertsByItsOwnConstant) {
  const double stored = 0.3;
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "liters"), 300);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "mm/N"), 300);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "g"), 300);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "mm"), 300);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "sq.cm"), 3000);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "cu.ft"), 0.3 / 0.028316846592);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "in/lb"), 0.3 * 175.12685);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "oz"), 0.3 / 0.02834952);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "lb/s"), 0.3 / 0.4535924);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "in"), 0.3 / 0.0254);
  EXPECT_DOUBLE_EQ(ConvertForLabel(stored, "sq.in"), 0.3 / 0.00064516);
  EXPECT_EQ(ConvertForLabel(stored, "kg/s"), stored);
  EXPECT_EQ(ConvertForLabel(stored, "Tm"), stored);
  EXPECT_EQ(ConvertForLabel(stored, "N/A"), stored);
  EXPECT_EQ(ConvertForLabel(stored, "furlong"), stored);
}

TEST(DisplayUnits, TypicalValuesShowAsTheUserExpects) {
  ScopedUserLocale locale(UserLocale::classic());
  const UnitLabels metric = MetricUnitLabels();
  const UnitLabels english = EnglishUnitLabels();
  EXPECT_EQ(FormatValue(ConvertForLabel(0.05, metric.Vas)), " 50");
  EXPECT_EQ(FormatValue(ConvertForLabel(0.05, english.Vas)), " 1.766");
  EXPECT_EQ(FormatValue(ConvertForLabel(0.012, metric.Mms)), " 12");
  EXPECT_EQ(FormatValue(ConvertForLabel(0.012, english.Mms)), " 0.423");
  EXPECT_EQ(FormatValue(ConvertForLabel(0.006, metric.Xmax)), " 6");
  EXPECT_EQ(FormatValue(ConvertForLabel(0.006, english.Xmax)), " 0.236");
  EXPECT_EQ(FormatValue(ConvertForLabel(7.5, metric.BL)), " 7.5");
  EXPECT_EQ(FormatValue(ConvertForLabel(7.5, english.BL)), " 7.5");
  EXPECT_EQ(FormatValue(ConvertForLabel(0.0132, metric.Sd)), " 132");
  EXPECT_EQ(FormatValue(ConvertForLabel(0.0132, english.Sd)), " 20.46");
}

}  // namespace
}  // namespace qbm
