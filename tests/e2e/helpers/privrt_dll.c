/* A runtime library that imports private.dll, which lies beside it: its entry routine
   returns the private library's value, 7 for the copy beside it. */
#include <windows.h>

__declspec(dllimport) int PrivateValue(void);

__declspec(dllexport) int KolMainW(HINSTANCE instance, HINSTANCE previous, WCHAR* commandLine,
                                   int showCommand, HMODULE launcher, HMODULE runtime)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)showCommand;
    (void)launcher;
    (void)runtime;
    return PrivateValue();
}
