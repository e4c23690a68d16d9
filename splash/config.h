// The CONFIG resource: key=value entries separated by "|", parsed once per process.
#ifndef KOL_SPLASH_CONFIG_H
#define KOL_SPLASH_CONFIG_H

#include "platform/platform.h"

typedef struct {
    char** keys;    // count keys, never null
    char** values;  // count values, null for an entry without "="
    int count;
} ConfigTable;

// Parses length bytes of text (a NUL ends it early) into a new table.
ConfigTable* ParseConfig(const char* text, int length);

// Releases a table from ParseConfig; the launcher keeps its own for the process's life.
void FreeConfig(ConfigTable* table);

// The process's table from module's "CONFIG" resource, or null; the first call decides.
ConfigTable* LoadConfig(HMODULE module);

#if !defined(UNDER_CE) && !defined(_WIN32)
// Host tests only: the next LoadConfig decides afresh, as in a new process.
void ForgetLoadedConfig(void);
#endif

// Value of the first entry with key; null for an entry without "="; defaultValue when
// there is no table or no such entry.
const char* GetConfigValue(const char* key, HMODULE module, const char* defaultValue);

#endif
