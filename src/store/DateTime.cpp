#include "store/DateTime.h"

#include <cmath>

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

// The date of a count of days from 1970-01-01; the inverse of DaysFromCivil.
void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) noexcept
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

constexpr long long kMsPerDay = 86400000;

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
    const double fraction = ms / static_cast<double>(kMsPerDay);
    // Before the epoch the sign goes with the day only: -1.25 is 1899-12-29 06:00.
    return days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
}

std::optional<SYSTEMTIME> SystemTimeFromDateTime(double value) noexcept
{
    // Far wider than the years a SYSTEMTIME holds, and well inside long long.
    if (!std::isfinite(value) || std::fabs(value) > 2e7)
        return std::nullopt;
    // The sign goes with the day only, as above.
    const double whole = std::trunc(value);
    long long days = static_cast<long long>(whole);
    long long ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += value < 0 ? -1 : 1;
    }
    static const long long epoch = DaysFromCivil(1899, 12, 30);
    const long long sinceUnixEpoch = days + epoch;
    long long year;
    unsigned month, day;
    CivilFromDays(sinceUnixEpoch, year, month, day);
    if (year < 1601 || year > 30827)
        return std::nullopt;
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    // 1970-01-01 was a Thursday.
    t.wDayOfWeek = static_cast<WORD>(((sinceUnixEpoch + 4) % 7 + 7) % 7);
    t.wHour = static_cast<WORD>(ms / 3600000);
    t.wMinute = static_cast<WORD>(ms / 60000 % 60);
    t.wSecond = static_cast<WORD>(ms / 1000 % 60);
    t.wMilliseconds = static_cast<WORD>(ms % 1000);
    return t;
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
