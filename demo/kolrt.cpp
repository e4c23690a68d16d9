// Demo machine runtime. KolMainW records what the launcher handed it, as lines in a log
// file that tests read, and shows the same in a window of its own that closes by itself.
//
// Environment:
//   KOL_LOG          log file (UTF-8, appended); default Kol.log beside this library
//   KOL_EXIT         exit code to return (decimal, or 0x... hexadecimal); default 0
//   KOL_SHOW_MS      how long the window stays; default 4000, 0 shows none
//   KOL_T0           QueryPerformanceCounter value taken when the launcher was started
//                    (elapsedMicroseconds counts from it; sinceCreationMicroseconds counts
//                    from the process's creation as the system records it)
//   KOL_QUIT_SPLASH  1: post WM_QUIT to the splash window and record that it went away
//   KOL_HOLD_MS      how long to wait before returning, after the log is written and with
//                    no window of its own (a test takes its screenshot meanwhile); default 0
//   KOL_START_MS     a machine that takes this long to come up, after the log is written:
//                    then it shows a window of class KOL_INSTANCE_CLASS and listens on
//                    127.0.0.1 port KOL_LISTEN_PORT (either may be left out) for KOL_RUN_MS
//                    (default 3000), and appends to the log the WM_USER + 14 messages it
//                    got ("activations=N") and each line received ("received.N=text", a
//                    line feed written as \n)
// Before report.h's windows.h, which would bring the older sockets header.
#include <winsock2.h>

#include "report.h"

static HMODULE self;
static wchar_t summary[1024];
static int activations;

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

// ---- A machine that comes up slowly ----------------------------------------------------

static LRESULT CALLBACK InstanceWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER + 14) {
        activations++;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static HWND ShowInstanceWindow(void)
{
    wchar_t className[256];
    if (GetEnvironmentVariableW(L"KOL_INSTANCE_CLASS", className, 256) == 0)
        return NULL;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = InstanceWndProc;
    windowClass.hInstance = self;
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, className, L"Kol demo instance", WS_POPUP, 0, 0, 8, 8, NULL, NULL,
                           self, NULL);
}

// The sockets library, loaded only by a machine that listens: imported, it would add its
// load to every start that the benchmarks time.
static struct {
    decltype(&WSAStartup) startup;
    decltype(&socket) open;
    decltype(&bind) bind;
    decltype(&listen) listen;
    decltype(&ioctlsocket) control;
    decltype(&accept) accept;
    decltype(&recv) receive;
    decltype(&closesocket) close;
} sockets;

static bool LoadSockets(void)
{
    HMODULE library = LoadLibraryW(L"ws2_32.dll");
    if (library == NULL)
        return false;
    sockets.startup = (decltype(&WSAStartup))(void*)GetProcAddress(library, "WSAStartup");
    sockets.open = (decltype(&socket))(void*)GetProcAddress(library, "socket");
    sockets.bind = (decltype(&bind))(void*)GetProcAddress(library, "bind");
    sockets.listen = (decltype(&listen))(void*)GetProcAddress(library, "listen");
    sockets.control = (decltype(&ioctlsocket))(void*)GetProcAddress(library, "ioctlsocket");
    sockets.accept = (decltype(&accept))(void*)GetProcAddress(library, "accept");
    sockets.receive = (decltype(&recv))(void*)GetProcAddress(library, "recv");
    sockets.close = (decltype(&closesocket))(void*)GetProcAddress(library, "closesocket");
    WSADATA data;
    return sockets.startup != NULL && sockets.startup(MAKEWORD(2, 2), &data) == 0;
}

static SOCKET Listen(void)
{
    int port = (int)EnvNumber(L"KOL_LISTEN_PORT", 0);
    if (port == 0 || !LoadSockets())
        return INVALID_SOCKET;
    SOCKET listener = sockets.open(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = (u_short)((port & 0xFF) << 8 | (port >> 8 & 0xFF));
    address.sin_addr.s_addr = 0x0100007F;  // 127.0.0.1, in network order
    u_long nonBlocking = 1;
    if (sockets.bind(listener, (struct sockaddr*)&address, sizeof(address)) != 0 ||
        sockets.listen(listener, 8) != 0 ||
        sockets.control(listener, FIONBIO, &nonBlocking) != 0) {
        sockets.close(listener);
        return INVALID_SOCKET;
    }
    return listener;
}

// One line from a connection the launcher has made, read until it closes.
static void ReceiveLine(SOCKET connection, int number)
{
    u_long blocking = 0;
    sockets.control(connection, FIONBIO, &blocking);
    char line[1024];
    int length = 0;
    int got;
    while (length < (int)sizeof(line) - 1 &&
           (got = sockets.receive(connection, line + length, (int)sizeof(line) - 1 - length,
                                  0)) > 0)
        length += got;
    sockets.close(connection);
    // A line feed is written as \n, so that the log keeps one line per connection.
    Report(L"received.%d=", number);
    for (int i = 0; i < length; i++)
        Report(line[i] == '\n' ? L"\\n" : L"%hc", line[i]);
    Report(L"\r\n");
}

// Comes up after KOL_START_MS, then serves its window and port for KOL_RUN_MS.
static void RunSlowMachine(int startMilliseconds)
{
    reportLength = 0;
    Sleep((DWORD)startMilliseconds);
    HWND window = ShowInstanceWindow();
    SOCKET listener = Listen();
    int received = 0;
    DWORD end = GetTickCount() + (DWORD)EnvNumber(L"KOL_RUN_MS", 3000);
    while ((int)(end - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        SOCKET connection = listener != INVALID_SOCKET ? sockets.accept(listener, NULL, NULL)
                                                       : INVALID_SOCKET;
        if (connection != INVALID_SOCKET)
            ReceiveLine(connection, ++received);
    }
    if (window != NULL)
        DestroyWindow(window);
    if (listener != INVALID_SOCKET)
        sockets.close(listener);
    Report(L"activations=%d\r\n", activations);
    WriteLog();
}

// Microseconds since the system recorded this process's creation.
static long long MicrosecondsSinceCreation(void)
{
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER from, to;
    from.LowPart = created.dwLowDateTime;
    from.HighPart = created.dwHighDateTime;
    to.LowPart = now.dwLowDateTime;
    to.HighPart = now.dwHighDateTime;
    return (long long)(to.QuadPart - from.QuadPart) / 10;
}

extern "C" __declspec(dllexport) int KolMainW(HINSTANCE instance, HINSTANCE previousInstance,
                                              wchar_t* commandLine, int showCommand,
                                              HMODULE launcher, HMODULE library)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    long long sinceCreation = MicrosecondsSinceCreation();
    long long t0 = EnvNumber(L"KOL_T0", 0);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    int exitCode = (int)EnvNumber(L"KOL_EXIT", 0);
    Report(L"call=KolMainW\r\n");
    if (t0 != 0)
        Report(L"elapsedMicroseconds=%lld\r\n",
               (now.QuadPart - t0) * 1000000 / frequency.QuadPart);
    Report(L"sinceCreationMicroseconds=%lld\r\n", sinceCreation);
    Report(L"instance=%p\r\npreviousInstance=%p\r\n", (void*)instance, (void*)previousInstance);
    ReportText(L"commandLine", commandLine);
    Report(L"showCommand=%d\r\nlauncherModule=%p\r\nlibrary=%p\r\n", showCommand,
           (void*)launcher, (void*)library);
    Report(L"instanceIsProcessModule=%d\r\nlauncherIsProcessModule=%d\r\nlibraryIsSelf=%d\r\n",
           instance == GetModuleHandleW(NULL) ? 1 : 0, launcher == GetModuleHandleW(NULL) ? 1 : 0,
           library == self ? 1 : 0);
    // Which launcher started the machine, and the folder that relative names resolve in.
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(launcher, path, MAX_PATH);
    Report(L"launcherPath=%ls\r\n", path);
    GetCurrentDirectoryW(MAX_PATH, path);
    Report(L"currentDirectory=%ls\r\n", path);
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

    DWORD holdMs = (DWORD)EnvNumber(L"KOL_HOLD_MS", 0);
    if (holdMs > 0)
        Sleep(holdMs);
    int startMs = (int)EnvNumber(L"KOL_START_MS", 0);
    if (startMs > 0)
        RunSlowMachine(startMs);
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
