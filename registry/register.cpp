// Registration's effect: the values that ComposeRegistration gives for the running
// program, written into the registry.
#include "registry/filetype.h"

#include "text/strings.h"

// Room for the longest path that fits and its terminator: a cut path fills it all.
static WCHAR modulePath[QuotedPathRoom + 1];

LONG SetRegistryDefault(HKEY key, const WCHAR* text, DWORD type)
{
    DWORD size = (DWORD)((TextLength(text) + 1) * sizeof(WCHAR));
    return RegSetValueExW(key, NULL, 0, type, (const BYTE*)text, size);
}

// The program's own path, or null when it can't be had whole.
static const WCHAR* ReadModulePath(void)
{
    HMODULE module = GetModuleHandleW(NULL);
    DWORD length =
        module != NULL ? GetModuleFileNameW(module, modulePath, QuotedPathRoom + 1) : 0;
    if (length == 0 || length > (DWORD)QuotedPathRoom)
        return NULL;
    modulePath[length] = 0;
    return modulePath;
}

static void WriteClassDefault(const ClassDefault* value)
{
    if (value->keyName == NULL || value->text == NULL)
        return;
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, value->keyName, 0, NULL, 0, 0, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return;
    SetRegistryDefault(key, value->text, REG_SZ);
    RegCloseKey(key);
}

void RegisterFileType(void)
{
    ClassDefault values[RegisteredValueCount];
    ComposeRegistration(ReadModulePath(), values);
    for (int i = 0; i < RegisteredValueCount; i++)
        WriteClassDefault(&values[i]);
    FreeRegistration(values);
    // The shell caches associations: without this it shows the old opener and icon.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, NULL, NULL);
}
