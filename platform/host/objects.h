// Kernel objects of the host stand-in behind HANDLE: events, processes, threads.
#ifndef KOL_PLATFORM_HOST_OBJECTS_H
#define KOL_PLATFORM_HOST_OBJECTS_H

#include "platform/host/internal.h"

#include <condition_variable>
#include <thread>

enum HostObjectKind { HostEventObject, HostProcessObject, HostThreadObject };

struct HostObject {
    HostObjectKind kind;
};

struct HostEvent : HostObject {
    std::u16string name;  // empty for an unnamed one
    int handles;          // open handles on a named one
    bool manualReset;
    bool signalled;
    int sets;
    std::condition_variable_any changed;
};

struct HostProcess : HostObject {
    DWORD exitCode;
    bool exitCodeFails;
};

struct HostThread : HostObject {
    std::thread thread;
};

#endif
