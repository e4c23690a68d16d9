// Windows and messages: window classes, windows with their owning thread's queue, paint
// requests, foreign windows of "other processes", message boxes and screen metrics.
#include "platform/host/objects.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>

struct HostWindow {
    HostWindowInfo info;
    bool foreign;
    bool refusesPosts;
    bool needsPaint;
    WNDPROC procedure;
    std::thread::id owner;
};

struct Queue {
    std::deque<MSG> messages;
};

static std::vector<HostWindow*> windows;
static std::map<std::u16string, WNDCLASSW> classes;
static std::vector<std::u16string*> classNames;
static std::map<std::thread::id, Queue> queues;
static std::condition_variable_any queueChanged;
static std::vector<HostMessage> posted;
static std::vector<HWND> foregrounds;
static std::vector<HWND> foregroundPermissions;
static std::vector<std::u16string> findQueries;
static std::function<void(int)> findHook;
static std::vector<HostMessageBox> boxes;
static int screenWidth = 240;
static int screenHeight = 320;
static bool paintSuppressed;
static bool creationFails;
static bool quitting;

static bool IsLive(HWND window)
{
    for (HostWindow* w : windows) {
        if (w == window)
            return w->info.exists;
    }
    return false;
}

HWND HostAddForeignWindow(const std::u16string& className, const std::u16string& title)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostWindow* window = new HostWindow();
    window->info.exists = true;
    window->info.className = className;
    window->info.title = title;
    window->foreign = true;
    windows.push_back(window);
    return window;
}

void HostRefusePosts(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    window->refusesPosts = true;
}

std::vector<HostMessage> HostPostedMessages()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return posted;
}

std::vector<std::u16string> HostFindWindowQueries()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return findQueries;
}

std::vector<HWND> HostForegroundCalls()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return foregrounds;
}

std::vector<HWND> HostForegroundPermissions()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return foregroundPermissions;
}

std::vector<HostMessageBox> HostMessageBoxes()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return boxes;
}

void HostSetScreenSize(int width, int height)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    screenWidth = width;
    screenHeight = height;
}

void HostSuppressPaint(bool suppress)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    paintSuppressed = suppress;
}

void HostFailWindowCreation(bool fail)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    creationFails = fail;
}

void HostInvalidate(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    if (IsLive(window)) {
        window->needsPaint = true;
        queueChanged.notify_all();
    }
}

HostWindowInfo HostGetWindowInfo(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    for (HostWindow* w : windows) {
        if (w == window)
            return w->info;
    }
    return HostWindowInfo();
}

static HWND FindOwn(const std::u16string& className)
{
    for (HostWindow* w : windows) {
        if (!w->foreign && w->info.exists && HostFold(w->info.className) == HostFold(className))
            return w;
    }
    return NULL;
}

HWND HostFindOwnWindow(const std::u16string& className, int waitMilliseconds)
{
    std::unique_lock<std::recursive_mutex> lock(HostLock());
    HWND found = NULL;
    queueChanged.wait_for(lock, std::chrono::milliseconds(waitMilliseconds),
                          [&]() { return (found = FindOwn(className)) != NULL; });
    return found;
}

bool HostWaitWindowGone(HWND window, int waitMilliseconds)
{
    std::unique_lock<std::recursive_mutex> lock(HostLock());
    return queueChanged.wait_for(lock, std::chrono::milliseconds(waitMilliseconds),
                                 [&]() { return !IsLive(window); });
}

std::vector<WNDCLASSW> HostRegisteredClasses()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    std::vector<WNDCLASSW> result;
    for (auto& entry : classes)
        result.push_back(entry.second);
    return result;
}

void HostSetFindWindowHook(std::function<void(int looks)> hook)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    findHook = hook;
}

static HWND FindTopLevelWindow(LPCWSTR className, LPCWSTR title)
{
    for (HostWindow* w : windows) {
        if (!w->info.exists || w->info.parent != NULL)
            continue;
        if (className != NULL && HostFold(w->info.className) != HostFold(HostText(className)))
            continue;
        if (title != NULL && w->info.title != HostText(title))
            continue;
        return w;
    }
    return NULL;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR title)
{
    std::function<void(int)> hook;
    HWND found;
    int looks;
    {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        HostLog("FindWindowW");
        findQueries.push_back(HostText(className));
        found = FindTopLevelWindow(className, title);
        looks = (int)findQueries.size();
        hook = findHook;
    }
    if (hook)
        hook(looks);
    return found;
}

BOOL SetForegroundWindow(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("SetForegroundWindow");
    foregrounds.push_back(window);
    return IsLive(window);
}

void AllowForegroundTo(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("AllowForegroundTo");
    foregroundPermissions.push_back(window);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("PostMessageW");
    posted.push_back(HostMessage{window, message, wParam, lParam});
    if (!IsLive(window) || window->refusesPosts)
        return FALSE;
    if (!window->foreign) {
        MSG queued = {window, message, wParam, lParam, 0, {0, 0}};
        queues[window->owner].messages.push_back(queued);
        queueChanged.notify_all();
    }
    return TRUE;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("MessageBoxW");
    boxes.push_back(HostMessageBox{owner, HostText(text), HostText(caption), style});
    return 1;  // IDOK: the box is answered at once
}

WORD RegisterClassW(const WNDCLASSW* windowClass)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("RegisterClassW");
    std::u16string name = HostFold(HostText(windowClass->lpszClassName));
    if (classes.count(name) != 0)
        return 0;
    WNDCLASSW stored = *windowClass;
    std::u16string* keptName = new std::u16string(HostText(windowClass->lpszClassName));
    classNames.push_back(keptName);
    stored.lpszClassName = keptName->c_str();
    stored.lpszMenuName = NULL;
    classes[name] = stored;
    return (WORD)classes.size();
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter)
{
    HostWindow* window;
    {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        HostLog("CreateWindowExW");
        auto found = classes.find(HostFold(HostText(className)));
        if (creationFails || found == classes.end())
            return NULL;
        window = new HostWindow();
        window->info = HostWindowInfo{true, HostText(className), HostText(title), style, exStyle,
                                      x, y, width, height, parent, menu, instance, parameter, 0};
        window->foreign = false;
        window->needsPaint = (style & WS_VISIBLE) != 0;
        window->procedure = found->second.lpfnWndProc;
        window->owner = std::this_thread::get_id();
        windows.push_back(window);
        queueChanged.notify_all();
    }
    window->procedure(window, WM_CREATE, 0, 0);
    return window;
}

BOOL DestroyWindow(HWND window)
{
    WNDPROC procedure;
    {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        HostLog("DestroyWindow");
        if (!IsLive(window) || window->foreign)
            return FALSE;
        procedure = window->procedure;
    }
    procedure(window, WM_DESTROY, 0, 0);
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    window->info.exists = false;
    window->needsPaint = false;
    queueChanged.notify_all();
    return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM, LPARAM)
{
    HostLog("DefWindowProcW");
    if (message == WM_CLOSE) {
        DestroyWindow(window);
    } else if (message == WM_PAINT) {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        if (IsLive(window))
            window->needsPaint = false;
    }
    return 0;
}

static HostWindow* WindowNeedingPaint(std::thread::id thread)
{
    if (paintSuppressed)
        return NULL;
    for (HostWindow* w : windows) {
        if (!w->foreign && w->info.exists && w->needsPaint && w->owner == thread)
            return w;
    }
    return NULL;
}

BOOL GetMessageW(MSG* message, HWND, UINT, UINT)
{
    std::unique_lock<std::recursive_mutex> lock(HostLock());
    HostLog("GetMessageW");
    std::thread::id self = std::this_thread::get_id();
    for (;;) {
        Queue& queue = queues[self];
        if (quitting) {
            *message = MSG{NULL, WM_QUIT, 0, 0, 0, {0, 0}};
        } else if (!queue.messages.empty()) {
            *message = queue.messages.front();
            queue.messages.pop_front();
        } else if (HostWindow* window = WindowNeedingPaint(self)) {
            // As on Windows: WM_PAINT comes when the queue is empty and a window is invalid.
            *message = MSG{window, WM_PAINT, 0, 0, 0, {0, 0}};
        } else {
            queueChanged.wait(lock);
            continue;
        }
        return message->message != WM_QUIT;
    }
}

BOOL TranslateMessage(const MSG*)
{
    HostLog("TranslateMessage");
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* message)
{
    WNDPROC procedure;
    {
        std::lock_guard<std::recursive_mutex> guard(HostLock());
        HostLog("DispatchMessageW");
        if (!IsLive(message->hwnd))
            return 0;
        procedure = message->hwnd->procedure;
    }
    return procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

int GetSystemMetrics(int index)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("GetSystemMetrics");
    if (index == SM_CXSCREEN)
        return screenWidth;
    if (index == SM_CYSCREEN)
        return screenHeight;
    return 0;
}

// Paint bookkeeping for gdi.cpp.
void HostWindowPainted(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    if (IsLive(window)) {
        window->needsPaint = false;
        window->info.paints++;
        queueChanged.notify_all();
    }
}

void HostQuitAllThreads()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    quitting = true;
    queueChanged.notify_all();
}

void HostResetWindows()
{
    for (HostWindow* window : windows)
        delete window;
    windows.clear();
    classes.clear();
    for (std::u16string* name : classNames)
        delete name;
    classNames.clear();
    queues.clear();
    posted.clear();
    foregrounds.clear();
    foregroundPermissions.clear();
    findQueries.clear();
    findHook = nullptr;
    boxes.clear();
    screenWidth = 240;
    screenHeight = 320;
    paintSuppressed = false;
    creationFails = false;
    quitting = false;
}
