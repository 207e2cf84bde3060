#include "browsers/ClipBrowser.h"

#include "app/Forms.h"
#include "bar/Form1.h"
#include "ui/Application.h"
#include "ui/Messages.h"
#include "ui/Placement.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace {

// Calls f with the catalogue of that id.
template <class F>
decltype(auto) WithCatalogue(store::CatalogueId id, F&& f)
{
    switch (id) {
    case store::CatalogueId::SavedText: return f(store::SavedTextCatalogue);
    case store::CatalogueId::RecentBitmap: return f(store::RecentBitmapCatalogue);
    case store::CatalogueId::SavedBitmap: return f(store::SavedBitmapCatalogue);
    case store::CatalogueId::RecentText: break;
    }
    return f(store::RecentTextCatalogue);
}

int LiveCount(int count)
{
    return std::clamp(count, 0, store::CatalogueCapacity);
}

} // namespace

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

void ClipBrowser::ViewMade(bool saved)
{
    viewSaved_ = saved;
    viewStamp_ = store::StampOf(ShownId());
    ++views_;
    listed_.clear();
    WithCatalogue(ShownId(), [this](const auto& catalogue) {
        for (int n = 1; n <= LiveCount(catalogue.Count); ++n)
            listed_.push_back({catalogue.Entries[n].FileName.Text(), catalogue.Entries[n].Captured});
    });
}

std::optional<ClipBrowser::ClipKey> ClipBrowser::ListedClip(int listed) const
{
    if (listed < 1 || static_cast<std::size_t>(listed) > listed_.size())
        return std::nullopt;
    return listed_[static_cast<std::size_t>(listed - 1)];
}

int ClipBrowser::WhereNow(const std::optional<ClipKey>& chosen)
{
    if (chosen) {
        const int slot = WithCatalogue(ShownId(), [&](const auto& catalogue) {
            for (int n = 1; n <= LiveCount(catalogue.Count); ++n) {
                const auto& entry = catalogue.Entries[n];
                // Bit for bit: a time read from disk need not be a number.
                if (store::SameFileName(entry.FileName.Text(), chosen->fileName) &&
                    std::bit_cast<std::uint64_t>(entry.Captured) == std::bit_cast<std::uint64_t>(chosen->captured))
                    return n;
            }
            return 0;
        });
        if (slot > 0)
            return slot;
    }
    // Gone, and its neighbour is not what the user chose: show the catalogue
    // as it is, and say why nothing happened.
    std::exception_ptr failure;
    try {
        Relist();
    } catch (...) {
        failure = std::current_exception();
    }
    ui::ShowNote("The list has changed. Please choose again.", "Nothing to do");
    if (failure)
        std::rethrow_exception(failure);
    return 0;
}

std::optional<ClipBrowser::ClipKey> ClipBrowser::TakeHeldChoice() noexcept
{
    return std::exchange(held_, std::nullopt);
}

void ClipBrowser::PressSeen() noexcept
{
    firstPressView_ = std::exchange(lastPressView_, views_);
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
