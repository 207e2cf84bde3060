#include "app/Forms.h"
#include "app/Program.h"
#include "app/SingleInstance.h"
#include "bar/Form1.h"
#include "store/StoreFiles.h"
#include "ui/Application.h"
#include "ui/SystemDlls.h"

#include <windows.h>
#include <objbase.h>

#include <exception>

namespace {

// "Help Contents" opens the guide through the shell, whose handler for text
// files may be a COM object: the thread is a single-threaded apartment for
// the whole run.
class ComApartment {
public:
    ComApartment() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

} // namespace

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
    ComApartment com;
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
