/* A 32-bit runtime whose entry routine has WinMain's convention (__stdcall: it removes
   its own arguments), exported by its plain name. It returns the length of its command
   line plus 1000, so that arguments and result are both seen to cross intact. */
#include <windows.h>

__declspec(dllexport) int WINAPI KolMainW(HINSTANCE instance, HINSTANCE previous,
                                          WCHAR* commandLine, int showCommand,
                                          HMODULE launcher, HMODULE runtime)
{
    (void)instance;
    (void)previous;
    (void)showCommand;
    (void)launcher;
    (void)runtime;
    return 1000 + lstrlenW(commandLine);
}
