// The about box: product name, version and credits; shown modeless.
#pragma once

#include "ui/Controls.h"
#include "ui/Form.h"

class TfrmAbout : public ui::Form {
public:
    void Create();

    void form_show();
    void butOKClick();

    // Enter and Space press butOK, Esc closes the box; Tab stays on it.
    bool WantsDialogKeys() const noexcept override { return true; }

    ui::Panel Panel1;
    ui::Image ProgramIcon;
    ui::Label ProductName;
    ui::Label labVer;
    ui::Label labCredit;
    ui::Label Label1;
    // An owner-drawn push button (id IDOK) carrying the check-mark glyph.
    HWND butOK = nullptr;

protected:
    void CreateControls() override;
    void FormShow() override;
    void Command(UINT id, UINT code, HWND control) override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawButOK(const DRAWITEMSTRUCT& item) const;

    ui::Font nameFont_, textFont_, addressFont_;
    ui::Bitmap checkGlyph_;
    bool placed_ = false;
};
