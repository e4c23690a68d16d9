// kolbrand's readers over arbitrary bytes: an .ico file and a CONFIG text.
// Input: the whole of it is both the icon file and the CONFIG.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "check.h"
#include "tools/kolbrand/config.h"
#include "tools/kolbrand/icons.h"

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    std::string data((const char*)bytes, size);
    ReadIcon(data);
    Diagnostics diagnostics;
    CheckConfig("c.txt", data, {{"A", data, ""}}, &diagnostics);
    for (const std::string& message : diagnostics.errors)
        CHECK(message.compare(0, 7, "c.txt: ") == 0);
    ReadIconGroup(data);
    return 0;
}
