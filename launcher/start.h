// The start's first decisions: the mode that the embedded resource chooses, the line that
// every later step works with, and whether that line asks for registration.
#ifndef KOL_LAUNCHER_START_H
#define KOL_LAUNCHER_START_H

#include "platform/platform.h"

#include "launcher/merge.h"

typedef enum { InProcessMode, LaunchLineMode } LauncherMode;

typedef struct {
    LauncherMode mode;
    HRSRC embedded;  // "CommandLine", else "LaunchLine", or null for neither
    WCHAR* line;     // the effective command line; never freed
} StartLine;

// Defined here, so that the launcher's one caller compiles it in place, keeping it small;
// static, so that each file compiles it with its own heap functions.
// Looks up module's embedded line ("CommandLine" first, so it wins over "LaunchLine") and
// merges the user's line with it; without one, the line is a copy of the user's.
static inline StartLine SettleStartLine(HMODULE module, WCHAR* userCommandLine)
{
    StartLine start = {InProcessMode, FindResourceW(module, TEXT("CommandLine"), TEXT("Text")),
                       NULL};
    if (start.embedded == NULL) {
        start.embedded = FindResourceW(module, TEXT("LaunchLine"), TEXT("Text"));
        if (start.embedded != NULL)
            start.mode = LaunchLineMode;
    }
    start.line = start.embedded != NULL
                     ? MergeCommandLine(module, start.embedded, userCommandLine)
                     : CopyCommandLine(userCommandLine);
    return start;
}

typedef enum { NoRegistration, RegisterAndGoOn, RegisterAndEnd } RegistrationRequest;

// A line without any character above U+0020 registers before the start goes on; "+"
// followed by nothing but blanks (a tab spoils it) registers and ends the start.
static inline RegistrationRequest RegistrationRequested(const WCHAR* line)
{
    const WCHAR* c = line;
    while (*c != 0 && *c <= ' ')
        c++;
    if (*c == 0)
        return RegisterAndGoOn;
    if (*line != '+')
        return NoRegistration;
    c = line + 1;
    while (*c == ' ')
        c++;
    return *c == 0 ? RegisterAndEnd : NoRegistration;
}

#endif
