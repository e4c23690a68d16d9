// Registry: a tree of keys by folded path under each root, values with type and bytes.
// As on desktop, HKEY_CLASSES_ROOT holds no keys of its own but shows the user's and the
// machine's Software\Classes merged, and a handle allows only the access it was opened with.
#include "platform/host/internal.h"

#include <map>
#include <set>

#undef RegOpenKeyExW

typedef std::pair<uintptr_t, std::u16string> KeyId;

struct HostKey {
    HKEY root;            // as asked for: HKEY_CLASSES_ROOT stays itself
    std::u16string path;  // folded
    KeyId stored;         // where its values are
    REGSAM access;
};

struct StoredKey {
    std::map<std::u16string, HostRegValue> values;  // by folded name
};

static std::map<KeyId, StoredKey> keys;
static std::map<std::pair<KeyId, int>, LONG> failures;
static std::vector<HostRegCall> calls;
static std::set<HostKey*> openHandles;
static const LONG InvalidHandle = 6;  // ERROR_INVALID_HANDLE
static std::vector<LONG> shellNotifications;
static bool standardUser;

static bool IsRoot(HKEY key)
{
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

static KeyId MakeId(HKEY root, const std::u16string& path)
{
    return KeyId((uintptr_t)root, HostFold(path));
}

static std::u16string Join(const std::u16string& base, const std::u16string& sub)
{
    if (base.empty())
        return sub;
    if (sub.empty())
        return base;
    return base + u"\\" + sub;
}

// A handle that was never given out, or is closed, may name any key on Windows: the
// call is reported, to fail the test that made it, and refused.
static bool IsStray(HKEY key, const char* call)
{
    if (key != NULL && openHandles.count(key) != 0)
        return false;
    HostMisuse(std::string(call) + " on a key handle that was never given out");
    return true;
}

// A key of the classes root is the user's class key where that exists, else the machine's,
// where a new one goes; the other roots hold their own keys.
static KeyId StoredId(HKEY root, const std::u16string& path)
{
    if (root != HKEY_CLASSES_ROOT)
        return MakeId(root, path);
    const std::u16string classes = u"software\\classes";
    KeyId user = MakeId(HKEY_CURRENT_USER, Join(classes, path));
    return keys.count(user) != 0 ? user : MakeId(HKEY_LOCAL_MACHINE, Join(classes, path));
}

// The key and the keys on its path come into being, as creating a key makes them.
static StoredKey& MakeKey(const KeyId& id)
{
    for (size_t at = 0; (at = id.second.find(u'\\', at)) != std::u16string::npos; at++)
        keys[KeyId(id.first, id.second.substr(0, at))];
    return keys[id];
}

// A standard user reads the machine's keys but may not change them.
static bool IsRefused(const KeyId& stored, REGSAM access)
{
    return standardUser && stored.first == (uintptr_t)HKEY_LOCAL_MACHINE &&
           (access & ~KEY_READ) != 0;
}

// Resolves (key, subKey) to a root and a full path; false for an invalid handle.
static bool Resolve(HKEY key, LPCWSTR subKey, HKEY* root, std::u16string* path,
                    const char* call)
{
    std::u16string sub = HostText(subKey);
    if (IsRoot(key)) {
        *root = key;
        *path = HostFold(sub);
        return true;
    }
    if (IsStray(key, call))
        return false;
    *root = key->root;
    *path = HostFold(Join(key->path, sub));
    return true;
}

// A failure injected for the key as asked for, or for the key that stores it.
static LONG InjectedFailure(HKEY root, const std::u16string& path, HostRegOperation operation)
{
    for (const KeyId& id : {MakeId(root, path), StoredId(root, path)}) {
        auto found = failures.find(std::make_pair(id, (int)operation));
        if (found != failures.end())
            return found->second;
    }
    return ERROR_SUCCESS;
}

static void Record(HostRegOperation operation, HKEY root, const std::u16string& path,
                   const std::u16string& name, REGSAM access, LONG result)
{
    calls.push_back(HostRegCall{operation, root, path, name, access, result});
}

static HKEY NewHandle(HKEY root, const std::u16string& path, const KeyId& stored,
                      REGSAM access)
{
    HostKey* handle = new HostKey{root, path, stored, access};
    openHandles.insert(handle);
    return handle;
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM access,
                     LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("RegCreateKeyExW");
    HKEY root;
    std::u16string path;
    if (!Resolve(key, subKey, &root, &path, "RegCreateKeyExW"))
        return InvalidHandle;
    KeyId stored = StoredId(root, path);
    LONG status = InjectedFailure(root, path, HostRegCreate);
    if (status == ERROR_SUCCESS && IsRefused(stored, access))
        status = ERROR_ACCESS_DENIED;
    if (status == ERROR_SUCCESS) {
        bool existed = keys.count(stored) != 0;
        MakeKey(stored);
        *result = NewHandle(root, path, stored, access);
        if (disposition != NULL)
            *disposition = existed ? 2 : 1;
    }
    Record(HostRegCreate, root, path, u"", access, status);
    return status;
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("RegOpenKeyExW");
    HKEY root;
    std::u16string path;
    if (!Resolve(key, subKey, &root, &path, "RegOpenKeyExW"))
        return InvalidHandle;
    KeyId stored = StoredId(root, path);
    LONG status = InjectedFailure(root, path, HostRegOpen);
    if (status == ERROR_SUCCESS && keys.count(stored) == 0)
        status = ERROR_FILE_NOT_FOUND;
    if (status == ERROR_SUCCESS && IsRefused(stored, access))
        status = ERROR_ACCESS_DENIED;
    if (status == ERROR_SUCCESS)
        *result = NewHandle(root, path, stored, access);
    Record(HostRegOpen, root, path, u"", access, status);
    return status;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD size)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("RegQueryValueExW");
    if (IsStray(key, "RegQueryValueExW"))
        return InvalidHandle;
    std::u16string valueName = HostText(name);
    LONG status = InjectedFailure(key->root, key->path, HostRegQuery);
    if (status == ERROR_SUCCESS && (key->access & KEY_QUERY_VALUE) == 0)
        status = ERROR_ACCESS_DENIED;
    StoredKey& stored = keys[key->stored];
    auto found = stored.values.find(HostFold(valueName));
    if (status == ERROR_SUCCESS && found == stored.values.end())
        status = ERROR_FILE_NOT_FOUND;
    if (status == ERROR_SUCCESS) {
        const HostRegValue& value = found->second;
        if (type != NULL)
            *type = value.type;
        // Windows leaves a buffer that is too small undefined: scribbled over here, so that
        // a caller that takes what it holds shows.
        if (data != NULL && size != NULL && *size < value.data.size()) {
            memset(data, 0xA5, *size);
            status = ERROR_MORE_DATA;
        } else if (data != NULL && !value.data.empty())
            memcpy(data, value.data.data(), value.data.size());
        if (size != NULL)
            *size = (DWORD)value.data.size();
    }
    Record(HostRegQuery, key->root, key->path, valueName, 0, status);
    return status;
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("RegSetValueExW");
    if (IsStray(key, "RegSetValueExW"))
        return InvalidHandle;
    std::u16string valueName = HostText(name);
    LONG status = InjectedFailure(key->root, key->path, HostRegSet);
    if (status == ERROR_SUCCESS && (key->access & KEY_SET_VALUE) == 0)
        status = ERROR_ACCESS_DENIED;
    if (status == ERROR_SUCCESS) {
        HostRegValue& value = keys[key->stored].values[HostFold(valueName)];
        value.type = type;
        value.data.assign(data, data + size);
    }
    Record(HostRegSet, key->root, key->path, valueName, 0, status);
    return status;
}

LONG RegCloseKey(HKEY key)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("RegCloseKey");
    if (IsStray(key, "RegCloseKey"))
        return InvalidHandle;
    openHandles.erase(key);
    delete key;
    return ERROR_SUCCESS;
}

void HostRegSetValue(HKEY root, const std::u16string& path, const std::u16string& name,
                     DWORD type, const void* data, size_t size)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostRegValue& value = MakeKey(StoredId(root, path)).values[HostFold(name)];
    value.type = type;
    value.data.assign((const BYTE*)data, (const BYTE*)data + size);
}

void HostRegSetString(HKEY root, const std::u16string& path, const std::u16string& name,
                      const std::u16string& text)
{
    HostRegSetValue(root, path, name, REG_SZ, text.c_str(), (text.size() + 1) * 2);
}

void HostRegSetDword(HKEY root, const std::u16string& path, const std::u16string& name,
                     DWORD value)
{
    HostRegSetValue(root, path, name, REG_DWORD, &value, sizeof(value));
}

bool HostRegGetValue(HKEY root, const std::u16string& path, const std::u16string& name,
                     HostRegValue* value)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    auto key = keys.find(StoredId(root, path));
    if (key == keys.end())
        return false;
    auto found = key->second.values.find(HostFold(name));
    if (found == key->second.values.end())
        return false;
    *value = found->second;
    return true;
}

std::u16string HostRegGetString(HKEY root, const std::u16string& path,
                                const std::u16string& name)
{
    HostRegValue value;
    if (!HostRegGetValue(root, path, name, &value))
        return u"";
    std::u16string text;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
        char16_t c = (char16_t)(value.data[i] | (value.data[i + 1] << 8));
        if (c == 0)
            break;
        text.push_back(c);
    }
    return text;
}

bool HostRegKeyExists(HKEY root, const std::u16string& path)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return keys.count(StoredId(root, path)) != 0;
}

void HostRegStandardUser(bool standard)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    standardUser = standard;
}

void HostRegFail(HKEY root, const std::u16string& path, HostRegOperation operation, LONG error)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    failures[std::make_pair(MakeId(root, path), (int)operation)] = error;
}

std::vector<HostRegCall> HostRegCalls()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return calls;
}

int HostRegOpenHandles()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return (int)openHandles.size();
}

void HostResetRegistry()
{
    keys.clear();
    failures.clear();
    calls.clear();
    for (HostKey* handle : openHandles)
        delete handle;
    openHandles.clear();
    shellNotifications.clear();
    standardUser = false;
}

// The shell's notifications go with the registry: registration is what sends them.

void SHChangeNotify(LONG eventId, UINT, const void*, const void*)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("SHChangeNotify");
    shellNotifications.push_back(eventId);
}

std::vector<LONG> HostShellNotifications()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return shellNotifications;
}
