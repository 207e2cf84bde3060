#include "StoreTestSupport.h"

#include "store/ClipEntry.h"
#include "store/DateTime.h"
#include "store/IoError.h"

#include <cstring>
#include <limits>
#include <tuple>

using namespace store;
using storetest::Bytes;

namespace {

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0, WORD ms = 0)
{
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    t.wMilliseconds = ms;
    return t;
}

double FixedNow()
{
    return 12345.5;
}

} // namespace

TEST(Records, TextEntryImageIsTheFileRecord)
{
    TextClipEntry entry = storetest::TextEntry("hello", "clip014A.txt", 1.0);
    entry.Reserved[0] = 0xAA;
    entry.Reserved[39] = 0xBB;
    const std::string image = Bytes(entry);

    ASSERT_EQ(image.size(), 112u);
    EXPECT_EQ(image[0], 5);
    EXPECT_EQ(image.substr(1, 5), "hello");
    EXPECT_EQ(image.substr(6, 45), std::string(45, '\0'));
    EXPECT_EQ(image[51], 12);
    EXPECT_EQ(image.substr(52, 12), "clip014A.txt");
    EXPECT_EQ(image.substr(64, 8), std::string("\0\0\0\0\0\0\xF0\x3F", 8)); // 1.0, little-endian
    EXPECT_EQ(static_cast<unsigned char>(image[72]), 0xAA);
    EXPECT_EQ(static_cast<unsigned char>(image[111]), 0xBB);
}

TEST(Records, BitmapEntryImageIsTheFileRecord)
{
    BitmapClipEntry entry = storetest::BitmapEntry("clip0001.bmp", 2.0);
    entry.Padding[2] = 0x7F;
    entry.Reserved[39] = 0x01;
    const std::string image = Bytes(entry);

    ASSERT_EQ(image.size(), 64u);
    EXPECT_EQ(image[0], 12);
    EXPECT_EQ(image.substr(1, 12), "clip0001.bmp");
    EXPECT_EQ(image.substr(13, 3), std::string("\0\0\x7F", 3));
    EXPECT_EQ(image.substr(16, 8), std::string("\0\0\0\0\0\0\0\x40", 8)); // 2.0
    EXPECT_EQ(image[63], 1);
}

TEST(Records, ShortStringCutsAndZeroesItsTail)
{
    ShortString<12> name{};
    name.Assign("a-much-longer-name.txt");
    EXPECT_EQ(name.Length, 12);
    EXPECT_EQ(name.Text(), "a-much-longe");

    name.Assign("ab");
    EXPECT_EQ(name.Text(), "ab");
    EXPECT_EQ(Bytes(name.Chars, 12), std::string("ab") + std::string(10, '\0'));

    // A length byte from a damaged file never reaches past the field.
    std::memset(&name, 'x', sizeof name);
    name.Length = 200;
    EXPECT_EQ(name.Text(), std::string(12, 'x'));
}

TEST(Records, DateTimeCountsDaysFrom1899_12_30)
{
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(1899, 12, 30)), 0.0);
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(1900, 1, 1)), 2.0);
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(1900, 3, 1)), 61.0); // 1900 is no leap year
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(2000, 1, 1, 12)), 36526.5);
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(2024, 2, 29, 18)), 45351.75);
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(2024, 3, 1, 0, 0, 0, 500)), 45352.0 + 0.5 / 86400.0);
    EXPECT_DOUBLE_EQ(DateTimeFromSystemTime(At(1899, 12, 29, 6)), -1.25);
}

TEST(Records, DateTimesGoBackToTheDatesTheyCameFromAndNonsenseToNothing)
{
    for (const SYSTEMTIME& t : {At(1899, 12, 30), At(1900, 3, 1), At(2024, 2, 29, 18, 59, 59, 999), At(1601, 1, 1),
                                At(2026, 12, 31, 23, 58, 1, 1), At(1899, 12, 29, 6), At(30827, 12, 31)}) {
        const std::optional<SYSTEMTIME> back = SystemTimeFromDateTime(DateTimeFromSystemTime(t));
        ASSERT_TRUE(back) << t.wYear;
        EXPECT_EQ(std::tie(back->wYear, back->wMonth, back->wDay, back->wHour, back->wMinute, back->wSecond,
                           back->wMilliseconds),
                  std::tie(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds));
    }
    EXPECT_EQ(SystemTimeFromDateTime(DateTimeFromSystemTime(At(2026, 3, 12)))->wDayOfWeek, 4);  // a Thursday
    // A time a hair before midnight is the next day's start, not a 24th hour.
    const std::optional<SYSTEMTIME> late = SystemTimeFromDateTime(1.0 - 1e-12);
    ASSERT_TRUE(late);
    EXPECT_EQ(std::tie(late->wDay, late->wHour), std::make_tuple(WORD(31), WORD(0)));
    for (double nonsense : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                            -1e300, -200000.0, 1.1e7})
        EXPECT_FALSE(SystemTimeFromDateTime(nonsense)) << nonsense;
}

TEST(Records, NowFollowsTheClock)
{
    SetClock(FixedNow);
    EXPECT_EQ(Now(), 12345.5);
    SetClock(nullptr);

    SYSTEMTIME before;
    GetLocalTime(&before);
    const double now = Now();
    SYSTEMTIME after;
    GetLocalTime(&after);
    EXPECT_GE(now, DateTimeFromSystemTime(before));
    EXPECT_LE(now, DateTimeFromSystemTime(after));
}

TEST(Records, IoErrorMessages)
{
    const std::pair<std::uint32_t, const char*> table[] = {
        {2, "File not found"},       {3, "Invalid filename"},  {4, "Too many open files"},
        {5, "File access denied"},   {100, "Read beyond end of file"}, {101, "Disk full"},
        {106, "Invalid numeric input"}, {32, "I/O error 32"}, {0, "I/O error 0"}, {1392, "I/O error 1392"},
    };
    for (const auto& [code, message] : table) {
        const IoError error(code);
        EXPECT_EQ(error.Code(), code);
        EXPECT_STREQ(error.what(), message);
    }
    // The application's error box catches the shared base.
    EXPECT_THROW(throw IoError(5), ui::AppError);
}
