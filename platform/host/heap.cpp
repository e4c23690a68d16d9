#include "platform/host/internal.h"

#include <atomic>

static std::atomic<int> failCountdown{0};

void HostFailAllocation(int nth)
{
    failCountdown = nth;
}

void HostResetHeap()
{
    failCountdown = 0;
}

void* HostMalloc(size_t size)
{
    int left = failCountdown.load();
    if (left > 0) {
        failCountdown = left - 1;
        if (left == 1)
            return NULL;
    }
    return malloc(size);
}
