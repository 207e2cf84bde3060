// The real tidemark.exe started in a folder of its own and used from outside
// through its windows: the bar's buttons and menus, the message boxes it shows,
// and the ways it can be ended.
#pragma once

#include "store/ClipEntry.h"
#include "support/ClipboardSupport.h"
#include "support/TestSupport.h"
#include "support/UserInput.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace testing_support {

// The bar's controls by their designed client positions.
namespace bar_layout {
constexpr POINT butMenu{8, 6}, butText{40, 6}, butBmp{72, 6}, butSaved{104, 6}, butHelp{136, 6};
constexpr POINT monitorSwitch{167, 6};
} // namespace bar_layout

// Waits that are generous for a loaded machine and still end a broken test
// well inside its time: a fresh program shows its bar after two seconds.
constexpr DWORD kStartTimeoutMs = 15000;
constexpr DWORD kReactionTimeoutMs = 5000;

// Clicks a window's close box, found by asking the window what lies where
// along its caption.
inline bool ClickCloseBox(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    for (int y = r.top + 2; y < r.top + GetSystemMetrics(SM_CYCAPTION) + 4; y += 2) {
        for (int x = r.right - 2; x > r.right - 40; x -= 2) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 1000, &hit);
            if (hit == HTCLOSE) {
                // Inside the box rather than on its edge.
                ClickAt({x - 3, y + 3});
                return true;
            }
        }
    }
    return false;
}

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string text;
};

class RunningProgram {
public:
    explicit RunningProgram(const std::string& folder, const std::string& exe = ProgramUnderTest())
        : folder_(folder), process_(folder, exe)
    {
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Launch() { return process_.Start(); }

    // Launched, its bar showing and ready for input, and in the viewer chain.
    bool Start() { return Launch() && WaitForBar(); }

    bool WaitForBar()
    {
        if (!PumpUntil([&] { return (bar_ = process_.FindWindowOfClass("TForm1", true)) != nullptr; },
                       kStartTimeoutMs))
            return false;
        // The bar shows from the splash's timer, which hides the splash after
        // it: input is safe once the program has come back to its loop.
        return Idle() && PumpUntil(
                             [&] {
                                 DWORD pid = 0;
                                 GetWindowThreadProcessId(GetClipboardViewer(), &pid);
                                 return pid == process_.Id();
                             },
                             kReactionTimeoutMs);
    }

    // The program's thread has handled everything sent before.
    bool Idle() const
    {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutA(bar_, WM_NULL, 0, 0, SMTO_NORMAL, kReactionTimeoutMs, &ignored) != 0;
    }

    HWND Bar() const { return bar_; }
    DWORD Id() const { return process_.Id(); }
    const std::string& Folder() const { return folder_; }
    std::string TempFile(const std::string& name) const { return folder_ + "temp\\" + name; }
    std::string StashFile(const std::string& name) const { return folder_ + "stash\\" + name; }

    HWND BarButton(POINT at) const { return ChildAt(bar_, "TidemarkSpeedButton", at); }
    bool ClickBarButton(POINT at) const
    {
        HWND button = BarButton(at);
        if (!button)
            return false;
        Click(button);
        return true;
    }

    // The visible top-level window of the program of that class, waited for.
    HWND WaitForWindow(const char* cls, const char* caption = nullptr, DWORD ms = kReactionTimeoutMs) const
    {
        HWND found = nullptr;
        PumpUntil(
            [&] {
                std::vector<HWND> all = ProcessWindows(process_.Id(), cls, caption);
                found = all.empty() ? nullptr : all.front();
                return found != nullptr;
            },
            ms);
        return found;
    }

    bool WaitUntilGone(HWND window, DWORD ms = kReactionTimeoutMs) const
    {
        return PumpUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
    }

    // Opens a button's popup menu with a click and chooses an item by its
    // access key, as a person does.
    bool ChooseFromMenu(POINT button, WORD accessKey) const
    {
        if (!ClickBarButton(button))
            return false;
        return ChooseFromOpenMenu(accessKey);
    }

    bool ChooseFromOpenMenu(WORD accessKey) const
    {
        HWND menu = WaitForWindow("#32768");
        if (!menu)
            return false;
        PressKey(accessKey);
        return WaitUntilGone(menu);
    }

    // The program's message box with that caption, and the text it shows.
    MessageBoxSeen WaitForMessageBox(const char* caption, DWORD ms = kReactionTimeoutMs) const
    {
        MessageBoxSeen box;
        box.window = WaitForWindow("#32770", caption, ms);
        if (!box.window)
            return box;
        for (HWND child : ChildrenOfClass(box.window, "Static")) {
            std::string text = TextOf(child);
            if (!text.empty())
                box.text = text;
        }
        return box;
    }

    // Presses the box's OK button with the mouse.
    bool PressOk(const MessageBoxSeen& box) const
    {
        for (HWND button : ChildrenOfClass(box.window, "Button", true)) {
            if (TextOf(button) == "OK") {
                Click(button);
                return WaitUntilGone(box.window);
            }
        }
        return false;
    }

    // Defines a colour in the standard colour dialog with the keyboard: opens
    // the custom part, types red, green and blue into its boxes, confirms.
    bool ChooseColour(const std::string& red, const std::string& green, const std::string& blue) const
    {
        if (!ChooseFromMenu(bar_layout::butMenu, 'C'))
            return false;
        HWND dialog = WaitForWindow("#32770", "Color");
        if (!dialog)
            return false;
        PressAltKey('D');
        PressAltKey('R');
        TypeKeys(red);
        PressAltKey('G');
        TypeKeys(green);
        PressAltKey('B');
        TypeKeys(blue);
        PressKey(VK_RETURN);
        return WaitUntilGone(dialog);
    }

    // "E&xit" from the bar's main menu, until the program starts to leave: its bar
    // goes, or a box of its own comes. Without a window manager, an
    // activation that comes late (a dialog's owner taking the focus back)
    // can close a menu before its key arrives; a person opens it again.
    bool Exit() const
    {
        const auto leaving = [&] {
            return !IsWindow(bar_) || !IsWindowVisible(bar_) || !ProcessWindows(process_.Id(), "#32770").empty();
        };
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!ChooseFromMenu(bar_layout::butMenu, 'X'))
                return false;
            if (PumpUntil(leaving, kReactionTimeoutMs))
                return true;
        }
        return false;
    }

    // The bar's close box, clicked.
    bool ClickCloseBox() const { return testing_support::ClickCloseBox(bar_); }

    // What the system does when the user logs off: every top-level window of
    // the program is asked, then told that the session ends.
    bool LogOff() const
    {
        std::vector<HWND> windows = ProcessWindows(process_.Id(), nullptr, nullptr, false);
        for (HWND w : windows) {
            DWORD_PTR answer = 1;
            if (SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                                    kReactionTimeoutMs, &answer) &&
                !answer)
                return false;
        }
        for (HWND w : windows) {
            DWORD_PTR ignored = 0;
            if (IsWindow(w))
                SendMessageTimeoutA(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, kReactionTimeoutMs,
                                    &ignored);
        }
        return true;
    }

    DWORD WaitForExit(DWORD ms = 10000) { return process_.WaitForExit(ms); }

    // Ended outright, as by End task or a crash: no tear-down runs.
    bool Kill()
    {
        return TerminateProcess(process_.Process(), 99) && process_.WaitForExit(kReactionTimeoutMs) == 99;
    }

    // What the taskbar button's menu sends the application window.
    void SystemCommand(WPARAM command) const
    {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(process_.FindWindowOfClass("TidemarkApplication"), WM_SYSCOMMAND, command, 0,
                            SMTO_NORMAL, kReactionTimeoutMs, &ignored);
    }

private:
    std::string folder_;
    ProgramProcess process_;
    HWND bar_ = nullptr;
};

// Content files of one extension in a folder, sorted by name.
inline std::vector<std::string> ContentFilesIn(const std::string& folder, const char* ext)
{
    return SortedFileNames(folder + "clip*." + ext);
}

// Runs `copy`, a copy by another program, and waits until the program has
// written a new content file holding `expected` in its temp folder; returns
// that file's name, or "" when no capture came. The name may be one whose
// file held another clip before: a dropped clip's file goes after its
// catalogue is written, and its name is free again.
template <class Copy>
std::string CopyAndWaitForFile(const RunningProgram& program, Copy copy, const std::string& expected)
{
    const std::string temp = program.Folder() + "temp\\";
    const auto holding = [&] {
        std::vector<std::string> names;
        for (const std::string& name : ContentFilesIn(temp, "txt"))
            if (ReadFileBytes(temp + name) == expected)
                names.push_back(name);
        return names;
    };
    const std::vector<std::string> before = holding();
    copy();
    std::string added;
    PumpUntil(
        [&] {
            for (const std::string& name : holding())
                if (std::find(before.begin(), before.end(), name) == before.end()) {
                    added = name;
                    return true;
                }
            return false;
        },
        kReactionTimeoutMs);
    return added;
}

inline std::string CopyTextAndWait(const RunningProgram& program, const std::string& text)
{
    return CopyAndWaitForFile(program, [&] { CopyText(text); }, text);
}

// A text catalogue's record as the file holds it.
inline std::string TextRecord(const std::string& preview, const std::string& fileName, double captured)
{
    store::TextClipEntry e{};
    e.Preview.Assign(preview);
    e.FileName.Assign(fileName);
    e.Captured = captured;
    return std::string(reinterpret_cast<const char*>(&e), sizeof e);
}

// The records of a catalogue file.
template <class Entry>
std::vector<Entry> CatalogueRecords(const std::string& path)
{
    const std::string bytes = ReadFileBytes(path);
    std::vector<Entry> records(bytes.size() / sizeof(Entry));
    if (!records.empty())
        std::memcpy(records.data(), bytes.data(), records.size() * sizeof(Entry));
    return records;
}

inline std::vector<std::string> RecordFileNames(const std::vector<store::TextClipEntry>& records)
{
    std::vector<std::string> names;
    for (const store::TextClipEntry& r : records)
        names.push_back(r.FileName.Text());
    return names;
}

// A .txt opens in Notepad, as on any Windows.
inline bool OpenTextFilesWithNotepad()
{
    const char command[] = "C:\\windows\\notepad.exe \"%1\"";
    return RegSetValueA(HKEY_CLASSES_ROOT, ".txt", REG_SZ, "txtfile", 7) == ERROR_SUCCESS &&
           RegSetValueA(HKEY_CLASSES_ROOT, "txtfile\\shell\\open\\command", REG_SZ, command, sizeof command - 1) ==
               ERROR_SUCCESS;
}

// Waits for Notepad to show `text`, then closes it; what it showed last.
inline std::string ShownInNotepad(const std::string& text)
{
    HWND notepad = nullptr;
    if (!PumpUntil([&] { return (notepad = FindWindowA("Notepad", nullptr)) != nullptr; }, kStartTimeoutMs))
        return "(no Notepad)";
    std::string shown;
    PumpUntil(
        [&] {
            char buffer[256] = "";
            HWND edit = FindWindowExA(notepad, nullptr, "Edit", nullptr);
            SendMessageTimeoutA(edit, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 1000,
                                nullptr);
            shown = buffer;
            return shown == text;
        },
        kReactionTimeoutMs);
    PostMessageA(notepad, WM_CLOSE, 0, 0);
    if (!PumpUntil([&] { return !IsWindow(notepad); }, kReactionTimeoutMs))
        return "(Notepad stays)";
    return shown;
}

// Every scenario leaves the clipboard-viewer chain as it found it, empty,
// whichever way its program ended: a window left there would hold up the
// programs of later tests.
class ScenarioTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_TRUE(PumpUntil([] { return GetClipboardViewer() == nullptr; }, kReactionTimeoutMs))
            << "a viewer was left in the clipboard-viewer chain";
        EmptyTheClipboard();
    }
};

} // namespace testing_support
