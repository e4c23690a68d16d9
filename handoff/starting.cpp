#include "handoff/starting.h"

typedef enum { MarkTaken, MarkHeldElsewhere, MarkUnavailable } MarkOutcome;

static MarkOutcome TakeStartingMark(const WCHAR* name, HANDLE* mark)
{
    *mark = CreateEventW(NULL, TRUE, FALSE, name);
    if (*mark == NULL)
        // A holder with more rights than this start (an elevated one on desktop).
        return GetLastError() == ERROR_ACCESS_DENIED ? MarkHeldElsewhere : MarkUnavailable;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return MarkTaken;
    CloseHandle(*mark);
    return MarkHeldElsewhere;
}

// The mark this start holds, and the window whose existence ends it (null: none).
static struct {
    HANDLE mark;
    const WCHAR* windowClass;
} held;

static DWORD WINAPI GiveUpMarkOnceStarted(LPVOID)
{
    for (DWORD waited = 0; waited < StartingWaitMilliseconds; waited += StartingPollMilliseconds) {
        Sleep(StartingPollMilliseconds);
        if (held.windowClass != NULL && FindWindowW(held.windowClass, NULL) != NULL)
            break;
    }
    CloseHandle(held.mark);
    return 0;
}

// Off the starting thread, which goes on to the machine at once.
static void KeepMarkWhileStarting(HANDLE mark, const WCHAR* windowClass)
{
    held.mark = mark;
    held.windowClass = windowClass;
    DWORD threadId;
    if (CreateThread(NULL, 0, GiveUpMarkOnceStarted, NULL, 0, &threadId) == NULL)
        CloseHandle(mark);  // a mark nobody gives up would outlive the start
}

int HandOffToStartingInstance(const WCHAR* markName, const WCHAR* windowClass,
                              StartTaker taker, void* context)
{
    HANDLE mark;
    MarkOutcome outcome = TakeStartingMark(markName, &mark);
    for (DWORD waited = 0; outcome == MarkHeldElsewhere && waited < StartingWaitMilliseconds;
         waited += StartingPollMilliseconds) {
        Sleep(StartingPollMilliseconds);
        HandOffOutcome handOff = taker(context);
        if (handOff != InstanceAbsent)
            return handOff == InstanceTookStart ? 0 : 1;
        outcome = TakeStartingMark(markName, &mark);
        // The holder gives the mark up when its instance has come: look once more.
        if (outcome == MarkTaken && (handOff = taker(context)) != InstanceAbsent) {
            CloseHandle(mark);
            return handOff == InstanceTookStart ? 0 : 1;
        }
    }
    if (outcome == MarkTaken)
        KeepMarkWhileStarting(mark, windowClass);
    return 1;
}
