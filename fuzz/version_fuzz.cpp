// The version resource over arbitrary bytes, as kolbrand meets it in any launcher it reads:
// read, branded and read back.
// Input: the whole of it is the resource.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "check.h"
#include "tools/kolbrand/text.h"
#include "tools/kolbrand/version.h"

// The value of the first field of a key in capitals, as the system's version functions
// find it, whatever the case of the key.
static std::string FirstValue(const VersionInfo& info, const std::string& key)
{
    for (const VersionField& field : info.fields) {
        if (Upper(field.first) == key)
            return field.second;
    }
    return "(none)";
}

// Every field given is found again with its value, and the original file name is the
// output's, whatever the resource held before; what is written reads back as meant, or is
// refused.
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
    VersionInfo meant;
    std::string refusal;
    std::string branded = BrandVersionResource(resource, changes, "Out.exe", &meant, &refusal);
    CHECK(refusal.empty() == !branded.empty());
    if (!refusal.empty())
        return 0;
    CHECK(CompareVersion(meant, branded).empty());
    VersionInfo after = ReadVersionInfo(branded);
    CHECK(after.present);
    CHECK(VersionText(after.file) == "65535.0.0.7" && VersionText(after.product) == "65535.0.0.7");
    CHECK(FirstValue(after, "PRODUCTNAME") == "Chess \xE2\x82\xAC");
    CHECK(FirstValue(after, "ORIGINALFILENAME") == "Out.exe");
    return 0;
}
