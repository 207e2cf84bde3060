// Shared by the bitmap browser's tests: the program's windows built in a
// folder of the test's own, boxes recorded instead of shown, strip pixels.
#pragma once

#include "app/Forms.h"
#include "app/Program.h"
#include "browsers/BitmapBrowser.h"
#include "support/TestSupport.h"
#include "ui/Application.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bmptest {

struct Box {
    std::string text, caption;
    UINT flags;
};

// The strip picture's pixel at (x, y), read in-process.
inline COLORREF StripPixel(int x, int y)
{
    ui::MemoryDc dc(CreateCompatibleDC(nullptr));
    ui::SelectGuard sel(dc.get(), frmBmp->imBmps.Picture());
    return GetPixel(dc.get(), x, y);
}

inline SIZE StripSize()
{
    BITMAP info{};
    GetObjectA(frmBmp->imBmps.Picture(), sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

inline int WindowWidth(HWND h)
{
    RECT r;
    GetWindowRect(h, &r);
    return r.right - r.left;
}

inline void Press(int x, int y, UINT msg = WM_LBUTTONDOWN)
{
    SendMessageA(frmBmp->imBmps.Handle(), msg, msg == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON,
                 MAKELPARAM(x, y));
}

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedBox_ = ui::App.Box;
        ui::App.Box = [this](const std::string& t, const std::string& c, UINT f) {
            boxes.push_back({t, c, f});
            return IDOK;
        };
        ui::App.ExeNameOverride = folder.Path() + "tidemark.exe";
        app::CreateProgramForms();
        boxes.clear();  // whatever start-up reported is not the test's business
    }
    void TearDown() override
    {
        app::ReleaseProgramForms();
        ui::App.ExeNameOverride.clear();
        ui::App.Box = savedBox_;
    }

    testing_support::TempFolder folder;
    std::vector<Box> boxes;

private:
    ui::Application::BoxHandler savedBox_;
};

} // namespace bmptest
