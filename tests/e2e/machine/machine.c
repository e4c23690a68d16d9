/* Stands for the machine's executables in launch-line tests: built as kolw.exe, a desktop
 * GUI program entered through wWinMain, and as kol.exe, a console program entered through
 * wmain (MACHINE_CONSOLE). It appends to the log what it received, in the demo runtime's
 * form (a "call" line, then key=value lines, UTF-8), and exits with a chosen code.
 *   entry=WinMain|wmain
 *   program=<its own path>
 *   commandLine=<what WinMain received>        (kolw.exe; with commandLineUnits=)
 *   arguments=<argc - 1> argument1=... ...      (kol.exe)
 *   rawCommandLine=<GetCommandLineW()>          (with rawCommandLineUnits=)
 *   splash=none|visible|hidden                  a "KOL_SPLASH" window on this desktop
 * Environment: KOL_LOG the log file (appended); KOL_EXIT the exit code (decimal or 0x...);
 * KOL_CHILD_MS how long to run before exiting. */
#include "demo/report.h"

static void ReportCommon(void)
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(NULL, program, MAX_PATH);
    Report(L"program=%ls\r\n", program);
    ReportText(L"rawCommandLine", GetCommandLineW());
    HWND splash = FindWindowW(L"KOL_SPLASH", NULL);
    Report(L"splash=%ls\r\n", splash == NULL ? L"none" : IsWindowVisible(splash) ? L"visible"
                                                                                : L"hidden");
}

static int Finish(void)
{
    wchar_t logPath[MAX_PATH];
    if (GetEnvironmentVariableW(L"KOL_LOG", logPath, MAX_PATH) != 0)
        AppendReport(logPath);
    Sleep((DWORD)EnvNumber(L"KOL_CHILD_MS", 0));
    return (int)(unsigned)EnvNumber(L"KOL_EXIT", 0);
}

#ifdef MACHINE_CONSOLE
int wmain(int argc, wchar_t** argv)
{
    Report(L"call\r\nentry=wmain\r\n");
    ReportCommon();
    Report(L"arguments=%d\r\n", argc - 1);
    for (int i = 1; i < argc; i++) {
        wchar_t label[32];
        swprintf(label, 32, L"argument%d", i);
        ReportText(label, argv[i]);
    }
    return Finish();
}
#else
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                    int showCommand)
{
    (void)instance;
    (void)previousInstance;
    (void)showCommand;
    Report(L"call\r\nentry=WinMain\r\n");
    ReportCommon();
    ReportText(L"commandLine", commandLine);
    return Finish();
}
#endif
