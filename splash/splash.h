// The splash window, shown from a thread of its own while the machine starts.
#ifndef KOL_SPLASH_SPLASH_H
#define KOL_SPLASH_SPLASH_H

#include "platform/platform.h"
#include "splash/config.h"

// What the starting thread and the splash thread share. The starting thread fills every
// field but window before it creates the splash thread, which only reads them.
typedef struct {
    HMODULE module;
    HINSTANCE appInstance;
    int width;  // of the bitmap, and so of the window
    int height;
    HANDLE paintedEvent;  // auto-reset; set by every paint
    // Stored by the splash thread while the starting thread may be reading it after its
    // wait ran out: only ever touched through interlocked operations.
    HWND volatile window;
    HBITMAP bitmap;
    WCHAR* title;
    LONG cancelled;  // read under lock: when set, no window is created
    CRITICAL_SECTION lock;  // makes testing cancelled, creating the window and storing it one step
} SplashState;

// The process's one splash.
extern SplashState Splash;

// Where the splash window goes for a bitmap of that size.
typedef struct {
    int x;
    int y;
    int width;
    int height;
} SplashRect;

// Defined here, so that the launcher's one caller compiles it in place, keeping it small;
// static, so that each file compiles it with its own heap functions.
// Centred on the screen, also when larger than it; the division truncates toward zero.
static inline SplashRect SplashWindowRect(int screenWidth, int screenHeight, int width, int height)
{
    SplashRect rect = {(screenWidth - width) / 2, (screenHeight - height) / 2, width, height};
    return rect;
}

// Shows the splash chosen from module's resources and waits for its first paint, at most
// 3000 ms. Returns the window, or null when there is none (yet). At most once per process.
HWND StartSplash(HMODULE module, HINSTANCE appInstance);

// Chooses and decodes the bitmap from table, starts the splash thread and waits as above.
HWND ShowSplash(const ConfigTable* table, HMODULE module, HINSTANCE appInstance);

// The splash thread's body: registers the class, creates the window unless cancelled, and
// serves it until WM_QUIT, then destroys it.
void SplashThread(SplashState* state);

// Window procedure of the "KOL_SPLASH" class: paints the bitmap and signals each paint.
LRESULT CALLBACK SplashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
