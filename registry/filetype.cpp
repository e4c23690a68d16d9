#include "registry/filetype.h"

WCHAR SharedPathBuffer[SharedPathLength];
const WCHAR KolFile10[10] = TEXT("KolFile10");

void RegisterFileType(void)
{
    // Not yet built: nothing is registered.
}
