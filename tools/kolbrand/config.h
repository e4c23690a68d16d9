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

// The CONFIG that a --config-file's bytes give: a UTF-8 byte-order mark is left out with
// a warning, and a file in UTF-16 refused, as the launcher reads one byte per character.
std::string ConfigFromFile(const std::string& path, const std::string& data,
                           Diagnostics* diagnostics);

// Refusals of a CONFIG text, and the warnings it earns, with the bitmaps the output holds.
// 0 when its bytes are refused (a NUL, a line break), so that its entries mean nothing.
// A byte above 0x7F is refused in a text typed on kolbrand's command line, which arrives
// as UTF-8, and only warned of in one given as bytes.
int CheckConfig(const std::string& origin, const std::string& config, bool typed,
                 const std::vector<SplashBitmap>& bitmaps, Diagnostics* diagnostics);

#endif
