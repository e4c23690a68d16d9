// The machine's runtime library and its entry routine.
#ifndef KOL_LAUNCHER_RUNTIME_H
#define KOL_LAUNCHER_RUNTIME_H

#include "platform/platform.h"

// The runtime's entry routine, exported as "KolMainW".
typedef int (*KolMainProc)(HINSTANCE instance, HINSTANCE previousInstance,
                           WCHAR* commandLine, int showCommand, HMODULE launcher,
                           HMODULE runtime);

// Loads "Kol.dll" by name, else the path registered under KolFile10\DLL; null on failure.
HMODULE LoadRuntimeLibrary(void);

#endif
