#include "platform/host/posix_socket.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

int PosixStreamSocket()
{
    return ::socket(AF_INET, SOCK_STREAM, 0);
}

int PosixSetLinger(int fd, int onOff, int seconds)
{
    struct linger value;
    value.l_onoff = onOff;
    value.l_linger = seconds;
    return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &value, sizeof(value));
}

int PosixConnectIpv4(int fd, uint32_t networkAddress, uint16_t networkPort)
{
    struct sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = networkPort;
    address.sin_addr.s_addr = networkAddress;
    return ::connect(fd, (struct sockaddr*)&address, sizeof(address));
}

long PosixSend(int fd, const char* data, int length)
{
    return ::send(fd, data, (size_t)length, MSG_NOSIGNAL);
}

int PosixClose(int fd)
{
    return ::close(fd);
}
