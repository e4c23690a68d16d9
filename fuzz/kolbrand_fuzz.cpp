// kolbrand's readers and checks over arbitrary bytes: an .ico file, a CONFIG file and a
// splash bitmap, each checked alone and then all three in one branding.
// Input: the whole of it is the icon file, the CONFIG file and the bitmap.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "check.h"
#include "tools/kolbrand/bitmaps.h"
#include "tools/kolbrand/config.h"
#include "tools/kolbrand/icons.h"
#include "tools/kolbrand/plan.h"

// An icon file is either read whole or refused with a reason, and what is read survives
// the trip through an icon group resource.
static void ReadIcon(const std::string& data)
{
    std::string error;
    std::vector<IconImage> images = ReadIcoFile("f.ico", data, &error);
    CHECK(images.empty() != error.empty());
    for (size_t i = 0; i < images.size(); i++) {
        CHECK(images[i].width >= 1 && images[i].width <= 256);
        CHECK(images[i].data.size() <= data.size());
        images[i].id = (int)i + 1;
    }
    std::vector<IconImage> group = ReadIconGroup(MakeIconGroup(images));
    CHECK(group.size() == images.size());
    for (size_t i = 0; i < group.size(); i++) {
        CHECK(group[i].width == images[i].width && group[i].height == images[i].height);
        CHECK(group[i].bits == images[i].bits && group[i].id == images[i].id);
    }
}

// A bitmap that isn't refused is one the launcher makes, within the size bound.
static void CheckSplash(const std::string& data)
{
    BitmapHeader header;
    std::string refusal = SplashRefusal({"A", data, "a.bmp"}, &header);
    if (refusal.empty())
        CHECK((uint64_t)header.stride * (uint64_t)header.height <= LargestSplashPixelBytes);
}

// Every message names the input it is about.
static void Brand(const std::string& data)
{
    BrandOptions options;
    std::string error;
    CHECK(ParseBrandOptions({"o.exe", "--config-file", "c.txt", "--splash", "A=a.bmp",
                             "--icon", "i.ico"},
                            &options, &error));
    BrandInputs inputs;
    inputs.fromPath = "l.exe";
    inputs.configFileData = data;
    inputs.splashData = {data};
    inputs.iconData = data;
    Diagnostics diagnostics;
    PlanBrand(options, inputs, &diagnostics);
    for (const std::string& message : diagnostics.errors)
        CHECK(message.compare(0, 7, "c.txt: ") == 0 || message.compare(0, 7, "a.bmp: ") == 0
              || message.compare(0, 7, "i.ico: ") == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    std::string data((const char*)bytes, size);
    ReadIcon(data);
    CheckSplash(data);
    Diagnostics diagnostics;
    CheckConfig("c.txt", data, false, {{"A", data, ""}}, &diagnostics);
    for (const std::string& message : diagnostics.errors)
        CHECK(message.compare(0, 7, "c.txt: ") == 0);
    ReadIconGroup(data);
    Brand(data);
    return 0;
}
