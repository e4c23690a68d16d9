// File-type registration: the .kol document class, its opener, its icon and the runtime
// library's path under HKEY_CLASSES_ROOT.
#ifndef KOL_REGISTRY_FILETYPE_H
#define KOL_REGISTRY_FILETYPE_H

#include "platform/platform.h"

enum { SharedPathLength = 256 };

// Registration writes the launcher's quoted path here; the runtime-library lookups read
// the registered library path into it. It holds whatever the last of them left.
extern WCHAR SharedPathBuffer[SharedPathLength];

// The document class key under HKEY_CLASSES_ROOT.
extern const WCHAR KolFile10[10];

// Records the document type, its open command, its icon and the runtime library's path.
void RegisterFileType(void);

#endif
