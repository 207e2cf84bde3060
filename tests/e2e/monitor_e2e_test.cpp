// The monitor seen from outside: the real program in the viewer chain
// captures what another process copies, and the history outlives a restart.
#include "bar/monitor_support.h"
#include "store/ClipEntry.h"

#include <cstring>

using namespace testing_support;
using namespace monitor_test;

namespace {

// The one content file of that extension in the program's temp folder, once
// it holds `size` bytes; "" when none appears in time (notifications cross
// processes late under Wine).
std::string WaitForContentFile(const std::string& folder, const char* ext, std::size_t size)
{
    std::string found;
    PumpUntil(
        [&] {
            WIN32_FIND_DATAA fd;
            HANDLE h = FindFirstFileA((folder + "temp\\clip*." + ext).c_str(), &fd);
            if (h == INVALID_HANDLE_VALUE)
                return false;
            FindClose(h);
            if (fd.nFileSizeLow != size)
                return false;
            found = fd.cFileName;
            return true;
        },
        20000);
    return found;
}

template <class Entry>
Entry Record(const std::string& bytes)
{
    Entry e{};
    if (bytes.size() == sizeof e)
        std::memcpy(&e, bytes.data(), sizeof e);
    return e;
}

class Program {
public:
    explicit Program(const std::string& folder) : process(folder) {}
    // Started and in the viewer chain.
    bool Start()
    {
        return process.Start() && PumpUntil(
                                      [&] {
                                          DWORD pid = 0;
                                          GetWindowThreadProcessId(GetClipboardViewer(), &pid);
                                          return pid == process.Id();
                                      },
                                      20000);
    }
    DWORD Close()
    {
        HWND bar = process.FindWindowOfClass("TForm1");
        PostMessageA(bar, WM_CLOSE, 0, 0);
        return process.WaitForExit(10000);
    }
    ProgramProcess process;
};

} // namespace

TEST(MonitorEndToEnd, CopiesInAnotherProgramBecomeClipsThatOutliveARestart)
{
    TempFolder folder;
    const std::string text = "First line of a copied text\r\nsecond line\tends here; the rest runs on to be long "
                             "enough to make a full preview.";
    ASSERT_GT(text.size(), 50u);
    {
        Program program(folder.Path());
        ASSERT_TRUE(program.Start());
        CopyText(text);
        const std::string textFile = WaitForContentFile(folder.Path(), "txt", text.size());
        ASSERT_FALSE(textFile.empty());

        CopyBitmap(ColourBitmap(101, 50, RGB(10, 120, 240), RGB(250, 0, 0)));
        const uint32_t bmpSize = 54 + 100 * 3 * 50;
        const std::string bmpFile = WaitForContentFile(folder.Path(), "bmp", bmpSize);
        ASSERT_FALSE(bmpFile.empty());
        ASSERT_EQ(program.Close(), 0u);
        EmptyTheClipboard();

        EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\" + textFile), text);
        const std::string bmp = ReadFileBytes(folder.Path() + "temp\\" + bmpFile);
        const BmpHeaders h = ReadBmpHeaders(bmp);
        EXPECT_EQ(h.width, 100);
        EXPECT_EQ(h.height, 50);
        EXPECT_EQ(h.bitsPerPixel, 24);
        EXPECT_EQ(Pixel24(bmp, h, 0, 0), RGB(250, 0, 0));
        EXPECT_EQ(Pixel24(bmp, h, 99, 49), RGB(10, 120, 240));

        const auto t = Record<store::TextClipEntry>(ReadFileBytes(folder.Path() + "temp\\txtclips.dat"));
        EXPECT_EQ(t.Preview.Text(), "First line of a copied text..second line.ends here");
        EXPECT_EQ(t.FileName.Text(), textFile);
        const auto b = Record<store::BitmapClipEntry>(ReadFileBytes(folder.Path() + "temp\\bmpclips.dat"));
        EXPECT_EQ(b.FileName.Text(), bmpFile);
        EXPECT_GT(b.Captured, 0.0);
        EXPECT_GE(b.Captured, t.Captured);
    }

    // The next run reads the records back and writes the same bytes again.
    const std::string texts = ReadFileBytes(folder.Path() + "temp\\txtclips.dat");
    const std::string bitmaps = ReadFileBytes(folder.Path() + "temp\\bmpclips.dat");
    {
        Program program(folder.Path());
        ASSERT_TRUE(program.Start());
        ASSERT_EQ(program.Close(), 0u);
    }
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\txtclips.dat"), texts);
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\bmpclips.dat"), bitmaps);
    EXPECT_EQ(texts.size(), sizeof(store::TextClipEntry));
    EXPECT_EQ(bitmaps.size(), sizeof(store::BitmapClipEntry));
}
