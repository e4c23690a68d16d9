// Files by path: existence and attributes, and which names name one file.
#include "platform/host/internal.h"

#include <map>

static std::map<std::u16string, DWORD> files;
// The file each linked name names, by its first name; a name not in here is its own file.
static std::map<std::u16string, std::u16string> links;
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

void HostLinkFile(const std::u16string& path, const std::u16string& existing)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    std::u16string file = HostFold(existing);
    files[HostFold(path)] = files[file];
    links[HostFold(path)] = links.count(file) ? links[file] : file;
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

// The file a name names, or empty when there is none.
static std::u16string FileOf(const WCHAR* path)
{
    std::u16string name = HostFold(HostText(path));
    if (files.count(name) == 0)
        return u"";
    auto link = links.find(name);
    return link == links.end() ? name : link->second;
}

// As desktop's: a name that names no file is told by its spelling.
int IsSameFile(LPCWSTR path, LPCWSTR otherPath)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("IsSameFile");
    std::u16string file = FileOf(path);
    std::u16string other = FileOf(otherPath);
    if (file.empty() || other.empty())
        return HostFold(HostText(path)) == HostFold(HostText(otherPath));
    return file == other;
}

void HostResetFiles()
{
    files.clear();
    links.clear();
    queries.clear();
}
