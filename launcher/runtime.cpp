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

    // The type isn't examined, nor an absent value, which leaves the buffer's earlier
    // content in place; one too long leaves it undefined, so it then gives no path.
    DWORD type;
    DWORD size = RegisteredPathBytes;
    if (RegQueryValueExW(key, NULL, NULL, &type, (BYTE*)SharedPathBuffer, &size) ==
        ERROR_MORE_DATA)
        SharedPathBuffer[0] = 0;
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
