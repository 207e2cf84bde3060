// What both clip browsers do as windows: stand in for the bar while active,
// bring it back when hidden, never get shorter than their floor, and act on
// the clip the user chose wherever it stands now.
#pragma once

#include "store/Catalogues.h"
#include "ui/Form.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <vector>

class ClipBrowser : public ui::Form {
public:
    // The browser's recent and saved catalogues.
    ClipBrowser(store::CatalogueId recent, store::CatalogueId saved);

protected:
    static constexpr int kMinHeight = 140;

    void FormActivate() override;
    void FormHide() override;
    void FormResize() override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Esc puts the browser away, as its close box does.
    bool FormKeyDown(UINT key) override;
    // Moves the browser to the bar's position, or as near it as lies inside
    // the work area of the bar's monitor.
    void MoveToBar();
    // Places the controls in the client area, after every change of size.
    virtual void LayoutControls() = 0;

    // Lists the catalogue of the current view again (ShowCatalogue).
    virtual void Relist() = 0;
    // Called by every refill as it starts: the view is now as new as the
    // catalogue it shows, and lists its clips.
    void ViewMade(bool saved);
    // Lists a view older than its catalogue again; whether it did.
    bool RelistIfOutdated();

    // A clip as the user chose it: its entry's file name and capture time,
    // which stay with it wherever it moves in the catalogue.
    struct ClipKey {
        std::string fileName;
        double captured = 0;
    };
    // The clip the view listed at slot `listed`, if it listed one there.
    std::optional<ClipKey> ListedClip(int listed) const;
    // Where the chosen clip stands in the catalogue now; 0 when it has gone,
    // after listing the catalogue again and telling the user so.
    int WhereNow(const std::optional<ClipKey>& chosen);
    // The choice that a menu or a posted key acts on once it gets there,
    // whatever refills happen meanwhile; taken by the action.
    void HoldChoice(std::optional<ClipKey> chosen) noexcept { held_ = std::move(chosen); }
    std::optional<ClipKey> TakeHeldChoice() noexcept;

    // Every press of the mouse on the view. A double-click whose first press
    // was made on an older view aimed at a line that has moved since.
    void PressSeen() noexcept;
    bool DoubleClickStraddlesRelist() const noexcept { return firstPressView_ != views_; }

private:
    void StoreChanged(store::CatalogueId changed);
    store::CatalogueId ShownId() const noexcept { return viewSaved_ ? saved_ : recent_; }

    store::CatalogueId recent_, saved_;
    // Refreshes that failed while the store announced a change, each to be
    // reported once the change is done.
    std::deque<std::exception_ptr> refreshFailures_;
    bool viewSaved_ = false;
    std::uint64_t viewStamp_ = 0;
    // The clips of the view, slot for slot, and how many views were made.
    std::vector<ClipKey> listed_;
    std::uint64_t views_ = 0;
    std::uint64_t firstPressView_ = 0, lastPressView_ = 0;
    std::optional<ClipKey> held_;
    store::Subscription changes_;
};
