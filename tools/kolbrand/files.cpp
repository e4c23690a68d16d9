#include "tools/kolbrand/files.h"

#include <windows.h>
#include <iphlpapi.h>

// ---- Text and files -------------------------------------------------------------------

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

int ReadWholeFile(const std::string& path, std::string* data, std::string* error)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = path + ": cannot be opened (error " + std::to_string(GetLastError()) + ")";
        return 0;
    }
    LARGE_INTEGER size;
    DWORD read = 0;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x40000000;
    if (ok) {
        data->assign((size_t)size.QuadPart, '\0');
        ok = size.QuadPart == 0
             || (ReadFile(file, &(*data)[0], (DWORD)size.QuadPart, &read, NULL)
                 && read == (DWORD)size.QuadPart);
    }
    CloseHandle(file);
    if (!ok)
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

// ---- Reading a launcher ---------------------------------------------------------------

// A resource name or type as kolbrand keeps it: the text, or "#n" for a numbered one.
static std::wstring NameOf(LPCWSTR name)
{
    if (IS_INTRESOURCE(name))
        return L"#" + std::to_wstring((unsigned)(ULONG_PTR)name);
    return name;
}

// "#n" names a numbered resource, as FindResourceW reads it.
static LPCWSTR NamePointer(const std::wstring& name)
{
    if (name.size() > 1 && name[0] == L'#')
        return MAKEINTRESOURCEW(_wtoi(name.c_str() + 1));
    return name.c_str();
}

struct ImageReader {
    std::wstring type;
    std::wstring name;
    std::vector<ImageResource>* resources;
};

static BOOL CALLBACK CollectLanguageOf(HMODULE module, LPCWSTR, LPCWSTR, WORD language,
                                       LONG_PTR reader)
{
    ImageReader* at = (ImageReader*)reader;
    ImageResource resource;
    resource.type = Utf8(at->type);
    resource.name = Utf8(at->name);
    resource.language = language;
    HRSRC found = FindResourceExW(module, NamePointer(at->type), NamePointer(at->name), language);
    HGLOBAL loaded = found != NULL ? LoadResource(module, found) : NULL;
    const char* bytes = loaded != NULL ? (const char*)LockResource(loaded) : NULL;
    if (bytes != NULL)
        resource.data.assign(bytes, SizeofResource(module, found));
    at->resources->push_back(resource);
    return TRUE;
}

static BOOL CALLBACK CollectNameOf(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR reader)
{
    ImageReader* at = (ImageReader*)reader;
    at->name = NameOf(name);
    EnumResourceLanguagesW(module, NamePointer(at->type), NamePointer(at->name),
                           CollectLanguageOf, reader);
    return TRUE;
}

static BOOL CALLBACK CollectTypeOf(HMODULE module, LPWSTR type, LONG_PTR reader)
{
    ImageReader* at = (ImageReader*)reader;
    at->type = NameOf(type);
    EnumResourceNamesW(module, NamePointer(at->type), CollectNameOf, reader);
    return TRUE;
}

static HMODULE OpenLauncher(const std::string& path, std::string* error)
{
    HMODULE module = LoadLibraryExW(Wide(path).c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (module == NULL)
        *error = path + ": cannot be read as a Windows program (error " +
                 std::to_string(GetLastError()) + ")";
    return module;
}

int ReadImageResources(const std::string& path, std::vector<ImageResource>* resources,
                       std::string* error)
{
    HMODULE module = OpenLauncher(path, error);
    if (module == NULL)
        return 0;
    ImageReader reader{L"", L"", resources};
    EnumResourceTypesW(module, CollectTypeOf, (LONG_PTR)&reader);
    FreeLibrary(module);
    return 1;
}

int ReadLauncher(const std::string& path, LauncherResources* launcher,
                 std::string* error)
{
    std::vector<ImageResource> resources;
    if (!ReadImageResources(path, &resources, error))
        return 0;
    *launcher = ReadLauncherResources(resources);
    return 1;
}

// ---- Writing a branded copy -----------------------------------------------------------

// The copy's resources are all written anew: an update that only deletes some of them
// is not carried out under Wine, which reads the existing ones back when it ends.
static int WriteResources(const std::wstring& file, const std::vector<ImageResource>& resources)
{
    HANDLE update = BeginUpdateResourceW(file.c_str(), TRUE);
    if (update == NULL)
        return 0;
    bool ok = true;
    for (const ImageResource& resource : resources) {
        std::wstring type = Wide(resource.type);
        std::wstring name = Wide(resource.name);
        ok = ok && UpdateResourceW(update, NamePointer(type), NamePointer(name),
                                   (WORD)resource.language, (void*)resource.data.data(),
                                   (DWORD)resource.data.size());
    }
    return EndUpdateResourceW(update, !ok) && ok;
}

int WriteBranded(const std::string& from, const std::string& output,
                 const std::vector<ImageResource>& resources, std::string* error)
{
    std::wstring temporary = Wide(output) + L".kolbrand-" + std::to_wstring(GetCurrentProcessId());
    if (!CopyFileW(Wide(from).c_str(), temporary.c_str(), FALSE)) {
        *error = output + ": cannot write beside it (error " + std::to_string(GetLastError()) + ")";
        return 0;
    }
    if (!WriteResources(temporary, resources)) {
        *error = output + ": updating the resources failed (error " +
                 std::to_string(GetLastError()) + ")";
    } else if (!MoveFileExW(temporary.c_str(), Wide(output).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        *error = output + ": cannot be replaced (error " + std::to_string(GetLastError()) + ")";
    } else {
        return 1;
    }
    DeleteFileW(temporary.c_str());
    return 0;
}
