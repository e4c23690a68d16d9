// kolbrand's checks of "SplashScreen" bitmaps, made with the launcher's own bitmap rules.
#ifndef KOL_TOOLS_KOLBRAND_BITMAPS_H
#define KOL_TOOLS_KOLBRAND_BITMAPS_H

#include "splash/bitmap.h"
#include "tools/kolbrand/records.h"

// The launcher's verdict on a bitmap, with the header it read.
BitmapVerdict CheckBitmap(const SplashBitmap& bitmap, BitmapHeader* header);

// Why the launcher would refuse a bitmap of length bytes, and what to do about it; ""
// when it is accepted.
std::string BitmapRefusal(BitmapVerdict verdict, const BitmapHeader& header,
                          size_t length);

// The index of the bitmap of that name, or -1.
int FindBitmap(const std::vector<SplashBitmap>& bitmaps, const std::string& name);

// Added bitmaps and those CONFIG names must be ones the launcher shows; fromPath names
// the source launcher in messages about the bitmaps it carries.
void CheckBitmaps(const std::string& fromPath, const LauncherResources& out,
                  Diagnostics* diagnostics);

#endif
