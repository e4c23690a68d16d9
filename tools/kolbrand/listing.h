// The --list report: what a launcher carries, and what it would make of it.
#ifndef KOL_TOOLS_KOLBRAND_LISTING_H
#define KOL_TOOLS_KOLBRAND_LISTING_H

#include "tools/kolbrand/records.h"

// The --list report of a launcher.
std::string DescribeLauncher(const std::string& path, const LauncherResources& launcher);

#endif
