// The x86_64 program from the win64 zip, as a Windows user gets it: unpacked
// by tools/package.sh, copied into a fresh folder and started there.
#include "support/RunningProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace testing_support;

namespace {

// The unpacked package as a DOS path with a trailing backslash; Wine shows the
// Unix root as drive Z:.
std::string PackageFolder()
{
    const char* dir = std::getenv("TIDEMARK_PACKAGE_DIR");
    if (!dir || !*dir)
        return {};
    std::string path = dir;
    std::replace(path.begin(), path.end(), '/', '\\');
    return (path.front() == '\\' ? "Z:" : "") + path + "\\";
}

bool FolderExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

class PackageScenario : public ScenarioTest {};

TEST_F(PackageScenario, TheUnzippedProgramShowsTheBarCapturesAndEndsCleanlyWhenTheBarIsClosed)
{
    const std::string package = PackageFolder();
    ASSERT_FALSE(package.empty()) << "TIDEMARK_PACKAGE_DIR is not set";
    ASSERT_TRUE(FileExists(package + "tidemark.exe")) << "no unpacked package in " << package
                                                      << ": run tools/package.sh";
    TempFolder folder;
    RunningProgram program(folder.Path(), package + "tidemark.exe");
    ASSERT_TRUE(program.Start()) << "the bar did not show";
    const std::string clip = CopyTextAndWait(program, "from the zip");
    EXPECT_FALSE(clip.empty());

    ASSERT_TRUE(program.ClickCloseBox());
    EXPECT_EQ(program.WaitForExit(), 0u);
    // Everything it keeps is beside the executable, as README.txt tells.
    EXPECT_TRUE(FileExists(folder.Path() + "tidemark.ini"));
    EXPECT_TRUE(FolderExists(folder.Path() + "stash"));
    EXPECT_EQ(ReadFileBytes(program.TempFile(clip)), "from the zip");
}
