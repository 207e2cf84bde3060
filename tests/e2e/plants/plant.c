/* A DLL planted beside the program: loaded, it leaves NAME.dll.mark beside
   itself, holding "import" when the loader took it for a module's imports
   while the process started, "load" when it was asked for later. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    WCHAR path[MAX_PATH + 8];
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return TRUE;
    lstrcatW(path, L".mark");
    HANDLE mark = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, 0, NULL);
    if (mark != INVALID_HANDLE_VALUE) {
        const char* how = reserved ? "import" : "load";
        DWORD written = 0;
        WriteFile(mark, how, (DWORD)lstrlenA(how), &written, NULL);
        CloseHandle(mark);
    }
    return TRUE;
}
