// kolbrand's checks of "SplashScreen" bitmaps, made with the launcher's own bitmap rules.
#ifndef KOL_TOOLS_KOLBRAND_BITMAPS_H
#define KOL_TOOLS_KOLBRAND_BITMAPS_H

#include <stdint.h>

#include "splash/bitmap.h"
#include "tools/kolbrand/records.h"

// Why the launcher would show no splash of a bitmap, and what to do about it; "" when it
// would show it. header receives what the launcher read of the bitmap's header.
std::string SplashRefusal(const SplashBitmap& bitmap, BitmapHeader* header);

// The index of the bitmap of that name, or -1.
int FindBitmap(const std::vector<SplashBitmap>& bitmaps, const std::string& name);

// Added bitmaps and those CONFIG names must be ones the launcher shows, and a bitmap that
// no entry names earns a warning, unless configRefused: a refused CONFIG names nothing
// that the launcher would read. fromPath names the source launcher in messages about the
// bitmaps it carries.
void CheckBitmaps(const std::string& fromPath, const LauncherResources& out, bool configRefused,
                  Diagnostics* diagnostics);

#endif
