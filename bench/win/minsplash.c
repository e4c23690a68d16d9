/* The floor for the launcher's start-up with a splash: ask for a running window, make a
 * bare 139x136 window on a thread of its own, paint a DIB section made from the bitmap
 * resource into it, and call the runtime after the first paint. Built a second time with
 * MINSPLASH_FOREGROUND, it also brings the window to the foreground, as the launcher's
 * splash does: under Wine that step alone costs a few per cent. */
#include <windows.h>

typedef int (*KolMainProc)(HINSTANCE, HINSTANCE, LPWSTR, int, HMODULE, HMODULE);

static HBITMAP bitmap;
static int width;
static int height;
static HANDLE painted;

static LRESULT CALLBACK SplashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HDC memory = CreateCompatibleDC(dc);
        SelectObject(memory, bitmap);
        BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        DeleteDC(memory);
        EndPaint(window, &paint);
        SetEvent(painted);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static DWORD WINAPI SplashThread(LPVOID instance)
{
    WNDCLASSW windowClass = {0};
    windowClass.lpfnWndProc = SplashProc;
    windowClass.hInstance = (HINSTANCE)instance;
    windowClass.lpszClassName = L"MIN_SPLASH";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"MIN_SPLASH", L"", WS_POPUP | WS_VISIBLE,
                                  (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                                  NULL, NULL, (HINSTANCE)instance, NULL);
#ifdef MINSPLASH_FOREGROUND
    if (window != NULL)
        SetForegroundWindow(window);
#endif
    MSG message;
    while (window != NULL && GetMessageW(&message, NULL, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

static void MakeBitmap(HINSTANCE instance)
{
    HRSRC resource = FindResourceW(instance, L"SPLASH", (LPCWSTR)RT_RCDATA);
    const BYTE* file = (const BYTE*)LockResource(LoadResource(instance, resource));
    const BITMAPINFO* info = (const BITMAPINFO*)(file + 14);
    width = info->bmiHeader.biWidth;
    height = info->bmiHeader.biHeight;
    void* bits;
    HDC screen = CreateDCW(L"DISPLAY", NULL, NULL, NULL);
    bitmap = CreateDIBSection(screen, info, DIB_RGB_COLORS, &bits, NULL, 0);
    DeleteDC(screen);
    memcpy(bits, file + *(const DWORD*)(file + 10), (size_t)((width * 3 + 3) & ~3) * height);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                    int showCommand)
{
    if (FindWindowW(L"x", NULL) != NULL)
        return 0;
    MakeBitmap(instance);
    painted = CreateEventW(NULL, FALSE, FALSE, NULL);
    CreateThread(NULL, 0, SplashThread, instance, 0, NULL);
    WaitForSingleObject(painted, 3000);
    HMODULE library = LoadLibraryW(L"Kol.dll");
    KolMainProc kolMain = (KolMainProc)(void (*)(void))GetProcAddress(library, "KolMainW");
    return kolMain(instance, previousInstance, commandLine, showCommand, GetModuleHandleW(NULL),
                   library);
}
