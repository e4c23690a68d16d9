// Files by path: existence and attributes.
#include "platform/host/internal.h"

#include <map>

static std::map<std::u16string, DWORD> files;
static std::vector<std::u16string> queries;

void HostAddFile(const std::u16string& path, DWORD attributes)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    files[HostFold(path)] = attributes;
}

void HostAddDirectory(const std::u16string& path)
{
    HostAddFile(path, FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::u16string> HostFileQueries()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return queries;
}

DWORD GetFileAttributesW(LPCWSTR path)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("GetFileAttributesW");
    queries.push_back(HostText(path));
    auto found = files.find(HostFold(HostText(path)));
    return found == files.end() ? INVALID_FILE_ATTRIBUTES : found->second;
}

void HostResetFiles()
{
    files.clear();
    queries.clear();
}
