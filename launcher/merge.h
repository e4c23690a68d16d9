// Merging of a command line embedded in the launcher's resources with the user's, or
// copying the user's when there is none.
#ifndef KOL_LAUNCHER_MERGE_H
#define KOL_LAUNCHER_MERGE_H

#include "platform/platform.h"

#include "text/strings.h"

// The effective command line for the "CommandLine" or "LaunchLine" resource: the user's
// "-+" options, the resource's first line, then the user's other arguments. When the
// resource can't be loaded, the user's line itself. Never freed.
WCHAR* MergeCommandLine(HMODULE module, HRSRC resource, WCHAR* userCommandLine);

// Defined here, so that the launcher's one caller compiles it in place, keeping it small;
// static, so that each file compiles it with its own heap functions.
// The user's line copied, for a launcher without an embedded line. Never freed.
static inline WCHAR* CopyCommandLine(const WCHAR* userCommandLine)
{
    CharVector* copy = NewCharVector();
    static const WCHAR terminator = 0;
    AppendChars(copy, userCommandLine, TextLength(userCommandLine));
    AppendChars(copy, &terminator, 1);
    return copy->data;
}

#endif
