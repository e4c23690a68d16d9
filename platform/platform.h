// The one header through which the launcher reaches the operating system.
//
// Product code is written for Windows CE: the names, types and argument
// conventions below are Windows CE's. Three builds see three bodies:
//   UNDER_CE  the device itself; the real API, nothing bridged.
//   _WIN32    desktop Windows (and Wine); each difference from Windows CE is
//             bridged here, in a few lines with a one-line reason.
//   otherwise the host, where platform/host/ stands in for the API so that
//             the same product code runs under unit tests.
#ifndef KOL_PLATFORM_PLATFORM_H
#define KOL_PLATFORM_PLATFORM_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#if defined(UNDER_CE)

#include <windows.h>
#include <winsock.h>
#include <shlobj.h>

// Windows CE gives a file one name, whose letters match without regard to case.
inline int IsSameFile(LPCWSTR path, LPCWSTR otherPath)
{
    return lstrcmpiW(path, otherPath) == 0;
}

// Windows CE keeps every named kernel object in one namespace, the whole device's.
#define MACHINE_WIDE_OBJECT_NAME(name) TEXT(name)

// Windows CE lets any program bring any window forward.
inline void AllowForegroundTo(HWND)
{
}

// Windows CE refuses no program a named event: only a holder's refusal is ever asked about.
inline int NamedEventExists(LPCWSTR)
{
    return 1;
}

#elif defined(_WIN32)

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#define INCL_WINSOCK_API_TYPEDEFS 1
#include <winsock2.h>
#include <windows.h>

// A 64-bit tool that reads the registry as a 32-bit launcher would (kolbrand --explain)
// sets KEY_WOW64_32KEY here, for HKEY_LOCAL_MACHINE\Software: the classes the launcher
// reads are shared by both views. The launcher itself reads its own view.
#if defined(KOL_TOOL_REGISTRY_VIEW)
extern REGSAM KolToolRegistryView;
#else
const REGSAM KolToolRegistryView = 0;
#endif

// Created keys: desktop's access masks, and a standard user's refusals met
// (platform/win32/registry.cpp).
LONG CeRegCreateKeyExW(HKEY root, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass,
                       DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key,
                       LPDWORD disposition);

// Windows CE has only the wide form; desktop looks exports up by narrow name.
inline FARPROC GetProcAddressW(HMODULE module, LPCWSTR name)
{
    char narrow[64];
    int i = 0;
    for (; name[i] != 0 && i < (int)sizeof(narrow) - 1; i++)
        narrow[i] = (char)name[i];
    narrow[i] = 0;
    return ::GetProcAddress(module, narrow);
}

// EventModify is Windows CE's single entry for SetEvent, PulseEvent and ResetEvent.
#ifndef EVENT_SET
#define EVENT_SET 3
#endif
inline BOOL EventModify(HANDLE event, DWORD function)
{
    return function == EVENT_SET ? ::SetEvent(event) : FALSE;
}

// Top-level windows are bare on Windows CE; desktop adds caption and frame unless popup,
// and a taskbar button and an Alt-Tab entry unless a tool window.
inline HWND CeCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style,
                              int x, int y, int width, int height, HWND parent, HMENU menu,
                              HINSTANCE instance, LPVOID parameter)
{
    if ((style & WS_CHILD) == 0) {
        style |= WS_POPUP;
        exStyle |= WS_EX_TOOLWINDOW;
    }
    return ::CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent,
                             menu, instance, parameter);
}

// Desktop's LoadResource returns a handle that LockResource turns into the data pointer.
inline HGLOBAL CeLoadResource(HMODULE module, HRSRC resource)
{
    return (HGLOBAL)::LockResource(::LoadResource(module, resource));
}

// Windows CE takes a null start-up record and hands the child its arguments alone; desktop
// needs the record, and a desktop child takes the first word of its line as its own name.
BOOL CeCreateProcessW(LPCWSTR application, LPWSTR commandLine,
                      LPSECURITY_ATTRIBUTES processSecurity,
                      LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles,
                      DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                      LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInfo);

// Windows CE looks for a library named without a full path only in the program's folder
// and the Windows folder; desktop would also search the current folder and PATH, where
// anyone may plant a file. The library's own imports are looked for in its own folder
// first, never in the current folder (platform/win32/bridge.cpp). Changes nothing
// process-wide: the runtime's own loads keep desktop's default search.
HMODULE CeLoadLibraryW(LPCWSTR nameOrPath);

// One of Windows' own libraries, from the system folder only.
HMODULE LoadSystemLibrary(LPCWSTR name);

// Desktop lets only the foreground process hand the foreground on: the window's process
// may bring itself forward only once allowed to.
inline void AllowForegroundTo(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    AllowSetForegroundWindow(process);
}

// Desktop refuses creating a named event both where a holder of more rights has it and,
// to a program of low integrity, where nobody has it: 1 when the event is there.
inline int NamedEventExists(LPCWSTR name)
{
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name);
    if (event == NULL)
        return GetLastError() != ERROR_FILE_NOT_FOUND;
    CloseHandle(event);
    return 1;
}

// A desktop file has several names (short names, hard links, "..", "/"): two paths are
// compared by the files they open (platform/win32/files.cpp). 1 when they name one file.
int IsSameFile(LPCWSTR path, LPCWSTR otherPath);

// Explorer caches file associations; the shell library is loaded only when registering,
// not imported: importing it would cost every start its load.
#ifndef SHCNE_ASSOCCHANGED
#define SHCNE_ASSOCCHANGED 0x08000000L
#endif
#ifndef SHCNF_IDLIST
#define SHCNF_IDLIST 0x0000u
#endif
void CeSHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID item2);

// The sockets library is loaded when first used, not imported: loading it at start-up
// costs a desktop process (and Wine) time that only command forwarding needs.
int WSAAPI CeWSAStartup(WORD version, LPWSADATA data);
int WSAAPI CeWSACleanup(void);
SOCKET WSAAPI CeSocket(int family, int type, int protocol);
int WSAAPI CeSetsockopt(SOCKET s, int level, int option, const char* value, int length);
u_short WSAAPI CeHtons(u_short value);
unsigned long WSAAPI CeInetAddr(const char* text);
int WSAAPI CeConnect(SOCKET s, const struct sockaddr* address, int length);
int WSAAPI CeSend(SOCKET s, const char* data, int length, int flags);
int WSAAPI CeClosesocket(SOCKET s);
#define WSAStartup(version, data) CeWSAStartup(version, data)
#define WSACleanup() CeWSACleanup()
#define socket(family, type, protocol) CeSocket(family, type, protocol)
#define setsockopt(s, level, option, value, length) CeSetsockopt(s, level, option, value, length)
#undef htons
#define htons(value) CeHtons(value)
#define inet_addr(text) CeInetAddr(text)
#define connect(s, address, length) CeConnect(s, address, length)
#define send(s, data, length, flags) CeSend(s, data, length, flags)
#define closesocket(s) CeClosesocket(s)

#define RegCreateKeyExW CeRegCreateKeyExW
#define CreateWindowExW CeCreateWindowExW
#define LoadResource CeLoadResource
#define CreateProcessW CeCreateProcessW
#define LoadLibraryW CeLoadLibraryW
#define SHChangeNotify CeSHChangeNotify
// The desktop headers declare a narrow WinMain; desktop enters through KolEntry
// (platform/win32/bridge.cpp), which calls the launcher's wide one under this name.
#define WinMain KolWinMain
int WINAPI KolWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                      int showCommand);

// Desktop gives each session a namespace of its own for named kernel objects; a name
// shared by the whole machine, as every name is on Windows CE, begins with "Global\".
#define MACHINE_WIDE_OBJECT_NAME(name) TEXT("Global\\") TEXT(name)

// Also worth knowing on desktop, and relied on by nothing but tests: RegQueryValueExW
// leaves the buffer undefined when the value is too large (234). (Desktop's own search for
// a bare library name takes the executable's folder, the system folders, the current
// folder and then PATH: hence CeLoadLibraryW.)

#else  // host stand-in

typedef char16_t WCHAR;
#define TEXT(text) u##text

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef uint32_t ULONG;
typedef uint32_t REGSAM;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef void* PVOID;
typedef DWORD* LPDWORD;
typedef BYTE* LPBYTE;

#define WINAPI
#define CALLBACK
#define APIENTRY
#define TRUE 1
#define FALSE 0

typedef void* HANDLE;
typedef void* HGLOBAL;
typedef void* HGDIOBJ;
typedef struct HostModule* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HostKey* HKEY;
typedef HKEY* PHKEY;
typedef struct HostResource* HRSRC;
typedef struct HostWindow* HWND;
typedef struct HostDc* HDC;
typedef struct HostBitmap* HBITMAP;
typedef struct HostBrush* HBRUSH;
typedef struct HostIcon* HICON;
typedef HICON HCURSOR;
typedef struct HostMenu* HMENU;
typedef intptr_t (*FARPROC)();
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID);
typedef uintptr_t SOCKET;

#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_MORE_DATA 234L
#define ERROR_ALREADY_EXISTS 183L
// One namespace for named objects, as on the device.
#define MACHINE_WIDE_OBJECT_NAME(name) TEXT(name)
#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define REG_NONE 0
#define REG_SZ 1
#define REG_BINARY 3
#define REG_DWORD 4

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define EVENT_SET 3
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_ATTRIBUTE_READONLY 0x01u
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_ARCHIVE 0x20u
#define FILE_ATTRIBUTE_NORMAL 0x80u

#define MB_OK 0u
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define WHITE_BRUSH 0
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define SRCCOPY 0x00CC0020u
#define DIB_RGB_COLORS 0u
#define BI_RGB 0u

#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_CAPTION 0x00C00000u
#define CW_USEDEFAULT ((int)0x80000000)

#define WM_NULL 0x0000u
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_CLOSE 0x0010u
#define WM_PAINT 0x000Fu
#define WM_QUIT 0x0012u
#define WM_COMMAND 0x0111u
#define WM_USER 0x0400u

#define AF_INET 2
#define SOCK_STREAM 1
#define SOL_SOCKET 0xFFFF
#define SO_LINGER 0x0080
#define INVALID_SOCKET ((SOCKET)(~(uintptr_t)0))
#define SOCKET_ERROR (-1)
#define MAKEWORD(low, high) ((WORD)(((BYTE)(low)) | ((WORD)((BYTE)(high))) << 8))

typedef struct {
    LONG left, top, right, bottom;
} RECT;

typedef struct {
    LONG x, y;
} POINT;

typedef struct {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;

typedef struct {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
} WNDCLASSW;

typedef struct {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT;

#pragma pack(push, 2)
typedef struct {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;
#pragma pack(pop)

typedef struct {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
} RGBQUAD;

typedef struct {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;

typedef struct {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct {
    DWORD cb;
} STARTUPINFOW, *LPSTARTUPINFOW;

typedef struct {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

typedef struct {
    void* impl;  // the host's mutex, made by InitializeCriticalSection
} CRITICAL_SECTION;

typedef struct {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
} WSADATA;

struct in_addr {
    uint32_t s_addr;
};

struct sockaddr {
    WORD sa_family;
    char sa_data[14];
};

struct sockaddr_in {
    short sin_family;
    WORD sin_port;
    struct in_addr sin_addr;
    char sin_zero[8];
};

struct linger {
    WORD l_onoff;
    WORD l_linger;
};

// Modules and resources
HMODULE GetModuleHandleW(LPCWSTR name);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
HMODULE LoadLibraryW(LPCWSTR name);
FARPROC GetProcAddressW(HMODULE module, LPCWSTR name);
BOOL FreeLibrary(HMODULE module);

// Registry
LONG RegCreateKeyExW(HKEY root, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass,
                     DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key,
                     LPDWORD disposition);
LONG RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY key);
LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD size);
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
LONG RegCloseKey(HKEY key);

// Files and processes
DWORD GetFileAttributesW(LPCWSTR path);
// Desktop's comparison of the files that two paths name; a file may be given several
// names (HostLinkFile).
int IsSameFile(LPCWSTR path, LPCWSTR otherPath);
BOOL CreateProcessW(LPCWSTR application, LPWSTR commandLine,
                    LPSECURITY_ATTRIBUTES processSecurity, LPSECURITY_ATTRIBUTES threadSecurity,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInfo);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// Threads and synchronisation
HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, DWORD stackSize,
                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId);
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                    LPCWSTR name);
BOOL CloseHandle(HANDLE object);
DWORD GetLastError(void);
void SetLastError(DWORD error);
void Sleep(DWORD milliseconds);
DWORD GetTickCount(void);
// Whether a named event exists (desktop's OpenEventW, where creating it was refused).
int NamedEventExists(LPCWSTR name);
BOOL EventModify(HANDLE event, DWORD function);
void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
PVOID InterlockedExchangePointer(PVOID volatile* target, PVOID value);
PVOID InterlockedCompareExchangePointer(PVOID volatile* target, PVOID exchange,
                                        PVOID comparand);

// Windows and messages
HWND FindWindowW(LPCWSTR className, LPCWSTR title);
BOOL SetForegroundWindow(HWND window);
// Lets the window's process bring itself forward (desktop's foreground lock).
void AllowForegroundTo(HWND window);
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);
WORD RegisterClassW(const WNDCLASSW* windowClass);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL GetMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageW(const MSG* message);
int GetSystemMetrics(int index);

// Drawing
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const void* initData);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD offset);
BOOL DeleteDC(HDC dc);
HDC CreateCompatibleDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop);
HGDIOBJ GetStockObject(int index);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

// Shell
#define SHCNE_ASSOCCHANGED 0x08000000L
#define SHCNF_IDLIST 0x0000u
void SHChangeNotify(LONG eventId, UINT flags, const void* item1, const void* item2);

// Sockets
int WSAStartup(WORD version, WSADATA* data);
int WSACleanup(void);
SOCKET socket(int family, int type, int protocol);
int setsockopt(SOCKET s, int level, int option, const char* value, int length);
WORD htons(WORD value);
unsigned long inet_addr(const char* text);
int connect(SOCKET s, const struct sockaddr* address, int length);
int send(SOCKET s, const char* data, int length, int flags);
int closesocket(SOCKET s);

// The run-time heap; in product code the host can make an allocation fail on purpose,
// and counts what isn't freed.
void* HostMalloc(size_t size);
void HostFree(void* block);

// Desktop's bridge for created keys, run over the stand-in so that its fallbacks for a
// standard user are tested: the stand-in can refuse access, Wine never does.
LONG CeRegCreateKeyExW(HKEY root, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass,
                       DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key,
                       LPDWORD disposition);

#if defined(KOL_PRODUCT_CODE)
#define malloc(size) HostMalloc(size)
#define free(block) HostFree(block)
#define RegCreateKeyExW CeRegCreateKeyExW
#endif

// The stand-in has one registry view.
const REGSAM KolToolRegistryView = 0;

#endif

#if !defined(UNDER_CE)
// Desktop refuses value reads on a key opened with access 0, Windows CE's reserved mask.
// (The stand-in enforces access masks as desktop does, so the host takes this bridge too.)
inline LONG CeRegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM, PHKEY key)
{
    REGSAM view = root == HKEY_LOCAL_MACHINE ? KolToolRegistryView : 0;
    return ::RegOpenKeyExW(root, subKey, options, KEY_READ | view, key);
}
#define RegOpenKeyExW CeRegOpenKeyExW
#endif

// The runtime's entry routine, exported as "KolMainW".
typedef int (*KolMainProc)(HINSTANCE instance, HINSTANCE previousInstance,
                           WCHAR* commandLine, int showCommand, HMODULE launcher,
                           HMODULE runtime);

#if defined(_WIN32) && !defined(UNDER_CE) && defined(__i386__)
// A 32-bit desktop runtime may declare KolMainW __cdecl or, as WinMain is, __stdcall, which
// removes its own arguments: this call restores the stack pointer itself, so either works.
extern "C" int CallKolMain(KolMainProc entry, HINSTANCE instance, HINSTANCE previousInstance,
                           WCHAR* commandLine, int showCommand, HMODULE launcher,
                           HMODULE runtime);
#else
inline int CallKolMain(KolMainProc entry, HINSTANCE instance, HINSTANCE previousInstance,
                       WCHAR* commandLine, int showCommand, HMODULE launcher, HMODULE runtime)
{
    return entry(instance, previousInstance, commandLine, showCommand, launcher, runtime);
}
#endif

#if !defined(UNDER_CE)
// Where desktop's load of a library by a name or relative path finds its file, as Windows
// CE would: the launcher's own folder, then the system folder; never the current folder
// or PATH. A full path ("C:\...", "\\server\...") is taken as given; a path from the
// root of a drive ("\...") is taken on the launcher's drive; a drive without a root
// ("C:name") finds nothing, as it depends on that drive's current folder.
typedef enum {
    LibraryNotFound,
    LibraryBesideLauncher,
    LibraryInSystemFolder,
    LibraryAtFullPath,
} LibrarySource;

// Decides, without loading anything, which file a launcher at launcherPath (its full path)
// loads for nameOrPath, with systemFolder as Windows' system folder (for a 32-bit launcher
// on 64-bit Windows, the folder it sees there). Writes the file's full path, every
// separator a reverse solidus, to file, which has room for fileRoom characters with the
// NUL, and says by which rule; a path that
// doesn't fit finds nothing. Only a full path is named without its file existing.
// CeLoadLibraryW loads what this decides; tools call it to explain another launcher.
LibrarySource FindLibraryFile(LPCWSTR launcherPath, LPCWSTR systemFolder, LPCWSTR nameOrPath,
                              WCHAR* file, int fileRoom);
#endif

#endif
