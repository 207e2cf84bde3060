// What both clip browsers do as windows: stand in for the bar while active,
// bring it back when hidden, and never get shorter than their floor.
#pragma once

#include "ui/Form.h"

class ClipBrowser : public ui::Form {
protected:
    static constexpr int kMinHeight = 140;

    void FormActivate() override;
    void FormHide() override;
    void FormResize() override;
    // Esc puts the browser away, as its close box does.
    bool FormKeyDown(UINT key) override;
    // Places the controls in the client area, after every change of size.
    virtual void LayoutControls() = 0;
};
