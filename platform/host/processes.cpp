// Child processes: recorded, never run.
#include "platform/host/objects.h"

static bool nextCreated = true;
static DWORD nextExitCode;
static bool nextExitCodeFails;
static std::vector<HostProcessCall> calls;
static std::vector<HostProcess*> processes;

void HostSetProcessOutcome(bool created, DWORD exitCode, bool exitCodeFails)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    nextCreated = created;
    nextExitCode = exitCode;
    nextExitCodeFails = exitCodeFails;
}

std::vector<HostProcessCall> HostProcessCalls()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return calls;
}

BOOL CreateProcessW(LPCWSTR application, LPWSTR commandLine,
                    LPSECURITY_ATTRIBUTES processSecurity, LPSECURITY_ATTRIBUTES threadSecurity,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInfo)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("CreateProcessW");
    calls.push_back(HostProcessCall{HostText(application), commandLine != NULL,
                                    HostText(commandLine),
                                    processSecurity == NULL && threadSecurity == NULL,
                                    inheritHandles, creationFlags, environment == NULL,
                                    currentDirectory == NULL, startupInfo == NULL});
    if (!nextCreated)
        return FALSE;
    HostProcess* process = new HostProcess();
    process->kind = HostProcessObject;
    process->exitCode = nextExitCode;
    process->exitCodeFails = nextExitCodeFails;
    processes.push_back(process);
    processInfo->hProcess = process;
    processInfo->hThread = NULL;
    processInfo->dwProcessId = 1000 + (DWORD)processes.size();
    processInfo->dwThreadId = 2000 + (DWORD)processes.size();
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("GetExitCodeProcess");
    HostObject* object = (HostObject*)handle;
    if (object == NULL || object->kind != HostProcessObject)
        return FALSE;
    HostProcess* process = (HostProcess*)object;
    if (process->exitCodeFails)
        return FALSE;
    *exitCode = process->exitCode;
    return TRUE;
}

void HostResetProcesses()
{
    nextCreated = true;
    nextExitCode = 0;
    nextExitCodeFails = false;
    calls.clear();
    for (HostProcess* process : processes)
        delete process;
    processes.clear();
}
