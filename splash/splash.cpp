#include "splash/splash.h"

#include "splash/bitmap.h"
#include "text/strings.h"

SplashState Splash;

static const DWORD FirstPaintWaitMilliseconds = 3000;

static void StoreSplashWindow(SplashState* state, HWND window)
{
    InterlockedExchangePointer((PVOID volatile*)&state->window, (PVOID)window);
}

static HWND ReadSplashWindow(SplashState* state)
{
    return (HWND)InterlockedCompareExchangePointer((PVOID volatile*)&state->window, NULL, NULL);
}

HWND StartSplash(HMODULE module, HINSTANCE appInstance)
{
    InitializeCriticalSection(&Splash.lock);
    StoreSplashWindow(&Splash, NULL);
    Splash.cancelled = 0;
    ConfigTable* table = LoadConfig(module);
    if (table == NULL)
        return NULL;
    return ShowSplash(table, module, appInstance);
}

static DWORD WINAPI StartSplashThread(LPVOID)
{
    SplashThread(&Splash);
    return 0;
}

HWND ShowSplash(const ConfigTable* table, HMODULE module, HINSTANCE appInstance)
{
    // The choice, its bitmap and the title copy live as long as the process.
    SplashChoice* choice = ChooseSplash(module, table);
    if (choice == NULL)
        return NULL;
    Splash.module = module;
    Splash.appInstance = appInstance;
    StoreSplashWindow(&Splash, NULL);
    Splash.paintedEvent = CreateEventW(NULL, FALSE, FALSE, NULL);
    Splash.bitmap = choice->bitmap;
    Splash.width = choice->width;
    Splash.height = choice->height;
    Splash.title = WidenString(choice->title, -1);
    DWORD threadId;
    CreateThread(NULL, 0, StartSplashThread, NULL, 0, &threadId);
    WaitForSingleObject(Splash.paintedEvent, FirstPaintWaitMilliseconds);
    return ReadSplashWindow(&Splash);
}

static void RegisterSplashClass(HINSTANCE appInstance)
{
    WNDCLASSW windowClass;
    memset(&windowClass, 0, sizeof(windowClass));
    windowClass.lpfnWndProc = SplashWndProc;
    windowClass.hInstance = appInstance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = TEXT("KOL_SPLASH");
    RegisterClassW(&windowClass);
}

static HWND CreateSplashWindow(const SplashState* state, int screenWidth, int screenHeight)
{
    SplashRect rect = SplashWindowRect(screenWidth, screenHeight, state->width, state->height);
    return CreateWindowExW(0, TEXT("KOL_SPLASH"), state->title, WS_VISIBLE, rect.x, rect.y,
                           rect.width, rect.height, NULL, NULL, state->appInstance, NULL);
}

void SplashThread(SplashState* state)
{
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RegisterSplashClass(state->appInstance);

    EnterCriticalSection(&state->lock);
    HWND window = NULL;
    if (state->cancelled == 0) {
        window = CreateSplashWindow(state, screenWidth, screenHeight);
        StoreSplashWindow(state, window);
    }
    LeaveCriticalSection(&state->lock);
    if (window == NULL)
        return;

    SetForegroundWindow(window);
    MSG message;
    // GetMessageW gives 0 for WM_QUIT, however it was posted.
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
}

static void PaintSplash(HWND window)
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    HDC source = CreateCompatibleDC(target);
    SelectObject(source, Splash.bitmap);
    BitBlt(target, 0, 0, Splash.width, Splash.height, source, 0, 0, SRCCOPY);
    DeleteDC(source);
    EndPaint(window, &paint);
    EventModify(Splash.paintedEvent, EVENT_SET);
}

LRESULT CALLBACK SplashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT)
        PaintSplash(window);
    return DefWindowProcW(window, message, wParam, lParam);
}
