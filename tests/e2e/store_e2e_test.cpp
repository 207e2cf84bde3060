// The store's lifetime seen from outside: folders at start, catalogue files
// and settings at exit, and a second run that gives back what the first wrote.
#include "store/ClipEntry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace testing_support;

namespace {

bool FolderExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Starts the program, waits for its bar, and closes it as the close box does.
void RunOnce(const std::string& folder)
{
    ProgramProcess program(folder);
    ASSERT_TRUE(program.Start());
    HWND bar = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (bar = program.FindWindowOfClass("TForm1", true)) != nullptr; }, 20000));
    PostMessageA(bar, WM_CLOSE, 0, 0);
    ASSERT_EQ(program.WaitForExit(10000), 0u);
}

template <class Entry>
std::string RecordBytes(const Entry& e)
{
    return std::string(reinterpret_cast<const char*>(&e), sizeof e);
}

} // namespace

TEST(StoreLifetime, FirstRunMakesFoldersAndEmptyCataloguesAndDefaultSettings)
{
    TempFolder folder;
    RunOnce(folder.Path());

    EXPECT_TRUE(FolderExists(folder.Path() + "temp"));
    EXPECT_TRUE(FolderExists(folder.Path() + "stash"));
    for (const char* file : {"temp\\txtclips.dat", "temp\\bmpclips.dat", "stash\\txtsaved.dat", "stash\\bmpsaved.dat"}) {
        EXPECT_TRUE(FileExists(folder.Path() + file)) << file;
        EXPECT_EQ(ReadFileBytes(folder.Path() + file).size(), 0u) << file;
    }
    std::string ini = ReadFileBytes(folder.Path() + "tidemark.ini");
    EXPECT_NE(ini.find("[Main]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Color=0"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Hints=1"), std::string::npos) << ini;
}

TEST(StoreLifetime, ASecondRunWritesBackWhatItReadByteForByte)
{
    TempFolder folder;
    CreateDirectoryA((folder.Path() + "temp").c_str(), nullptr);
    CreateDirectoryA((folder.Path() + "stash").c_str(), nullptr);

    // Records as another run (or another version) may have left them: odd
    // bytes in the reserved and padding areas must survive.
    std::string texts, bitmaps;
    for (int i = 1; i <= 3; ++i) {
        store::TextClipEntry t{};
        t.Preview.Assign(std::string("clip number ").append(std::to_string(i)));
        t.FileName.Assign("clip000" + std::to_string(i) + ".txt");
        t.Captured = 46000.5 + i;
        std::memset(t.Reserved, 0xA0 + i, sizeof t.Reserved);
        texts += RecordBytes(t);
        store::BitmapClipEntry b{};
        b.FileName.Assign("clip010" + std::to_string(i) + ".bmp");
        b.Padding[1] = 0x5A;
        b.Captured = 46001.25 + i;
        std::memset(b.Reserved, 0x30 + i, sizeof b.Reserved);
        bitmaps += RecordBytes(b);
    }
    WriteFileBytes(folder.Path() + "temp\\txtclips.dat", texts);
    WriteFileBytes(folder.Path() + "temp\\bmpclips.dat", bitmaps);
    WriteFileBytes(folder.Path() + "stash\\txtsaved.dat", texts.substr(0, 112));
    WriteFileBytes(folder.Path() + "stash\\bmpsaved.dat", bitmaps.substr(64));
    WriteFileBytes(folder.Path() + "tidemark.ini", "[Main]\r\nColor=16711680\r\nHints=0\r\n");

    RunOnce(folder.Path());
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\txtclips.dat"), texts);
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\bmpclips.dat"), bitmaps);
    EXPECT_EQ(ReadFileBytes(folder.Path() + "stash\\txtsaved.dat"), texts.substr(0, 112));
    EXPECT_EQ(ReadFileBytes(folder.Path() + "stash\\bmpsaved.dat"), bitmaps.substr(64));
    std::string ini = ReadFileBytes(folder.Path() + "tidemark.ini");
    EXPECT_NE(ini.find("Color=16711680"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Hints=0"), std::string::npos) << ini;
}
