// Launch-line mode: runs the machine's executable as a child process.
#ifndef KOL_EXTERNAL_LAUNCH_H
#define KOL_EXTERNAL_LAUNCH_H

#include "platform/platform.h"

#include "text/strings.h"

// Runs the machine with the rewritten launch line, waits for it and returns its exit
// code, or -1 when no executable could be found or started (after saying so in a box).
int RunExternalVm(const WCHAR* launchLine, HMODULE module, HINSTANCE instance);

// Appends the child's command line to out: the launch line's tokens, each as written,
// joined by one blank. A token ending in ".kol" (lower case, with a name before it) is
// looked up in the folder of a working path that starts as launcherPath and keeps every
// candidate; one that exists is replaced by that full path in double quotes. Without a
// launcherPath (null) no document is looked up. The launch line is only read.
void ComposeChildLine(GrowString* out, const WCHAR* launchLine, const WCHAR* launcherPath);

#endif
