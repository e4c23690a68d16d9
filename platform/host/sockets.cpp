// Sockets: real loopback sockets under the Windows names, with bookkeeping.
#include "platform/host/internal.h"
#include "platform/host/posix_socket.h"

static HostSocketCalls calls;
static bool startupFails;
static bool socketFails;
static int sendFailCountdown;
static DWORD refusedConnectTime;

void HostFailWsaStartup(bool fail)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    startupFails = fail;
}

void HostFailSocket(bool fail)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    socketFails = fail;
}

void HostFailSend(int nth)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    sendFailCountdown = nth;
}

void HostSetRefusedConnectTime(DWORD milliseconds)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    refusedConnectTime = milliseconds;
}

HostSocketCalls HostSockets()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return calls;
}

int WSAStartup(WORD version, WSADATA* data)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("WSAStartup");
    calls.startups++;
    calls.startupVersion = version;
    if (startupFails)
        return 10091;  // WSASYSNOTREADY
    memset(data, 0, sizeof(*data));
    data->wVersion = version;
    data->wHighVersion = version;
    return 0;
}

int WSACleanup(void)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("WSACleanup");
    calls.cleanups++;
    return 0;
}

SOCKET socket(int family, int type, int protocol)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("socket");
    if (socketFails || family != AF_INET || type != SOCK_STREAM || protocol != 0)
        return INVALID_SOCKET;
    int fd = PosixStreamSocket();
    if (fd < 0)
        return INVALID_SOCKET;
    calls.socketsCreated++;
    return (SOCKET)fd;
}

int setsockopt(SOCKET s, int level, int option, const char* value, int length)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("setsockopt");
    calls.optionLevels.push_back(level);
    calls.optionNames.push_back(option);
    calls.options.emplace_back((const BYTE*)value, (const BYTE*)value + length);
    if (level == SOL_SOCKET && option == SO_LINGER && length == (int)sizeof(struct linger)) {
        const struct linger* l = (const struct linger*)value;
        return PosixSetLinger((int)s, l->l_onoff, l->l_linger) == 0 ? 0 : SOCKET_ERROR;
    }
    return SOCKET_ERROR;
}

WORD htons(WORD value)
{
    return (WORD)((value >> 8) | (value << 8));
}

unsigned long inet_addr(const char* text)
{
    uint32_t parts[4] = {0, 0, 0, 0};
    int part = 0;
    for (const char* c = text; *c != 0; c++) {
        if (*c == '.' && part < 3)
            part++;
        else if (*c >= '0' && *c <= '9')
            parts[part] = parts[part] * 10 + (uint32_t)(*c - '0');
        else
            return 0xFFFFFFFFu;
    }
    // Network byte order in memory: the first part in the lowest byte.
    return parts[0] | (parts[1] << 8) | (parts[2] << 16) | (parts[3] << 24);
}

int connect(SOCKET s, const struct sockaddr* address, int length)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("connect");
    calls.connects++;
    if (length != (int)sizeof(struct sockaddr_in))
        return SOCKET_ERROR;
    const struct sockaddr_in* in = (const struct sockaddr_in*)address;
    calls.connectPort = htons(in->sin_port);
    calls.connectAddress = in->sin_addr.s_addr;
    if (in->sin_family != AF_INET)
        return SOCKET_ERROR;
    if (PosixConnectIpv4((int)s, in->sin_addr.s_addr, in->sin_port) == 0)
        return 0;
    HostAdvanceTime(refusedConnectTime);
    return SOCKET_ERROR;
}

int send(SOCKET s, const char* data, int length, int flags)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("send");
    calls.sends.emplace_back((const BYTE*)data, (const BYTE*)data + length);
    calls.sendFlags.push_back(flags);
    if (sendFailCountdown > 0 && --sendFailCountdown == 0)
        return SOCKET_ERROR;
    long sent = PosixSend((int)s, data, length);
    return sent < 0 ? SOCKET_ERROR : (int)sent;
}

int closesocket(SOCKET s)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("closesocket");
    calls.socketsClosed++;
    return PosixClose((int)s) == 0 ? 0 : SOCKET_ERROR;
}

void HostResetSockets()
{
    calls = HostSocketCalls();
    startupFails = false;
    socketFails = false;
    sendFailCountdown = 0;
    refusedConnectTime = 0;
}
