#include "app/Settings.h"
#include "support/TestSupport.h"
#include "ui/Errors.h"

#include <gtest/gtest.h>

using app::ParseSettingNumber;

TEST(Settings, NumbersReadTheWayTheFileIsWritten)
{
    EXPECT_EQ(ParseSettingNumber("0x0000FF"), 255);
    EXPECT_EQ(ParseSettingNumber("0X0000ff"), 255);
    EXPECT_EQ(ParseSettingNumber("$FF0000"), 0xFF0000);
    EXPECT_EQ(ParseSettingNumber("16711680"), 0xFF0000);
    EXPECT_EQ(ParseSettingNumber("  255"), 255);
    EXPECT_EQ(ParseSettingNumber("+7"), 7);
    EXPECT_EQ(ParseSettingNumber("-16777201"), -16777201);
    EXPECT_EQ(ParseSettingNumber("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseSettingNumber("2147483647"), INT32_MAX);
    EXPECT_EQ(ParseSettingNumber("-2147483648"), INT32_MIN);
}

TEST(Settings, AnythingElseIsNotANumber)
{
    for (const char* bad : {"255abc", "0x", "0X", "", " ", "$", "$123456789", "$12G", "false", "yes", "2147483648",
                            "-2147483649", "99999999999999999999", "1 ", "- 1", "0x-1", "+"}) {
        EXPECT_FALSE(ParseSettingNumber(bad).has_value()) << bad;
    }
}

TEST(Settings, FileValuesFallBackToTheDefaultAndWritesCreateTheSection)
{
    testing_support::TempFolder folder;
    std::string ini = folder.Path() + "tidemark.ini";
    EXPECT_EQ(app::ReadSettingNumber(ini, "Color", 0), 0);  // no file
    EXPECT_EQ(app::ReadSettingNumber(ini, "Hints", 1), 1);

    testing_support::WriteFileBytes(ini, "[Main]\r\nColor=0x0000FF\r\nHints=false\r\n");
    EXPECT_EQ(app::ReadSettingNumber(ini, "Color", 0), 255);
    EXPECT_EQ(app::ReadSettingNumber(ini, "Hints", 1), 1);
    testing_support::WriteFileBytes(ini, "[Main]\r\nColor=255abc\r\nHints=0\r\n");
    EXPECT_EQ(app::ReadSettingNumber(ini, "Color", 0), 0);
    EXPECT_EQ(app::ReadSettingNumber(ini, "Hints", 1), 0);
    testing_support::WriteFileBytes(ini, "[Main]\r\nHints=2\r\n");
    EXPECT_EQ(app::ReadSettingNumber(ini, "Hints", 1), 2);

    std::string fresh = folder.Path() + "fresh.ini";
    app::WriteSetting(fresh, "Color", "-5");
    app::WriteSetting(fresh, "Hints", "0");
    EXPECT_EQ(app::ReadSettingNumber(fresh, "Color", 0), -5);
    std::string text = testing_support::ReadFileBytes(fresh);
    EXPECT_NE(text.find("[Main]"), std::string::npos);
    EXPECT_NE(text.find("Color=-5"), std::string::npos);
    EXPECT_NE(text.find("Hints=0"), std::string::npos);

    try {
        app::WriteSetting(folder.Path() + "no such folder\\tidemark.ini", "Color", "1");
        FAIL() << "a write into a missing folder must fail";
    } catch (const ui::AppError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + folder.Path() + "no such folder\\tidemark.ini");
    }
}
