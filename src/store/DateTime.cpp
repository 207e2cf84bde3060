#include "store/DateTime.h"

namespace store {
namespace {

// Days from 1970-01-01 to a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d) noexcept
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

double SystemClock()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return DateTimeFromSystemTime(t);
}

ClockFunction g_clock = SystemClock;

} // namespace

double DateTimeFromSystemTime(const SYSTEMTIME& t) noexcept
{
    static const long long epoch = DaysFromCivil(1899, 12, 30);
    const long long days = DaysFromCivil(t.wYear, t.wMonth, t.wDay) - epoch;
    const double ms = ((t.wHour * 60.0 + t.wMinute) * 60.0 + t.wSecond) * 1000.0 + t.wMilliseconds;
    const double fraction = ms / 86400000.0;
    // Before the epoch the sign goes with the day only: -1.25 is 1899-12-29 06:00.
    return days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
}

double Now()
{
    return g_clock();
}

void SetClock(ClockFunction clock) noexcept
{
    g_clock = clock ? clock : SystemClock;
}

} // namespace store
