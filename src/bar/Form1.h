// The main bar: the program's working surface and the clipboard monitor's window.
#pragma once

#include "bar/Memo.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/Picture.h"
#include "ui/SystemDlls.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

// Where a button's popup menu opens: the button's client position plus the
// window's outer top-left. That is up and left of the button by the frame and
// caption, and the menu goes there as computed.
POINT PopupPoint(POINT buttonInClient, POINT windowOuter) noexcept;

class TForm1 : public ui::Form {
public:
    // Menu item identifiers; separators have none.
    enum MenuId : UINT {
        mnuMinimize = 100,
        mnuColor,
        mnuStayonTop,
        mnuExit,
        mnuSavedText,
        mnuSavedBmp,
        mnuPrefs,
        mnuAbout,
        mnuHelp,
        mnuHints,
    };

    void Create();

    // The settings file beside the executable.
    std::string SettingsPath() const;
    bool HintsOn() const { return popHelp.Checked(mnuHints); }
    void SetHints(bool on);
    bool StayOnTop() const { return popMain.Checked(mnuStayonTop); }
    void SetColor(int32_t color) override;
    void CycleCreditLabel();

    HWND NextViewerForTests() const noexcept { return NextViewer; }

    ui::SpeedButton butMenu, butText, butBmp, butSaved, butHelp;
    ui::Label Label1;
    ui::Hints hints;
    ui::PopupMenu popMain, popSave, popHelp;

    // The monitor switch: exactly one of the two is visible.
    ui::Image imOn, imOff;
    void imOnClick();
    void imOffClick();
    bool MonitorOn() const noexcept { return imOn.Visible(); }

    // Hidden text buffer through which text passes on capture and copy-back.
    Memo Memo1{"Memo1"};
    // Hidden picture holder through which bitmaps pass the same way.
    ui::Picture Image1;

    void butMenuClick();
    void butTextClick();
    void butBmpClick();
    void butSavedClick();
    void butHelpClick();
    void Label1Click();
    void mnuMinimizeClick();
    void mnuColorClick();
    void mnuStayonTopClick();
    void mnuExitClick();
    void mnuSavedTextClick();
    void mnuSavedBmpClick();
    void mnuPrefsClick();
    void mnuAboutClick();
    void mnuHelpClick();
    void mnuHintsClick();

    // The platform's modal dialogs and menu loop, replaceable by tests that
    // look at what would be asked for.
    std::function<BOOL(CHOOSECOLORA&)> ChooseColorCall = [](CHOOSECOLORA& cc) {
        return ui::system::ChooseColorA(&cc);
    };
    std::function<BOOL(HWND, const char*, UINT, ULONG_PTR)> WinHelpCall =
        [](HWND owner, const char* file, UINT command, ULONG_PTR data) {
            return WinHelpA(owner, file, command, data);
        };
    // Opens a document with the program Windows uses for its kind; whether
    // that program started.
    std::function<bool(HWND, const std::string&)> OpenDocumentCall = [](HWND owner, const std::string& path) {
        return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", path.c_str(), nullptr, nullptr,
                                                       SW_SHOWNORMAL)) > 32;
    };
    // Returns the chosen item's identifier, 0 for none.
    std::function<UINT(ui::PopupMenu&, HWND, POINT, UINT)> TrackMenu = [](ui::PopupMenu& menu, HWND owner,
                                                                          POINT at, UINT flags) {
        return menu.Track(owner, at.x, at.y, flags);
    };

    // The colour dialog's own state, kept for the run and never saved.
    COLORREF dlgColorCurrent = 0;
    COLORREF dlgColorCustom[16] = {};

protected:
    void CreateControls() override;
    void FormCreate() override;
    void FormDestroy() override;
    void FormClose() override;
    void FormDblClick() override;
    bool FormKeyDown(UINT key) override;
    void Command(UINT id, UINT code, HWND control) override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OpenMenu(ui::PopupMenu& menu, const ui::SpeedButton& at);
    void OpenTextBrowser(bool saved);
    void OpenBitmapBrowser(bool saved);
    void ReadSettings();
    void SaveCataloguesAtExit() noexcept;
    void JoinClipboardChain();
    void LeaveClipboardChain() noexcept;
    void PassOn(UINT msg, WPARAM wParam, LPARAM lParam) const noexcept;
    void WmChangeCbChain(WPARAM wParam, LPARAM lParam);
    void WmDrawClipboard(WPARAM wParam, LPARAM lParam);
    void WmClipboardUpdate();
    // What fails goes to `failure` when given, else to a box once the loop
    // gets to it.
    void Capture(std::exception_ptr* failure = nullptr, std::optional<DWORD> sequence = std::nullopt);
    std::exception_ptr CaptureBeforeLeaving() noexcept;
    void MendClipboardChain();
    // The first working folder that cannot be made or written, "" when
    // both can; remembered for the exit.
    std::string UnwritableFolder();
    // One box names the folder and says what to do.
    void TellUnwritable(const std::string& folder);
    // What failed at the end goes unreported: the session is ending and
    // nobody can answer a box, or the folders were said to be unwritable.
    bool QuietExit() const noexcept;
    void TellAtExit(std::exception_ptr failure) noexcept;

    HWND NextViewer = nullptr;
    bool inChain_ = false;
    bool foldersUnwritable_ = false;
    // A capture runs; a notice that arrives meanwhile (a nested message loop)
    // is looked at once it has ended.
    bool capturing_ = false;
    bool changedMeanwhile_ = false;
    // The clipboard's sequence number when the chain's notice last reached
    // us, and whether a capture waits for it.
    DWORD chainHeard_ = 0;
    bool awaitingChain_ = false;
    // Since when a capture has found the clipboard held by another program.
    std::optional<DWORD> busySince_;
    ui::Font font_, boldFont_;
};
