#include "handoff/starting.h"

typedef enum { MarkTaken, MarkHeldElsewhere, MarkUnavailable } MarkOutcome;

static MarkOutcome TakeStartingMark(const WCHAR* name, HANDLE* mark)
{
    // Not every platform clears the last error when it creates a new event.
    SetLastError(0);
    *mark = CreateEventW(NULL, TRUE, FALSE, name);
    if (*mark == NULL)
        // Refused where a holder has more rights, and on desktop to a program of low
        // integrity even where nobody holds it: that one goes on without a mark.
        return GetLastError() == ERROR_ACCESS_DENIED && NamedEventExists(name)
                   ? MarkHeldElsewhere
                   : MarkUnavailable;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return MarkTaken;
    CloseHandle(*mark);
    return MarkHeldElsewhere;
}

// The mark this start holds, since when, and the window whose existence ends it (null:
// none).
static struct {
    HANDLE mark;
    DWORD takenAt;
    const WCHAR* windowClass;
} held;

// The bound is kept in time, not in polls: a poll can take long (a refused connect takes
// about 2 s on desktop).
static int BoundHasPassed(DWORD since)
{
    return GetTickCount() - since >= StartingWaitMilliseconds;
}

static DWORD WINAPI GiveUpMarkOnceStarted(LPVOID)
{
    do
        Sleep(StartingPollMilliseconds);
    while ((held.windowClass == NULL || FindWindowW(held.windowClass, NULL) == NULL) &&
           !BoundHasPassed(held.takenAt));
    CloseHandle(held.mark);
    return 0;
}

// Off the starting thread, which goes on to the machine at once.
static void KeepMarkWhileStarting(HANDLE mark, const WCHAR* windowClass)
{
    held.mark = mark;
    held.takenAt = GetTickCount();
    held.windowClass = windowClass;
    DWORD threadId;
    if (CreateThread(NULL, 0, GiveUpMarkOnceStarted, NULL, 0, &threadId) == NULL)
        CloseHandle(mark);  // a mark nobody gives up would outlive the start
}

int HandOffToStartingInstance(const WCHAR* markName, const WCHAR* windowClass,
                              StartTaker taker, void* context)
{
    // The mark is taken before the look: a holder gives it up only once its instance is
    // there, so a start that takes it finds that instance, or there is none.
    HANDLE mark = NULL;
    MarkOutcome outcome = markName != NULL ? TakeStartingMark(markName, &mark) : MarkUnavailable;
    DWORD since = GetTickCount();
    HandOffOutcome handOff;
    while ((handOff = taker(context)) == InstanceAbsent && outcome == MarkHeldElsewhere &&
           !BoundHasPassed(since)) {
        Sleep(StartingPollMilliseconds);
        outcome = TakeStartingMark(markName, &mark);
    }
    if (outcome == MarkTaken) {
        if (handOff == InstanceAbsent)
            KeepMarkWhileStarting(mark, windowClass);
        else
            CloseHandle(mark);
    }
    return handOff == InstanceTookStart ? 0 : 1;
}
