// The port of a listening machine: HKEY_LOCAL_MACHINE "Software\Morvane\KolVM", value
// "ServerPort". The launcher never writes the value; it reads it through a key that it
// creates when absent (ReadServerPort, in handoff.h).
#ifndef KOL_HANDOFF_PORT_H
#define KOL_HANDOFF_PORT_H

#include "platform/platform.h"

extern const WCHAR ServerPortKey[];

// The configured port in the open key, or 0 when none is; closes the key.
DWORD ReadPortValue(HKEY key);

// The port without creating anything: 0 when the key can't be opened (absent: the launcher
// would create it), else 1 with *port the configured port or 0.
int LookUpServerPort(DWORD* port);

// The loopback port that a setting names: only its low 16 bits count.
inline WORD PortOfSetting(DWORD setting)
{
    return (WORD)(setting & 0xFFFF);
}

#endif
