// The port of a listening machine: HKEY_LOCAL_MACHINE "Software\Morvane\KolVM", value
// "ServerPort". The launcher never writes the value; it reads it through a key that it
// creates when absent (ReadServerPort, in handoff.h). A tool opens the key without
// creating it and reads the value the same way.
#ifndef KOL_HANDOFF_PORT_H
#define KOL_HANDOFF_PORT_H

#include "platform/platform.h"

static const WCHAR ServerPortKey[] = TEXT("Software\\Morvane\\KolVM");

// Defined here, so that the launcher's one caller compiles it in place, keeping it small;
// static, so that each file compiles it with its own heap functions.
// The configured port in the open key, or 0 when none is; closes the key. A shorter value
// fills only the low-order bytes; a longer one is no port.
static inline DWORD ReadPortValue(HKEY key)
{
    DWORD port = 0;
    DWORD size = sizeof(port);
    LONG status = RegQueryValueExW(key, TEXT("ServerPort"), NULL, NULL, (LPBYTE)&port, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? port : 0;
}


// The loopback port that a setting names: only its low 16 bits count.
static inline WORD PortOfSetting(DWORD setting)
{
    return (WORD)(setting & 0xFFFF);
}

#endif
