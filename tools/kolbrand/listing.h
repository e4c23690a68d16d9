// The --list report: what a launcher carries, and what it would make of it.
#ifndef KOL_TOOLS_KOLBRAND_LISTING_H
#define KOL_TOOLS_KOLBRAND_LISTING_H

#include "tools/kolbrand/config.h"
#include "tools/kolbrand/executable.h"
#include "tools/kolbrand/records.h"

// An embedded line resource as the launcher reads it: its first line, and what it ignores.
std::string DescribeLine(const char* name, const std::string& resource);

// CONFIG's entries, one a line.
std::string DescribeConfigEntries(const std::vector<ConfigEntry>& entries);

// The --list report of a launcher of those headers: its processor, whether it is signed, and
// what its resources carry.
std::string DescribeLauncher(const std::string& path, const ExecutableImage& image,
                             const LauncherResources& launcher);

#endif
