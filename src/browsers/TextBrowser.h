// The text clip browser: one catalogue's text clips, newest first, to copy
// back to the clipboard, delete or stash.
#pragma once

#include "ui/Controls.h"
#include "browsers/ClipBrowser.h"

#include <optional>
#include <string>
#include <string_view>

// Every line break as CR LF: a lone CR and a lone LF each become CR LF.
std::string NormaliseLineBreaks(std::string_view text);

class TfrmText : public ClipBrowser {
    // First, so it outlives the controls that paint with it.
    ui::Font font_;

public:
    TfrmText();
    void Create();

    // Places the browser at the bar, records the view and refills it; does not show it.
    void ShowCatalogue(bool saved);
    bool SavedMode = false;

    enum : UINT { mnuCopy = 201, mnuDel, mnuSave, mnuShowBut };

    ui::Panel Panel1;
    HWND list1 = nullptr;
    ui::Label labStatus;
    ui::Panel panR;
    ui::SpeedButton butCopy, butDel, butSave;
    ui::PopupMenu popMain;
    ui::Hints Hints;

    void butCopyClick();
    void list1_dbl();
    void butDelClick();
    void butSaveClick();
    void list1_mousemove();
    void mnuShowButClick();

protected:
    void CreateControls() override;
    void Command(UINT id, UINT code, HWND control) override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void LayoutControls() override;
    void Relist() override { ShowCatalogue(SavedMode); }
    // The selected line (-1 for a choice held by a menu) and the catalogue
    // index of the clip chosen. Index 0 after telling the user that nothing
    // is selected, or that the clip chosen has gone.
    struct Selection {
        int line = -1;
        int index = 0;
    };
    Selection SelectedClip();
    // The clip the selected line lists, if a line is selected.
    std::optional<ClipKey> SelectedLineClip() const;
    // The list's presses, seen before the list acts on them.
    static LRESULT CALLBACK ListPresses(HWND list, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) noexcept;
    // The content file of a clip of the catalogue shown.
    std::string ContentPath(int index) const;
};
