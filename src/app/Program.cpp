#include "app/Program.h"

#include "app/About.h"
#include "app/Forms.h"
#include "app/Splash.h"
#include "bar/Form1.h"
#include "browsers/BitmapBrowser.h"
#include "browsers/TextBrowser.h"
#include "ui/Application.h"
#include "ui/SystemDlls.h"

#include <memory>

TfrmSplash* frmSplash = nullptr;
TForm1* Form1 = nullptr;
TfrmText* frmText = nullptr;
TfrmBmp* frmBmp = nullptr;
TfrmAbout* frmAbout = nullptr;

namespace app {

namespace {

std::unique_ptr<TfrmSplash> splash;
std::unique_ptr<TForm1> bar;
std::unique_ptr<TfrmText> text;
std::unique_ptr<TfrmBmp> bmp;
std::unique_ptr<TfrmAbout> about;

template <class T>
void Make(std::unique_ptr<T>& owner, T*& reference)
{
    owner = std::make_unique<T>();
    reference = owner.get();
    owner->Create();
}

} // namespace

void CreateProgramForms()
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ui::system::InitCommonControlsEx(&icc);
    ui::App.Title = kTitle;
    ui::App.HelpFile = "tidemark.hlp";
    SetWindowTextA(ui::App.Handle(), ui::App.Title.c_str());
    // From the start, so that a box shown while the windows are built can be
    // found, and the program closed, from the taskbar.
    ui::App.ShowTaskbarButton();

    // Each reference is set before the window is built, so the bar's set-up
    // can already find the splash, and a window's handlers find themselves.
    Make(splash, frmSplash);
    Make(bar, Form1);
    Make(text, frmText);
    Make(bmp, frmBmp);
    Make(about, frmAbout);
    ui::App.SetFormsReady(true);
}

int RunProgram()
{
    return ui::App.Run();
}

void ReleaseProgramForms() noexcept
{
    ui::App.DestroyForms();
    about.reset();
    bmp.reset();
    text.reset();
    bar.reset();
    splash.reset();
    frmSplash = nullptr;
    Form1 = nullptr;
    frmText = nullptr;
    frmBmp = nullptr;
    frmAbout = nullptr;
    ui::App.ResetForTests();
}

} // namespace app
