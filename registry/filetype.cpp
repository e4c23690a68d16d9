#include "registry/filetype.h"

#include "text/strings.h"

WCHAR SharedPathBuffer[SharedPathLength];
const WCHAR KolFile10[10] = TEXT("KolFile10");

// Puts the path between double quotes into SharedPathBuffer; 0, with the buffer left
// empty, when there is no path or it doesn't fit whole.
static int StoreQuotedPath(const WCHAR* path)
{
    int length = path != NULL ? TextLength(path) : 0;
    if (length == 0 || length > QuotedPathRoom) {
        SharedPathBuffer[0] = 0;
        return 0;
    }
    SharedPathBuffer[0] = '"';
    memcpy(SharedPathBuffer + 1, path, (size_t)length * sizeof(WCHAR));
    SharedPathBuffer[1 + length] = '"';
    SharedPathBuffer[2 + length] = 0;
    return 1;
}

// Drops the closing quote; the path then starts after the opening one.
static WCHAR* UnquoteStoredPath(void)
{
    SharedPathBuffer[TextLength(SharedPathBuffer) - 1] = 0;
    return SharedPathBuffer + 1;
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

// A value of a subkey of the document class; the text is composed before the key name.
static void ComposeDocumentClassValue(ClassDefault* value, const WCHAR* subkey,
                                      WCHAR* composedText)
{
    value->text = composedText;
    value->keyName = ConcatStrings(KolFile10, subkey);
}

void ComposeRegistration(const WCHAR* launcherPath, ClassDefault values[RegisteredValueCount])
{
    memset(values, 0, RegisteredValueCount * sizeof(ClassDefault));
    values[ClassValue].keyName = KolFile10;
    values[ClassValue].text = TEXT("Kol Application");
    values[ExtensionValue].keyName = TEXT(".kol");
    values[ExtensionValue].text = KolFile10;
    if (!StoreQuotedPath(launcherPath))
        return;
    ComposeDocumentClassValue(&values[CommandValue], TEXT("\\Shell\\Open\\Command"),
                              ConcatStrings(SharedPathBuffer, TEXT(" \"%1\"")));
    WCHAR* path = UnquoteStoredPath();
    ComposeDocumentClassValue(&values[IconValue], TEXT("\\DefaultIcon"),
                              ConcatStrings(path, TEXT(",-50")));
    ComposeDocumentClassValue(&values[LibraryValue], TEXT("\\DLL"), ComposeLibraryPath(path));
}

int IsClassDefaultInPlace(const ClassDefault* value)
{
    // Room for the longest value, the opener: the quoted path, " \"%1\"" and the NUL.
    WCHAR held[QuotedPathRoom + 8];
    DWORD size = (DWORD)((TextLength(value->text) + 1) * sizeof(WCHAR));
    HKEY key;
    if (size > sizeof(held) ||
        RegOpenKeyExW(HKEY_CLASSES_ROOT, value->keyName, 0, 0, &key) != ERROR_SUCCESS)
        return 0;
    DWORD type = REG_NONE;
    DWORD heldSize = size;
    LONG status = RegQueryValueExW(key, NULL, NULL, &type, (BYTE*)held, &heldSize);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ && heldSize == size &&
           memcmp(held, value->text, size) == 0;
}
