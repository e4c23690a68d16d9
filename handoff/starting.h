// Starts that meet a start under way. The start that goes on to start the machine marks
// that it is doing so; a later start that finds no running instance but that mark waits
// for the instance rather than start a second machine. The mark is a named event, so the
// system releases it with the process that holds it, a crashed one too.
#ifndef KOL_HANDOFF_STARTING_H
#define KOL_HANDOFF_STARTING_H

#include "platform/platform.h"

// How long a later start waits for the instance that the mark's holder is starting, and
// how long the holder keeps the mark at most: as long as a handheld's slowest machine
// start.
static const DWORD StartingWaitMilliseconds = 30000;
// How often a waiting start, and the holder, look for the instance.
static const DWORD StartingPollMilliseconds = 100;

// Hands the start to the running instance: InstanceTookStart, InstanceAbsent when there is
// none yet, or HandOffFailed when there is one but the hand-off failed (the start then goes
// on). Called with the context given to HandOffToStartingInstance.
typedef enum { InstanceAbsent, InstanceTookStart, HandOffFailed } HandOffOutcome;
typedef HandOffOutcome (*StartTaker)(void* context);

// Hands the start to the running instance, or to the one that another start is starting.
// Takes the mark of that name (none for a null name), then asks taker: when the instance
// takes the start returns 0; when the hand-off fails, 1. With no instance there, a start
// that holds the mark returns 1 and keeps it until windowClass's window exists or the
// bound has passed (for a null windowClass, until then); one that can't take it returns
// 1. While another start holds it, asks taker again every StartingPollMilliseconds, and
// takes the mark if it is given up, until the instance takes the start, the hand-off
// fails, nobody holds the mark and the instance is still absent, or the bound has passed
// in time, which returns 1.
int HandOffToStartingInstance(const WCHAR* markName, const WCHAR* windowClass,
                              StartTaker taker, void* context);

#endif
