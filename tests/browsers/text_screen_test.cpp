// The text browser as it reaches the screen: glyphs, list text and status
// drawn where they belong. With TIDEMARK_SCREENSHOT_DIR set (a Windows path),
// the whole window is also saved there as textbrowser.bmp.
#include "browsers/text_support.h"
#include "support/Pixels.h"
#include "ui/Picture.h"

#include <cstdlib>

using namespace texttest;
using testing_support::ClientPixels;

namespace {

// Pixels of a control that match.
int CountIn(HWND control, bool (*match)(COLORREF))
{
    ClientPixels pixels(control);
    return pixels.CountIf(match, {0, 0, pixels.Width(), pixels.Height()});
}

bool Dark(COLORREF c)
{
    return GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80;
}

bool Red(COLORREF c)
{
    return GetRValue(c) > 160 && GetGValue(c) < 90 && GetBValue(c) < 90;
}

bool Highlight(COLORREF c)
{
    return c == GetSysColor(COLOR_HIGHLIGHT);
}

void SaveWindow(HWND hwnd, const std::string& path)
{
    // Wine hands what was painted on to the screen as the loop runs: the
    // status line's last paint may not be there yet.
    testing_support::PumpMessages(100);
    RECT r;
    GetWindowRect(hwnd, &r);
    ui::WindowDc screen(nullptr);
    ui::MemoryDc dc(CreateCompatibleDC(screen.get()));
    ui::Bitmap bitmap(CreateCompatibleBitmap(screen.get(), r.right - r.left, r.bottom - r.top));
    {
        ui::SelectGuard select(dc.get(), bitmap.get());
        BitBlt(dc.get(), 0, 0, r.right - r.left, r.bottom - r.top, screen.get(), r.left, r.top, SRCCOPY);
    }
    ui::Picture picture;
    picture.AssignFromClipboardBitmap(bitmap.get(), nullptr);
    picture.SaveToFile(path);
}

} // namespace

TEST_F(TextBrowserTest, WindowShowsItsListStatusAndGlyphs)
{
    AddClip("Meeting moved to Thursday, 10:30 in room B");
    AddClip("https://example.org/tidemark/notes");
    AddClip("SELECT name, count(*) FROM clips\r\nGROUP BY name;");
    AddClip("Dear all,\r\n\r\nthe minutes of yesterday's call are attached.");
    Form1->MoveTo(267, 113);
    browser->ShowCatalogue(false);
    browser->Show();
    browser->mnuShowButClick();
    Select(1);
    testing_support::PumpMessages(300);

    // The copy glyph's red arrow, the other two glyphs' dark outlines.
    EXPECT_GT(CountIn(browser->butCopy.Handle(), Red), 5);
    EXPECT_GT(CountIn(browser->butDel.Handle(), Dark), 5);
    EXPECT_GT(CountIn(browser->butSave.Handle(), Dark), 5);
    // Text in the list and on the status line; the selected line highlighted.
    EXPECT_GT(CountIn(browser->list1, Dark), 50);
    EXPECT_GT(CountIn(browser->labStatus.Handle(), Dark), 20);
    EXPECT_GT(CountIn(browser->list1, Highlight), 100);

    if (const char* dir = std::getenv("TIDEMARK_SCREENSHOT_DIR"))
        SaveWindow(browser->Handle(), std::string(dir) + "\\textbrowser.bmp");
}
