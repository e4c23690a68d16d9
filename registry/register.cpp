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

// 1 when the value was written: a value in place already isn't, so that a standard user,
// refused the machine's classes, makes no key of the user's own for what the machine has.
static int WriteClassDefault(const ClassDefault* value)
{
    if (value->keyName == NULL || value->text == NULL || IsClassDefaultInPlace(value))
        return 0;
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, value->keyName, 0, NULL, 0, 0, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return 0;
    int written = SetRegistryDefault(key, value->text, REG_SZ) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

int RegisterFileType(void)
{
    ClassDefault values[RegisteredValueCount];
    ComposeRegistration(ReadModulePath(), values);
    int written = 0;
    // The class key's own value last: a key written below it in the user's classes makes
    // the user's class key, whose values then hide the machine's.
    for (int i = RegisteredValueCount - 1; i >= 0; i--)
        written |= WriteClassDefault(&values[i]);
    FreeRegistration(values);
    return written;
}

void TellShellOfRegistration(void)
{
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, NULL, NULL);
}
