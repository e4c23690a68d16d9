// The start's first decisions: the mode that the embedded resource chooses, the line that
// every later step works with, and whether that line asks for registration.
#ifndef KOL_LAUNCHER_START_H
#define KOL_LAUNCHER_START_H

#include "platform/platform.h"

typedef enum { InProcessMode, LaunchLineMode } LauncherMode;

typedef struct {
    LauncherMode mode;
    HRSRC embedded;  // "CommandLine", else "LaunchLine", or null for neither
    WCHAR* line;     // the effective command line; never freed
} StartLine;

// Looks up module's embedded line ("CommandLine" first, so it wins over "LaunchLine") and
// merges the user's line with it; without one, the line is a copy of the user's.
StartLine SettleStartLine(HMODULE module, WCHAR* userCommandLine);

typedef enum { NoRegistration, RegisterAndGoOn, RegisterAndEnd } RegistrationRequest;

// A line without any character above U+0020 registers before the start goes on; "+"
// followed by nothing but blanks registers and ends the start.
RegistrationRequest RegistrationRequested(const WCHAR* line);

#endif
