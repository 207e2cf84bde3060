// Date-times as days since 1899-12-30 00:00 local time, the fraction being the
// time of day.
#pragma once

#include <windows.h>

namespace store {

double DateTimeFromSystemTime(const SYSTEMTIME& t) noexcept;

// The current local date-time, from the clock set below (the system's by default).
double Now();

// Replaces the clock; nullptr puts the system's back. For tests.
using ClockFunction = double (*)();
void SetClock(ClockFunction clock) noexcept;

} // namespace store
