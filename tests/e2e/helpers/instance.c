/* Stands for a running application: owns a top-level window of the given class, records
 * the activation messages it receives, and ends by itself.
 *   instance CLASS LOGFILE TIMEOUT_MS
 * A second window of its own, of another class, takes the foreground first, so that a later foreground=1 shows
 * that someone brought the window forward. The log (UTF-8, appended) gets
 * "ready foreground=<0|1>" once the windows exist, then a line for each WM_USER + 14:
 *   message=0x040E wParam=<hex> lParam=<hex> foreground=<1 when it is the foreground window>
 * After the first one it waits 500 ms more for any further message and ends; without one
 * it ends after TIMEOUT_MS. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#define ACTIVATE_MESSAGE (WM_USER + 14)

static const wchar_t* logPath;

static void Log(const char* line)
{
    FILE* file = _wfopen(logPath, L"ab");
    if (file == NULL)
        return;
    fputs(line, file);
    fputs("\n", file);
    fclose(file);
}

static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ACTIVATE_MESSAGE) {
        char line[128];
        snprintf(line, sizeof(line), "message=0x%04X wParam=%llX lParam=%llX foreground=%d",
                 message, (unsigned long long)wParam, (unsigned long long)lParam,
                 GetForegroundWindow() == window);
        Log(line);
        SetTimer(window, 1, 500, NULL);
        return 0;
    }
    if (message == WM_TIMER) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: instance CLASS LOGFILE TIMEOUT_MS\n");
        return 2;
    }
    logPath = argv[2];
    HINSTANCE module = GetModuleHandleW(NULL);
    WNDCLASSW windowClass;
    memset(&windowClass, 0, sizeof(windowClass));
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = argv[1];
    if (!RegisterClassW(&windowClass))
        return 3;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = L"InstanceDecoy";
    if (!RegisterClassW(&windowClass))
        return 3;
    HWND window = CreateWindowExW(0, argv[1], L"instance", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                  NULL, NULL, module, NULL);
    HWND other = CreateWindowExW(0, L"InstanceDecoy", L"other", WS_POPUP | WS_VISIBLE, 50, 0, 40, 40,
                                 NULL, NULL, module, NULL);
    if (window == NULL || other == NULL)
        return 4;
    SetForegroundWindow(other);
    SetTimer(window, 1, (UINT)_wtoi(argv[3]), NULL);
    char ready[64];
    snprintf(ready, sizeof(ready), "ready foreground=%d", GetForegroundWindow() == window);
    Log(ready);

    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
