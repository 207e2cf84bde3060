// A top-level window of the program: created once, hidden, from its design;
// afterwards only shown and hidden. Its close box hides it.
#pragma once

#include "ui/Handles.h"
#include "ui/Window.h"

#include <cstdint>

namespace ui {

struct FormDesign {
    const char* className;
    DWORD style;
    DWORD exStyle;
    int left, top;
    int width, height;     // outer size, or client size when clientSize is set
    bool clientSize;
    const char* caption;
    int32_t color;         // background, a colour value (negative: system colour)
};

// A colour value as the settings and forms hold it: 0x00BBGGRR, or, when
// negative, the system colour whose index is the low byte.
COLORREF ColorToRgb(int32_t color) noexcept;

class Form : public Window {
public:
    void Show();          // visible and in front
    void Hide();
    bool Visible() const noexcept;
    void Close();         // as the close box
    void BringToFront();
    void DestroyHandle() noexcept;

    int Left() const;
    int Top() const;
    void MoveTo(int left, int top);

    int32_t Color() const noexcept { return color_; }
    // Forms with controls drawn in the form's colour follow it here.
    virtual void SetColor(int32_t color);
    HBRUSH BackgroundBrush() const noexcept { return brush_.get(); }

    // Forms whose controls take Tab and Enter the way a dialog's do.
    virtual bool WantsDialogKeys() const noexcept { return false; }

protected:
    // Creates the window hidden, builds its controls (CreateControls) and runs
    // FormCreate; an error in FormCreate is shown and creation goes on.
    void CreateForm(const FormDesign& design);

    virtual void CreateControls() {}
    virtual void FormCreate() {}
    virtual void FormDestroy() {}
    virtual void FormClose() {}    // asked to close; the form is hidden after it
    virtual void FormActivate() {}
    virtual void FormShow() {}
    virtual void FormHide() {}
    virtual void FormResize() {}
    virtual void FormDblClick() {}
    // A key pressed while the form itself has the focus; true when handled.
    virtual bool FormKeyDown(UINT key) { (void)key; return false; }
    // WM_COMMAND from a control or a menu.
    virtual void Command(UINT id, UINT code, HWND control) { (void)id, (void)code, (void)control; }

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    int32_t color_ = 0;
    Brush brush_;
};

} // namespace ui
