#include "launcher/merge.h"

WCHAR* MergeCommandLine(HMODULE, HRSRC, WCHAR* userCommandLine)
{
    // Not yet built: no merging.
    return userCommandLine;
}
