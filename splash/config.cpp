#include "splash/config.h"

#include <string.h>

// Parsed once per process and never freed: lookups hand out pointers into it.
static ConfigTable* LoadedConfig;
static int ConfigAttempted;

// count null pointers; null when memory runs out.
static char** NewPointerArray(int count)
{
    char** array = (char**)malloc((size_t)count * sizeof(char*));
    if (array != NULL)
        memset(array, 0, (size_t)count * sizeof(char*));
    return array;
}

static int CountEntries(const char* text)
{
    int count = 1;
    for (; *text != 0; text++) {
        if (*text == '|')
            count++;
    }
    return count;
}

// Cuts the text into keys and values in place: "|" ends an entry, its first "=" its key.
static void SplitEntries(char* text, ConfigTable* table)
{
    int entry = 0;
    int valueSeen = 0;
    table->keys[0] = text;
    for (char* at = text; *at != 0; at++) {
        if (*at == '=' && !valueSeen) {
            table->values[entry] = at + 1;
            *at = 0;
            valueSeen = 1;
        } else if (*at == '|') {
            entry++;
            table->keys[entry] = at + 1;
            *at = 0;
            valueSeen = 0;
        }
    }
}

// Memory that runs out leaves an empty table: every lookup then gets its default.
ConfigTable* ParseConfig(const char* text, int length)
{
    ConfigTable* table = (ConfigTable*)malloc(sizeof(ConfigTable));
    if (table == NULL)
        return NULL;
    table->keys = NULL;
    table->values = NULL;
    table->count = 0;
    if (text == NULL || length < 0)
        return table;

    char* copy = (char*)malloc((size_t)length + 1);
    if (copy == NULL)
        return table;
    strncpy(copy, text, (size_t)length);
    copy[length] = 0;

    int count = CountEntries(copy);
    table->keys = NewPointerArray(count);
    table->values = NewPointerArray(count);
    if (table->keys == NULL || table->values == NULL) {
        free(table->keys);
        free(table->values);
        free(copy);
        table->keys = NULL;
        table->values = NULL;
        return table;
    }
    SplitEntries(copy, table);
    table->count = count;
    return table;
}

void FreeConfig(ConfigTable* table)
{
    if (table == NULL)
        return;
    if (table->count > 0)
        free(table->keys[0]);
    free(table->keys);
    free(table->values);
    free(table);
}

ConfigTable* LoadConfig(HMODULE module)
{
    if (LoadedConfig != NULL || ConfigAttempted)
        return LoadedConfig;
    ConfigAttempted = 1;
    HRSRC resource = FindResourceW(module, TEXT("CONFIG"), TEXT("Text"));
    if (resource == NULL)
        return NULL;
    const char* data = (const char*)LoadResource(module, resource);
    if (data == NULL)
        return NULL;
    LoadedConfig = ParseConfig(data, (int)SizeofResource(module, resource));
    return LoadedConfig;
}

#if !defined(UNDER_CE) && !defined(_WIN32)
void ForgetLoadedConfig(void)
{
    FreeConfig(LoadedConfig);
    LoadedConfig = NULL;
    ConfigAttempted = 0;
}
#endif

const char* GetConfigValue(const char* key, HMODULE module, const char* defaultValue)
{
    ConfigTable* table = LoadConfig(module);
    if (table == NULL)
        return defaultValue;
    for (int i = 0; i < table->count; i++) {
        if (strcmp(table->keys[i], key) == 0)
            return table->values[i];
    }
    return defaultValue;
}
