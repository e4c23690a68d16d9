// Modules, resources and loadable libraries.
#include "platform/host/internal.h"

#include <map>

struct HostModule {
    std::u16string name;  // folded name or path it is loaded by; empty for the program
    HostKolMain kolMain;
};

struct HostResource {
    std::string bytes;
    bool loadFails;
};

static HostModule mainModule{u"", NULL};
static std::u16string modulePath = u"\\Program Files\\Kol\\launcher.exe";
static bool modulePathFails;
static bool moduleHandleFails;
static std::map<std::pair<HMODULE, std::u16string>, HostResource*> resources;
static std::map<std::u16string, HostModule*> libraries;
static std::vector<std::u16string> loadCalls;
static std::vector<HMODULE> freeCalls;

static std::u16string ResourceKey(const std::u16string& name, const std::u16string& type)
{
    return HostFold(type) + u"/" + HostFold(name);
}

HMODULE HostMainModule()
{
    return &mainModule;
}

void HostSetModulePath(const std::u16string& path)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    modulePath = path;
    modulePathFails = false;
}

void HostFailModulePath()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    modulePathFails = true;
}

void HostFailModuleHandle()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    moduleHandleFails = true;
}

HMODULE GetModuleHandleW(LPCWSTR name)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("GetModuleHandleW");
    if (name != NULL || moduleHandleFails)
        return NULL;
    return &mainModule;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("GetModuleFileNameW");
    if (module != &mainModule || modulePathFails || size == 0)
        return 0;
    // As on desktop: a path that doesn't fit is cut, terminated, and the size returned.
    DWORD length = (DWORD)modulePath.size();
    DWORD copied = length < size ? length : size - 1;
    memcpy(buffer, modulePath.data(), copied * sizeof(WCHAR));
    buffer[copied] = 0;
    return length < size ? length : size;
}

void HostAddResource(HMODULE module, const std::u16string& name, const std::u16string& type,
                     const std::string& bytes)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostResource*& resource = resources[std::make_pair(module, ResourceKey(name, type))];
    delete resource;
    resource = new HostResource{bytes, false};
}

void HostFailResourceLoad(HMODULE module, const std::u16string& name, const std::u16string& type)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    auto found = resources.find(std::make_pair(module, ResourceKey(name, type)));
    if (found != resources.end())
        found->second->loadFails = true;
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("FindResourceW");
    auto found =
        resources.find(std::make_pair(module, ResourceKey(HostText(name), HostText(type))));
    return found == resources.end() ? NULL : found->second;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("LoadResource");
    if (resource == NULL || resource->loadFails)
        return NULL;
    // A resource of 0 bytes still has an address, as in a real image.
    return (HGLOBAL)resource->bytes.data();
}

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("SizeofResource");
    return resource == NULL ? 0 : (DWORD)resource->bytes.size();
}

HMODULE HostAddLibrary(const std::u16string& nameOrPath, HostKolMain kolMain)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostModule*& library = libraries[HostFold(nameOrPath)];
    delete library;
    library = new HostModule{HostFold(nameOrPath), kolMain};
    return library;
}

HMODULE LoadLibraryW(LPCWSTR name)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("LoadLibraryW");
    loadCalls.push_back(HostText(name));
    auto found = libraries.find(HostFold(HostText(name)));
    return found == libraries.end() ? NULL : found->second;
}

FARPROC GetProcAddressW(HMODULE module, LPCWSTR name)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("GetProcAddressW");
    if (module == NULL || module == &mainModule || HostText(name) != u"KolMainW")
        return NULL;
    return (FARPROC)(void (*)(void))module->kolMain;
}

BOOL FreeLibrary(HMODULE module)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("FreeLibrary");
    freeCalls.push_back(module);
    return TRUE;
}

std::vector<std::u16string> HostLoadLibraryCalls()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return loadCalls;
}

std::vector<HMODULE> HostFreeLibraryCalls()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return freeCalls;
}

void HostResetModules()
{
    modulePath = u"\\Program Files\\Kol\\launcher.exe";
    modulePathFails = false;
    moduleHandleFails = false;
    for (auto& entry : resources)
        delete entry.second;
    resources.clear();
    for (auto& entry : libraries)
        delete entry.second;
    libraries.clear();
    loadCalls.clear();
    freeCalls.clear();
}
