// The launcher's entry: settles the command line, then hands the start to the machine,
// in this process through its runtime library or as a child process.
#include "platform/platform.h"

#include "external/launch.h"
#include "handoff/handoff.h"
#include "launcher/main.h"
#include "launcher/runtime.h"
#include "launcher/start.h"
#include "registry/filetype.h"
#include "splash/splash.h"

HMODULE LoadRuntimeLibrary(void)
{
    const WCHAR* name;
    for (int attempt = 0; (name = RuntimeLibraryName(attempt)) != NULL; attempt++) {
        HMODULE library = LoadLibraryW(name);
        if (library != NULL)
            return library;
    }
    return NULL;
}

// The runtime library's KolMainW, or null after saying why it can't be called: a start
// that fails must not look like one that ran and ended well.
static KolMainProc FindKolMain(HMODULE library)
{
    if (library == NULL) {
        MessageBoxW(NULL, TEXT("Could not find DLL: Kol.DLL"), TEXT("Error Loading DLL"), MB_OK);
        return NULL;
    }
    // Through the untyped function pointer: exports carry no signature.
    KolMainProc kolMain =
        (KolMainProc)(void (*)(void))GetProcAddressW(library, TEXT("KolMainW"));
    if (kolMain == NULL)
        MessageBoxW(NULL, TEXT("Could not find DLL entry routine \"KolMainW\""),
                    TEXT("Error Starting DLL"), MB_OK);
    return kolMain;
}

// Calls KolMainW and returns its result, the runtime's sockets and library let go.
static int CallRuntimeLibrary(KolMainProc kolMain, HMODULE library, HINSTANCE instance,
                              HINSTANCE previousInstance, WCHAR* commandLine, int showCommand)
{
    int result = CallKolMain(kolMain, instance, previousInstance, commandLine, showCommand,
                             GetModuleHandleW(NULL), library);
    if (SocketLibraryState == 1)
        WSACleanup();
    FreeLibrary(library);
    return result;
}

// Runs the machine's runtime library in this process and returns its result.
static int RunRuntimeLibrary(HINSTANCE instance, HINSTANCE previousInstance,
                             WCHAR* commandLine, int showCommand)
{
    HMODULE library = LoadRuntimeLibrary();
    KolMainProc kolMain = FindKolMain(library);
    return kolMain != NULL ? CallRuntimeLibrary(kolMain, library, instance, previousInstance,
                                                commandLine, showCommand)
                           : -1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                   int showCommand)
{
    HMODULE module = GetModuleHandleW(NULL);
    StartLine start = SettleStartLine(module, commandLine);
    if (start.mode == LaunchLineMode)
        return RunExternalVm(start.line, module, instance);

    RegistrationRequest registration = RegistrationRequested(start.line);
    int registered = registration != NoRegistration && RegisterFileType();
    int result = 0;
    if (registration != RegisterAndEnd && HandOffToRunningInstance(start.line) != 0) {
        StartSplash(module, instance);
        result = RunRuntimeLibrary(instance, previousInstance, start.line, showCommand);
    }
    // Only once the machine is over: telling the shell loads its library on desktop (some
    // 30 ms that the start would wait for, even from a thread of its own), and every shell
    // then rebuilds what it knows of associations, beside whatever starts next.
    if (registered)
        TellShellOfRegistration();
    return result;
}
