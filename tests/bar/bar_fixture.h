// The program's windows built in-process in a folder of the test's own, with
// boxes recorded rather than shown, and a clipboard viewer that counts.
#pragma once

#include "app/Forms.h"
#include "app/Program.h"
#include "bar/Form1.h"
#include "support/ClipboardSupport.h"
#include "support/TestSupport.h"
#include "ui/Application.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace bar_testing {

struct RecordedBox {
    std::string text, caption;
    UINT flags;
};

using testing_support::CountingViewer;

// Puts text on the clipboard from this thread; the chain is told inside
// CloseClipboard, and the bar's listener notice is delivered after it. The
// clipboard is one lock for the session: wait for it briefly.
inline bool WriteClipboardText(HWND owner, const std::string& text)
{
    bool opened = false;
    for (int i = 0; i < 50 && !(opened = OpenClipboard(owner)); ++i)
        Sleep(10);
    if (!opened)
        return false;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
    GlobalUnlock(mem);
    bool set = SetClipboardData(CF_TEXT, mem) != nullptr;
    const bool closed = CloseClipboard();
    testing_support::DeliverClipboardNotices();
    return closed && set;
}

class BarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedBox_ = ui::App.Box;
        ui::App.Box = [this](const std::string& t, const std::string& c, UINT f) {
            boxes.push_back({t, c, f});
            return IDOK;
        };
        ui::App.ExeNameOverride = folder.Path() + "tidemark.exe";
    }
    void TearDown() override
    {
        Release();
        ui::App.ExeNameOverride.clear();
        ui::App.Box = savedBox_;
    }

    // Builds the five windows, with a settings file first when given.
    void Start(const std::string& ini = "")
    {
        if (!ini.empty())
            testing_support::WriteFileBytes(IniPath(), ini);
        app::CreateProgramForms();
        started_ = true;
        bar = Form1;
    }
    // Destroys them: the bar's tear-down writes the settings.
    void Release()
    {
        if (started_) {
            app::ReleaseProgramForms();
            started_ = false;
            bar = nullptr;
        }
        // Leave no quit message for the next test's loops.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    std::string IniPath() const { return folder.Path() + "tidemark.ini"; }
    std::string IniValue(const char* key) const
    {
        char buffer[64] = "";
        GetPrivateProfileStringA("Main", key, "<missing>", buffer, sizeof buffer, IniPath().c_str());
        return buffer;
    }

    static void Click(HWND control)
    {
        SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }
    // A menu item chosen: what TrackPopupMenu posts to the owner.
    void Choose(UINT id) { SendMessageA(bar->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    testing_support::TempFolder folder;
    std::vector<RecordedBox> boxes;
    TForm1* bar = nullptr;

private:
    ui::Application::BoxHandler savedBox_;
    bool started_ = false;
};

} // namespace bar_testing
