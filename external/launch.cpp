#include "external/launch.h"

#include "external/plan.h"
#include "splash/splash.h"

static const DWORD ModulePathLength = 260;
static WCHAR modulePathBuffer[ModulePathLength];

// The launcher's full path, or null when it can't be learnt whole: a full buffer means a
// cut path, whose folder may be another one.
static const WCHAR* LauncherPathOf(HMODULE module)
{
    if (module == NULL)
        return NULL;
    DWORD count = GetModuleFileNameW(module, modulePathBuffer, ModulePathLength);
    if (count == 0 || count >= ModulePathLength)
        return NULL;
    modulePathBuffer[count] = 0;
    return modulePathBuffer;
}

static int ReportLaunchFailure(const WCHAR* text)
{
    MessageBoxW(NULL, text, TEXT("Kol Launcher Error"), MB_OK);
    return -1;
}

// Starts the executable with the arguments alone and waits for it without a time limit.
static int RunChild(WCHAR* executable, WCHAR* commandLine)
{
    PROCESS_INFORMATION child;
    if (!CreateProcessW(executable, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, NULL,
                        &child))
        return ReportLaunchFailure(TEXT("Cannot run Kol VM Executable"));
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD exitCode;
    if (!GetExitCodeProcess(child.hProcess, &exitCode))
        return -1;
    return (int)exitCode;
}

int RunExternalVm(const WCHAR* launchLine, HMODULE module, HINSTANCE instance)
{
    LaunchPlan plan;
    PlanLaunch(&plan, launchLine, module, LauncherPathOf(module));
    // Before any message: the splash shows while a failure is reported, too.
    StartSplash(module, instance);
    if (!FindFallbackExecutable(&plan))
        return ReportLaunchFailure(TEXT("Cannot find Kol VM Executable"));
    return RunChild(plan.executable.text, plan.commandLine.text);
}
