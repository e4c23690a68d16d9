// MergeCommandLine over arbitrary resource bytes and user text.
// Input: one byte n, then n bytes of resource, then the user's line, one character per
// byte, up to the first NUL byte.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "check.h"
#include "launcher/merge.h"
#include "platform/host/host.h"

// The resource's first line, widened byte by byte as signed values.
static std::u16string EmbeddedLine(const std::string& resource)
{
    std::u16string line;
    for (char byte : resource) {
        if (byte == 0 || byte == '\n' || byte == '\r')
            break;
        line.push_back((char16_t)(int16_t)(signed char)byte);
    }
    return line;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    size_t resourceSize = data[0] < size - 1 ? data[0] : size - 1;
    std::string resource((const char*)data + 1, resourceSize);
    std::u16string user;
    for (size_t i = 1 + resourceSize; i < size && data[i] != 0; i++)
        user.push_back(data[i]);

    HostAddResource(HostMainModule(), u"CommandLine", u"Text", resource);
    HRSRC found = FindResourceW(HostMainModule(), TEXT("CommandLine"), TEXT("Text"));
    CHECK(found != NULL);

    // Exactly the line and its NUL, so that a read past the end trips the sanitizer.
    WCHAR* line = (WCHAR*)malloc((user.size() + 1) * sizeof(WCHAR));
    memcpy(line, user.c_str(), (user.size() + 1) * sizeof(WCHAR));
    const WCHAR* merged = MergeCommandLine(HostMainModule(), found, line);
    CHECK(merged != NULL);

    std::u16string embedded = EmbeddedLine(resource);
    size_t limit = 2 * user.size() + embedded.size() + 2;
    size_t length = 0;
    while (length <= limit && merged[length] != 0)
        length++;
    CHECK(length <= limit);
    std::u16string result(merged, length);
    CHECK(result.find(embedded) != std::u16string::npos);
    if (user.empty())
        CHECK(result == embedded);
    CHECK(std::u16string(line) == user);

    // Nothing outlives the run, so that the leak check at exit sees a clean process.
    free(line);
    HostFreeProductAllocations();
    HostReset();
    return 0;
}
