// The hand-off's decisions: what a start request names (an instance to activate, or a
// command to forward), the window class to look for and the bytes to send. They find and
// send nothing themselves.
#ifndef KOL_HANDOFF_REQUEST_H
#define KOL_HANDOFF_REQUEST_H

#include "platform/platform.h"

// What the scan of a start request's arguments found.
typedef struct {
    WCHAR* instanceName;  // inside the arguments; null when no application is named
    int commandOption;    // index of the "-acommand" option that ends the scan, else -1
} StartRequest;

// A start request split, then scanned.
typedef struct {
    WCHAR** arguments;  // point into a private copy of the line
    int count;
    int isDefault;  // the line held no argument: the request is "StartKol"
    StartRequest request;
} HandOffPlan;

// Splits a private copy of commandLine, or the default "StartKol" when it holds no
// argument; the request is then ScanStartRequest's. 0 when memory runs out: the start then
// goes on. Nothing is freed.
int SplitStartRequest(const WCHAR* commandLine, HandOffPlan* plan);

// Scans split arguments for the application they name or a command to forward. A document
// argument becomes its instance name in place ("\Games\Chess.kol" gives "Chess.run").
StartRequest ScanStartRequest(WCHAR** arguments, int count);

// The argument that "-acommand" forwards with this port setting; null when nothing is
// forwarded (no such option, no argument after it, or port 0).
inline const WCHAR* CommandToForward(const HandOffPlan* plan, DWORD port)
{
    int option = plan->request.commandOption;
    if (option < 0 || option == plan->count - 1 || port == 0)
        return NULL;
    return plan->arguments[option + 1];
}

// The class name of the window of the instance that the plan names, made in place; the
// default "StartKol" when it names none. Null when memory runs out.
WCHAR* InstanceWindowClass(HandOffPlan* plan);

// Turns an instance name into the class name of its window, in place.
void MakeWindowClassName(WCHAR* instanceName);

// The bytes of a forwarded command: one per character, its low byte; no terminator. Null
// when memory runs out.
char* NarrowCommand(const WCHAR* command, int length);

#endif
