// Threads, events, critical sections and waits: real ones, with bookkeeping.
#include "platform/host/objects.h"

#include <chrono>

static std::function<void()> creationHook;
static std::vector<HostThread*> threads;
static std::vector<HostEvent*> events;
static std::vector<HostWaitCall> waits;
static std::vector<std::mutex*> sections;
static double timeScale = 1.0;
static std::vector<std::u16string> refusedNames;
static bool lowIntegrity;
static std::function<void(DWORD)> sleepHook;
static DWORD now;
static bool waking;  // HostReset is ending the threads: their Sleeps return at once
static std::condition_variable_any clockChanged;
static thread_local bool onProductThread;
static thread_local DWORD threadSlept;
static thread_local DWORD lastError;

void HostSetThreadCreationHook(std::function<void()> hook)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    creationHook = hook;
}

int HostThreadsCreated()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return (int)threads.size();
}

void HostSetTimeScale(double scale)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    timeScale = scale;
}

std::vector<HostWaitCall> HostWaitCalls()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return waits;
}

int HostEventSetCount(HANDLE event)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostObject* object = (HostObject*)event;
    return object != NULL && object->kind == HostEventObject ? ((HostEvent*)object)->sets : 0;
}

int HostEventsCreated()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return (int)events.size();
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD, LPDWORD threadId)
{
    std::function<void()> hook;
    {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        HostLog("CreateThread");
        hook = creationHook;
    }
    if (hook)
        hook();
    HostThread* thread = new HostThread();
    thread->kind = HostThreadObject;
    {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        threads.push_back(thread);
        if (threadId != NULL)
            *threadId = 3000 + (DWORD)threads.size();
    }
    DWORD startedAt = HostNow();
    thread->thread = std::thread([start, parameter, startedAt]() {
        onProductThread = true;
        threadSlept = startedAt;
        start(parameter);
    });
    return thread;
}

static HostEvent* FindNamedEvent(const std::u16string& name)
{
    for (HostEvent* event : events) {
        if (event->handles > 0 && event->name == name)
            return event;
    }
    return NULL;
}

bool HostNamedEventExists(const std::u16string& name)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return FindNamedEvent(name) != NULL;
}

void HostRefuseNamedEvent(const std::u16string& name)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    refusedNames.push_back(name);
}

void HostRefuseCreatingNamedEvents(bool refuse)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    lowIntegrity = refuse;
}

static bool IsRefusedName(const std::u16string& name)
{
    for (const std::u16string& refused : refusedNames) {
        if (refused == name)
            return true;
    }
    return false;
}

// A new event leaves the last error as it was, as not every platform clears it.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("CreateEventW");
    std::u16string named = HostText(name);
    if (!named.empty() && (lowIntegrity || IsRefusedName(named))) {
        lastError = ERROR_ACCESS_DENIED;
        return NULL;
    }
    HostEvent* event = named.empty() ? NULL : FindNamedEvent(named);
    if (event != NULL) {
        event->handles++;
        lastError = ERROR_ALREADY_EXISTS;
        return event;
    }
    event = new HostEvent();
    event->kind = HostEventObject;
    event->name = named;
    event->handles = 1;
    event->manualReset = manualReset != 0;
    event->signalled = initialState != 0;
    event->sets = 0;
    events.push_back(event);
    return event;
}

// A named event goes when its last handle is closed; the record stays until HostReset.
BOOL CloseHandle(HANDLE handle)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("CloseHandle");
    HostObject* object = (HostObject*)handle;
    if (object != NULL && object->kind == HostEventObject && ((HostEvent*)object)->handles > 0)
        ((HostEvent*)object)->handles--;
    return object != NULL;
}

DWORD GetLastError(void)
{
    return lastError;
}

void SetLastError(DWORD error)
{
    lastError = error;
}

int NamedEventExists(LPCWSTR name)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("NamedEventExists");
    std::u16string named = HostText(name);
    return IsRefusedName(named) || FindNamedEvent(named) != NULL;
}

// A thread that HostReset wakes sleeps no longer but still sees its time pass.
DWORD GetTickCount(void)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return onProductThread && threadSlept > now ? threadSlept : now;
}

void HostSetSleepHook(std::function<void(DWORD)> hook)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    sleepHook = hook;
}

void HostAdvanceTime(DWORD milliseconds)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    now += milliseconds;
    clockChanged.notify_all();
}

DWORD HostNow()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return now;
}

void Sleep(DWORD milliseconds)
{
    std::unique_lock<std::recursive_mutex> lock(HostLock());
    HostLog("Sleep");
    if (onProductThread) {
        threadSlept += milliseconds;
        clockChanged.wait(lock, []() { return waking || now >= threadSlept; });
        return;
    }
    now += milliseconds;
    clockChanged.notify_all();
    std::function<void(DWORD)> hook = sleepHook;
    DWORD time = now;
    lock.unlock();
    if (hook)
        hook(time);
}

BOOL EventModify(HANDLE handle, DWORD function)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("EventModify");
    HostObject* object = (HostObject*)handle;
    if (object == NULL || object->kind != HostEventObject || function != EVENT_SET)
        return FALSE;
    HostEvent* event = (HostEvent*)object;
    event->signalled = true;
    event->sets++;
    event->changed.notify_all();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    std::unique_lock<std::recursive_mutex> lock(HostLock());
    HostLog("WaitForSingleObject");
    HostObject* object = (HostObject*)handle;
    DWORD result = WAIT_FAILED;
    if (object != NULL && object->kind == HostProcessObject) {
        result = WAIT_OBJECT_0;
    } else if (object != NULL && object->kind == HostEventObject) {
        HostEvent* event = (HostEvent*)object;
        auto signalled = [event]() { return event->signalled; };
        bool got;
        if (milliseconds == INFINITE) {
            event->changed.wait(lock, signalled);
            got = true;
        } else {
            auto wait = std::chrono::microseconds((long long)(milliseconds * 1000.0 * timeScale));
            got = event->changed.wait_for(lock, wait, signalled);
        }
        if (got && !event->manualReset)
            event->signalled = false;
        result = got ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }
    waits.push_back(HostWaitCall{milliseconds, result});
    return result;
}

void InitializeCriticalSection(CRITICAL_SECTION* section)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("InitializeCriticalSection");
    std::mutex* mutex = new std::mutex();
    sections.push_back(mutex);
    section->impl = mutex;
}

void EnterCriticalSection(CRITICAL_SECTION* section)
{
    HostLog("EnterCriticalSection");
    ((std::mutex*)section->impl)->lock();
}

void LeaveCriticalSection(CRITICAL_SECTION* section)
{
    HostLog("LeaveCriticalSection");
    ((std::mutex*)section->impl)->unlock();
}

PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

PVOID InterlockedCompareExchangePointer(PVOID volatile* target, PVOID exchange, PVOID comparand)
{
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return comparand;
}

void HostResetThreads()
{
    std::vector<HostThread*> running;
    {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        running.swap(threads);
    }
    HostQuitAllThreads();
    {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        waking = true;
        clockChanged.notify_all();
    }
    for (HostThread* thread : running) {
        if (thread->thread.joinable())
            thread->thread.join();
        delete thread;
    }
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    creationHook = nullptr;
    for (HostEvent* event : events)
        delete event;
    events.clear();
    waits.clear();
    // Critical sections may still be named by product state across a reset; they stay.
    timeScale = 1.0;
    refusedNames.clear();
    lowIntegrity = false;
    sleepHook = nullptr;
    now = 0;
    waking = false;
    threadSlept = 0;
    lastError = ERROR_SUCCESS;
}
