// The sockets library, loaded on first use: each call resolves its export once.
#include "platform/platform.h"

static FARPROC SocketExport(const char* name)
{
    static HMODULE library;
    if (library == NULL)
        library = LoadLibraryW(L"ws2_32.dll");
    return library != NULL ? ::GetProcAddress(library, name) : NULL;
}

// Resolves the export into a function-local pointer of the right type the first time
// (plain zero-initialised statics: no run-time guard, only the main thread gets here).
#define SOCKET_EXPORT(type, name) \
    static type function;         \
    if (function == NULL)         \
    function = (type)(void (*)(void))SocketExport(name)

int WSAAPI CeWSAStartup(WORD version, LPWSADATA data)
{
    SOCKET_EXPORT(LPFN_WSASTARTUP, "WSAStartup");
    return function != NULL ? function(version, data) : WSASYSNOTREADY;
}

int WSAAPI CeWSACleanup(void)
{
    SOCKET_EXPORT(LPFN_WSACLEANUP, "WSACleanup");
    return function != NULL ? function() : SOCKET_ERROR;
}

SOCKET WSAAPI CeSocket(int family, int type, int protocol)
{
    SOCKET_EXPORT(LPFN_SOCKET, "socket");
    return function != NULL ? function(family, type, protocol) : INVALID_SOCKET;
}

int WSAAPI CeSetsockopt(SOCKET s, int level, int option, const char* value, int length)
{
    SOCKET_EXPORT(LPFN_SETSOCKOPT, "setsockopt");
    return function != NULL ? function(s, level, option, value, length) : SOCKET_ERROR;
}

u_short WSAAPI CeHtons(u_short value)
{
    return (u_short)((value >> 8) | (value << 8));
}

unsigned long WSAAPI CeInetAddr(const char* text)
{
    SOCKET_EXPORT(LPFN_INET_ADDR, "inet_addr");
    return function != NULL ? function(text) : INADDR_NONE;
}

int WSAAPI CeConnect(SOCKET s, const struct sockaddr* address, int length)
{
    SOCKET_EXPORT(LPFN_CONNECT, "connect");
    return function != NULL ? function(s, address, length) : SOCKET_ERROR;
}

int WSAAPI CeSend(SOCKET s, const char* data, int length, int flags)
{
    SOCKET_EXPORT(LPFN_SEND, "send");
    return function != NULL ? function(s, data, length, flags) : SOCKET_ERROR;
}

int WSAAPI CeClosesocket(SOCKET s)
{
    SOCKET_EXPORT(LPFN_CLOSESOCKET, "closesocket");
    return function != NULL ? function(s) : SOCKET_ERROR;
}
