// Launch-line mode: runs the machine's executable as a child process.
#ifndef KOL_EXTERNAL_LAUNCH_H
#define KOL_EXTERNAL_LAUNCH_H

#include "platform/platform.h"

// Runs the machine with the rewritten launch line, waits for it and returns its exit
// code, or -1 when no executable could be found or started (after saying so in a box).
int RunExternalVm(const WCHAR* launchLine, HMODULE module, HINSTANCE instance);

#endif
