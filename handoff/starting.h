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

// For a start that found no running instance: takes the mark of that name and returns 1
// (the start goes on, and the mark is given up once windowClass's window exists, or the
// wait's bound has passed; for a null windowClass, then). When another start holds it,
// calls taker every StartingPollMilliseconds until the instance takes the start (returns
// 0) or the hand-off fails (returns 1), the mark is released with no instance there (takes
// it and returns 1), or the bound passes (returns 1). Without a mark to take or wait for,
// returns 1.
int HandOffToStartingInstance(const WCHAR* markName, const WCHAR* windowClass,
                              StartTaker taker, void* context);

#endif
