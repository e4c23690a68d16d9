#include "tools/kolbrand/bitmaps.h"

#include "tools/kolbrand/config.h"
#include "tools/kolbrand/text.h"

#include <set>

static std::string BitmapRefusal(BitmapVerdict verdict, const BitmapHeader& header,
                                 size_t length)
{
    switch (verdict) {
    case BitmapAccepted:
        return "";
    case BitmapTooShort:
        return "too short for a bitmap file (" + std::to_string(length) +
               " bytes; its headers alone take 54)";
    case BitmapNoSignature:
        return "not a BMP file: it does not begin with \"BM\"";
    case BitmapHeaderSize:
        return "a " + std::to_string(header.headerSize) +
               "-byte information header is not supported: save it as a BMP with the 40-byte "
               "header (no colour space information)";
    case BitmapWidth:
        return "width " + std::to_string(header.width) + " is not 1 to 65535";
    case BitmapHeight:
        if (header.height < 0)
            return "stored top-down (height " + std::to_string(header.height) +
                   "): save it bottom-up, as BMP files usually are";
        return "height " + std::to_string(header.height) + " is not 1 to 65535";
    case BitmapBitDepth:
        return std::to_string(header.bitsPerPixel) +
               " bits per pixel is not supported: save it with 1, 4, 8 or 24 bits per pixel";
    case BitmapCompression:
        return "compression " + std::to_string(header.compression) +
               " is not supported: save it as an uncompressed BMP";
    case BitmapDataOffset:
        return "pixel data offset " + std::to_string(header.dataOffset) +
               " lies outside the file";
    case BitmapTooLarge: {
        uint64_t bytes = (uint64_t)header.stride * (uint64_t)header.height;
        return std::to_string(header.width) + "x" + std::to_string(header.height) +
               " pixels at " + std::to_string(header.bitsPerPixel) + " bits per pixel take " +
               std::to_string(bytes >> 20) + " MB, more than the " +
               std::to_string(LargestSplashPixelBytes >> 20) +
               " MB a device makes a splash bitmap of: the launcher would show none";
    }
    }
    return "is refused";
}

std::string SplashRefusal(const SplashBitmap& bitmap, BitmapHeader* header)
{
    BitmapVerdict verdict =
        CheckSplashBitmap((const BYTE*)bitmap.data.data(), (int)bitmap.data.size(), header);
    return BitmapRefusal(verdict, *header, bitmap.data.size());
}

static std::string BitmapLabel(const SplashBitmap& bitmap, const std::string& fromPath)
{
    if (!bitmap.source.empty())
        return bitmap.source;
    return fromPath + ": SplashScreen bitmap " + bitmap.name;
}

int FindBitmap(const std::vector<SplashBitmap>& bitmaps, const std::string& name)
{
    for (size_t i = 0; i < bitmaps.size(); i++) {
        if (SameResourceName(bitmaps[i].name, name))
            return (int)i;
    }
    return -1;
}

// The bitmap names that CONFIG's SplashScreen entries give, in capitals.
static std::set<std::string> NamedByConfig(const LauncherResources& launcher)
{
    std::set<std::string> names;
    if (!launcher.hasConfig)
        return names;
    for (const ConfigEntry& entry : ReadConfigEntries(launcher.config)) {
        SplashEntry splash;
        ParseSplashEntry(entry.value.c_str(), &splash);
        if (entry.key == "SplashScreen" && entry.hasValue)
            names.insert(Upper(splash.resourceName));
    }
    return names;
}

// The launcher shows a file cut short, with the rows it lacks (the top ones) left blank,
// and reads nothing after the last row.
static void CheckBitmapRows(const std::string& label, const BitmapHeader& header,
                            size_t length, Diagnostics* diagnostics)
{
    uint64_t pixels = length - (uint64_t)header.dataOffset;
    uint64_t whole = (uint64_t)header.stride * (uint64_t)header.height;
    uint64_t rows = pixels / (uint64_t)header.stride;
    if (rows < (uint64_t)header.height)
        diagnostics->warnings.push_back(label + ": holds " + std::to_string(rows) + " of its " +
                                        std::to_string(header.height) +
                                        " rows; the launcher leaves the top ones blank");
    if (pixels > whole)
        diagnostics->warnings.push_back(label + ": " + std::to_string(pixels - whole) +
                                        " bytes follow its pixels, which the launcher never "
                                        "reads");
}

// The launcher takes the colours of a bitmap of 8 bits or fewer from the table between its
// header and its pixels, and makes those that the table lacks black: without a table at
// all, it shows the bitmap black. "" when there is one.
static std::string MissingColourTable(const BitmapHeader& header)
{
    if (header.colourCount == 0 || header.dataOffset - 54 >= 4)
        return "";
    return "has " + std::to_string(header.bitsPerPixel) + " bits per pixel but no colour "
           "table (its pixels begin right after its header), so the launcher would show it "
           "black: save it with its colour table, or with 24 bits per pixel";
}

void CheckBitmaps(const std::string& fromPath, const LauncherResources& out, bool configRefused,
                  Diagnostics* diagnostics)
{
    std::set<std::string> named = NamedByConfig(out);
    for (const SplashBitmap& bitmap : out.bitmaps) {
        std::string label = BitmapLabel(bitmap, fromPath);
        if (!configRefused && named.count(Upper(bitmap.name)) == 0) {
            std::string kept = bitmap.source.empty() ? " (--remove-splash " + bitmap.name +
                                                           " leaves it out)"
                                                     : "";
            diagnostics->warnings.push_back(label + ": no SplashScreen entry of CONFIG names " +
                                            bitmap.name + ", so the launcher never shows it" +
                                            kept);
            if (bitmap.source.empty())
                continue;
        }
        BitmapHeader header;
        std::string refusal = SplashRefusal(bitmap, &header);
        if (refusal.empty())
            refusal = MissingColourTable(header);
        if (!refusal.empty())
            diagnostics->errors.push_back(label + ": " + refusal);
        else
            CheckBitmapRows(label, header, bitmap.data.size(), diagnostics);
    }
}
