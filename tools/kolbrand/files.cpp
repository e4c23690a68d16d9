#include "tools/kolbrand/files.h"

#include <windows.h>
#include <iphlpapi.h>

// ---- Text and the console -------------------------------------------------------------

std::string Utf8(const std::wstring& wide)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), NULL, 0, NULL,
                                   NULL);
    std::string text((size_t)size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), &text[0], size, NULL, NULL);
    return text;
}

static std::wstring Wide(const std::string& text)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring wide((size_t)size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0], size);
    return wide;
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

// Past this, no launcher or input file is one that kolbrand could write.
static const LONGLONG LargestInput = (LONGLONG)LargestResourceTotal;

int ReadWholeFile(const std::string& path, std::string* data, std::string* error)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = path + ": cannot be opened (" + SystemError(GetLastError()) + ")";
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

std::string BesideSelf(const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? L"" : folder.substr(0, slash + 1);
    return Utf8(folder + name);
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

bool IsListeningOnLoopback(unsigned port)
{
    ULONG size = 0;
    GetTcpTable(NULL, &size, FALSE);
    std::string buffer(size, '\0');
    MIB_TCPTABLE* table = (MIB_TCPTABLE*)&buffer[0];
    if (size == 0 || GetTcpTable(table, &size, FALSE) != NO_ERROR)
        return false;
    // Addresses and ports are in network byte order: 127.0.0.1 reads 0x0100007F here.
    for (DWORD i = 0; i < table->dwNumEntries; i++) {
        const MIB_TCPROW& row = table->table[i];
        bool loopback = row.dwLocalAddr == 0x0100007F || row.dwLocalAddr == 0;
        unsigned localPort = (row.dwLocalPort & 0xFF) << 8 | (row.dwLocalPort >> 8 & 0xFF);
        if (row.dwState == MIB_TCP_STATE_LISTEN && loopback && localPort == port)
            return true;
    }
    return false;
}

int ReadLauncherFile(const std::string& path, std::string* file,
                     std::vector<ImageResource>* resources, std::string* error)
{
    return ReadWholeFile(path, file, error) && ReadLauncherImage(path, *file, resources, error);
}

// ---- Writing a branded copy -----------------------------------------------------------

// "#n" names a numbered resource, as the system reads it.
static LPCWSTR NamePointer(const std::wstring& name)
{
    if (name.size() > 1 && name[0] == L'#')
        return MAKEINTRESOURCEW(_wtoi(name.c_str() + 1));
    return name.c_str();
}

// The folder part of a path, "" for a name alone.
static std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

static int CheckOutputFolder(const std::string& output, std::string* error)
{
    std::string folder = FolderOf(output);
    DWORD attributes = folder.empty() ? FILE_ATTRIBUTE_DIRECTORY
                                      : GetFileAttributesW(Wide(folder).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 1;
    *error = output + ": the folder " + folder + " does not exist";
    return 0;
}

// A new file of plain attributes: a copy of a read-only source must not be read-only.
static int WriteNewFile(const std::wstring& path, const std::string& data,
                        const std::string& output, std::string* error)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE
              && WriteFile(file, data.data(), (DWORD)data.size(), &written, NULL)
              && written == data.size();
    DWORD code = GetLastError();
    if (file != INVALID_HANDLE_VALUE)
        ok = CloseHandle(file) && ok;
    if (!ok)
        *error = output + ": cannot write beside it (" + SystemError(code) + ")";
    return ok;
}

// Every resource is written anew: an update that only deletes some of them is not
// carried out under Wine, which reads the existing ones back when it ends.
static int UpdateResources(const std::wstring& file, const std::vector<ImageResource>& resources,
                           const std::string& output, std::string* error)
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
        *error = output + ": updating the resources failed (" + SystemError(code) + ")";
    return ok;
}

// The copy read back as it will be run: it must hold what was meant, nothing more or less.
static int CheckWritten(const std::wstring& file, const std::vector<ImageResource>& resources,
                        const std::string& output, std::string* error)
{
    std::string bytes;
    ExecutableImage image;
    std::vector<ImageResource> written;
    std::string problem;
    if (!ReadWholeFile(Utf8(file), &bytes, error))
        return 0;
    if (ReadExecutable(bytes, &image, &problem) && ReadResources(bytes, image, &written, &problem))
        problem = CompareWritten(resources, written);
    if (!problem.empty())
        *error = output + ": the system's resource update went wrong: " + problem;
    return problem.empty();
}

int WriteBranded(const std::string& sourceFile, const std::string& output,
                 const std::vector<ImageResource>& resources, std::string* error)
{
    if (!CheckOutputFolder(output, error))
        return 0;
    std::wstring target = Wide(output);
    std::wstring temporary = target + L".kolbrand-" + std::to_wstring(GetCurrentProcessId());
    int written = WriteNewFile(temporary, sourceFile, output, error)
                  && UpdateResources(temporary, resources, output, error)
                  && CheckWritten(temporary, resources, output, error);
    if (written && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        *error = output + ": cannot be replaced (" + SystemError(GetLastError()) + ")";
        written = 0;
    }
    if (!written)
        DeleteFileW(temporary.c_str());
    return written;
}
