// The hand-off's decisions: what a start request names (an instance to activate, or a
// command to forward), the window class to look for and the bytes to send. They find and
// send nothing themselves.
#ifndef KOL_HANDOFF_REQUEST_H
#define KOL_HANDOFF_REQUEST_H

#include "platform/platform.h"

#include "text/arguments.h"
#include "text/strings.h"

// Both the command line when there is no argument and the name when none is given.
static const char DefaultInstanceName[] = "StartKol";

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

// Defined here, so that the launcher's one caller compiles it in place, keeping it small;
// static, so that each file compiles it with its own heap functions.
// The private copy that splitting may cut; null when memory runs out.
static inline WCHAR* CopyText(const WCHAR* text)
{
    size_t size = ((size_t)TextLength(text) + 1) * sizeof(WCHAR);
    WCHAR* copy = (WCHAR*)malloc(size);
    if (copy != NULL)
        memcpy(copy, text, size);
    return copy;
}

// Splits a private copy of commandLine, or the default "StartKol" when it holds no
// argument; the request is then ScanStartRequest's. 0 when memory runs out: the start then
// goes on. Nothing is freed.
static inline int SplitStartRequest(const WCHAR* commandLine, HandOffPlan* plan)
{
    WCHAR* copy = CopyText(commandLine);
    if (copy == NULL)
        return 0;
    plan->count = SplitArguments(copy, NULL);
    plan->isDefault = plan->count == 0;
    if (plan->isDefault) {
        copy = WidenString(DefaultInstanceName, -1);
        if (copy == NULL)
            return 0;
        plan->count = SplitArguments(copy, NULL);
    }
    plan->arguments = (WCHAR**)malloc((size_t)plan->count * sizeof(WCHAR*));
    if (plan->arguments == NULL)
        return 0;
    SplitArguments(copy, plan->arguments);
    return 1;
}

// Scans split arguments for the application they name or a command to forward. A document
// argument becomes its instance name in place ("\Games\Chess.kol" gives "Chess.run").
StartRequest ScanStartRequest(WCHAR** arguments, int count);

// The argument that "-acommand" forwards with this port setting; null when nothing is
// forwarded (no such option, no argument after it, or port 0).
static inline const WCHAR* CommandToForward(const HandOffPlan* plan, DWORD port)
{
    int option = plan->request.commandOption;
    if (option < 0 || option == plan->count - 1 || port == 0)
        return NULL;
    return plan->arguments[option + 1];
}

// Turns an instance name into the class name of its window, in place.
void MakeWindowClassName(WCHAR* instanceName);

// The class name of the window of the instance that the plan names, made in place; the
// default "StartKol" when it names none. Null when memory runs out.
static inline WCHAR* InstanceWindowClass(HandOffPlan* plan)
{
    WCHAR* name = plan->request.instanceName;
    if (name == NULL)
        name = WidenString(DefaultInstanceName, -1);
    if (name != NULL)
        MakeWindowClassName(name);
    return name;
}

// The name of the mark that a start holds while it starts the instance whose window has
// this class, so that other starts wait for that window rather than start a second
// machine. Null when memory runs out.
WCHAR* InstanceStartingMarkName(const WCHAR* windowClass);

// The name of the mark that a start holds while it starts the machine that is to listen
// on the port of this setting. Null when memory runs out.
WCHAR* PortStartingMarkName(DWORD portSetting);

// The bytes of a forwarded command: one per character, its low byte; no terminator. Null
// when memory runs out.
static inline char* NarrowCommand(const WCHAR* command, int length)
{
    char* payload = (char*)malloc((size_t)length + 1);
    if (payload == NULL)
        return NULL;
    for (int i = 0; i < length; i++)
        payload[i] = (char)(command[i] & 0xFF);
    return payload;
}

#endif
