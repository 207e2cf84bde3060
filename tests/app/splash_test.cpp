// The splash window among the program's real windows: its frame and layout,
// the title painted over its shadow, and a hand-over that happens once, and
// only to a program whose windows all exist and which is not minimised.
#include "app/Forms.h"
#include "app/Splash.h"
#include "bar/Form1.h"
#include "support/Accessibility.h"
#include "support/Pixels.h"
#include "support/ProgramForms.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

RECT RectIn(HWND child, HWND parent)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Panel1 fills the client area and Label1 runs along its bottom, inside the bevel.
void ExpectFilledClient(const TfrmSplash& splash)
{
    RECT client;
    GetClientRect(splash.Handle(), &client);
    RECT panel = RectIn(splash.Panel1.Handle(), splash.Handle());
    EXPECT_EQ(panel.left, 0);
    EXPECT_EQ(panel.top, 0);
    EXPECT_EQ(panel.right, client.right);
    EXPECT_EQ(panel.bottom, client.bottom);
    RECT label = RectIn(splash.Label1.Handle(), splash.Panel1.Handle());
    EXPECT_EQ(label.left, 2);
    EXPECT_EQ(label.right, client.right - 2);
    EXPECT_EQ(label.bottom, client.bottom - 2);
    EXPECT_EQ(label.bottom - label.top, 15);
}

} // namespace

TEST(Splash, CentredSizeableFrameWithoutCaptionButtonsAndItsPanelsFillIt)
{
    ProgramForms forms;
    HWND h = frmSplash->Handle();
    char caption[64] = "";
    GetWindowTextA(h, caption, sizeof caption);
    EXPECT_STREQ(caption, "orv Tidemark");
    EXPECT_EQ(GetWindowLongPtrA(h, GWL_STYLE) & (WS_SYSMENU | WS_THICKFRAME), WS_THICKFRAME);

    RECT outer, client;
    GetWindowRect(h, &outer);
    GetClientRect(h, &client);
    EXPECT_EQ(outer.right - outer.left, 386);
    EXPECT_EQ(outer.bottom - outer.top, 97);
    EXPECT_EQ(client.right, 378);
    EXPECT_EQ(client.bottom, 70);
    EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    ExpectFilledClient(*frmSplash);

    EXPECT_EQ(frmSplash->Label8.text, "v1.0");

    // The user may pull the frame about; the layout follows.
    SetWindowPos(h, nullptr, 0, 0, 450, 140, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ExpectFilledClient(*frmSplash);
}

TEST(Splash, ReadsAsItsTextsEachOnceAndItsPicture)
{
    ComApartment apartment;
    ProgramForms forms;
    const auto title = Accessible(frmSplash->Panel3.Handle());
    EXPECT_EQ(title.Role(), ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(title.Name(), L"orv Tidemark v1.0") << "the shadow is no second title";
    const auto credits = Accessible(frmSplash->Label1.Handle());
    EXPECT_EQ(credits.Role(), ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(credits.Name(), L"(c) 2026 orv Software - www.orv-software.example");
    const auto picture = Accessible(frmSplash->Image1.Handle());
    EXPECT_EQ(picture.Role(), ROLE_SYSTEM_GRAPHIC);
    EXPECT_EQ(picture.Name(), L"The bar's buttons, its switch ON");
}

TEST(Splash, PaintsTheBlueTitleOverItsShadowThePictureAndTheCreditsWhiteOnMaroon)
{
    ProgramForms forms;
    frmSplash->Show();
    PumpMessages(100);  // well inside the two seconds before the hand-over
    ASSERT_TRUE(frmSplash->Visible());

    ClientPixels title(frmSplash->Panel3.Handle());
    RECT inside{2, 2, title.Width() - 2, title.Height() - 2};
    const COLORREF blue = RGB(0, 0, 255), black = RGB(0, 0, 0);
    EXPECT_GT(title.Count(blue, inside), 200);
    // The shadow shows where the blue, one pixel up and left, leaves it uncovered.
    int shadowEdges = 0;
    for (int y = 2; y + 1 < title.Height() - 2; ++y)
        for (int x = 2; x + 1 < title.Width() - 2; ++x)
            shadowEdges += title.At(x, y) == blue && title.At(x + 1, y + 1) == black;
    EXPECT_GT(shadowEdges, 20);

    // The picture of the bar's buttons, on black.
    ClientPixels row(frmSplash->Image1.Handle());
    EXPECT_EQ(row.At(0, 0), black);
    EXPECT_EQ(row.At(row.Width() - 1, row.Height() - 1), black);
    EXPECT_GT(row.Count(RGB(192, 192, 192), {0, 0, row.Width(), row.Height()}), 500) << "the button faces";

    ClientPixels credits(frmSplash->Label1.Handle());
    RECT all{0, 0, credits.Width(), credits.Height()};
    EXPECT_EQ(credits.At(0, 0), RGB(128, 0, 0));
    EXPECT_EQ(credits.At(credits.Width() - 1, credits.Height() - 1), RGB(128, 0, 0));
    EXPECT_GT(credits.Count(RGB(255, 255, 255), all), 50);
}

TEST(Splash, AStrayTickAfterTheHandOverShowsNothingAgain)
{
    ProgramForms forms;
    frmSplash->Show();
    ASSERT_TRUE(PumpUntil([] { return frmSplash->HandedOver(); }, 10000));
    EXPECT_TRUE(Form1->Visible());
    EXPECT_FALSE(frmSplash->Visible());

    // The user hides the bar (a browser does); a late tick must not bring it back.
    Form1->Hide();
    SendMessageA(frmSplash->Handle(), WM_TIMER, TfrmSplash::Timer1, 0);
    PumpMessages(100);
    EXPECT_FALSE(Form1->Visible());
    EXPECT_FALSE(frmSplash->Visible());
}

TEST(Splash, ATickBeforeEveryWindowIsBuiltOrWhileMinimisedWaitsForTheSplashToShow)
{
    {
        ProgramForms forms;
        // As inside a box shown while the windows are still being built.
        ui::App.SetFormsReady(false);
        SendMessageA(frmSplash->Handle(), WM_TIMER, TfrmSplash::Timer1, 0);
        EXPECT_FALSE(frmSplash->HandedOver());
        EXPECT_FALSE(Form1->Visible());
        ui::App.SetFormsReady(true);
        frmSplash->Show();  // the loop starts
        ASSERT_TRUE(PumpUntil([] { return frmSplash->HandedOver(); }, 1000));
        EXPECT_TRUE(Form1->Visible());
        EXPECT_FALSE(frmSplash->Visible());
    }
    {
        ProgramForms forms;
        frmSplash->Show();
        ui::App.Minimize();
        SendMessageA(frmSplash->Handle(), WM_TIMER, TfrmSplash::Timer1, 0);
        EXPECT_FALSE(frmSplash->HandedOver());
        EXPECT_FALSE(Form1->Visible());
        ui::App.Restore();
        ASSERT_TRUE(PumpUntil([] { return frmSplash->HandedOver(); }, 1000));
        EXPECT_TRUE(Form1->Visible());
        EXPECT_FALSE(frmSplash->Visible());
    }
}
