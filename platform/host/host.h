// Test control of the host stand-in: tests set up the state that the launcher's calls
// into the OS layer meet, inject the failures that a real system rarely gives, and
// inspect what the launcher did. Everything here is for tests; product code never
// includes this header.
#ifndef KOL_PLATFORM_HOST_HOST_H
#define KOL_PLATFORM_HOST_HOST_H

#include "platform/platform.h"

#include <functional>
#include <string>
#include <vector>

// Clears every piece of state below, ends the threads that the launcher started (after
// posting WM_QUIT to their queues) and frees what the stand-in allocated.
void HostReset();

// Every call into the stand-in, in order, by API name ("MessageBoxW", "CreateThread"...).
std::vector<std::string> HostCallLog();
bool HostCalled(const std::string& name);

// Calls that misuse the API, such as one on a key handle that was never given out, since
// the last take; HostReset keeps them. HostTest fails a test that leaves any.
std::vector<std::string> HostTakeMisuses();

// Conversions for tests: UTF-16 <-> UTF-8.
std::u16string HostWide(const std::string& utf8);
std::string HostNarrow(const std::u16string& wide);

// --- Heap --------------------------------------------------------------------------
// The nth product allocation from now (1: the next one) returns null; 0 disables.
void HostFailAllocation(int nth);
// Product allocations not freed yet.
int HostLiveAllocations();
// Frees them all: for fuzz targets that run code keeping process-lifetime data, over and
// over. Only safe while no product state refers to them.
void HostFreeProductAllocations();

// --- Registry ----------------------------------------------------------------------
// Key paths are relative to a root, separated by backslashes and matched regardless of
// case. The default value has the empty name. As on desktop, HKEY_CLASSES_ROOT is the
// merged view of HKEY_CURRENT_USER\Software\Classes and HKEY_LOCAL_MACHINE\Software\Classes:
// a key of the user's classes where it exists, else the machine's (where a new one goes),
// for the functions below as for the launcher's calls; and a handle allows only the access
// it was opened or created with (KEY_QUERY_VALUE to read a value, KEY_SET_VALUE to set one).
struct HostRegValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};
enum HostRegOperation { HostRegCreate, HostRegOpen, HostRegQuery, HostRegSet };
struct HostRegCall {
    HostRegOperation operation;
    HKEY root;
    std::u16string path;
    std::u16string valueName;
    REGSAM access;
    LONG result;
};
void HostRegSetValue(HKEY root, const std::u16string& path, const std::u16string& name,
                     DWORD type, const void* data, size_t size);
// REG_SZ with its terminating NUL, (length + 1) * 2 bytes.
void HostRegSetString(HKEY root, const std::u16string& path, const std::u16string& name,
                      const std::u16string& text);
void HostRegSetDword(HKEY root, const std::u16string& path, const std::u16string& name,
                     DWORD value);
bool HostRegGetValue(HKEY root, const std::u16string& path, const std::u16string& name,
                     HostRegValue* value);
// The value as text, up to its first NUL; empty when absent.
std::u16string HostRegGetString(HKEY root, const std::u16string& path,
                                const std::u16string& name);
bool HostRegKeyExists(HKEY root, const std::u16string& path);
// From now on the machine's keys refuse every access beyond reading, as to a standard
// user; by default everything is allowed, as to an elevated administrator (and by Wine).
void HostRegStandardUser(bool standard);
// Every call of the operation on that key fails with the error from now on; a key of the
// classes root fails both as asked for and as the key that stores it.
void HostRegFail(HKEY root, const std::u16string& path, HostRegOperation operation,
                 LONG error = ERROR_ACCESS_DENIED);
std::vector<HostRegCall> HostRegCalls();
// Keys opened or created and not yet closed.
int HostRegOpenHandles();
// The event of each SHChangeNotify call, in order.
std::vector<LONG> HostShellNotifications();

// --- Modules, resources and libraries ------------------------------------------------
// The program's own module, as GetModuleHandleW(NULL) returns it.
HMODULE HostMainModule();
void HostSetModulePath(const std::u16string& path);
// GetModuleFileNameW then fails (returns 0).
void HostFailModulePath();
// GetModuleHandleW(NULL) then returns null.
void HostFailModuleHandle();
void HostAddResource(HMODULE module, const std::u16string& name, const std::u16string& type,
                     const std::string& bytes);
// FindResourceW finds it, LoadResource returns null.
void HostFailResourceLoad(HMODULE module, const std::u16string& name,
                          const std::u16string& type);
typedef int (*HostKolMain)(HINSTANCE, HINSTANCE, WCHAR*, int, HMODULE, HMODULE);
// A library that LoadLibraryW finds by exactly this name or path (any case); kolMain
// null makes a library without the entry routine.
HMODULE HostAddLibrary(const std::u16string& nameOrPath, HostKolMain kolMain);
std::vector<std::u16string> HostLoadLibraryCalls();
std::vector<HMODULE> HostFreeLibraryCalls();

// --- Files ---------------------------------------------------------------------------
void HostAddFile(const std::u16string& path, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
void HostAddDirectory(const std::u16string& path);
// Another name for an existing file, as a hard link or a short name gives one on desktop.
void HostLinkFile(const std::u16string& path, const std::u16string& existing);
// Paths given to GetFileAttributesW, in order.
std::vector<std::u16string> HostFileQueries();

// --- Processes -------------------------------------------------------------------------
struct HostProcessCall {
    std::u16string application;
    bool hasCommandLine;
    std::u16string commandLine;
    bool nullSecurity;
    BOOL inheritHandles;
    DWORD creationFlags;
    bool nullEnvironment;
    bool nullCurrentDirectory;
    bool nullStartupInfo;
};
// What the next CreateProcessW calls do: fail, or make a process with this exit code
// (whose GetExitCodeProcess can be made to fail).
void HostSetProcessOutcome(bool created, DWORD exitCode, bool exitCodeFails = false);
std::vector<HostProcessCall> HostProcessCalls();

// --- Threads, events, waits -------------------------------------------------------
// Called inside CreateThread before the new thread starts.
void HostSetThreadCreationHook(std::function<void()> hook);
int HostThreadsCreated();
// Finite waits last this fraction of what was asked (1: real time).
void HostSetTimeScale(double scale);
struct HostWaitCall {
    DWORD milliseconds;
    DWORD result;
};
std::vector<HostWaitCall> HostWaitCalls();
int HostEventSetCount(HANDLE event);
int HostEventsCreated();
// Named events are shared by name, as between processes: a test's own CreateEventW with a
// name stands for another process's, and its CloseHandle for that process's end.
bool HostNamedEventExists(const std::u16string& name);
// Creating or opening the event then fails with ERROR_ACCESS_DENIED, as where a more
// privileged process holds it.
void HostRefuseNamedEvent(const std::u16string& name);
// Creating any named event then fails with ERROR_ACCESS_DENIED, held or not, as desktop
// refuses a program of low integrity; it can still tell that one exists.
void HostRefuseCreatingNamedEvents(bool refuse);
// Sleep takes no real time. The test's own thread (the product code it runs directly)
// advances a clock by what it sleeps; threads that CreateThread made sleep until the clock
// has passed the time they slept in all, or HostReset wakes them. The hook sees the clock
// after each of the test thread's Sleeps. GetTickCount reads the clock.
void HostSetSleepHook(std::function<void(DWORD now)> hook);
void HostAdvanceTime(DWORD milliseconds);
DWORD HostNow();

// --- Windows and messages ---------------------------------------------------------
struct HostMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
struct HostWindowInfo {
    bool exists = false;
    std::u16string className;
    std::u16string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = NULL;
    HMENU menu = NULL;
    HINSTANCE instance = NULL;
    LPVOID parameter = NULL;
    int paints = 0;
};
struct HostMessageBox {
    HWND owner;
    std::u16string text;
    std::u16string caption;
    UINT style;
};
// A window of another process, found by FindWindowW; it only records what it receives.
HWND HostAddForeignWindow(const std::u16string& className, const std::u16string& title = u"");
// PostMessageW to the window then fails, as desktop refuses a post to a process of higher
// integrity.
void HostRefusePosts(HWND window);
std::vector<HostMessage> HostPostedMessages();
std::vector<HWND> HostForegroundCalls();
// The windows given to AllowForegroundTo, in order.
std::vector<HWND> HostForegroundPermissions();
// Class names given to FindWindowW, in order, as given.
std::vector<std::u16string> HostFindWindowQueries();
// Called after each FindWindowW has looked, with the number of looks so far: what it
// does then, the caller meets only at its next look.
void HostSetFindWindowHook(std::function<void(int looks)> hook);
std::vector<HostMessageBox> HostMessageBoxes();
void HostSetScreenSize(int width, int height);
// Windows then get no WM_PAINT.
void HostSuppressPaint(bool suppress);
void HostFailWindowCreation(bool fail);
// Marks the window for repainting, as when it is uncovered.
void HostInvalidate(HWND window);
HostWindowInfo HostGetWindowInfo(HWND window);
// A window of this process with the class, waiting up to the time for it; null if none.
HWND HostFindOwnWindow(const std::u16string& className, int waitMilliseconds = 0);
// Waits until the window is destroyed; false on timeout.
bool HostWaitWindowGone(HWND window, int waitMilliseconds);
std::vector<WNDCLASSW> HostRegisteredClasses();

// --- Drawing -------------------------------------------------------------------------
struct HostBitmapInfo {
    BITMAPINFOHEADER header;
    std::vector<RGBQUAD> colours;
    std::vector<BYTE> bits;
};
struct HostBlit {
    HDC target;
    int x, y, width, height;
    HBITMAP source;
    int sourceX, sourceY;
    DWORD rop;
};
// CreateDIBSection then fails (null), or succeeds without pixel memory. It also fails for
// pixel memory over 64 MB, as a device would.
void HostFailDibSection(bool fail);
void HostDibWithoutBits(bool withoutBits);
void HostFailCreateDc(bool fail);
HostBitmapInfo HostGetBitmap(HBITMAP bitmap);
// Releases a DIB section, as DeleteObject would: for benchmarks that make many.
void HostDeleteBitmap(HBITMAP bitmap);
std::vector<HostBlit> HostBlits();
// Device contexts created and not deleted (paint DCs excluded).
int HostLiveDcs();
std::vector<std::u16string> HostCreateDcDrivers();

// --- Sockets ---------------------------------------------------------------------------
struct HostSocketCalls {
    int startups = 0;
    WORD startupVersion = 0;
    int cleanups = 0;
    int socketsCreated = 0;
    int socketsClosed = 0;
    std::vector<std::vector<BYTE>> sends;
    std::vector<int> sendFlags;
    std::vector<std::vector<BYTE>> options;  // setsockopt values
    std::vector<int> optionLevels;
    std::vector<int> optionNames;
    int connects = 0;
    WORD connectPort = 0;  // host byte order
    uint32_t connectAddress = 0;  // as stored in the record
};
void HostFailWsaStartup(bool fail);
void HostFailSocket(bool fail);
// The nth send from now fails (1: the next one); 0 disables.
void HostFailSend(int nth);
// A refused connect then takes this long on the clock: desktop Windows retries the SYN
// after each reset, for about 2 s on loopback.
void HostSetRefusedConnectTime(DWORD milliseconds);
HostSocketCalls HostSockets();

#endif
