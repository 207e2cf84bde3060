#include "app/Program.h"
#include "ui/Application.h"

#include <windows.h>

#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
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
