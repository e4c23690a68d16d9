// Desktop Windows' side of the bridges that need more than a line.
#include "platform/platform.h"

#undef CreateProcessW
#undef LoadLibraryW
#undef WinMain

// Room for the launcher's path and for a library's path built on it.
enum { LibraryPathRoom = 2 * MAX_PATH };

// Desktop looks for a library's own imports beside the program, in the system folders, in
// the current folder and on PATH, but not beside the library: these flags look beside it
// first and never in the current folder or on PATH. Windows 7 without update KB2533623
// refuses them; the flag it knows puts the library's folder first.
static HMODULE LoadLibraryFile(LPCWSTR file)
{
    HMODULE library = LoadLibraryExW(
        file, NULL, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (library == NULL && GetLastError() == ERROR_INVALID_PARAMETER)
        library = LoadLibraryExW(file, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    return library;
}

// Loads the file that FindLibraryFile finds for a launcher at launcherPath.
static HMODULE LoadFoundLibrary(LPCWSTR launcherPath, LPCWSTR systemFolder,
                                LPCWSTR nameOrPath)
{
    WCHAR file[LibraryPathRoom];
    if (FindLibraryFile(launcherPath, systemFolder, nameOrPath, file, LibraryPathRoom) ==
        LibraryNotFound)
        return NULL;
    return LoadLibraryFile(file);
}

// Windows' system folder in system, or "" when it can't be had whole.
static LPCWSTR ReadSystemFolder(WCHAR system[MAX_PATH])
{
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        system[0] = 0;
    return system;
}

HMODULE CeLoadLibraryW(LPCWSTR nameOrPath)
{
    WCHAR launcher[LibraryPathRoom];
    WCHAR system[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, launcher, LibraryPathRoom);
    // A cut path would name another folder: without the launcher's, nothing is searched,
    // and only a full path, which needs no folder, loads.
    if (length == 0 || length >= LibraryPathRoom)
        return LoadFoundLibrary(TEXT(""), TEXT(""), nameOrPath);
    return LoadFoundLibrary(launcher, ReadSystemFolder(system), nameOrPath);
}

// Without a launcher folder, only the system folder is searched.
HMODULE LoadSystemLibrary(LPCWSTR name)
{
    WCHAR system[MAX_PATH];
    return LoadFoundLibrary(TEXT(""), ReadSystemFolder(system), name);
}

void CeSHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID item2)
{
    typedef void(WINAPI * NotifyProc)(LONG, UINT, LPCVOID, LPCVOID);
    HMODULE shell = LoadSystemLibrary(L"shell32.dll");
    NotifyProc notify =
        shell != NULL ? (NotifyProc)(void (*)(void))::GetProcAddress(shell, "SHChangeNotify")
                      : NULL;
    if (notify != NULL)
        notify(eventId, flags, item1, item2);
}

static int TextLength(LPCWSTR text)
{
    int length = 0;
    while (text[length] != 0)
        length++;
    return length;
}

BOOL CeCreateProcessW(LPCWSTR application, LPWSTR commandLine,
                      LPSECURITY_ATTRIBUTES processSecurity,
                      LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles,
                      DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                      LPSTARTUPINFOW, LPPROCESS_INFORMATION processInfo)
{
    // "application" arguments: the child's WinMain then sees the arguments alone, as on CE;
    // without arguments the line is the quoted path alone, as a desktop start gives it.
    int applicationLength = TextLength(application);
    int argumentsLength = commandLine ? TextLength(commandLine) : 0;
    WCHAR* line = (WCHAR*)malloc((applicationLength + argumentsLength + 4) * sizeof(WCHAR));
    if (line == NULL)
        return FALSE;
    WCHAR* out = line;
    *out++ = '"';
    memcpy(out, application, applicationLength * sizeof(WCHAR));
    out += applicationLength;
    *out++ = '"';
    if (argumentsLength > 0) {
        *out++ = ' ';
        memcpy(out, commandLine, argumentsLength * sizeof(WCHAR));
    }
    out[argumentsLength] = 0;

    STARTUPINFOW startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    BOOL created = ::CreateProcessW(application, line, processSecurity, threadSecurity,
                                    inheritHandles, creationFlags, environment,
                                    currentDirectory, &startup, processInfo);
    free(line);
    return created;
}

#if defined(__i386__)
// Arguments at 12(%ebp) to 32(%ebp) are pushed again, last first; after the call %esp is
// set from the frame, whether or not the entry removed them.
asm(".text\n"
    ".globl _CallKolMain\n"
    "_CallKolMain:\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    pushl 32(%ebp)\n"
    "    pushl 28(%ebp)\n"
    "    pushl 24(%ebp)\n"
    "    pushl 20(%ebp)\n"
    "    pushl 16(%ebp)\n"
    "    pushl 12(%ebp)\n"
    "    call *8(%ebp)\n"
    "    movl %ebp, %esp\n"
    "    popl %ebp\n"
    "    ret\n");
#endif

// What follows the program's own name on the process's command line, with exactly one
// separating blank or tab skipped, as Windows CE hands it on. (The C runtime's lpCmdLine
// would skip every blank and control character there.)
static LPWSTR ArgumentsOfCommandLine(LPWSTR line)
{
    if (*line == '"') {
        line++;
        while (*line != 0 && *line != '"')
            line++;
        if (*line == '"')
            line++;
    } else {
        while (*line != 0 && *line != ' ' && *line != '\t')
            line++;
    }
    if (*line == ' ' || *line == '\t')
        line++;
    return line;
}

// The C runtime's start-up code is left out (-nostartfiles): the launcher has no
// constructors, thread-local data or argv to set up, and without it the program is half
// the size. msvcrt.dll initialises itself when it loads.
extern "C" void KolEntry(void)
{
    STARTUPINFOW startup;
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    int showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow
                                                               : SW_SHOWDEFAULT;
    ExitProcess((UINT)KolWinMain(GetModuleHandleW(NULL), NULL,
                                 ArgumentsOfCommandLine(GetCommandLineW()), showCommand));
}
