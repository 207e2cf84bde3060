#include <gtest/gtest.h>
#include <windows.h>

TEST(Toolchain, RunsUnderWine)
{
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
}
