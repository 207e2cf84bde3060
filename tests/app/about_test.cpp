// The about box among the program's real windows: where it opens, what it
// reads, its OK button by mouse and keyboard, and that it stays modeless.
#include "app/About.h"
#include "app/Forms.h"
#include "app/Splash.h"
#include "bar/Form1.h"
#include "support/Accessibility.h"
#include "support/Pixels.h"
#include "support/ProgramForms.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace testing_support;

namespace {

// How far the window's centre lies from the screen's, in x and y.
POINT OffCentre(HWND h)
{
    RECT r;
    GetWindowRect(h, &r);
    return {(r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2,
            (r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2};
}

bool Greenish(COLORREF c)
{
    return GetGValue(c) > 100 && GetRValue(c) < GetGValue(c) / 2 && GetBValue(c) < GetGValue(c) / 2;
}

bool Bluish(COLORREF c)
{
    return GetBValue(c) > 100 && GetRValue(c) < GetBValue(c) && GetGValue(c) < GetBValue(c);
}

void ShowAbout()
{
    frmAbout->Show();
    PumpMessages(100);
}

// The user opens the box from the bar, so the splash has handed over by then;
// a tick landing inside a test would also take the foreground from the box.
class About : public ::testing::Test {
protected:
    void SetUp() override { frmSplash->Timer1Timer(); }
    ProgramForms forms;
};

} // namespace

TEST_F(About, FixedDialogFrameWithoutCaptionButtonsAndTheDesignedClientArea)
{
    HWND h = frmAbout->Handle();
    char caption[64] = "";
    GetWindowTextA(h, caption, sizeof caption);
    EXPECT_STREQ(caption, "About Tidemark");
    EXPECT_EQ(GetWindowLongPtrA(h, GWL_STYLE) & (WS_SYSMENU | WS_THICKFRAME), 0) << "no caption buttons, fixed";
    RECT client;
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 298);
    EXPECT_EQ(client.bottom, 183);

    // Texts sized to themselves must not be cut off by the panel's edge.
    RECT panel;
    GetClientRect(frmAbout->Panel1.Handle(), &panel);
    for (ui::Label* label : {&frmAbout->ProductName, &frmAbout->labCredit}) {
        RECT r;
        GetWindowRect(label->Handle(), &r);
        MapWindowPoints(nullptr, frmAbout->Panel1.Handle(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_GT(r.right - r.left, 0) << label->Text();
        EXPECT_LE(r.right, panel.right - 2) << label->Text();
    }
}

TEST_F(About, OpensCentredWithVersionAndFocusOnOkThenReopensWhereItWasLeft)
{
    Form1->MoveTo(0, 0);  // wherever the bar is
    ShowAbout();
    ASSERT_TRUE(frmAbout->Visible());
    POINT off = OffCentre(frmAbout->Handle());
    EXPECT_LE(std::abs(off.x), 1);
    EXPECT_LE(std::abs(off.y), 1);
    EXPECT_EQ(frmAbout->labVer.Text(), "Version 1.01");
    RECT ver;
    GetClientRect(frmAbout->labVer.Handle(), &ver);
    EXPECT_GT(ver.right, 40) << "labVer is sized to its text";
    EXPECT_EQ(GetFocus(), frmAbout->butOK);

    frmAbout->MoveTo(17, 23);
    SendMessageA(frmAbout->butOK, BM_CLICK, 0, 0);
    EXPECT_FALSE(frmAbout->Visible());
    // A user takes a moment before opening it again; under Wine this lets
    // the X focus change of the hide arrive before the next showing.
    PumpMessages(200);

    frmAbout->labVer.SetText("stale");
    ShowAbout();
    EXPECT_TRUE(frmAbout->Visible());
    EXPECT_EQ(frmAbout->Left(), 17);
    EXPECT_EQ(frmAbout->Top(), 23);
    EXPECT_EQ(frmAbout->labVer.Text(), "Version 1.01");
    EXPECT_EQ(GetFocus(), frmAbout->butOK);
}

TEST_F(About, EnterAndSpaceOnOkHideTheBox)
{
    ASSERT_TRUE(frmAbout->WantsDialogKeys());

    // Enter goes through the dialog-key handling the message loop gives the box.
    ShowAbout();
    MSG enter{frmAbout->butOK, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(IsDialogMessageA(frmAbout->Handle(), &enter));
    PumpMessages(200);
    EXPECT_FALSE(frmAbout->Visible());

    ShowAbout();
    ASSERT_EQ(GetFocus(), frmAbout->butOK);
    SendMessageA(frmAbout->butOK, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(frmAbout->butOK, WM_KEYUP, VK_SPACE, 0);
    PumpMessages(50);
    EXPECT_FALSE(frmAbout->Visible());
}

TEST_F(About, ShowingItWhileOpenKeepsOneBoxBringsItToTheFrontAndLeavesTheBarUsable)
{
    ShowAbout();
    frmAbout->MoveTo(40, 50);
    Form1->Show();
    PumpMessages(100);
    EXPECT_TRUE(frmAbout->Visible());
    EXPECT_TRUE(IsWindowEnabled(Form1->Handle())) << "the box is modeless";
    EXPECT_EQ(GetForegroundWindow(), Form1->Handle());

    HWND before = frmAbout->Handle();
    ShowAbout();
    EXPECT_EQ(frmAbout->Handle(), before);
    EXPECT_EQ(GetForegroundWindow(), frmAbout->Handle());
    EXPECT_EQ(frmAbout->Left(), 40) << "not centred again while open";
    EXPECT_EQ(frmAbout->Top(), 50);
    EXPECT_TRUE(IsWindowEnabled(Form1->Handle()));
}

TEST_F(About, PaintsTheLogoTheAddressInMaroonAndTheCheckMarkLeftOfTheCaption)
{
    ShowAbout();
    ClientPixels address(frmAbout->Label1.Handle());
    RECT all{0, 0, address.Width(), address.Height()};
    EXPECT_GT(address.Count(RGB(128, 0, 0), all), 20);

    ClientPixels logo(frmAbout->ProgramIcon.Handle());
    EXPECT_GT(logo.CountIf(Bluish, {0, 0, logo.Width(), logo.Height()}), 1000);

    // The check mark sits 2 pixels from the left edge, the caption right of it.
    ClientPixels ok(frmAbout->butOK);
    EXPECT_GT(ok.CountIf(Greenish, {2, 0, 18, ok.Height()}), 10);
    EXPECT_EQ(ok.CountIf(Greenish, {0, 0, 2, ok.Height()}), 0);
    EXPECT_EQ(ok.CountIf(Greenish, {18, 0, ok.Width(), ok.Height()}), 0);
    EXPECT_GT(ok.Count(RGB(0, 0, 0), {22, 4, ok.Width() - 4, ok.Height() - 4}), 10) << "the caption";
    EXPECT_EQ(ok.Count(RGB(255, 0, 255), {0, 0, ok.Width(), ok.Height()}), 0) << "the glyph's key colour";
}

TEST_F(About, ReadsAsADialogBoxOfItsTexts)
{
    ComApartment apartment;
    ShowAbout();
    const auto box = Accessible(frmAbout->Handle());
    EXPECT_EQ(box.Role(), ROLE_SYSTEM_DIALOG);
    EXPECT_EQ(box.Name(), L"About Tidemark");
    EXPECT_EQ(box.ChildCount(), 2) << "the panel and OK, as the system finds them";
    const struct {
        HWND control;
        LONG role;
        const wchar_t* name;
    } parts[] = {{frmAbout->ProductName.Handle(), ROLE_SYSTEM_STATICTEXT, L"orv Tidemark"},
                 {frmAbout->labVer.Handle(), ROLE_SYSTEM_STATICTEXT, L"Version 1.01"},
                 {frmAbout->labCredit.Handle(), ROLE_SYSTEM_STATICTEXT, L"(c) 2026 orv Software, Tidewater"},
                 {frmAbout->Label1.Handle(), ROLE_SYSTEM_STATICTEXT, L"www.orv-software.example"},
                 {frmAbout->ProgramIcon.Handle(), ROLE_SYSTEM_GRAPHIC, L"orv Tidemark logo"}};
    for (const auto& part : parts) {
        const auto read = Accessible(part.control);
        EXPECT_EQ(read.Role(), part.role) << part.name;
        EXPECT_EQ(read.Name(), part.name);
    }
    // The system's own button, read by the system: as a push button on
    // Windows, as a plain client by Wine; by its caption on both.
    EXPECT_EQ(Accessible(frmAbout->butOK).Name(), L"OK");
}
