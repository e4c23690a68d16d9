// The splash window, shown from a thread of its own while the machine starts.
#ifndef KOL_SPLASH_SPLASH_H
#define KOL_SPLASH_SPLASH_H

#include "platform/platform.h"

// Shows the splash chosen from module's resources and waits for its first paint, at most
// 3000 ms. Returns the window, or null when there is none (yet).
HWND StartSplash(HMODULE module, HINSTANCE appInstance);

#endif
