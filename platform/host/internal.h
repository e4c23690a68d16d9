// Shared pieces of the host stand-in's implementation.
#ifndef KOL_PLATFORM_HOST_INTERNAL_H
#define KOL_PLATFORM_HOST_INTERNAL_H

#include "platform/host/host.h"

#include <mutex>
#include <string>

// One lock for the stand-in's bookkeeping; the launcher's splash thread calls in too.
std::recursive_mutex& HostLock();
void HostLog(const char* name);
// A call that no real system answers as the stand-in would (HostTakeMisuses).
void HostMisuse(const std::string& what);
std::u16string HostText(const WCHAR* text);
// Lower-cases ASCII letters: registry paths, resource names, files and libraries are
// matched regardless of case, as on Windows.
std::u16string HostFold(const std::u16string& text);

// Reset hooks of the areas, called by HostReset.
void HostResetRegistry();
void HostResetModules();
void HostResetFiles();
void HostResetProcesses();
void HostResetThreads();
void HostResetWindows();
void HostResetGdi();
void HostResetSockets();
void HostResetHeap();

// Thread bookkeeping shared by windows (queues) and threads.
void HostQuitAllThreads();

#endif
