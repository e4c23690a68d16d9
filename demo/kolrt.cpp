// Demo machine runtime. KolMainW records what the launcher handed it, as lines in a log
// file that tests read, and shows the same in a window of its own that closes by itself.
//
// Environment:
//   KOL_LOG          log file (UTF-8, appended); default Kol.log beside this library
//   KOL_EXIT         exit code to return (decimal, or 0x... hexadecimal); default 0
//   KOL_SHOW_MS      how long the window stays; default 4000, 0 shows none
//   KOL_T0           QueryPerformanceCounter value taken when the launcher was started
//   KOL_QUIT_SPLASH  1: post WM_QUIT to the splash window and record that it went away
//   KOL_HOLD_MS      how long to wait before returning, after the log is written and with
//                    no window of its own (a test takes its screenshot meanwhile); default 0
#include "report.h"

static HMODULE self;
static wchar_t summary[1024];

static void ReportSplash(void)
{
    HWND splash = FindWindowW(L"KOL_SPLASH", NULL);
    if (splash == NULL) {
        Report(L"splash=none\r\n");
        return;
    }
    RECT r;
    GetWindowRect(splash, &r);
    wchar_t title[256];
    GetWindowTextW(splash, title, 256);
    // A window that has been painted has no update region left.
    Report(L"splash=%d,%d,%d,%d\r\nsplashTitle=%ls\r\nsplashStyle=0x%08lX\r\n"
           L"splashExStyle=0x%08lX\r\nsplashVisible=%d\r\nsplashUpdatePending=%d\r\n",
           (int)r.left, (int)r.top, (int)(r.right - r.left), (int)(r.bottom - r.top), title,
           (unsigned long)GetWindowLongW(splash, GWL_STYLE),
           (unsigned long)GetWindowLongW(splash, GWL_EXSTYLE), IsWindowVisible(splash) ? 1 : 0,
           GetUpdateRect(splash, NULL, FALSE) ? 1 : 0);
    if (EnvNumber(L"KOL_QUIT_SPLASH", 0) == 1) {
        PostMessageW(splash, WM_QUIT, 0, 0);
        int waited = 0;
        while (IsWindow(splash) && waited < 3000) {
            Sleep(10);
            waited += 10;
        }
        Report(L"splashAfterQuit=%ls\r\n", IsWindow(splash) ? L"present" : L"gone");
    }
}

static void WriteLog(void)
{
    wchar_t path[MAX_PATH];
    if (GetEnvironmentVariableW(L"KOL_LOG", path, MAX_PATH) == 0) {
        GetModuleFileNameW(self, path, MAX_PATH);
        wchar_t* slash = wcsrchr(path, L'\\');
        wcscpy(slash ? slash + 1 : path, L"Kol.log");
    }
    AppendReport(path);
}

static LRESULT CALLBACK ReportWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT r;
        GetClientRect(window, &r);
        InflateRect(&r, -4, -4);
        HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                 L"Tahoma");
        HGDIOBJ old = SelectObject(dc, font);
        DrawTextW(dc, summary, -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        DeleteObject(font);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static void ShowReport(int milliseconds)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ReportWndProc;
    windowClass.hInstance = self;
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    // Along the bottom of the screen, below a centred splash.
    windowClass.lpszClassName = L"KolDemoRuntime";
    RegisterClassW(&windowClass);
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = 88;
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"KolDemoRuntime", L"Kol demo runtime",
                                  WS_POPUP | WS_BORDER | WS_VISIBLE, 0,
                                  GetSystemMetrics(SM_CYSCREEN) - height, width, height, NULL,
                                  NULL, self, NULL);
    if (window == NULL)
        return;
    SetTimer(window, 1, (UINT)milliseconds, NULL);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

extern "C" __declspec(dllexport) int KolMainW(HINSTANCE instance, HINSTANCE previousInstance,
                                              wchar_t* commandLine, int showCommand,
                                              HMODULE launcher, HMODULE library)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    long long t0 = EnvNumber(L"KOL_T0", 0);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    int exitCode = (int)EnvNumber(L"KOL_EXIT", 0);
    Report(L"call=KolMainW\r\n");
    if (t0 != 0)
        Report(L"elapsedMicroseconds=%lld\r\n",
               (now.QuadPart - t0) * 1000000 / frequency.QuadPart);
    Report(L"instance=%p\r\npreviousInstance=%p\r\n", (void*)instance, (void*)previousInstance);
    ReportText(L"commandLine", commandLine);
    Report(L"showCommand=%d\r\nlauncherModule=%p\r\nlibrary=%p\r\n", showCommand,
           (void*)launcher, (void*)library);
    Report(L"instanceIsProcessModule=%d\r\nlauncherIsProcessModule=%d\r\nlibraryIsSelf=%d\r\n",
           instance == GetModuleHandleW(NULL) ? 1 : 0, launcher == GetModuleHandleW(NULL) ? 1 : 0,
           library == self ? 1 : 0);
    ReportSplash();
    // The launcher loads the shell library only to tell the shell of a registration.
    Report(L"shellLoaded=%d\r\n", GetModuleHandleW(L"shell32.dll") != NULL ? 1 : 0);
    Report(L"exitCode=%d\r\n", exitCode);
    WriteLog();
    _snwprintf(summary, 1023,
               L"Kol demo runtime\r\nKolMainW(0x%llX, 0x%llX,\r\n  \"%ls\",\r\n  %d, 0x%llX, 0x%llX)"
               L"\r\nreturns %d",
               (unsigned long long)(UINT_PTR)instance, (unsigned long long)(UINT_PTR)previousInstance,
               commandLine, showCommand, (unsigned long long)(UINT_PTR)launcher,
               (unsigned long long)(UINT_PTR)library, exitCode);

    Sleep((DWORD)EnvNumber(L"KOL_HOLD_MS", 0));
    int showMs = (int)EnvNumber(L"KOL_SHOW_MS", 4000);
    if (showMs > 0)
        ShowReport(showMs);
    return exitCode;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        self = instance;
    return TRUE;
}
