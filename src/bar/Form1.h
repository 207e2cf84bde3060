// The main bar: the program's working surface and the clipboard monitor's window.
#pragma once

#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/Picture.h"

#include <string>

class TForm1 : public ui::Form {
public:
    void Create();

    // The settings file beside the executable.
    std::string SettingsPath() const;
    bool HintsOn() const noexcept { return hints_; }
    void SetHints(bool on);

    HWND NextViewerForTests() const noexcept { return NextViewer; }

    // The monitor switch: exactly one of the two is visible.
    ui::Image imOn, imOff;
    void imOnClick();
    void imOffClick();
    bool MonitorOn() const noexcept { return imOn.Visible(); }

    // Hidden multi-line text control through which text passes on capture
    // and copy-back.
    HWND Memo1 = nullptr;
    // Hidden picture holder through which bitmaps pass the same way.
    ui::Picture Image1;

protected:
    void CreateControls() override;
    void FormCreate() override;
    void FormDestroy() override;
    void FormClose() override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ReadSettings();
    void JoinClipboardChain();
    void LeaveClipboardChain() noexcept;
    void WmChangeCbChain(WPARAM wParam, LPARAM lParam);
    void WmDrawClipboard(WPARAM wParam, LPARAM lParam);

    HWND NextViewer = nullptr;
    bool inChain_ = false;
    bool hints_ = true;
};
