// The launcher's entry: settles the command line, then hands the start to the machine,
// in this process through its runtime library or as a child process.
#include "platform/platform.h"

#include "external/launch.h"
#include "handoff/handoff.h"
#include "launcher/main.h"
#include "launcher/merge.h"
#include "launcher/runtime.h"
#include "registry/filetype.h"
#include "splash/splash.h"
#include "text/strings.h"

static WCHAR* CopyCommandLine(const WCHAR* commandLine)
{
    CharVector* copy = NewCharVector();
    static const WCHAR terminator = 0;
    AppendChars(copy, commandLine, TextLength(commandLine));
    AppendChars(copy, &terminator, 1);
    return copy->data;
}

// A line without any character above U+0020 asks for registration before the start.
static int IsBlankRequest(const WCHAR* line)
{
    for (; *line != 0; line++) {
        if (*line > ' ')
            return 0;
    }
    return 1;
}

// "+" followed by nothing but blanks asks for registration alone.
static int IsRegisterOnlyRequest(const WCHAR* line)
{
    if (line[0] != '+')
        return 0;
    for (line++; *line != 0; line++) {
        if (*line != ' ')
            return 0;
    }
    return 1;
}

// Runs the machine's runtime library in this process and returns its result.
static int RunRuntimeLibrary(HINSTANCE instance, HINSTANCE previousInstance,
                             WCHAR* commandLine, int showCommand)
{
    HMODULE library = LoadRuntimeLibrary();
    if (library == NULL) {
        MessageBoxW(NULL, TEXT("Could not find DLL: Kol.DLL"), TEXT("Error Loading DLL"), MB_OK);
        return 0;
    }
    // Through the untyped function pointer: exports carry no signature.
    KolMainProc kolMain =
        (KolMainProc)(void (*)(void))GetProcAddressW(library, TEXT("KolMainW"));
    if (kolMain == NULL) {
        MessageBoxW(NULL, TEXT("Could not find DLL entry routine \"KolMainW\""),
                    TEXT("Error Starting DLL"), MB_OK);
        return 0;
    }
    int result = CallKolMain(kolMain, instance, previousInstance, commandLine, showCommand,
                             GetModuleHandleW(NULL), library);
    if (SocketLibraryState == 1)
        WSACleanup();
    FreeLibrary(library);
    return result;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                   int showCommand)
{
    HMODULE module = GetModuleHandleW(NULL);
    HRSRC embedded = FindResourceW(module, TEXT("CommandLine"), TEXT("Text"));
    int launchLineMode = 0;
    if (embedded == NULL) {
        embedded = FindResourceW(module, TEXT("LaunchLine"), TEXT("Text"));
        launchLineMode = embedded != NULL;
    }
    WCHAR* effective = embedded != NULL ? MergeCommandLine(module, embedded, commandLine)
                                        : CopyCommandLine(commandLine);
    if (launchLineMode)
        return RunExternalVm(effective, module, instance);

    if (IsBlankRequest(effective)) {
        RegisterFileType();
    } else if (IsRegisterOnlyRequest(effective)) {
        RegisterFileType();
        return 0;
    }
    if (HandOffToRunningInstance(effective) == 0)
        return 0;
    StartSplash(module, instance);
    return RunRuntimeLibrary(instance, previousInstance, effective, showCommand);
}
