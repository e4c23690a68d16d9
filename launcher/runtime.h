// The machine's runtime library and its entry routine.
#ifndef KOL_LAUNCHER_RUNTIME_H
#define KOL_LAUNCHER_RUNTIME_H

#include "platform/platform.h"

// Loads "Kol.dll" by name, else the path registered under KolFile10\DLL; null on failure.
HMODULE LoadRuntimeLibrary(void);

#endif
