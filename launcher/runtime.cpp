#include "launcher/runtime.h"

#include "registry/filetype.h"
#include "text/strings.h"

// Reads the registered library path into SharedPathBuffer and strips enclosing quotes.
// Returns the path, or null when the key doesn't exist.
static const WCHAR* ReadRegisteredRuntimePath(void)
{
    WCHAR* keyName = ConcatStrings(KolFile10, TEXT("\\DLL"));
    if (keyName == NULL)
        return NULL;  // a null name would open HKEY_CLASSES_ROOT itself
    HKEY key;
    LONG opened = RegOpenKeyExW(HKEY_CLASSES_ROOT, keyName, 0, 0, &key);
    free(keyName);
    if (opened != ERROR_SUCCESS)
        return NULL;

    // Neither status nor type is examined: whatever the buffer holds is used, so a value
    // that can't be read leaves the buffer's earlier content in place.
    DWORD type;
    DWORD size = RegisteredPathBytes;
    RegQueryValueExW(key, NULL, NULL, &type, (BYTE*)SharedPathBuffer, &size);
    RegCloseKey(key);
    return TakeRegisteredPath();
}

const WCHAR* TakeRegisteredPath(void)
{
    if (SharedPathBuffer[0] != '"')
        return SharedPathBuffer;
    SharedPathBuffer[TextLength(SharedPathBuffer) - 1] = 0;
    return SharedPathBuffer + 1;
}

const WCHAR* RuntimeLibraryName(int attempt)
{
    if (attempt == 0)
        return TEXT("Kol.dll");
    return attempt == 1 ? ReadRegisteredRuntimePath() : NULL;
}
