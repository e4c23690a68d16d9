/* Opens a document the way the shell does, through its registered "open" command, waits
 * for the program it started (bounded) and prints what happened:
 *   started=0 error=<GetLastError>   when nothing could be started
 *   started=1 process=0              when it started without a handle to wait on (a link)
 *   exit=<signed 32-bit>             the started program's exit code
 *   timeout=1                        when it had to be ended
 * shellopen DOCUMENT [TIMEOUT_MS] */
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: shellopen DOCUMENT [TIMEOUT_MS]\n");
        return 2;
    }
    DWORD timeout = argc > 2 ? (DWORD)wcstoul(argv[2], NULL, 10) : 20000;
    SHELLEXECUTEINFOW info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = argv[1];
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        printf("started=0 error=%lu\n", GetLastError());
        return 0;
    }
    /* A shortcut's target is started through the link, without a handle for the caller. */
    if (info.hProcess == NULL) {
        printf("started=1 process=0\n");
        return 0;
    }
    if (WaitForSingleObject(info.hProcess, timeout) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
        printf("timeout=1\n");
    }
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    printf("exit=%ld\n", (long)(LONG)code);
    CloseHandle(info.hProcess);
    return 0;
}
