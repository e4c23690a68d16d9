// The port of a listening machine: HKEY_LOCAL_MACHINE "Software\Morvane\KolVM", value
// "ServerPort". The launcher never writes the value.
#ifndef KOL_HANDOFF_PORT_H
#define KOL_HANDOFF_PORT_H

#include "platform/platform.h"

// The configured port, or 0 when none is. Creates the key when it is absent, as the
// launcher always has.
DWORD ReadServerPort(void);

// The same without creating anything: 0 when the key doesn't exist (the launcher would
// create it), else 1 with *port the configured port or 0.
int LookUpServerPort(DWORD* port);

// The loopback port that a setting names: only its low 16 bits count.
inline WORD PortOfSetting(DWORD setting)
{
    return (WORD)(setting & 0xFFFF);
}

#endif
