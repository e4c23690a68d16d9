// The launcher's main function, called once by the platform's start-up code.
#ifndef KOL_LAUNCHER_MAIN_H
#define KOL_LAUNCHER_MAIN_H

#include "platform/platform.h"

// Returns the process's exit code: the machine's; 0 when the start ends early with its
// work done (registration alone, a hand-off); -1 when it fails.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                   int showCommand);

#endif
