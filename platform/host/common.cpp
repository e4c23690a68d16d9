#include "platform/host/internal.h"

static std::vector<std::string> callLog;
// Kept across HostReset, which tests call between their cases.
static std::vector<std::string> misuses;

std::recursive_mutex& HostLock()
{
    static std::recursive_mutex lock;
    return lock;
}

void HostLog(const char* name)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    callLog.push_back(name);
}

std::vector<std::string> HostCallLog()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return callLog;
}

void HostMisuse(const std::string& what)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    misuses.push_back(what);
}

std::vector<std::string> HostTakeMisuses()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    std::vector<std::string> taken;
    taken.swap(misuses);
    return taken;
}

bool HostCalled(const std::string& name)
{
    for (const std::string& call : HostCallLog()) {
        if (call == name)
            return true;
    }
    return false;
}

std::u16string HostText(const WCHAR* text)
{
    return text == NULL ? std::u16string() : std::u16string(text);
}

std::u16string HostFold(const std::u16string& text)
{
    std::u16string folded = text;
    for (char16_t& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = (char16_t)(c - 'A' + 'a');
    }
    return folded;
}

std::u16string HostWide(const std::string& utf8)
{
    std::u16string wide;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = (unsigned char)utf8[i];
        uint32_t code;
        int extra;
        if (c < 0x80) {
            code = c;
            extra = 0;
        } else if (c < 0xE0) {
            code = c & 0x1F;
            extra = 1;
        } else if (c < 0xF0) {
            code = c & 0x0F;
            extra = 2;
        } else {
            code = c & 0x07;
            extra = 3;
        }
        i++;
        for (int k = 0; k < extra && i < utf8.size(); k++, i++)
            code = (code << 6) | ((unsigned char)utf8[i] & 0x3F);
        if (code >= 0x10000) {
            code -= 0x10000;
            wide.push_back((char16_t)(0xD800 + (code >> 10)));
            wide.push_back((char16_t)(0xDC00 + (code & 0x3FF)));
        } else {
            wide.push_back((char16_t)code);
        }
    }
    return wide;
}

std::string HostNarrow(const std::u16string& wide)
{
    std::string utf8;
    for (size_t i = 0; i < wide.size(); i++) {
        uint32_t code = wide[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < wide.size()) {
            code = 0x10000 + ((code - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            i++;
        }
        if (code < 0x80) {
            utf8.push_back((char)code);
        } else if (code < 0x800) {
            utf8.push_back((char)(0xC0 | (code >> 6)));
            utf8.push_back((char)(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            utf8.push_back((char)(0xE0 | (code >> 12)));
            utf8.push_back((char)(0x80 | ((code >> 6) & 0x3F)));
            utf8.push_back((char)(0x80 | (code & 0x3F)));
        } else {
            utf8.push_back((char)(0xF0 | (code >> 18)));
            utf8.push_back((char)(0x80 | ((code >> 12) & 0x3F)));
            utf8.push_back((char)(0x80 | ((code >> 6) & 0x3F)));
            utf8.push_back((char)(0x80 | (code & 0x3F)));
        }
    }
    return utf8;
}

void HostReset()
{
    // Threads first: they may still be using the windows and drawing state.
    HostResetThreads();
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    callLog.clear();
    HostResetRegistry();
    HostResetModules();
    HostResetFiles();
    HostResetProcesses();
    HostResetWindows();
    HostResetGdi();
    HostResetSockets();
    HostResetHeap();
}
