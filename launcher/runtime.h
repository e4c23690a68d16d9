// The machine's runtime library and its entry routine.
#ifndef KOL_LAUNCHER_RUNTIME_H
#define KOL_LAUNCHER_RUNTIME_H

#include "platform/platform.h"

// What the runtime library is loaded by, attempt after attempt from 0: "Kol.dll" by name,
// then the path registered under KolFile10\DLL (read into SharedPathBuffer, without
// enclosing quotes); null when there is no further one.
const WCHAR* RuntimeLibraryName(int attempt);

// The registered path is read with room for 255 bytes: up to 126 characters and the NUL.
enum { RegisteredPathBytes = 255 };

// The path in SharedPathBuffer, as a read of the registered value left it, without
// enclosing quotes.
const WCHAR* TakeRegisteredPath(void);

// Loads the first of them that loads; null when none does. (launcher/main.cpp)
HMODULE LoadRuntimeLibrary(void);

#endif
