// The text browser as it reaches the screen: glyphs, list text and status
// drawn where they belong. With TIDEMARK_SCREENSHOT_DIR set (a Windows path),
// the window is also saved there as textbrowser.bmp.
#include "browsers/text_support.h"
#include "ui/Picture.h"

#include <cstdlib>

using namespace texttest;
using testing_support::PumpMessages;

namespace {

struct Grab {
    ui::MemoryDc dc;
    ui::Bitmap bitmap;
    HGDIOBJ old = nullptr;
    RECT window{};

    explicit Grab(HWND hwnd)
    {
        GetWindowRect(hwnd, &window);
        ui::WindowDc screen(nullptr);
        dc.reset(CreateCompatibleDC(screen.get()));
        bitmap.reset(CreateCompatibleBitmap(screen.get(), window.right - window.left, window.bottom - window.top));
        old = SelectObject(dc.get(), bitmap.get());
        BitBlt(dc.get(), 0, 0, window.right - window.left, window.bottom - window.top, screen.get(), window.left,
               window.top, SRCCOPY);
    }
    ~Grab() { SelectObject(dc.get(), old); }

    // Pixels of a child window's area that satisfy `test`.
    template <class Test>
    int Count(HWND child, Test test) const
    {
        RECT r;
        GetWindowRect(child, &r);
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (test(GetPixel(dc.get(), x - window.left, y - window.top)))
                    ++n;
        return n;
    }
};

bool Dark(COLORREF c)
{
    return GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80;
}

bool Red(COLORREF c)
{
    return GetRValue(c) > 160 && GetGValue(c) < 90 && GetBValue(c) < 90;
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
    PumpMessages(300);

    Grab grab(browser->Handle());
    // The copy glyph's red arrow, and the scissors' dark outline.
    EXPECT_GT(grab.Count(browser->butCopy.Handle(), Red), 5);
    EXPECT_GT(grab.Count(browser->butDel.Handle(), Dark), 5);
    EXPECT_GT(grab.Count(browser->butSave.Handle(), Dark), 5);
    // Text in the list and on the status line.
    EXPECT_GT(grab.Count(browser->list1, Dark), 50);
    EXPECT_GT(grab.Count(browser->labStatus.Handle(), Dark), 20);
    // The selected line is drawn in the highlight colour.
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_GT(grab.Count(browser->list1, [&](COLORREF c) { return c == highlight; }), 100);

    if (const char* dir = std::getenv("TIDEMARK_SCREENSHOT_DIR")) {
        ui::Picture picture;
        picture.AssignFromClipboardBitmap(grab.bitmap.get(), nullptr);
        picture.SaveToFile(std::string(dir) + "\\textbrowser.bmp");
    }
}
