#include "handoff/port.h"

const WCHAR ServerPortKey[] = TEXT("Software\\Morvane\\KolVM");

// A shorter value fills only the low-order bytes; a longer one is no port.
DWORD ReadPortValue(HKEY key)
{
    DWORD port = 0;
    DWORD size = sizeof(port);
    LONG status = RegQueryValueExW(key, TEXT("ServerPort"), NULL, NULL, (LPBYTE)&port, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? port : 0;
}

int LookUpServerPort(DWORD* port)
{
    HKEY key;
    *port = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ServerPortKey, 0, 0, &key) != ERROR_SUCCESS)
        return 0;
    *port = ReadPortValue(key);
    return 1;
}
