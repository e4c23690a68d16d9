// The version resource over arbitrary bytes, as kolbrand meets it in any launcher it reads:
// read, branded and read back.
// Input: the whole of it is the resource.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "check.h"
#include "tools/kolbrand/version.h"

// Every field given is found again with its value, and the original file name is the
// output's, whatever the resource held before.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string resource((const char*)data, size);
    VersionInfo before = ReadVersionInfo(resource);
    CHECK(before.present || before.fields.empty());

    VersionChanges changes;
    changes.hasVersion = true;
    changes.version.parts[0] = 65535;
    changes.version.parts[3] = 7;
    changes.fields = {{"ProductName", "Chess \xE2\x82\xAC"}};
    std::string branded = BrandVersionResource(resource, changes, "Out.exe");
    VersionInfo after = ReadVersionInfo(branded);
    CHECK(after.present);
    CHECK(VersionText(after.file) == "65535.0.0.7" && VersionText(after.product) == "65535.0.0.7");
    int found = 0;
    for (const VersionField& field : after.fields) {
        if (field.first == "ProductName")
            found += field.second == "Chess \xE2\x82\xAC";
        if (field.first == "OriginalFilename")
            found += field.second == "Out.exe";
    }
    CHECK(found == 2);
    return 0;
}
