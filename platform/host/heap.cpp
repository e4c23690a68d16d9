#include "platform/host/internal.h"

#include <atomic>
#include <unordered_set>

static std::atomic<int> failCountdown{0};
// Product allocations not yet freed; the splash thread allocates too, hence the lock.
static std::unordered_set<void*> liveAllocations;

void HostFailAllocation(int nth)
{
    failCountdown = nth;
}

int HostLiveAllocations()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return (int)liveAllocations.size();
}

void HostFreeProductAllocations()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    for (void* block : liveAllocations)
        free(block);
    liveAllocations.clear();
}

void HostResetHeap()
{
    failCountdown = 0;
    liveAllocations.clear();
}

void* HostMalloc(size_t size)
{
    int left = failCountdown.load();
    if (left > 0) {
        failCountdown = left - 1;
        if (left == 1)
            return NULL;
    }
    void* block = malloc(size);
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    liveAllocations.insert(block);
    return block;
}

void HostFree(void* block)
{
    {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        liveAllocations.erase(block);
    }
    free(block);
}
