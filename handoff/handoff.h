// Instance hand-off: activates a running instance's window, or forwards a command to a
// running machine over loopback TCP, instead of starting a second machine.
#ifndef KOL_HANDOFF_HANDOFF_H
#define KOL_HANDOFF_HANDOFF_H

#include "platform/platform.h"

// 0: socket library not started; 1: started by the hand-off, to be released at the end;
// -1: its start-up failed and is not tried again.
extern int SocketLibraryState;

// The port of a listening machine from the registry, or 0 when none is configured.
// Creates the key when it is absent.
DWORD ReadServerPort(void);

// 0 when a running instance took the request and this start must stop; 1 to continue.
// The command line is only read.
int HandOffToRunningInstance(const WCHAR* commandLine);

#endif
