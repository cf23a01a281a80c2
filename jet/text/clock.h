#pragma once
// The current local date and time as Access stores dates (days since 1899-12-30, the fraction being
// the time of day), for the creation and update dates the engine writes into a database.

#include "jet/value.h"

namespace jet {

// Now, in the computer's local time, to the whole second.
DateTime localNow();

// The Access date/time of a calendar date and time of day (no range checks beyond the calendar's).
DateTime toDateTime(int year, unsigned month, unsigned day, int hour, int minute, int second);

}  // namespace jet
