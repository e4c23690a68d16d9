// Finding the machine's files on the device: the registered runtime base, the Java
// runtime's window launcher and "kol.jar". Each lookup appends to a caller's GrowString,
// returns 1 or 0 and shows nothing. They share process-wide buffers: main thread only.
#ifndef KOL_EXTERNAL_DISCOVERY_H
#define KOL_EXTERNAL_DISCOVERY_H

#include "platform/platform.h"

#include "text/strings.h"

// 1 when path names an existing file; a directory is no file.
int IsExistingFile(const WCHAR* path);

// Number of characters of path's directory part: through its last backslash or colon,
// wherever that stands; 0 without either.
int DirectoryPartLength(const WCHAR* path);

// Appends the string value valueName of root\subKey to out. A value is read only when it
// fits in 260 bytes (129 characters and the NUL); its type is not examined and its text
// ends at its first NUL. 0 with out unchanged when the key or value can't be read.
int ReadRegistryString(GrowString* out, HKEY root, const WCHAR* subKey,
                       const WCHAR* valueName);

// Appends the registered runtime library's path without its enclosing quotes and its
// four-character extension. 0 with out unchanged when nothing is registered, or when
// fewer than five characters would be left to cut from. Reads into SharedPathBuffer.
int FindRuntimeBase(GrowString* out);

// Appends the full path of the current Java runtime's javaw.exe, the folder under
// "Program Files (x86)" tried before the registered one. 0 with out unchanged when the
// runtime isn't registered or no candidate exists.
int FindJavaLauncher(GrowString* out);

// Replaces out with "kol.jar" in source's directory. 1 when that file exists.
int FindKolJar(const GrowString* source, GrowString* out);

#endif
