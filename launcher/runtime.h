// The machine's runtime library and its entry routine.
#ifndef KOL_LAUNCHER_RUNTIME_H
#define KOL_LAUNCHER_RUNTIME_H

#include "platform/platform.h"

// What the runtime library is loaded by, attempt after attempt from 0: "Kol.dll" by name,
// then the path registered under KolFile10\DLL (read into SharedPathBuffer, without
// enclosing quotes); null when there is no further one.
const WCHAR* RuntimeLibraryName(int attempt);

// Loads the first of them that loads; null when none does. (launcher/main.cpp)
HMODULE LoadRuntimeLibrary(void);

#endif
