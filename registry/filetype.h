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

// Records the document type, its open command, its icon and the runtime library's path,
// each value on its own: a key that can't be written is skipped, nothing is reported.
// Without the program's own path only the class name and ".kol" are written. Then tells
// the shell that associations changed. Leaves the program's path in SharedPathBuffer after
// an opening quote, or the buffer empty.
void RegisterFileType(void);

// Sets the key's default value to text, (length + 1) * 2 bytes. Returns RegSetValueExW's
// result.
LONG SetRegistryDefault(HKEY key, const WCHAR* text, DWORD type);

#endif
