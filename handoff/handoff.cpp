#include "handoff/handoff.h"

#include "text/arguments.h"
#include "text/strings.h"

int SocketLibraryState = 0;

// Both the command line when there is no argument and the name when none is given.
static const char DefaultInstanceName[] = "StartKol";
// An option that is the last argument and has none of these letters ends the scan.
static const char KnownOptionLetters[] = "azrpnmsoOQRh-+";
static const char StandAloneOptionLetters[] = "QRkmnprsz";
// A running instance brings itself forward on this message.
static const UINT ActivateInstanceMessage = WM_USER + 14;

// ---- The start request -----------------------------------------------------------------

// How the scan goes on after an option: the number of arguments to step over, or one of
// these.
enum { ScanEndsWithoutName = 0, ScanForwardsCommand = -1 };

// Letters compare as whole code units: a character above 0xFF never matches by its low byte.
static int IsOneOf(WCHAR letter, const char* letters)
{
    for (; *letters != 0; letters++) {
        if (letter == (WCHAR)*letters)
            return 1;
    }
    return 0;
}

static int IsOption(const WCHAR* argument)
{
    return (argument[0] == '-' || argument[0] == '/') && !IsKolFileName(argument);
}

static int OptionStep(const WCHAR* option, int isLast)
{
    WCHAR letter = option[1];
    if (isLast && !IsOneOf(letter, KnownOptionLetters))
        return ScanEndsWithoutName;
    if (letter == '-')
        return ScanEndsWithoutName;
    if (IsOneOf(letter, StandAloneOptionLetters))
        return 1;
    if (letter == 'a' && EqualsUtf8(option + 1, "acommand"))
        return ScanForwardsCommand;
    return 2;
}

// "Game.kol" runs as "Game.run", named without the folders before it.
static WCHAR* InstanceNameOfDocument(WCHAR* document)
{
    int length = TextLength(document);
    document[length - 3] = 'r';
    document[length - 2] = 'u';
    document[length - 1] = 'n';
    for (int at = length - 4; at >= 0; at--) {
        if (document[at] == '/' || document[at] == '\\') {
            document[at] = 0;
            return document + at + 1;
        }
    }
    return document;
}

StartRequest ScanStartRequest(WCHAR** arguments, int count)
{
    StartRequest request = {NULL, -1};
    int at = 0;
    while (at < count) {
        WCHAR* argument = arguments[at];
        if (IsKolFileName(argument)) {
            request.instanceName = InstanceNameOfDocument(argument);
            return request;
        }
        if (IsOption(argument)) {
            int step = OptionStep(argument, at == count - 1);
            if (step == ScanForwardsCommand)
                request.commandOption = at;
            if (step <= 0)
                return request;
            at += step;
        } else if (EqualsUtf8(argument, "Kol")) {
            at++;
        } else {
            request.instanceName = argument;
            return request;
        }
    }
    return request;
}

void MakeWindowClassName(WCHAR* instanceName)
{
    for (; *instanceName != 0; instanceName++) {
        if (*instanceName == '.' || *instanceName == '/')
            *instanceName = '_';
    }
}

// ---- Window activation -----------------------------------------------------------------

static int ActivateRunningInstance(WCHAR* instanceName)
{
    MakeWindowClassName(instanceName);
    HWND window = FindWindowW(instanceName, NULL);
    if (window == NULL)
        return 1;
    SetForegroundWindow(window);
    PostMessageW(window, ActivateInstanceMessage, 0, 0);
    return 0;
}

// ---- Command forwarding ----------------------------------------------------------------

DWORD ReadServerPort(void)
{
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, TEXT("Software\\Morvane\\KolVM"), 0, NULL, 0, 0,
                        NULL, &key, &disposition) != ERROR_SUCCESS)
        return 0;
    // A shorter value fills only the low-order bytes.
    DWORD port = 0;
    DWORD size = sizeof(port);
    LONG status = RegQueryValueExW(key, TEXT("ServerPort"), NULL, NULL, (LPBYTE)&port, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? port : 0;
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

// One byte per character, its low byte; no terminator. Null when memory runs out.
static char* NarrowCommand(const WCHAR* command, int length)
{
    char* payload = (char*)malloc((size_t)length + 1);
    if (payload == NULL)
        return NULL;
    for (int i = 0; i < length; i++)
        payload[i] = (char)(command[i] & 0xFF);
    return payload;
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
    // Only the low 16 bits of the setting make the port.
    int sent = SendLine(payload, length, (WORD)(port & 0xFFFF));
    free(payload);
    return sent ? 0 : 1;
}

// ---- The hand-off ----------------------------------------------------------------------

// The private copy that splitting may cut; null when memory runs out.
static WCHAR* CopyText(const WCHAR* text)
{
    size_t size = ((size_t)TextLength(text) + 1) * sizeof(WCHAR);
    WCHAR* copy = (WCHAR*)malloc(size);
    if (copy != NULL)
        memcpy(copy, text, size);
    return copy;
}

int HandOffToRunningInstance(const WCHAR* commandLine)
{
    // A failed allocation anywhere lets the start go on: the machine then runs as asked.
    WCHAR* copy = CopyText(commandLine);
    if (copy == NULL)
        return 1;
    int count = SplitArguments(copy, NULL);
    if (count == 0) {
        copy = WidenString(DefaultInstanceName, -1);
        if (copy == NULL)
            return 1;
        count = SplitArguments(copy, NULL);
    }
    WCHAR** arguments = (WCHAR**)malloc((size_t)count * sizeof(WCHAR*));
    if (arguments == NULL)
        return 1;
    SplitArguments(copy, arguments);

    StartRequest request = ScanStartRequest(arguments, count);
    if (request.commandOption >= 0) {
        // The port is read first, so the key comes into being even when nothing is sent.
        DWORD port = ReadServerPort();
        if (request.commandOption == count - 1 || port == 0)
            return 1;
        return ForwardCommand(arguments[request.commandOption + 1], port);
    }
    WCHAR* instanceName = request.instanceName;
    if (instanceName == NULL)
        instanceName = WidenString(DefaultInstanceName, -1);
    if (instanceName == NULL)
        return 1;
    return ActivateRunningInstance(instanceName);
}
