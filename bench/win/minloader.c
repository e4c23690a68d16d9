/* The floor for the launcher's start-up: a loader that only loads Kol.dll and calls
 * KolMainW, built like the launcher. */
#include <windows.h>

typedef int (*KolMainProc)(HINSTANCE, HINSTANCE, LPWSTR, int, HMODULE, HMODULE);

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                    int showCommand)
{
    HMODULE library = LoadLibraryW(L"Kol.dll");
    if (library == NULL)
        return 1;
    KolMainProc kolMain = (KolMainProc)(void (*)(void))GetProcAddress(library, "KolMainW");
    if (kolMain == NULL)
        return 1;
    return kolMain(instance, previousInstance, commandLine, showCommand, GetModuleHandleW(NULL),
                   library);
}
