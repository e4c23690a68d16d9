// The sockets library, loaded from the system folder when it is started. Its exports are
// resolved together then: every other call comes only after a successful WSAStartup, so
// each call is a plain jump through the table.
#include "platform/platform.h"

enum { Cleanup, Socket, Setsockopt, InetAddr, Connect, Send, Closesocket, ExportCount };

static const char* const ExportNames[ExportCount] = {
    "WSACleanup", "socket", "setsockopt", "inet_addr", "connect", "send", "closesocket"};

static FARPROC exports[ExportCount];

// The export at index, as a function of the given type.
#define SOCKET_EXPORT(type, index) ((type)(void (*)(void))exports[index])

int WSAAPI CeWSAStartup(WORD version, LPWSADATA data)
{
    HMODULE library = LoadSystemLibrary(L"ws2_32.dll");
    if (library == NULL)
        return WSASYSNOTREADY;
    for (int i = 0; i < ExportCount; i++) {
        exports[i] = ::GetProcAddress(library, ExportNames[i]);
        if (exports[i] == NULL)
            return WSASYSNOTREADY;
    }
    LPFN_WSASTARTUP startup =
        (LPFN_WSASTARTUP)(void (*)(void))::GetProcAddress(library, "WSAStartup");
    return startup != NULL ? startup(version, data) : WSASYSNOTREADY;
}

int WSAAPI CeWSACleanup(void)
{
    return SOCKET_EXPORT(LPFN_WSACLEANUP, Cleanup)();
}

SOCKET WSAAPI CeSocket(int family, int type, int protocol)
{
    return SOCKET_EXPORT(LPFN_SOCKET, Socket)(family, type, protocol);
}

int WSAAPI CeSetsockopt(SOCKET s, int level, int option, const char* value, int length)
{
    return SOCKET_EXPORT(LPFN_SETSOCKOPT, Setsockopt)(s, level, option, value, length);
}

u_short WSAAPI CeHtons(u_short value)
{
    return (u_short)((value >> 8) | (value << 8));
}

unsigned long WSAAPI CeInetAddr(const char* text)
{
    return SOCKET_EXPORT(LPFN_INET_ADDR, InetAddr)(text);
}

int WSAAPI CeConnect(SOCKET s, const struct sockaddr* address, int length)
{
    return SOCKET_EXPORT(LPFN_CONNECT, Connect)(s, address, length);
}

int WSAAPI CeSend(SOCKET s, const char* data, int length, int flags)
{
    return SOCKET_EXPORT(LPFN_SEND, Send)(s, data, length, flags);
}

int WSAAPI CeClosesocket(SOCKET s)
{
    return SOCKET_EXPORT(LPFN_CLOSESOCKET, Closesocket)(s);
}
