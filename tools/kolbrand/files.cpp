#include "tools/kolbrand/files.h"

#include "tools/kolbrand/plan.h"
#include "tools/kolbrand/text.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>

// ---- Text and the console -------------------------------------------------------------

// kolbrand's own conversions, not the system's: they keep an unpaired surrogate, which a
// file name may hold, where the system's make it U+FFFD.
std::string Utf8(const std::wstring& wide)
{
    return Utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}

static std::wstring Wide(const std::string& text)
{
    std::u16string units = Utf16FromUtf8(text);
    return std::wstring(units.begin(), units.end());
}

// A console shows wide text in its own code page; UTF-8 bytes would come out garbled. A
// file or a pipe gets Windows' line ends, as the C library's text mode writes them.
static void WriteTo(DWORD stream, const std::string& text)
{
    HANDLE handle = GetStdHandle(stream);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        std::wstring wide = Wide(text);
        WriteConsoleW(handle, wide.data(), (DWORD)wide.size(), &written, NULL);
        return;
    }
    std::string lines;
    for (char c : text)
        lines += c == '\n' ? "\r\n" : std::string(1, c);
    WriteFile(handle, lines.data(), (DWORD)lines.size(), &written, NULL);
}

void WriteOutput(const std::string& text)
{
    WriteTo(STD_OUTPUT_HANDLE, text);
}

void WriteError(const std::string& text)
{
    WriteTo(STD_ERROR_HANDLE, text);
}

// The system's own words for an error code, after the number.
static std::string SystemError(DWORD code)
{
    if (code == 0)
        return "the system gave no reason";
    wchar_t* text = NULL;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  NULL, code, 0, (LPWSTR)&text, 0, NULL);
    std::wstring words(text != NULL ? text : L"", length);
    LocalFree(text);
    while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' || words.back() == L'.'))
        words.pop_back();
    std::string number = "error " + std::to_string(code);
    return words.empty() ? number : number + ": " + Utf8(words);
}

// ---- Reading --------------------------------------------------------------------------

// Past this, no launcher or input file is one that kolbrand could write, and no output it
// writes is too large to be read back.
static const LONGLONG LargestInput = (LONGLONG)LargestOutput;

static bool IsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ReadWholeFile(const std::string& path, std::string* data, std::string* error)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        // The system refuses to open a folder as a file with "access denied".
        *error = path + (IsFolder(path) ? ": is a folder, not a file"
                                        : ": cannot be opened (" + SystemError(code) + ")");
        return 0;
    }
    LARGE_INTEGER size;
    DWORD read = 0;
    bool sized = GetFileSizeEx(file, &size) && size.QuadPart <= LargestInput;
    if (sized)
        data->assign((size_t)size.QuadPart, '\0');
    bool ok = sized && (size.QuadPart == 0
                        || (ReadFile(file, &(*data)[0], (DWORD)size.QuadPart, &read, NULL)
                            && read == (DWORD)size.QuadPart));
    CloseHandle(file);
    if (!sized)
        *error = path + ": is larger than " + std::to_string(LargestInput >> 20) + " MB";
    else if (!ok)
        *error = path + ": cannot be read";
    return ok;
}

// The longest path that the system gives a module, in characters.
static const size_t LongestModulePath = 32768;

std::string BesideSelf(const wchar_t* name)
{
    // A path that fills the buffer may have been cut: the buffer grows until one doesn't.
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(NULL, &path[0], (DWORD)path.size())) == path.size() &&
           path.size() < LongestModulePath)
        path.resize(path.size() * 2);
    if (length == 0 || length == path.size())
        return "";
    path.resize(length);
    return Utf8(path.substr(0, path.find_last_of(L"\\/") + 1) + name);
}

std::wstring FullPathOf(const std::string& path)
{
    std::wstring wide = Wide(path);
    wchar_t full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH * 4, full, NULL);
    return length == 0 || length >= MAX_PATH * 4 ? wide : std::wstring(full, length);
}

std::wstring SystemFolderFor(unsigned machine)
{
    wchar_t folder[MAX_PATH];
    UINT length = machine == IMAGE_FILE_MACHINE_I386 && sizeof(void*) == 8
                      ? GetSystemWow64DirectoryW(folder, MAX_PATH)
                      : GetSystemDirectoryW(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : L"";
}

// Ports are in network byte order in the tables.
static unsigned HostPort(DWORD networkPort)
{
    return (networkPort & 0xFF) << 8 | (networkPort >> 8 & 0xFF);
}

// One of the system's tables of connections, read into buffer; null when it can't be.
template <typename Table>
static const Table* ReadTable(ULONG(WINAPI* read)(Table*, PULONG, BOOL), std::string* buffer)
{
    ULONG size = 0;
    read(NULL, &size, FALSE);
    buffer->assign(size, '\0');
    if (size == 0 || read((Table*)&(*buffer)[0], &size, FALSE) != NO_ERROR)
        return nullptr;
    return (const Table*)buffer->data();
}

// Addresses are in network byte order in the tables, as in a ListeningSocket.
static void AddListeningOnIpv4(std::vector<ListeningSocket>* sockets)
{
    std::string buffer;
    const MIB_TCPTABLE* table = ReadTable(GetTcpTable, &buffer);
    for (DWORD i = 0; table != nullptr && i < table->dwNumEntries; i++) {
        const MIB_TCPROW& row = table->table[i];
        if (row.dwState != MIB_TCP_STATE_LISTEN)
            continue;
        ListeningSocket socket{{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF},
                               HostPort(row.dwLocalPort)};
        memcpy(&socket.address[12], &row.dwLocalAddr, 4);
        sockets->push_back(socket);
    }
}

static void AddListeningOnIpv6(std::vector<ListeningSocket>* sockets)
{
    std::string buffer;
    const MIB_TCP6TABLE* table = ReadTable(GetTcp6Table, &buffer);
    for (DWORD i = 0; table != nullptr && i < table->dwNumEntries; i++) {
        const MIB_TCP6ROW& row = table->table[i];
        if (row.State != MIB_TCP_STATE_LISTEN)
            continue;
        ListeningSocket socket{{}, HostPort(row.dwLocalPort)};
        memcpy(socket.address.data(), row.LocalAddr.u.Byte, 16);
        sockets->push_back(socket);
    }
}

std::vector<ListeningSocket> ListeningSockets(void)
{
    std::vector<ListeningSocket> sockets;
    AddListeningOnIpv4(&sockets);
    AddListeningOnIpv6(&sockets);
    return sockets;
}

bool IsNamedEventHeld(const wchar_t* name)
{
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name);
    if (event == NULL)
        return GetLastError() == ERROR_ACCESS_DENIED;  // held by a more privileged process
    CloseHandle(event);
    return true;
}

// The thread's preferred UI languages merged with the user's and the system's and their
// fallbacks: the list that Windows documents as its resource loader's. kolbrand sets no
// thread or process languages, nor does the launcher, so its list is the launcher's.
static std::vector<unsigned> ThreadPreferredUiLanguages(void)
{
    const DWORD flags = MUI_LANGUAGE_ID | MUI_MERGE_USER_FALLBACK | MUI_MERGE_SYSTEM_FALLBACK;
    ULONG count = 0;
    ULONG length = 0;
    std::vector<unsigned> languages;
    if (!GetThreadPreferredUILanguages(flags, &count, NULL, &length) || length == 0)
        return languages;
    // One more NUL, so that the list ends even if the system's doesn't.
    std::wstring list(length + 1, L'\0');
    if (!GetThreadPreferredUILanguages(flags, &count, &list[0], &length))
        return languages;
    for (const wchar_t* id = list.c_str(); *id != 0; id += wcslen(id) + 1)
        languages.push_back((unsigned)wcstoul(id, NULL, 16));
    return languages;
}

LanguagePreference LanguagesOfThisMachine(void)
{
    LanguagePreference preference;
    preference.thread = ThreadPreferredUiLanguages();
    preference.user = GetUserDefaultUILanguage();
    preference.system = GetSystemDefaultUILanguage();
    return preference;
}

int ReadLauncherFile(const std::string& path, std::string* file, ExecutableImage* image,
                     std::vector<ImageResource>* resources, std::string* error)
{
    return ReadWholeFile(path, file, error)
           && ReadLauncherImage(path, *file, LanguagesOfThisMachine(), image, resources, error);
}

HMODULE LoadResourcesOf(const std::wstring& path, std::string* problem)
{
    HMODULE module = LoadLibraryExW(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (module != NULL)
        return module;
    DWORD code = GetLastError();
    // The system loads no file by a path of MAX_PATH characters or more; a short name of
    // it may do.
    wchar_t shortPath[MAX_PATH];
    DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        module = LoadLibraryExW(shortPath, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (module == NULL && path.size() >= MAX_PATH)
        *problem = "its path has " + std::to_string(path.size()) + " characters, and the system "
                   "loads a file for its resources only by a path shorter than " +
                   std::to_string(MAX_PATH) + " (a short name of it would do, but there is none)";
    else if (module == NULL)
        *problem = SystemError(code);
    return module;
}

// The launcher's own comparison (platform/win32/files.cpp); the OS layer's header isn't
// included here, as it renames the API that this file calls directly.
int IsSameFile(LPCWSTR path, LPCWSTR otherPath);

bool IsSameFilePath(const std::string& a, const std::string& b)
{
    return IsSameFile(Wide(a).c_str(), Wide(b).c_str()) != 0;
}

// ---- Writing a branded copy -----------------------------------------------------------

// Ctrl+C, Ctrl+Break or a closed console stop the writing after the step in hand; the
// temporary file is removed, and the process ends as the system's own handler would end it.
static volatile LONG interrupted = 0;
static HANDLE writingStopped = NULL;  // set once no temporary file is left

static BOOL WINAPI StopWriting(DWORD)
{
    InterlockedExchange(&interrupted, 1);
    // For a closed console the process ends as soon as a handler returns.
    WaitForSingleObject(writingStopped, INFINITE);
    ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

// "#n" names a numbered resource, as the system reads it.
static LPCWSTR NamePointer(const std::wstring& name)
{
    if (name.size() > 1 && name[0] == L'#')
        return MAKEINTRESOURCEW(_wtoi(name.c_str() + 1));
    return name.c_str();
}

// Why the output can't be written or replaced, as far as can be told before trying; "".
static std::string OutputProblem(const std::string& output)
{
    std::string folder = FolderOf(output);
    DWORD folderAttributes = folder.empty() ? FILE_ATTRIBUTE_DIRECTORY
                                            : GetFileAttributesW(Wide(folder).c_str());
    // The system finds no folder where a file's name is followed by a separator.
    std::string named = folder.substr(0, folder.find_last_not_of("\\/") + 1);
    DWORD namedAttributes = GetFileAttributesW(Wide(named).c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES && namedAttributes != INVALID_FILE_ATTRIBUTES
        && !(namedAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return folder + " is a file, not a folder";
    if (folderAttributes == INVALID_FILE_ATTRIBUTES)
        return "the folder " + folder + " does not exist";
    if (FullPathOf(output).compare(0, 4, L"\\\\.\\") == 0)
        return "is a device, not a file";
    DWORD attributes = GetFileAttributesW(Wide(output).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "is a folder";
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return "is read-only";
    HANDLE file = CreateFileW(Wide(output).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
        return "is in use: a program runs from it or holds it open; end that program first";
    return "";
}

// The bytes free on the output's disk, or the most there are when that can't be told.
static uint64_t FreeSpaceFor(const std::string& output)
{
    ULARGE_INTEGER free;
    std::wstring folder = Wide(FolderOf(output).empty() ? "." : FolderOf(output));
    return GetDiskFreeSpaceExW(folder.c_str(), &free, NULL, NULL) ? free.QuadPart : UINT64_MAX;
}

// A write of size bytes beside the output failed: the system may give no reason, as for a
// full disk.
static std::string WriteFailure(DWORD code, const std::string& output, uint64_t size)
{
    if (code != 0)
        return SystemError(code);
    uint64_t free = FreeSpaceFor(output);
    if (free < size)
        return "the disk is full: it has " + std::to_string(free >> 20) + " MB free, and the "
               "output takes about " + std::to_string((size >> 20) + 1) + " MB";
    return "the system gave no reason";
}

// Writes data at offset at of the file at path: with CREATE_ALWAYS a new file of plain
// attributes, as a copy of a read-only source must not be read-only.
static int WriteAt(const std::wstring& path, DWORD disposition, uint64_t at,
                   const std::string& data, const std::string& output, std::string* error)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, disposition,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    LARGE_INTEGER offset;
    offset.QuadPart = (LONGLONG)at;
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE && SetFilePointerEx(file, offset, NULL, FILE_BEGIN)
              && WriteFile(file, data.data(), (DWORD)data.size(), &written, NULL)
              && written == data.size();
    DWORD code = GetLastError();
    if (file != INVALID_HANDLE_VALUE)
        ok = CloseHandle(file) && ok;
    if (!ok)
        *error = output + ": cannot be written (" + WriteFailure(code, output, data.size()) + ")";
    return ok;
}

// Every resource is written anew: an update that only deletes some of them is not
// carried out under Wine, which reads the existing ones back when it ends.
static int UpdateResources(const std::wstring& file, const std::vector<ImageResource>& resources,
                           uint64_t size, const std::string& output, std::string* error)
{
    HANDLE update = BeginUpdateResourceW(file.c_str(), TRUE);
    bool ok = update != NULL;
    for (size_t i = 0; ok && i < resources.size(); i++) {
        const ImageResource& resource = resources[i];
        std::wstring type = Wide(resource.type);
        std::wstring name = Wide(resource.name);
        ok = UpdateResourceW(update, NamePointer(type), NamePointer(name),
                             (WORD)resource.language, (void*)resource.data.data(),
                             (DWORD)resource.data.size());
    }
    DWORD code = GetLastError();
    if (update != NULL && !EndUpdateResourceW(update, !ok) && ok) {
        ok = false;
        code = GetLastError();
    }
    if (!ok)
        *error = output + ": updating the resources failed (" + WriteFailure(code, output, size) +
                 ")";
    return ok;
}

// The copy read back as it will be run: it must hold what was meant, nothing more or less.
// Its checksum is then made its own: the system's resource update leaves the source's.
static int FinishWritten(const std::wstring& file, const std::vector<ImageResource>& resources,
                         const VersionInfo& version, const std::string& output,
                         std::string* error)
{
    std::string bytes;
    ExecutableImage image;
    std::vector<ImageResource> written;
    std::string problem;
    if (!ReadWholeFile(Utf8(file), &bytes, &problem)) {
        *error = output + ": the written copy can't be read back";
        return 0;
    }
    if (ReadExecutable(bytes, &image, &problem)
        && ReadResources(bytes, image, LanguagesOfThisMachine(), &written, &problem))
        problem = CompareWritten(resources, version, written);
    if (!problem.empty()) {
        *error = output + ": the system's resource update went wrong: " + problem;
        return 0;
    }
    uint32_t checksum = ImageChecksum(bytes, image.checksumAt);
    std::string field = {(char)checksum, (char)(checksum >> 8), (char)(checksum >> 16),
                         (char)(checksum >> 24)};
    return WriteAt(file, OPEN_EXISTING, image.checksumAt, field, output, error);
}

static int Interrupted(const std::string& output, std::string* error)
{
    if (interrupted)
        *error = output + ": interrupted; not written";
    return interrupted;
}

// The temporary file beside the output, renamed into place at the end; an interruption
// is heeded between the steps.
static int WriteThroughTemporary(const std::string& sourceFile, const std::string& output,
                                 const std::vector<ImageResource>& resources,
                                 const VersionInfo& version, std::string* error)
{
    std::wstring target = Wide(output);
    std::wstring temporary = Wide(TemporaryPathFor(output, GetCurrentProcessId()));
    writingStopped = CreateEventW(NULL, TRUE, FALSE, NULL);
    SetConsoleCtrlHandler(StopWriting, TRUE);
    int written = WriteAt(temporary, CREATE_ALWAYS, 0, sourceFile, output, error)
                  && !Interrupted(output, error)
                  && UpdateResources(temporary, resources,
                                     WrittenSizeBound(sourceFile.size(), resources), output, error)
                  && !Interrupted(output, error)
                  && FinishWritten(temporary, resources, version, output, error)
                  && !Interrupted(output, error);
    if (written && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        std::string problem = OutputProblem(output);
        *error = output + ": " + (problem.empty() ? "cannot be replaced (" +
                                                        SystemError(GetLastError()) + ")"
                                                  : problem);
        written = 0;
    }
    if (!written)
        DeleteFileW(temporary.c_str());
    SetEvent(writingStopped);
    return written;
}

int WriteBranded(const std::string& sourceFile, const std::string& output,
                 const std::vector<ImageResource>& resources, const VersionInfo& version,
                 std::string* error)
{
    std::string problem = OutputProblem(output);
    if (!problem.empty()) {
        *error = output + ": " + problem;
        return 0;
    }
    return WriteThroughTemporary(sourceFile, output, resources, version, error);
}
