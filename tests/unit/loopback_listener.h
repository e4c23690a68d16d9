// A TCP endpoint on 127.0.0.1 for tests that forward commands. Kept apart from support.h:
// the host's own socket headers clash with the Windows names of the OS layer's stand-in.
#ifndef KOL_TESTS_UNIT_LOOPBACK_LISTENER_H
#define KOL_TESTS_UNIT_LOOPBACK_LISTENER_H

#include <atomic>
#include <string>
#include <thread>

// Takes an ephemeral port. Listening, it accepts connections on a thread of its own and
// records what each delivers until the peer closes; not listening, the port refuses
// connections while it is held.
class LoopbackListener {
public:
    explicit LoopbackListener(bool listening = true);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int Port() const { return port; }
    // Starts listening on the port that a listener made not listening holds.
    void Listen();
    // Waits until `connections` connections have closed, at most the time given; returns
    // the bytes all of them delivered, in order of arrival.
    std::string Received(int connections = 1, int waitMilliseconds = 5000);
    int Connections() const { return closed.load(); }

private:
    void Serve();

    int fd = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<int> closed{0};
    std::string bytes;
    std::thread server;
};

#endif
