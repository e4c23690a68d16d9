// File-type registration: the .kol document class, its opener, its icon and the runtime
// library's path under HKEY_CLASSES_ROOT.
#ifndef KOL_REGISTRY_FILETYPE_H
#define KOL_REGISTRY_FILETYPE_H

#include "platform/platform.h"

enum {
    SharedPathLength = 256,
    // The longest launcher path that registration takes: it goes between double quotes,
    // with the closing quote and the NUL after.
    QuotedPathRoom = SharedPathLength - 3
};

// Registration writes the launcher's quoted path here; the runtime-library lookups read
// the registered library path into it. It holds whatever the last of them left.
extern WCHAR SharedPathBuffer[SharedPathLength];

// The document class key under HKEY_CLASSES_ROOT.
extern const WCHAR KolFile10[10];

// One value that registration writes: the default value of a key under
// HKEY_CLASSES_ROOT. A null key name or text (not composed) skips it.
typedef struct {
    const WCHAR* keyName;
    const WCHAR* text;
} ClassDefault;

// The values, written in the reverse order. Those formed from the launcher's path, and
// their key names, are heap strings that FreeRegistration releases.
enum {
    ClassValue,
    CommandValue,
    IconValue,
    LibraryValue,
    ExtensionValue,
    RegisteredValueCount
};

// The values that registration writes for a launcher at launcherPath. The three that are
// formed from the path are skipped without one (null), or when it is too long for
// SharedPathBuffer: a cut path would register a program that doesn't exist. Leaves the
// path after an opening quote in SharedPathBuffer, or the buffer empty.
void ComposeRegistration(const WCHAR* launcherPath, ClassDefault values[RegisteredValueCount]);

// Defined here, so that the launcher's one caller compiles it in place, keeping it small;
// static, so that each file compiles it with its own heap functions.
static inline void FreeRegistration(ClassDefault values[RegisteredValueCount])
{
    for (int i = CommandValue; i <= LibraryValue; i++) {
        free((WCHAR*)values[i].keyName);
        free((WCHAR*)values[i].text);
    }
}

// 1 when HKEY_CLASSES_ROOT, as the shell reads it (the user's classes over the machine's),
// gives the value already: REG_SZ, the same text, NUL and size. Only reads.
int IsClassDefaultInPlace(const ClassDefault* value);

// Registers the running program: writes each value of ComposeRegistration that isn't in
// place, on its own (a key that can't be written is skipped, nothing is reported).
// Returns 1 when it wrote any: the shell is then to be told. (registry/register.cpp)
int RegisterFileType(void);

// Tells the shell that associations changed: it caches them, and every Explorer flushes
// its caches, which only a change is worth. On desktop it loads the shell library first.
void TellShellOfRegistration(void);

// Sets the key's default value to text, (length + 1) * 2 bytes. Returns RegSetValueExW's
// result.
LONG SetRegistryDefault(HKEY key, const WCHAR* text, DWORD type);

#endif
