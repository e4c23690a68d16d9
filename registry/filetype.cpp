#include "registry/filetype.h"

#include "text/strings.h"

WCHAR SharedPathBuffer[SharedPathLength];
const WCHAR KolFile10[10] = TEXT("KolFile10");

// Path characters that fit between the quotes, with the closing quote and the NUL after.
static const int PathRoom = SharedPathLength - 3;

LONG SetRegistryDefault(HKEY key, const WCHAR* text, DWORD type)
{
    DWORD size = (DWORD)((TextLength(text) + 1) * sizeof(WCHAR));
    return RegSetValueExW(key, NULL, 0, type, (const BYTE*)text, size);
}

// Puts the program's path between double quotes into SharedPathBuffer. Returns 0, with
// the buffer left empty, when the path can't be had whole: a cut path would register a
// program that doesn't exist.
static int ReadQuotedModulePath(void)
{
    SharedPathBuffer[0] = '"';
    HMODULE module = GetModuleHandleW(NULL);
    // Room for the longest path that fits and its terminator: a cut path fills it all.
    DWORD length =
        module != NULL ? GetModuleFileNameW(module, SharedPathBuffer + 1, PathRoom + 1) : 0;
    if (length == 0 || length > (DWORD)PathRoom) {
        SharedPathBuffer[0] = 0;
        return 0;
    }
    SharedPathBuffer[1 + length] = '"';
    SharedPathBuffer[2 + length] = 0;
    return 1;
}

// Drops the closing quote; the path then starts after the opening one.
static WCHAR* UnquoteModulePath(void)
{
    SharedPathBuffer[TextLength(SharedPathBuffer) - 1] = 0;
    return SharedPathBuffer + 1;
}

// Sets the default value of a key under HKEY_CLASSES_ROOT. A key that can't be created,
// or a name or text that couldn't be composed, skips the value.
static void WriteClassDefault(const WCHAR* keyName, const WCHAR* text)
{
    if (keyName == NULL || text == NULL)
        return;
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName, 0, NULL, 0, 0, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return;
    SetRegistryDefault(key, text, REG_SZ);
    RegCloseKey(key);
}

// The same for a subkey of the document class; the composed text is released.
static void WriteDocumentClassDefault(const WCHAR* subkey, WCHAR* composedText)
{
    WCHAR* keyName = ConcatStrings(KolFile10, subkey);
    WriteClassDefault(keyName, composedText);
    free(keyName);
    free(composedText);
}

// Index of the last full stop after the first character, or -1.
static int FindExtension(const WCHAR* path)
{
    for (int i = TextLength(path) - 1; i >= 1; i--) {
        if (path[i] == '.')
            return i;
    }
    return -1;
}

// The runtime library beside the program: its path with the extension replaced by ".DLL".
static WCHAR* ComposeLibraryPath(WCHAR* path)
{
    int stop = FindExtension(path);
    // A copy all the same, so that every composed value is released alike.
    if (stop < 0)
        return ConcatStrings(path, TEXT(""));
    path[stop] = 0;
    WCHAR* library = ConcatStrings(path, TEXT(".DLL"));
    path[stop] = '.';
    return library;
}

void RegisterFileType(void)
{
    int hasPath = ReadQuotedModulePath();
    WriteClassDefault(KolFile10, TEXT("Kol Application"));
    if (hasPath) {
        WriteDocumentClassDefault(TEXT("\\Shell\\Open\\Command"),
                                  ConcatStrings(SharedPathBuffer, TEXT(" \"%1\"")));
        WCHAR* path = UnquoteModulePath();
        WriteDocumentClassDefault(TEXT("\\DefaultIcon"), ConcatStrings(path, TEXT(",-50")));
        WriteDocumentClassDefault(TEXT("\\DLL"), ComposeLibraryPath(path));
    }
    WriteClassDefault(TEXT(".kol"), KolFile10);
    // The shell caches associations: without this it shows the old opener and icon.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, NULL, NULL);
}
