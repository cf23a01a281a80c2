#pragma once
// Values in test failure messages as people read them ("Null", "\"text\"", "12").

#include <ostream>

#include "jet/value.h"
#include "jet/tdef/value_conversion.h"

namespace jet {
inline void PrintTo(const Value& value, std::ostream* out) { *out << describeValue(value); }
}  // namespace jet
