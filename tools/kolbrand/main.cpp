// kolbrand: writes a branded copy of a built launcher, or lists what a launcher carries.
// The checks live in brand.cpp; this file reads and writes resources and files.
#include "tools/kolbrand/brand.h"

#include <windows.h>

#include <stdio.h>

// ---- Text and files -------------------------------------------------------------------

static std::string Utf8(const std::wstring& wide)
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

static int ReadWholeFile(const std::string& path, std::string* data, std::string* error)
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

static std::string BesideSelf(const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? L"" : folder.substr(0, slash + 1);
    return Utf8(folder + name);
}

// ---- Reading a launcher ---------------------------------------------------------------

// A resource name as kolbrand shows it: the text, or "#n" for a numbered one.
static std::string NameOf(LPCWSTR name)
{
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string((unsigned)(ULONG_PTR)name);
    return Utf8(name);
}

static int ReadResource(HMODULE module, LPCWSTR type, LPCWSTR name, std::string* data)
{
    HRSRC resource = FindResourceW(module, name, type);
    HGLOBAL loaded = resource != NULL ? LoadResource(module, resource) : NULL;
    const char* bytes = loaded != NULL ? (const char*)LockResource(loaded) : NULL;
    if (bytes == NULL)
        return 0;
    data->assign(bytes, SizeofResource(module, resource));
    return 1;
}

static BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names)
{
    ((std::vector<std::wstring>*)names)->push_back(IS_INTRESOURCE(name)
                                                        ? Wide(NameOf(name))
                                                        : std::wstring(name));
    return TRUE;
}

// Names of type's resources, numbered ones as "#n" (which FindResourceW takes as well).
static std::vector<std::wstring> ResourceNames(HMODULE module, LPCWSTR type)
{
    std::vector<std::wstring> names;
    EnumResourceNamesW(module, type, CollectName, (LONG_PTR)&names);
    return names;
}

static void ReadSplashBitmaps(HMODULE module, LauncherResources* launcher)
{
    for (const std::wstring& name : ResourceNames(module, L"SplashScreen")) {
        SplashBitmap bitmap;
        bitmap.name = Utf8(name);
        if (ReadResource(module, L"SplashScreen", name.c_str(), &bitmap.data))
            launcher->bitmaps.push_back(bitmap);
    }
}

static HMODULE OpenLauncher(const std::string& path, std::string* error)
{
    HMODULE module = LoadLibraryExW(Wide(path).c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (module == NULL)
        *error = path + ": cannot be read as a Windows program (error " +
                 std::to_string(GetLastError()) + ")";
    return module;
}

static int ReadLauncher(const std::string& path, LauncherResources* launcher,
                        std::string* error)
{
    HMODULE module = OpenLauncher(path, error);
    if (module == NULL)
        return 0;
    launcher->hasCommandLine = ReadResource(module, L"Text", L"CommandLine",
                                            &launcher->commandLine);
    launcher->hasLaunchLine = ReadResource(module, L"Text", L"LaunchLine", &launcher->launchLine);
    launcher->hasConfig = ReadResource(module, L"Text", L"CONFIG", &launcher->config);
    ReadSplashBitmaps(module, launcher);
    std::string group;
    launcher->hasIcon = ReadResource(module, RT_GROUP_ICON, MAKEINTRESOURCEW(50), &group);
    launcher->icons = ReadIconGroup(group);
    FreeLibrary(module);
    return 1;
}

// ---- Writing a branded copy -----------------------------------------------------------

static BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list)
{
    ((std::vector<WORD>*)list)->push_back(language);
    return TRUE;
}

static std::vector<WORD> Languages(HMODULE module, LPCWSTR type, LPCWSTR name)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, type, name, CollectLanguage, (LONG_PTR)&languages);
    return languages;
}

// One resource update against the source launcher's resources: what is replaced keeps its
// stored name and languages; what is new gets the launcher's language.
struct Update {
    HANDLE handle;
    HMODULE source;
    WORD language;
    bool ok;
};

// The stored name of type's resource that matches name without regard to case, or "".
static std::wstring StoredName(HMODULE module, LPCWSTR type, const std::wstring& name)
{
    for (const std::wstring& stored : ResourceNames(module, type)) {
        if (SameResourceName(Utf8(stored), Utf8(name)))
            return stored;
    }
    return L"";
}

// "#n" names a numbered resource, as FindResourceW reads it.
static LPCWSTR NamePointer(const std::wstring& name)
{
    if (name.size() > 1 && name[0] == L'#')
        return MAKEINTRESOURCEW(_wtoi(name.c_str() + 1));
    return name.c_str();
}

static void Write(Update* update, LPCWSTR type, LPCWSTR name, WORD language,
                  const std::string* data)
{
    // A null pointer with size 0 deletes the resource; an empty text keeps its pointer.
    void* bytes = data != NULL ? (void*)data->data() : NULL;
    DWORD size = data != NULL ? (DWORD)data->size() : 0;
    if (!UpdateResourceW(update->handle, type, name, language, bytes, size))
        update->ok = false;
}

static void Remove(Update* update, LPCWSTR type, LPCWSTR name)
{
    for (WORD language : Languages(update->source, type, name))
        Write(update, type, name, language, NULL);
}

static std::wstring Capitals(std::wstring name)
{
    CharUpperBuffW(&name[0], (DWORD)name.size());
    return name;
}

// Replaces (data) or deletes (null) every language of the resource; adds a new one. New
// names are stored in capitals, as the resource compiler stores them, because the
// system's lookup compares stored names with the capitalised name it is asked for.
static void Replace(Update* update, LPCWSTR type, const std::wstring& name,
                    const std::string* data)
{
    std::wstring stored = StoredName(update->source, type, name);
    if (data == NULL) {
        if (!stored.empty())
            Remove(update, type, NamePointer(stored));
        return;
    }
    std::vector<WORD> languages;
    if (!stored.empty())
        languages = Languages(update->source, type, NamePointer(stored));
    if (languages.empty()) {
        stored = Capitals(name);
        languages.push_back(update->language);
    }
    for (WORD language : languages)
        Write(update, type, NamePointer(stored), language, data);
}

// The old group's images go with it; the new ones take the lowest free numbers.
static void ReplaceIcon(Update* update, const LauncherResources& source,
                        const LauncherResources& out)
{
    for (const IconImage& image : source.icons)
        Remove(update, RT_ICON, MAKEINTRESOURCEW(image.id));
    std::vector<int> used;
    for (const std::wstring& name : ResourceNames(update->source, RT_ICON)) {
        int id = _wtoi(name.c_str() + 1);
        bool old = false;
        for (const IconImage& image : source.icons)
            old = old || image.id == id;
        if (!old)
            used.push_back(id);
    }
    std::vector<IconImage> images = out.icons;
    std::vector<int> ids = FreeIconIds(used, (int)images.size());
    for (size_t i = 0; i < images.size(); i++) {
        images[i].id = ids[i];
        Write(update, RT_ICON, MAKEINTRESOURCEW(ids[i]), update->language, &images[i].data);
    }
    std::string group = MakeIconGroup(images);
    std::vector<WORD> languages = Languages(update->source, RT_GROUP_ICON, MAKEINTRESOURCEW(50));
    if (languages.empty())
        languages.push_back(update->language);
    for (WORD language : languages)
        Write(update, RT_GROUP_ICON, MAKEINTRESOURCEW(50), language, &group);
}

// The language of the launcher's own icon group, else neutral.
static WORD LauncherLanguage(HMODULE module)
{
    std::vector<WORD> languages = Languages(module, RT_GROUP_ICON, MAKEINTRESOURCEW(50));
    return languages.empty() ? MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL) : languages[0];
}

static void ApplyBranding(Update* update, const BrandOptions& options,
                          const LauncherResources& source, const LauncherResources& out)
{
    if (options.lineKind != NoLine) {
        bool command = options.lineKind == CommandLineKind;
        Replace(update, L"Text", L"CommandLine", command ? &out.commandLine : NULL);
        Replace(update, L"Text", L"LaunchLine", command ? NULL : &out.launchLine);
    }
    if (options.hasConfig)
        Replace(update, L"Text", L"CONFIG", &out.config);
    for (const std::string& name : options.removals)
        Replace(update, L"SplashScreen", Wide(name), NULL);
    for (const SplashBitmap& bitmap : out.bitmaps) {
        if (!bitmap.source.empty())
            Replace(update, L"SplashScreen", Wide(bitmap.name), &bitmap.data);
    }
    if (!options.icon.empty())
        ReplaceIcon(update, source, out);
}

// Writes into a temporary file beside the output and renames it into place only when
// every step succeeded, so a failure leaves the output as it was.
static int WriteBranded(const std::string& from, const std::string& output,
                        const BrandOptions& options, const LauncherResources& source,
                        const LauncherResources& out, std::string* error)
{
    std::wstring temporary = Wide(output) + L".kolbrand-" + std::to_wstring(GetCurrentProcessId());
    if (!CopyFileW(Wide(from).c_str(), temporary.c_str(), FALSE)) {
        *error = output + ": cannot write beside it (error " + std::to_string(GetLastError()) + ")";
        return 0;
    }
    Update update{NULL, NULL, 0, true};
    update.source = OpenLauncher(from, error);
    update.handle = update.source != NULL ? BeginUpdateResourceW(temporary.c_str(), FALSE) : NULL;
    if (update.handle != NULL) {
        update.language = LauncherLanguage(update.source);
        ApplyBranding(&update, options, source, out);
        update.ok = EndUpdateResourceW(update.handle, !update.ok) && update.ok;
    }
    if (update.source != NULL)
        FreeLibrary(update.source);
    bool written = update.handle != NULL && update.ok
                   && MoveFileExW(temporary.c_str(), Wide(output).c_str(),
                                  MOVEFILE_REPLACE_EXISTING);
    if (!written) {
        DeleteFileW(temporary.c_str());
        if (error->empty())
            *error = output + ": updating the resources failed (error " +
                     std::to_string(GetLastError()) + ")";
    }
    return written;
}

// ---- Commands -------------------------------------------------------------------------

static void PrintDiagnostics(const Diagnostics& diagnostics)
{
    for (const std::string& warning : diagnostics.warnings)
        fprintf(stderr, "kolbrand: warning: %s\n", warning.c_str());
    for (const std::string& error : diagnostics.errors)
        fprintf(stderr, "kolbrand: %s\n", error.c_str());
}

static int ReadInputs(const BrandOptions& options, BrandInputs* inputs, std::string* error)
{
    inputs->fromPath = options.from.empty() ? BesideSelf(L"launcher.exe") : options.from;
    if (!ReadLauncher(inputs->fromPath, &inputs->from, error))
        return 0;
    if (options.configIsFile && !ReadWholeFile(options.config, &inputs->configFileData, error))
        return 0;
    for (const SplashFile& splash : options.splashes) {
        inputs->splashData.emplace_back();
        if (!ReadWholeFile(splash.path, &inputs->splashData.back(), error))
            return 0;
    }
    return options.icon.empty() || ReadWholeFile(options.icon, &inputs->iconData, error);
}

static int Brand(const BrandOptions& options)
{
    BrandInputs inputs;
    std::string error;
    if (!ReadInputs(options, &inputs, &error)) {
        fprintf(stderr, "kolbrand: %s\n", error.c_str());
        return 1;
    }
    Diagnostics diagnostics;
    LauncherResources out = PlanBrand(options, inputs, &diagnostics);
    PrintDiagnostics(diagnostics);
    if (!diagnostics.errors.empty()) {
        fprintf(stderr, "kolbrand: %s not written\n", options.output.c_str());
        return 1;
    }
    if (!WriteBranded(inputs.fromPath, options.output, options, inputs.from, out, &error)) {
        fprintf(stderr, "kolbrand: %s\n", error.c_str());
        return 1;
    }
    printf("kolbrand: wrote %s\n", options.output.c_str());
    return 0;
}

static int List(const std::string& path)
{
    LauncherResources launcher;
    std::string error;
    if (!ReadLauncher(path, &launcher, &error)) {
        fprintf(stderr, "kolbrand: %s\n", error.c_str());
        return 1;
    }
    fputs(DescribeLauncher(path, launcher).c_str(), stdout);
    return 0;
}

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; i++)
        arguments.push_back(Utf8(argv[i]));
    BrandOptions options;
    std::string error;
    if (!ParseBrandOptions(arguments, &options, &error)) {
        fprintf(stderr, "kolbrand: %s\n%s", error.c_str(), KolbrandUsage);
        return 2;
    }
    return options.list ? List(options.output) : Brand(options);
}
