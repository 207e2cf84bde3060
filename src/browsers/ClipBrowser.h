// What both clip browsers do as windows: stand in for the bar while active,
// bring it back when hidden, never get shorter than their floor, and never
// act on a view older than the catalogue it shows.
#pragma once

#include "store/Catalogues.h"
#include "ui/Form.h"

#include <cstdint>
#include <deque>
#include <exception>

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
    // Places the controls in the client area, after every change of size.
    virtual void LayoutControls() = 0;

    // Lists the catalogue of the current view again (ShowCatalogue).
    virtual void Relist() = 0;
    // Called by every refill as it starts: the view is now as new as the
    // catalogue it shows.
    void ViewMade(bool saved) noexcept;
    // Lists a view older than its catalogue again; whether it did. Every
    // action on a selection asks first.
    bool RelistIfOutdated();

private:
    void StoreChanged(store::CatalogueId changed);
    store::CatalogueId ShownId() const noexcept { return viewSaved_ ? saved_ : recent_; }

    store::CatalogueId recent_, saved_;
    // Refreshes that failed while the store announced a change, each to be
    // reported once the change is done.
    std::deque<std::exception_ptr> refreshFailures_;
    bool viewSaved_ = false;
    std::uint64_t viewStamp_ = 0;
    store::Subscription changes_;
};
