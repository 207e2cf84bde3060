#include "app/Program.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    app::CreateProgramForms();
    int code = app::RunProgram();
    app::ReleaseProgramForms();
    return code;
}
