#include "bar/Form1.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "app/Splash.h"
#include "bar/ClipboardMonitor.h"
#include "store/Catalogues.h"
#include "store/StoreFiles.h"
#include "ui/Application.h"

namespace {

// Tool window, client 188 x 48, first shown at (267, 113), black.
constexpr int kLeft = 267, kTop = 113, kClientWidth = 188, kClientHeight = 48;

// A hung viewer after us must not freeze the bar.
constexpr UINT kChainTimeoutMs = 3000;

} // namespace

void TForm1::Create()
{
    CreateForm({"TForm1", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, kLeft, kTop,
                kClientWidth, kClientHeight, true, "orv Tidemark", 0});
}

void TForm1::CreateControls()
{
    imOn.Create(Handle(), 167, 6, 16, 32, 0);
    imOn.OnClick = [this] { imOnClick(); };
    imOff.Create(Handle(), 167, 6, 16, 32, 0);
    imOff.OnClick = [this] { imOffClick(); };
    imOff.SetVisible(false);

    Memo1 = CreateWindowExA(0, "EDIT", "Memo1", WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 0, 0, 0,
                            Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    // The default limit of a multi-line edit is far below a large clip.
    SendMessageA(Memo1, EM_SETLIMITTEXT, 0, 0);
}

void TForm1::imOnClick()
{
    imOn.SetVisible(false);
    imOff.SetVisible(true);
    CaptureSuppressed = true;
}

void TForm1::imOffClick()
{
    imOff.SetVisible(false);
    imOn.SetVisible(true);
    CaptureSuppressed = false;
}

std::string TForm1::SettingsPath() const
{
    return store::ProgramDir + app::kSettingsFileName;
}

void TForm1::FormCreate()
{
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

    // Nothing that arrives while we join the chain and load is a new clip.
    CaptureSuppressed = true;
    try {
        JoinClipboardChain();
        store::InitStoreFolders(ui::App.ExeName());
        store::LoadCatalogues();
    } catch (...) {
        CaptureSuppressed = false;
        // A catalogue that failed to load must not cost the user's settings
        // too: they would be written back as the defaults at exit.
        if (!store::ProgramDir.empty())
            ReadSettings();
        throw;
    }
    CaptureSuppressed = false;
    ReadSettings();
}

void TForm1::ReadSettings()
{
    std::string ini = SettingsPath();
    SetColor(app::ReadSettingNumber(ini, "Color", 0));
    SetHints(app::ReadSettingNumber(ini, "Hints", 1) != 0);
}

void TForm1::FormDestroy()
{
    LeaveClipboardChain();
    store::SaveCatalogues();
    std::string ini = SettingsPath();
    app::WriteSetting(ini, "Color", std::to_string(Color()));
    app::WriteSetting(ini, "Hints", HintsOn() ? "1" : "0");
}

void TForm1::FormClose()
{
    frmSplash->Close();
}

void TForm1::SetHints(bool on)
{
    hints_ = on;
}

void TForm1::JoinClipboardChain()
{
    // SetClipboardViewer sends WM_DRAWCLIPBOARD before it returns; the set-up
    // holds CaptureSuppressed across it so that nothing is captured.
    SetLastError(0);
    NextViewer = SetClipboardViewer(Handle());
    inChain_ = true;
}

void TForm1::LeaveClipboardChain() noexcept
{
    if (inChain_) {
        ChangeClipboardChain(Handle(), NextViewer);
        inChain_ = false;
        NextViewer = nullptr;
    }
}

void TForm1::WmChangeCbChain(WPARAM wParam, LPARAM lParam)
{
    HWND leaving = reinterpret_cast<HWND>(wParam);
    if (leaving == NextViewer)
        NextViewer = reinterpret_cast<HWND>(lParam);
    if (leaving != Handle() && NextViewer) {
        DWORD_PTR ignored;
        SendMessageTimeoutA(NextViewer, WM_CHANGECBCHAIN, wParam, lParam, SMTO_ABORTIFHUNG, kChainTimeoutMs,
                            &ignored);
    }
}

void TForm1::WmDrawClipboard(WPARAM wParam, LPARAM lParam)
{
    if (NextViewer) {
        DWORD_PTR ignored;
        SendMessageTimeoutA(NextViewer, WM_DRAWCLIPBOARD, wParam, lParam, SMTO_ABORTIFHUNG, kChainTimeoutMs,
                            &ignored);
    }
    monitor::ClipboardChanged(Handle(), MonitorOn(), Memo1, Image1);
}

LRESULT TForm1::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CHANGECBCHAIN:
        WmChangeCbChain(wParam, lParam);
        return 0;
    case WM_DRAWCLIPBOARD:
        WmDrawClipboard(wParam, lParam);
        return 0;
    }
    return Form::HandleMessage(msg, wParam, lParam);
}
