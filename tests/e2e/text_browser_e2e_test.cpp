// The text browser used as a user would: clips copied in another program, the
// bar's text button clicked, a line double-clicked; the clip comes back on the
// clipboard for every program, and is not captured a second time.
#include "bar/monitor_support.h"

#include <cstring>

using namespace testing_support;
using namespace monitor_test;

namespace {

std::vector<std::string> TextClipFiles(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "temp\\clip*.txt").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do
            names.push_back(fd.cFileName);
        while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return names;
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            text.assign(p, strnlen(p, GlobalSize(h)));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

// The first child window of `parent` of class `cls` whose client-relative
// top-left corner is `at` (any place when `at` is null).
HWND ChildOf(HWND parent, const char* cls, const POINT* at = nullptr)
{
    struct Search {
        HWND parent;
        const char* cls;
        const POINT* at;
        HWND found;
    } s{parent, cls, at, nullptr};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) -> BOOL {
            auto* q = reinterpret_cast<Search*>(p);
            char name[64] = "";
            GetClassNameA(h, name, sizeof name);
            if (lstrcmpiA(name, q->cls) != 0)
                return TRUE;
            if (q->at) {
                RECT r;
                GetWindowRect(h, &r);
                MapWindowPoints(nullptr, q->parent, reinterpret_cast<POINT*>(&r), 2);
                if (r.left != q->at->x || r.top != q->at->y)
                    return TRUE;
            }
            q->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void MouseAt(HWND window, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = (p.x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = (p.y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof move);
    PumpMessages(50);
}

void Clicks(int count)
{
    for (int i = 0; i < count; ++i) {
        INPUT press[2]{};
        press[0].type = press[1].type = INPUT_MOUSE;
        press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, press, sizeof press[0]);
        PumpMessages(30);
    }
}

} // namespace

TEST(TextBrowserEndToEnd, BarButtonOpensTheBrowserAndADoubleClickCopiesTheClipBackUncaptured)
{
    TempFolder folder;
    ProgramProcess program(folder.Path());
    ASSERT_TRUE(program.Start());
    HWND bar = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            DWORD pid = 0;
            GetWindowThreadProcessId(GetClipboardViewer(), &pid);
            return pid == program.Id() && (bar = program.FindWindowOfClass("TForm1", true)) != nullptr;
        },
        20000));

    // Three clips copied here, in another program; the middle one has lone LF breaks.
    const std::vector<std::string> texts = {"first clip copied elsewhere", "second clip\nwith lone LF\nbreaks",
                                            "third clip, the newest"};
    for (size_t i = 0; i < texts.size(); ++i) {
        CopyText(texts[i]);
        ASSERT_TRUE(PumpUntil([&] { return TextClipFiles(folder.Path()).size() == i + 1; }, 20000)) << i;
    }

    // The bar's second button, "View text clips".
    POINT butText{40, 6};
    HWND button = ChildOf(bar, "TidemarkSpeedButton", &butText);
    ASSERT_NE(button, nullptr);
    MouseAt(button, 12, 12);
    Clicks(1);
    HWND browser = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (browser = program.FindWindowOfClass("TfrmText", true)) != nullptr; }, 10000));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(bar); }, 5000));
    char caption[64] = "";
    GetWindowTextA(browser, caption, sizeof caption);
    EXPECT_STREQ(caption, "Text clips");
    RECT barRect, browserRect;
    GetWindowRect(bar, &barRect);
    GetWindowRect(browser, &browserRect);
    EXPECT_EQ(browserRect.left, barRect.left);
    EXPECT_EQ(browserRect.top, barRect.top);

    HWND list = ChildOf(browser, "LISTBOX");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);

    // Double-click the second line (13 pixels an item): the middle clip.
    MouseAt(list, 20, 13 + 6);
    Clicks(2);
    const std::string expected = "second clip\r\nwith lone LF\r\nbreaks";
    EXPECT_TRUE(PumpUntil([&] { return ClipboardText() == expected; }, 10000)) << ClipboardText();
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1);

    // Given time to arrive, the program's own write was not captured again...
    PumpMessages(1000);
    EXPECT_EQ(TextClipFiles(folder.Path()).size(), 3u);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    // ...while the next copy in another program still is.
    CopyText("fourth, after the copy back");
    EXPECT_TRUE(PumpUntil([&] { return TextClipFiles(folder.Path()).size() == 4; }, 20000));
    EXPECT_TRUE(PumpUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 4; }, 5000));

    // Its close box hides the browser and brings the bar back.
    PostMessageA(browser, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(bar) && !IsWindowVisible(browser); }, 5000));

    PostMessageA(bar, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
    EmptyTheClipboard();
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\txtclips.dat").size(), 4 * sizeof(store::TextClipEntry));
}
