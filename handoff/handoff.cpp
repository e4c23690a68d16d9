#include "handoff/handoff.h"

#include "handoff/port.h"
#include "handoff/request.h"
#include "text/strings.h"

int SocketLibraryState = 0;

// A running instance brings itself forward on this message.
static const UINT ActivateInstanceMessage = WM_USER + 14;

// ---- Window activation -----------------------------------------------------------------

static int ActivateRunningInstance(const WCHAR* windowClass)
{
    HWND window = FindWindowW(windowClass, NULL);
    if (window == NULL)
        return 1;
    // Allowed first: once it has the foreground, this process may no longer hand it on.
    AllowForegroundTo(window);
    SetForegroundWindow(window);
    // A post can fail on desktop (to a process of higher integrity): nobody was told.
    return PostMessageW(window, ActivateInstanceMessage, 0, 0) ? 0 : 1;
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

// Sends the payload and then the line feed to the loopback port. 1 when both were sent.
static int SendLine(const char* payload, int length, WORD port)
{
    SOCKET connection = socket(AF_INET, SOCK_STREAM, 0);
    if (connection == INVALID_SOCKET)
        return 0;
    // Closing then waits up to 5 seconds for the line to drain.
    struct linger lingering;
    lingering.l_onoff = 1;
    lingering.l_linger = 5;
    setsockopt(connection, SOL_SOCKET, SO_LINGER, (const char*)&lingering,
               (int)sizeof(lingering));

    struct sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    int sent = 0;
    if (connect(connection, (const struct sockaddr*)&address, (int)sizeof(address)) !=
        SOCKET_ERROR) {
        sent = send(connection, payload, length, 0) != SOCKET_ERROR &&
               send(connection, "\n", 1, 0) != SOCKET_ERROR;
    }
    closesocket(connection);
    return sent;
}

static int ForwardCommand(const WCHAR* command, DWORD port)
{
    if (!StartSocketLibrary())
        return 1;
    int length = TextLength(command);
    char* payload = NarrowCommand(command, length);
    if (payload == NULL)
        return 1;
    int sent = SendLine(payload, length, PortOfSetting(port));
    free(payload);
    return sent ? 0 : 1;
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
