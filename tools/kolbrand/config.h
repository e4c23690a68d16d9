// kolbrand's checks of a CONFIG text, read with the launcher's own parser.
#ifndef KOL_TOOLS_KOLBRAND_CONFIG_H
#define KOL_TOOLS_KOLBRAND_CONFIG_H

#include "splash/config.h"
#include "tools/kolbrand/records.h"

struct ConfigEntry {
    std::string key;
    bool hasValue;
    std::string value;
};

// The entries of a table of the launcher's parser; none without a table.
std::vector<ConfigEntry> ConfigEntriesOf(const ConfigTable* table);

// The entries as the launcher's own parser reads them.
std::vector<ConfigEntry> ReadConfigEntries(const std::string& config);

// Refusals of a CONFIG text, and the warnings it earns, with the bitmaps the output holds.
void CheckConfig(const std::string& origin, const std::string& config,
                 const std::vector<SplashBitmap>& bitmaps, Diagnostics* diagnostics);

#endif
