// The --list report: what a launcher carries, and what it would make of it.
#ifndef KOL_TOOLS_KOLBRAND_LISTING_H
#define KOL_TOOLS_KOLBRAND_LISTING_H

#include "tools/kolbrand/records.h"

// An embedded line resource as the launcher reads it: its first line, and what it ignores.
std::string DescribeLine(const char* name, const std::string& resource);

// The CONFIG entries, one a line, or that there is none.
std::string DescribeConfig(const LauncherResources& launcher);

// The --list report of a launcher.
std::string DescribeLauncher(const std::string& path, const LauncherResources& launcher);

#endif
