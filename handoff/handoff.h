// Instance hand-off: activates a running instance's window, or forwards a command to a
// running machine over loopback TCP, instead of starting a second machine.
#ifndef KOL_HANDOFF_HANDOFF_H
#define KOL_HANDOFF_HANDOFF_H

#include "platform/platform.h"

// 0: socket library not started; 1: started by the hand-off, to be released at the end;
// -1: its start-up failed and is not tried again.
extern int SocketLibraryState;

// What the scan of a start request's arguments found.
typedef struct {
    WCHAR* instanceName;  // inside the arguments; null when no application is named
    int commandOption;    // index of the "-acommand" option that ends the scan, else -1
} StartRequest;

// 0 when a running instance took the request and this start must stop; 1 to continue.
// The command line is only read.
int HandOffToRunningInstance(const WCHAR* commandLine);

// The port of a listening machine from the registry, or 0 when none is configured.
// Creates the key when it is absent.
DWORD ReadServerPort(void);

// Scans split arguments for the application they name or a command to forward. A document
// argument becomes its instance name in place ("\Games\Chess.kol" gives "Chess.run").
StartRequest ScanStartRequest(WCHAR** arguments, int count);

// Turns an instance name into the class name of its window, in place.
void MakeWindowClassName(WCHAR* instanceName);

#endif
