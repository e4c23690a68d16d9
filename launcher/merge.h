// Merging of a command line embedded in the launcher's resources with the user's.
#ifndef KOL_LAUNCHER_MERGE_H
#define KOL_LAUNCHER_MERGE_H

#include "platform/platform.h"

// The effective command line for the "CommandLine" or "LaunchLine" resource: the user's
// "-+" options, the resource's first line, then the user's other arguments. When the
// resource can't be loaded, the user's line itself. Never freed.
WCHAR* MergeCommandLine(HMODULE module, HRSRC resource, WCHAR* userCommandLine);

#endif
