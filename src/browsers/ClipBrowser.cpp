#include "browsers/ClipBrowser.h"

#include "app/Forms.h"
#include "bar/Form1.h"
#include "ui/Messages.h"

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
    if (!Visible() || (changed != recent_ && changed != ShownId()))
        return;
    // The store's change stands whatever its listeners do: a refresh that
    // fails is ours, and told once the change is done.
    try {
        Relist();
    } catch (...) {
        refreshFailures_.push_back(std::current_exception());
        PostMessageA(Handle(), ui::WM_TIDEMARK_REFRESH_FAILED, 0, 0);
    }
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
    case ui::WM_TIDEMARK_REFRESH_FAILED:
        if (!refreshFailures_.empty()) {
            const std::exception_ptr failure = refreshFailures_.front();
            refreshFailures_.pop_front();
            std::rethrow_exception(failure);
        }
        return 0;
    }
    return Form::HandleMessage(msg, wParam, lParam);
}
