// The host's own sockets, kept apart from the Windows names that the stand-in defines.
#ifndef KOL_PLATFORM_HOST_POSIX_SOCKET_H
#define KOL_PLATFORM_HOST_POSIX_SOCKET_H

#include <stdint.h>

int PosixStreamSocket();
int PosixSetLinger(int fd, int onOff, int seconds);
int PosixConnectIpv4(int fd, uint32_t networkAddress, uint16_t networkPort);
long PosixSend(int fd, const char* data, int length);
int PosixClose(int fd);

#endif
