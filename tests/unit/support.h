// Shared pieces of the unit tests. CTest runs every test case in a process of its own;
// run as one process, each test still starts with the launcher's configuration unread.
#ifndef KOL_TESTS_UNIT_SUPPORT_H
#define KOL_TESTS_UNIT_SUPPORT_H

#include <gtest/gtest.h>

#include <string>

#include "platform/host/host.h"
#include "splash/config.h"

// A fixture that starts and ends every test with a clean stand-in, and fails a test that
// misused the API.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HostReset();
        ForgetLoadedConfig();
    }
    void TearDown() override
    {
        EXPECT_EQ(std::vector<std::string>(), HostTakeMisuses());
        HostReset();
    }
};

// Readable UTF-16 literals from UTF-8 in tests.
inline std::u16string W(const std::string& utf8)
{
    return HostWide(utf8);
}

// Prints wide text in failure messages.
inline std::string Show(const std::u16string& text)
{
    std::string shown;
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown.push_back((char)c);
        } else {
            char code[12];
            snprintf(code, sizeof(code), "\\u%04X", (unsigned)c);
            shown += code;
        }
    }
    return shown;
}

#endif
