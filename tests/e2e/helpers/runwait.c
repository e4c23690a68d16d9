/* Starts a program with an exact command line, waits for it (bounded), answers the
 * message boxes it shows, and prints what happened as key=value lines (UTF-8):
 *   box.caption=... / box.text=...   for each message box, in order
 *   timeout=1                        when it had to be ended
 *   exit=<signed 32-bit>  exitHex=0x........
 *
 * runwait [--timeout MS] [--cwd DIR] [--keep-boxes | --no-boxes] (--args-file F | --raw-file F)
 *         PROGRAM
 *   --args-file: the child's line is "PROGRAM" followed by a blank and the file's text
 *   --raw-file:  the child's line is the file's text alone
 *   --no-boxes:  only waits, for timings: looking for boxes every 20 ms keeps Wine's server
 *                busy while the child starts, which slows every start by some 35 ms
 * Files are UTF-8. KOL_T0 is set to the performance counter just before the start. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static DWORD childId;
static int keepBoxes;
static int lookForBoxes = 1;

static void PrintUtf8(const char* key, const wchar_t* value)
{
    char buffer[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, value, -1, buffer, sizeof(buffer), NULL, NULL);
    if (n <= 0)
        buffer[0] = 0;
    printf("%s=%s\n", key, buffer);
    fflush(stdout);
}

static wchar_t* ReadUtf8File(const wchar_t* path)
{
    FILE* file = _wfopen(path, L"rb");
    if (file == NULL)
        return NULL;
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    fseek(file, 0, SEEK_SET);
    char* bytes = (char*)malloc(size + 1);
    size_t got = fread(bytes, 1, size, file);
    fclose(file);
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)got, NULL, 0);
    wchar_t* text = (wchar_t*)calloc(n + 1, sizeof(wchar_t));
    MultiByteToWideChar(CP_UTF8, 0, bytes, (int)got, text, n);
    free(bytes);
    return text;
}

static BOOL CALLBACK AnswerBox(HWND window, LPARAM found)
{
    DWORD process = 0;
    wchar_t className[64];
    GetWindowThreadProcessId(window, &process);
    if (process != childId || !GetClassNameW(window, className, 64) ||
        wcscmp(className, L"#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    wchar_t caption[1024];
    wchar_t text[2048];
    GetWindowTextW(window, caption, 1024);
    if (!GetDlgItemTextW(window, 0xFFFF, text, 2048))
        text[0] = 0;
    PrintUtf8("box.caption", caption);
    PrintUtf8("box.text", text);
    if (!keepBoxes)
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    *(int*)found = 1;
    return TRUE;
}

int wmain(int argc, wchar_t** argv)
{
    DWORD timeout = 20000;
    const wchar_t* cwd = NULL;
    const wchar_t* argsFile = NULL;
    const wchar_t* rawFile = NULL;
    int i = 1;
    for (; i < argc - 1; i++) {
        if (wcscmp(argv[i], L"--timeout") == 0)
            timeout = (DWORD)_wtoi(argv[++i]);
        else if (wcscmp(argv[i], L"--cwd") == 0)
            cwd = argv[++i];
        else if (wcscmp(argv[i], L"--keep-boxes") == 0)
            keepBoxes = 1;
        else if (wcscmp(argv[i], L"--no-boxes") == 0)
            lookForBoxes = 0;
        else if (wcscmp(argv[i], L"--args-file") == 0)
            argsFile = argv[++i];
        else if (wcscmp(argv[i], L"--raw-file") == 0)
            rawFile = argv[++i];
        else
            break;
    }
    if (i != argc - 1 || (argsFile == NULL && rawFile == NULL)) {
        fprintf(stderr, "usage: runwait [--timeout MS] [--cwd DIR] [--keep-boxes | --no-boxes] "
                        "(--args-file F | --raw-file F) PROGRAM\n");
        return 2;
    }
    const wchar_t* program = argv[i];
    wchar_t* text = ReadUtf8File(argsFile ? argsFile : rawFile);
    if (text == NULL) {
        fprintf(stderr, "runwait: cannot read the command line file\n");
        return 2;
    }
    size_t length = wcslen(program) + wcslen(text) + 8;
    wchar_t* line = (wchar_t*)calloc(length, sizeof(wchar_t));
    if (argsFile)
        swprintf(line, length, L"\"%ls\" %ls", program, text);
    else
        wcscpy(line, text);

    STARTUPINFOW startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    // Wine now and then fails a start with ERROR_INTERNAL_ERROR before the program runs
    // any code of its own; such a start is made again.
    BOOL created = FALSE;
    for (int attempt = 0; attempt < 3 && !created; attempt++) {
        if (attempt > 0)
            Sleep(200);
        LARGE_INTEGER t0;
        QueryPerformanceCounter(&t0);
        wchar_t t0Text[32];
        swprintf(t0Text, 32, L"%lld", t0.QuadPart);
        SetEnvironmentVariableW(L"KOL_T0", t0Text);
        created = CreateProcessW(program, line, NULL, NULL, FALSE, 0, NULL, cwd, &startup,
                                 &process);
        if (!created && GetLastError() != ERROR_INTERNAL_ERROR)
            break;
    }
    if (!created) {
        printf("startError=%lu\n", GetLastError());
        return 3;
    }
    childId = process.dwProcessId;

    DWORD started = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - started;
        if (WaitForSingleObject(process.hProcess, lookForBoxes ? 20 : timeout) == WAIT_OBJECT_0)
            break;
        int found = 0;
        if (lookForBoxes)
            EnumWindows(AnswerBox, (LPARAM)&found);
        if (found)
            Sleep(50);  /* let the box close before looking again */
        if (waited >= timeout) {
            printf("timeout=1\n");
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    printf("exit=%ld\nexitHex=0x%08lX\n", (long)(LONG)code, (unsigned long)code);
    printf("elapsedMs=%lu\n", (unsigned long)(GetTickCount() - started));
    return 0;
}
