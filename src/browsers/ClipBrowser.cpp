#include "browsers/ClipBrowser.h"

#include "app/Forms.h"
#include "bar/Form1.h"
#include "ui/Messages.h"
#include "ui/Placement.h"

ClipBrowser::ClipBrowser(store::CatalogueId recent, store::CatalogueId saved)
    : recent_(recent), saved_(saved), changes_([this](store::CatalogueId changed) { StoreChanged(changed); })
{
}

void ClipBrowser::FormActivate()
{
    Form1->Hide();
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void ClipBrowser::FormHide()
{
    Form1->Show();
}

bool ClipBrowser::FormKeyDown(UINT key)
{
    if (key != VK_ESCAPE)
        return false;
    Hide();
    return true;
}

void ClipBrowser::FormResize()
{
    if (IsIconic(Handle()))
        return;
    RECT r;
    GetWindowRect(Handle(), &r);
    if (r.bottom - r.top < kMinHeight) {
        // Comes back here through WM_SIZE with the new height.
        SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, kMinHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    LayoutControls();
}

void ClipBrowser::MoveToBar()
{
    RECT r{};
    GetWindowRect(Handle(), &r);
    OffsetRect(&r, Form1->Left() - r.left, Form1->Top() - r.top);
    const RECT placed = ui::KeepInside(r, ui::WorkAreaOf(Form1->Handle()));
    MoveTo(placed.left, placed.top);
}

void ClipBrowser::ViewMade(bool saved) noexcept
{
    viewSaved_ = saved;
    viewStamp_ = store::StampOf(ShownId());
}

bool ClipBrowser::RelistIfOutdated()
{
    if (store::StampOf(ShownId()) == viewStamp_)
        return false;
    Relist();
    return true;
}

void ClipBrowser::StoreChanged(store::CatalogueId changed)
{
    // A hidden browser catches up when it is shown again. A showing one
    // follows every capture of its kind, whichever view it shows, and every
    // change of the catalogue it shows.
    if (Visible() && (changed == recent_ || changed == ShownId()))
        Relist();
}

LRESULT ClipBrowser::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SHOWWINDOW:
        // Shown again, a restore of the minimised program included. Posted,
        // so that a failing refill is not reported inside whoever showed us.
        if (wParam)
            PostMessageA(Handle(), ui::WM_TIDEMARK_RELIST, 0, 0);
        break;
    case ui::WM_TIDEMARK_RELIST:
        if (Visible())
            RelistIfOutdated();
        return 0;
    }
    return Form::HandleMessage(msg, wParam, lParam);
}
