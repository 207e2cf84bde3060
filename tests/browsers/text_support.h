// The real forms built in-process on a store of the test's own, with the
// text browser's list, the clipboard and the boxes within reach.
#pragma once

#include "app/Forms.h"
#include "app/Program.h"
#include "bar/bar_fixture.h"
#include "bar/monitor_support.h"
#include "bar/ClipboardMonitor.h"
#include "bar/Form1.h"
#include "browsers/TextBrowser.h"
#include "store/Catalogues.h"
#include "store/StoreFiles.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/Clipboard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace texttest {

struct Box {
    std::string text, caption;
    UINT flags;
};

struct Line {
    std::string text;
    int data;
    bool operator==(const Line&) const = default;
};

inline std::string ReadClipboardText()
{
    std::string text;
    for (int i = 0; i < 50 && !OpenClipboard(nullptr); ++i)
        Sleep(20);
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        ui::GlobalLockGuard lock(h);
        if (lock.get())
            text = static_cast<const char*>(lock.get());
    }
    CloseClipboard();
    return text;
}

class TextBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::make_unique<testing_support::TempFolder>();
        ui::App.ExeNameOverride = folder_->Path() + "tidemark.exe";
        savedBox_ = ui::App.Box;
        ui::App.Box = [this](const std::string& t, const std::string& c, UINT f) {
            boxes.push_back({t, c, f});
            return IDOK;
        };
        store::ResetCatalogues();
        app::CreateProgramForms();
        store::InitStoreFolders(ui::App.ExeName());
        browser = frmText;
    }
    void TearDown() override
    {
        app::ReleaseProgramForms();
        store::ResetCatalogues();
        ui::App.Box = savedBox_;
        ui::App.ExeNameOverride.clear();
        CaptureSuppressed = false;
        folder_.reset();
    }

    // A recent text clip whose content file holds `text`; named apart from
    // the monitor's own clip files.
    std::string AddClip(const std::string& text)
    {
        char name[16];
        std::snprintf(name, sizeof name, "clip%04X.txt", ++fileCounter_);
        testing_support::WriteFileBytes(store::TempDir + name, text);
        store::AddTextClip(text.substr(0, 50), name);
        return name;
    }

    std::vector<Line> Lines() const
    {
        std::vector<Line> lines;
        int n = static_cast<int>(SendMessageA(browser->list1, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            std::string text(static_cast<size_t>(SendMessageA(browser->list1, LB_GETTEXTLEN, i, 0)), '\0');
            SendMessageA(browser->list1, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            lines.push_back({text, static_cast<int>(SendMessageA(browser->list1, LB_GETITEMDATA, i, 0))});
        }
        return lines;
    }

    void Select(int line) { SendMessageA(browser->list1, LB_SETCURSEL, static_cast<WPARAM>(line), 0); }
    // Through the window procedure, as a menu choice arrives: errors end up
    // in a box rather than in the test.
    void Choose(UINT id) { SendMessageA(browser->Handle(), WM_COMMAND, id, 0); }
    // A key pressed in the list, and whatever it set going carried out.
    void PressKey(UINT key)
    {
        SendMessageA(browser->list1, WM_KEYDOWN, key, 0);
        testing_support::PumpMessages(0);
    }

    std::string Caption() const
    {
        char text[64] = "";
        GetWindowTextA(browser->Handle(), text, sizeof text);
        return text;
    }

    std::unique_ptr<testing_support::TempFolder> folder_;
    TfrmText* browser = nullptr;
    std::vector<Box> boxes;

private:
    ui::Application::BoxHandler savedBox_;
    int fileCounter_ = 0;
};

} // namespace texttest
