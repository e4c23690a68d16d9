// A launcher's image as a list of resources: what kolbrand reads from it, and the list
// that a branded copy is written with.
#ifndef KOL_TOOLS_KOLBRAND_RESOURCES_H
#define KOL_TOOLS_KOLBRAND_RESOURCES_H

#include "tools/kolbrand/options.h"
#include "tools/kolbrand/records.h"

// What kolbrand reads and writes among a launcher's resources (the first language of each).
LauncherResources ReadLauncherResources(const std::vector<ImageResource>& image);

// Every resource the branded copy carries: those of source that the branding leaves as
// they are, and the new ones; a new one takes the languages of the one it replaces, or
// else the language of the launcher's other resources.
std::vector<ImageResource> BrandedResources(const std::vector<ImageResource>& source,
                                            const BrandOptions& options,
                                            const LauncherResources& from,
                                            const LauncherResources& out);

#endif
