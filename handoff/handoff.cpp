#include "handoff/handoff.h"

#include "handoff/port.h"
#include "handoff/request.h"
#include "handoff/starting.h"
#include "text/strings.h"

int SocketLibraryState = 0;

// A running instance brings itself forward on this message.
static const UINT ActivateInstanceMessage = WM_USER + 14;

// ---- Window activation -----------------------------------------------------------------

// A StartTaker: brings a window of the class forward and tells it.
static HandOffOutcome ActivateInstanceWindow(void* windowClass)
{
    HWND window = FindWindowW((const WCHAR*)windowClass, NULL);
    if (window == NULL)
        return InstanceAbsent;
    // Allowed first: once it has the foreground, this process may no longer hand it on.
    AllowForegroundTo(window);
    SetForegroundWindow(window);
    // A post can fail on desktop (to a process of higher integrity): nobody was told.
    if (!PostMessageW(window, ActivateInstanceMessage, 0, 0))
        return HandOffFailed;
    return InstanceTookStart;
}

static int ActivateRunningInstance(WCHAR* windowClass)
{
    WCHAR* markName = InstanceStartingMarkName(windowClass);
    int result =
        HandOffToStartingInstance(markName, windowClass, ActivateInstanceWindow, windowClass);
    free(markName);
    return result;
}

// ---- Command forwarding ----------------------------------------------------------------

DWORD ReadServerPort(void)
{
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ServerPortKey, 0, NULL, 0, 0, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return 0;
    return ReadPortValue(key);
}

// Starts the socket library once per process; a failed start is not retried.
static int StartSocketLibrary(void)
{
    if (SocketLibraryState == 0) {
        WSADATA data;
        SocketLibraryState = WSAStartup(MAKEWORD(2, 0), &data) == 0 ? 1 : -1;
    }
    return SocketLibraryState == 1;
}

typedef struct {
    const char* payload;  // the command's bytes, without the line feed
    int length;
    WORD port;
} ForwardedLine;

// A StartTaker: sends the payload and then the line feed to the loopback port.
static HandOffOutcome SendForwardedLine(void* context)
{
    const ForwardedLine* line = (const ForwardedLine*)context;
    SOCKET connection = socket(AF_INET, SOCK_STREAM, 0);
    if (connection == INVALID_SOCKET)
        return HandOffFailed;
    // Closing then waits up to 5 seconds for the line to drain.
    struct linger lingering;
    lingering.l_onoff = 1;
    lingering.l_linger = 5;
    setsockopt(connection, SOL_SOCKET, SO_LINGER, (const char*)&lingering,
               (int)sizeof(lingering));

    struct sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = htons(line->port);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    HandOffOutcome outcome = InstanceAbsent;
    if (connect(connection, (const struct sockaddr*)&address, (int)sizeof(address)) !=
        SOCKET_ERROR) {
        outcome = send(connection, line->payload, line->length, 0) != SOCKET_ERROR &&
                          send(connection, "\n", 1, 0) != SOCKET_ERROR
                      ? InstanceTookStart
                      : HandOffFailed;
    }
    closesocket(connection);
    return outcome;
}

static int ForwardCommand(const WCHAR* command, DWORD port)
{
    if (!StartSocketLibrary())
        return 1;
    int length = TextLength(command);
    ForwardedLine line = {NarrowCommand(command, length), length, PortOfSetting(port)};
    if (line.payload == NULL)
        return 1;
    WCHAR* markName = PortStartingMarkName(port);
    int result = HandOffToStartingInstance(markName, NULL, SendForwardedLine, &line);
    free(markName);
    free((char*)line.payload);
    return result;
}

// ---- The hand-off ----------------------------------------------------------------------

int HandOffToRunningInstance(const WCHAR* commandLine)
{
    // A failed allocation anywhere lets the start go on: the machine then runs as asked.
    HandOffPlan plan;
    if (!SplitStartRequest(commandLine, &plan))
        return 1;
    plan.request = ScanStartRequest(plan.arguments, plan.count);
    if (plan.request.commandOption >= 0) {
        // The port is read first, so the key comes into being even when nothing is sent.
        DWORD port = ReadServerPort();
        const WCHAR* command = CommandToForward(&plan, port);
        return command != NULL ? ForwardCommand(command, port) : 1;
    }
    WCHAR* windowClass = InstanceWindowClass(&plan);
    return windowClass != NULL ? ActivateRunningInstance(windowClass) : 1;
}
