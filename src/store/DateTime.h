// Date-times as days since 1899-12-30 00:00 local time, the fraction being the
// time of day.
#pragma once

#include <windows.h>

#include <optional>

namespace store {

double DateTimeFromSystemTime(const SYSTEMTIME& t) noexcept;
// The other way, to the millisecond; nothing for a value that is no date a
// SYSTEMTIME holds (not a number, or outside the years 1601 to 30827).
std::optional<SYSTEMTIME> SystemTimeFromDateTime(double value) noexcept;

// The current local date-time, from the clock set below (the system's by default).
double Now();

// Replaces the clock; nullptr puts the system's back. For tests.
using ClockFunction = double (*)();
void SetClock(ClockFunction clock) noexcept;

} // namespace store
