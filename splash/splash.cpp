#include "splash/splash.h"

HWND StartSplash(HMODULE, HINSTANCE)
{
    // Not yet built: no splash.
    return NULL;
}
