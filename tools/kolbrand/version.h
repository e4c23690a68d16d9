// A launcher's version resource (VS_VERSIONINFO, resource type 16, name 1): its fixed file
// and product versions and the text fields of the string table that its Translation
// names, read and branded.
#ifndef KOL_TOOLS_KOLBRAND_VERSION_H
#define KOL_TOOLS_KOLBRAND_VERSION_H

#include <string>
#include <utility>
#include <vector>

struct VersionNumber {
    unsigned parts[4] = {0, 0, 0, 0};
};

// A text field by its key ("FileDescription") and its value, UTF-8.
typedef std::pair<std::string, std::string> VersionField;

struct VersionInfo {
    bool present = false;
    VersionNumber file;
    VersionNumber product;
    std::vector<VersionField> fields;  // in the resource's order
};

// What a branding changes; fields not named keep their value.
struct VersionChanges {
    bool hasVersion = false;
    VersionNumber version;  // both the file and the product version
    std::vector<VersionField> fields;
};

// Reads "a.b.c.d": four decimal numbers of at most 65535. 0 when the text isn't one.
int ParseVersionNumber(const std::string& text, VersionNumber* number);

std::string VersionText(const VersionNumber& number);

// The resource's fields; present is false for bytes that don't hold one.
VersionInfo ReadVersionInfo(const std::string& resource);

// The resource with the changes made and "OriginalFilename" set to originalFilename; from
// an empty or unreadable resource, a new one in US English. *meant receives its fields.
// "" with *refusal, naming the longest field, when a block of it would take more than the
// 65535 bytes that its lengths can give.
std::string BrandVersionResource(const std::string& resource, const VersionChanges& changes,
                                 const std::string& originalFilename, VersionInfo* meant,
                                 std::string* refusal);

// The value of the first field whose key matches without regard to case, as the system's
// version functions look a key up; null when there is none.
const std::string* FindVersionField(const VersionInfo& info, const std::string& key);

// "" when the resource gives back the numbers and fields meant, read as the system's
// version functions read it: every block within its parent, the fixed part's signature,
// each field found by its key; else the first difference.
std::string CompareVersion(const VersionInfo& meant, const std::string& resource);

#endif
