// The bitmap browser's window: its design, the height floor, the button panel
// and its menu, and the notes for actions without a selection.
#include "bmp_fixture.h"

#include "bar/Form1.h"

using namespace bmptest;
using testing_support::BoundsInParent;
using testing_support::MenuCaptions;

namespace {

void ChooseInBrowser(UINT id)
{
    SendMessageA(frmBmp->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

} // namespace

class BmpWindow : public BrowserTest {};

TEST_F(BmpWindow, DesignedLayout)
{
    HWND h = frmBmp->Handle();
    char caption[32] = "";
    GetWindowTextA(h, caption, sizeof caption);
    EXPECT_STREQ(caption, "frmBmp");
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r.right - r.left, 301);
    EXPECT_EQ(r.bottom - r.top, 142);
    LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);

    EXPECT_FALSE(frmBmp->panR.Visible());
    struct {
        HWND button;
        LONG x, y;
    } buttons[] = {{frmBmp->butCopy.Handle(), 4, 3}, {frmBmp->butDel.Handle(), 5, 32}, {frmBmp->butSave.Handle(), 5, 61}};
    for (auto& b : buttons) {
        EXPECT_EQ(GetParent(b.button), frmBmp->panR.Handle());
        RECT br = BoundsInParent(b.button);
        EXPECT_EQ(br.left, b.x);
        EXPECT_EQ(br.top, b.y);
        EXPECT_EQ(br.right - br.left, 25);
        EXPECT_EQ(br.bottom - br.top, 25);
    }

    // The status line along the bottom of Panel1, the box above it, the strip
    // at the box's origin.
    RECT client, panel, status, box;
    GetClientRect(h, &client);
    panel = BoundsInParent(frmBmp->Panel1.Handle());
    EXPECT_EQ(panel.right, client.right);  // no button panel yet
    EXPECT_EQ(panel.bottom, client.bottom);
    status = BoundsInParent(frmBmp->labStatus.Handle());
    EXPECT_EQ(status.bottom - status.top, 16);
    EXPECT_EQ(status.bottom, panel.bottom - panel.top - frmBmp->Panel1.BorderWidth());
    EXPECT_EQ(frmBmp->labStatus.Text(), "status");
    box = BoundsInParent(frmBmp->scroll1.Handle());
    EXPECT_EQ(box.bottom, status.top);
    LONG_PTR boxStyle = GetWindowLongPtrA(frmBmp->scroll1.Handle(), GWL_STYLE);
    EXPECT_FALSE(boxStyle & WS_VSCROLL);
    RECT strip = BoundsInParent(frmBmp->imBmps.Handle());
    EXPECT_EQ(strip.left, 0);
    EXPECT_EQ(strip.top, 0);
    EXPECT_EQ(strip.bottom, 105);

    EXPECT_EQ(MenuCaptions(frmBmp->popMain.Handle()),
              (std::vector<std::string>{"&Copy to clipboard", "&Delete this clip", "-", "&Save this clip", "-",
                                        "Show &buttons"}));
    EXPECT_FALSE(frmBmp->popMain.Checked(TfrmBmp::mnuShowBut));
    EXPECT_TRUE(frmBmp->hints.Active(frmBmp->butCopy.Handle()));
    EXPECT_TRUE(frmBmp->hints.Active(frmBmp->butSave.Handle()));
}

TEST_F(BmpWindow, HeightSpringsBackTo140AndWidthHasNoFloor)
{
    HWND h = frmBmp->Handle();
    auto size = [&] {
        RECT r;
        GetWindowRect(h, &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    };
    SetWindowPos(h, nullptr, 0, 0, 301, 100, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(size().cy, 140);
    SetWindowPos(h, nullptr, 0, 0, 301, 140, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(size().cy, 140);
    SetWindowPos(h, nullptr, 0, 0, 400, 260, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(size().cx, 400);
    EXPECT_EQ(size().cy, 260);
    // The panels follow the window.
    RECT client, panel;
    GetClientRect(h, &client);
    panel = BoundsInParent(frmBmp->Panel1.Handle());
    EXPECT_EQ(panel.right, client.right);
    EXPECT_EQ(panel.bottom, client.bottom);
    SetWindowPos(h, nullptr, 0, 0, 120, 260, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(size().cx, 120);
}

TEST_F(BmpWindow, ShowButtonsTogglesThePanelAcrossViews)
{
    RECT client;
    GetClientRect(frmBmp->Handle(), &client);
    ChooseInBrowser(TfrmBmp::mnuShowBut);
    EXPECT_TRUE(frmBmp->popMain.Checked(TfrmBmp::mnuShowBut));
    EXPECT_TRUE(frmBmp->panR.Visible());
    RECT pan = BoundsInParent(frmBmp->panR.Handle());
    EXPECT_EQ(pan.left, client.right - 34);
    EXPECT_EQ(pan.right, client.right);
    EXPECT_EQ(BoundsInParent(frmBmp->Panel1.Handle()).right, client.right - 34);

    // The saved view offers no stashing; the panel stays as it was.
    frmBmp->ShowCatalogue(true);
    EXPECT_TRUE(frmBmp->panR.Visible());
    EXPECT_FALSE(frmBmp->butSave.Visible());
    EXPECT_TRUE(frmBmp->butCopy.Visible());
    EXPECT_EQ(MenuCaptions(frmBmp->popMain.Handle()),
              (std::vector<std::string>{"&Copy to clipboard", "&Delete this clip", "-", "Show &buttons"}));
    frmBmp->ShowCatalogue(false);
    EXPECT_TRUE(frmBmp->butSave.Visible());
    EXPECT_EQ(MenuCaptions(frmBmp->popMain.Handle()).size(), 6u);
    EXPECT_TRUE(frmBmp->popMain.Checked(TfrmBmp::mnuShowBut));

    ChooseInBrowser(TfrmBmp::mnuShowBut);
    EXPECT_FALSE(frmBmp->panR.Visible());
    EXPECT_EQ(BoundsInParent(frmBmp->Panel1.Handle()).right, client.right);
}

TEST_F(BmpWindow, ShowCatalogueMovesToTheBarAndKeepsTheStatusLine)
{
    Form1->MoveTo(40, 50);
    frmBmp->MoveTo(300, 300);
    frmBmp->labStatus.SetText("Bitmap clip has been stashed.");
    frmBmp->ShowCatalogue(true);
    EXPECT_EQ(frmBmp->Left(), 40);
    EXPECT_EQ(frmBmp->Top(), 50);
    EXPECT_TRUE(frmBmp->SavedMode);
    EXPECT_FALSE(frmBmp->Visible());
    EXPECT_EQ(frmBmp->labStatus.Text(), "Bitmap clip has been stashed.");
    char caption[32] = "";
    GetWindowTextA(frmBmp->Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "frmBmp");

    // Shown, it keeps the focus, on its strip, whose keys are the browser's:
    // Esc puts it away.
    frmBmp->Show();
    ASSERT_TRUE(testing_support::PumpUntil([] { return GetFocus() == frmBmp->imBmps.Handle(); }, 5000));
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(frmBmp->Visible());
    EXPECT_TRUE(Form1->Visible());
}

TEST_F(BmpWindow, ActionsWithoutASelectionAskForOne)
{
    frmBmp->ShowCatalogue(false);
    ChooseInBrowser(TfrmBmp::mnuCopy);
    ChooseInBrowser(TfrmBmp::mnuDel);
    ChooseInBrowser(TfrmBmp::mnuSave);
    frmBmp->butCopy.OnClick();
    ASSERT_EQ(boxes.size(), 4u);
    for (const auto& b : boxes) {
        EXPECT_EQ(b.text, "Please select a bitmap first.");
        EXPECT_EQ(b.caption, "Nothing to do");
        EXPECT_EQ(b.flags, UINT(MB_OK));
    }
    EXPECT_EQ(frmBmp->labStatus.Text(), "status");
}

TEST_F(BmpWindow, ArrowsHomeAndEndMoveTheSelectionAndTheStripScrollsToShowIt)
{
    auto key = [](WPARAM vk) { SendMessageA(frmBmp->Handle(), WM_KEYDOWN, vk, 0); };
    frmBmp->ShowCatalogue(false);
    key(VK_END);  // nothing to select
    EXPECT_EQ(frmBmp->SelectedCell, 0);

    for (int i = 0; i < 10; ++i)
        AddClip(SolidBmp(8, 8, RGB(20 * i, 0, 0)));
    frmBmp->ShowCatalogue(false);
    // Room for about three cells: the ten scroll.
    SetWindowPos(frmBmp->Handle(), nullptr, 0, 0, 220, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT view{};
    GetClientRect(frmBmp->scroll1.Handle(), &view);
    const int page = view.right;
    ASSERT_LT(page, 400);

    key(VK_LEFT);  // from none, the first
    EXPECT_EQ(frmBmp->SelectedCell, 1);
    EXPECT_EQ(StripPixel(20, 1), RGB(255, 0, 0));
    key(VK_END);
    EXPECT_EQ(frmBmp->SelectedCell, 10);
    EXPECT_EQ(StripPixel(20, 1), browsers::kStripSilver);
    EXPECT_EQ(StripPixel(9 * 66 + 20, 1), RGB(255, 0, 0));
    // The last cell shows whole, its grey right edge included.
    EXPECT_EQ(frmBmp->scroll1.Position(), browsers::StripWidth(10) - page);
    key(VK_RIGHT);  // never past the end
    EXPECT_EQ(frmBmp->SelectedCell, 10);
    key(VK_LEFT);
    EXPECT_EQ(frmBmp->SelectedCell, 9);
    EXPECT_EQ(frmBmp->scroll1.Position(), browsers::StripWidth(10) - page);  // cell 9 already shows
    key(VK_HOME);
    EXPECT_EQ(frmBmp->SelectedCell, 1);
    EXPECT_EQ(frmBmp->scroll1.Position(), 0);
    key(VK_RIGHT);
    EXPECT_EQ(frmBmp->SelectedCell, 2);

    // Enter copies and Delete deletes the selected clip, as their items do.
    key(VK_RETURN);
    EXPECT_EQ(frmBmp->labStatus.Text(), "Bitmap sent to clipboard.");
    key(VK_DELETE);
    EXPECT_EQ(store::RecentBitmapCatalogue.Count, 9);
    EXPECT_EQ(frmBmp->SelectedCell, 0);
    EXPECT_TRUE(boxes.empty());
}
