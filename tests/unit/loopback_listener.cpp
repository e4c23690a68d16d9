#include "loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <mutex>

static std::mutex bytesLock;

LoopbackListener::LoopbackListener(bool listening)
{
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (fd < 0 || ::bind(fd, (struct sockaddr*)&address, sizeof(address)) != 0 ||
        ::getsockname(fd, (struct sockaddr*)&address, &length) != 0)
        return;
    port = ntohs(address.sin_port);
    if (listening)
        Listen();
}

void LoopbackListener::Listen()
{
    if (::listen(fd, 4) == 0)
        server = std::thread(&LoopbackListener::Serve, this);
}

LoopbackListener::~LoopbackListener()
{
    stopping = true;
    if (server.joinable())
        server.join();
    if (fd >= 0)
        ::close(fd);
}

void LoopbackListener::Serve()
{
    while (!stopping) {
        struct pollfd waiting = {fd, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        int connection = ::accept(fd, NULL, NULL);
        if (connection < 0)
            continue;
        char chunk[256];
        ssize_t got;
        while ((got = ::recv(connection, chunk, sizeof(chunk), 0)) > 0) {
            std::lock_guard<std::mutex> guard(bytesLock);
            bytes.append(chunk, (size_t)got);
        }
        ::close(connection);
        closed++;
    }
}

std::string LoopbackListener::Received(int connections, int waitMilliseconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    while (closed.load() < connections && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::lock_guard<std::mutex> guard(bytesLock);
    return bytes;
}
