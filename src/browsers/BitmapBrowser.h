// The bitmap clip browser: one catalogue's bitmaps as a strip of thumbnails,
// from which a clip is copied back, deleted or stashed.
#pragma once

#include "browsers/ThumbnailStrip.h"
#include "store/Catalogues.h"
#include "ui/Controls.h"
#include "browsers/ClipBrowser.h"

#include <array>
#include <cstdint>
#include <string>

class TfrmBmp : public ClipBrowser {
public:
    TfrmBmp();
    void Create();

    // Places the browser at the bar, records the view and refills the strip
    // with no selection; does not show it.
    void ShowCatalogue(bool saved);

    // Controls.
    ui::Panel panR;
    ui::SpeedButton butCopy, butDel, butSave;
    ui::Panel Panel1;
    ui::Label labStatus;
    browsers::HScrollBox scroll1;
    browsers::StripImage imBmps;
    ui::PopupMenu popMain;
    ui::Hints hints;

    // Browser state.
    bool SavedMode = false;
    std::int32_t SelectedCell = 0;  // counted from 1 at the left; 0: none
    std::int32_t CellCount = 0;

    // Thumbnail slots: slot j holds entry j + 1 of the catalogue last loaded.
    static constexpr int kSlots = 10;
    std::array<ui::Bitmap, kSlots> Thumbnails;
    std::array<std::uint16_t, kSlots> ThumbWidths{};
    std::array<std::uint16_t, kSlots> ThumbHeights{};

    void LoadThumbnails();
    void DrawStrip();
    void DrawSelectionFrame(std::int32_t cell, bool on);

    // Event handlers.
    void butCopyClick();
    void butDelClick();
    void butSaveClick();
    void imBmpsMouseDown(browsers::StripImage::Button button, int x, int y);
    void imBmpsDblClick();
    void mnuShowButClick();

    // The entry the selected cell showed when the strip was drawn, or 0.
    int SelectedEntry() const noexcept;

    enum MenuId : UINT { mnuCopy = 101, mnuDel, mnuSave, mnuShowBut };

protected:
    void CreateControls() override;
    void FormCreate() override;
    void FormDestroy() override;
    void FormShow() override;
    void Command(UINT id, UINT code, HWND control) override;
    // Left, Right, Home and End move the selection; Enter and Delete act as
    // their menu items do.
    bool FormKeyDown(UINT key) override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void LayoutControls() override;
    void Relist() override { ShowCatalogue(SavedMode); }
    int SelectionOrNote();
    // Frames cell a (0: none) instead of the selected one.
    void SelectCell(std::int32_t a);
    // Where popMain opens from the keyboard: at the selected cell, or at the
    // strip's corner without one.
    POINT KeyboardMenuPoint() const;
    // What a screen reader reads of the strip: a list of the clips, each
    // named as its cell shows it, with when it came.
    void DescribeStrip();
    std::string CellName(int cell) const;
    const store::BitmapCatalogue& Shown() const noexcept;
    // The content file of an entry of the shown catalogue; "" when its name
    // is not a bare file name.
    std::string ContentPath(int entry) const;

    ui::Font font_;
};
