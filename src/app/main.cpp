#include "app/Forms.h"
#include "app/Program.h"
#include "app/SingleInstance.h"
#include "bar/Form1.h"
#include "store/StoreFiles.h"
#include "ui/Application.h"
#include "ui/ComApartment.h"
#include "ui/SystemDlls.h"

#include <windows.h>

#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ui::LoadDllsFromTheSystemOnly();
    // Before any window or file: a second copy in this folder only brings
    // the first one forward.
    app::SingleInstance instance(store::ProgramDirOf(ui::App.ExeName()));
    if (instance.Undecided()) {
        instance.TellUndecided();
        return 0;
    }
    if (!instance.First() && !instance.TakeOver())
        return 0;
    // Before any window is built, so that a second start finds this copy
    // while a box holds up its start too.
    instance.MarkWindow(ui::App.Handle());
    // "Help Contents" opens the guide through the shell, whose handler for
    // text files may be a COM object; screen readers get the windows'
    // objects through COM too. The thread is an apartment for the whole run.
    ui::ComApartment com;
    try {
        app::CreateProgramForms();
    } catch (const std::exception& e) {
        // A window that could not be built ends the start; the ones that
        // were (the bar among them) are torn down, leaving the viewer chain.
        ui::App.ShowException(e);
        app::ReleaseProgramForms();
        return 1;
    }
    int code = app::RunProgram();
    app::ReleaseProgramForms();
    return code;
}
