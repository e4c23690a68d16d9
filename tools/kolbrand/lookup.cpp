#include "tools/kolbrand/lookup.h"

#include "tools/kolbrand/text.h"

// wcsncmp over the stored name's length, as the system compares: code units unsigned, and
// the asked name's end taking part as a 0.
static int CompareWithStored(const std::u16string& name, const std::u16string& stored)
{
    for (size_t i = 0; i < stored.size(); i++) {
        char16_t asked = i < name.size() ? name[i] : 0;
        if (asked != stored[i])
            return asked < stored[i] ? -1 : 1;
        if (asked == 0)
            return 0;
    }
    return 0;
}

// The index in keys.names of the entry that the system's search for name lands on, or -1.
static int SearchNamedEntry(const DirectoryKeys& keys, const std::u16string& name)
{
    int low = 0;
    int high = (int)keys.names.size() - 1;
    while (low <= high) {
        int middle = (low + high) / 2;
        const std::u16string& stored = keys.names[(size_t)middle];
        int order = CompareWithStored(name, stored);
        if (order == 0 && name.size() == stored.size())
            return middle;
        if (order < 0)
            high = middle - 1;
        else
            low = middle + 1;
    }
    return -1;
}

// The index in numbers of the entry that the system's search for number lands on, or -1.
static int SearchNumbers(const std::vector<unsigned>& numbers, unsigned number)
{
    int low = 0;
    int high = (int)numbers.size() - 1;
    while (low <= high) {
        int middle = (low + high) / 2;
        unsigned stored = numbers[(size_t)middle];
        if (stored == number)
            return middle;
        if (stored > number)
            high = middle - 1;
        else
            low = middle + 1;
    }
    return -1;
}

// The languages tried, in order, as Windows documents its resource loader's fallback:
// each preferred UI language, the thread's and then the user's and the system's, and
// after each its primary language alone (neutral sublanguage); then the neutral language
// and US English. That UI languages, not locales, decide is certain; where the neutral
// language and US English stand is as documented, not observed here.
static std::vector<unsigned> TriedLanguages(const LanguagePreference& preference)
{
    std::vector<unsigned> preferred = preference.thread;
    preferred.push_back(preference.user);
    preferred.push_back(preference.system);
    std::vector<unsigned> tried;
    for (unsigned language : preferred) {
        tried.push_back(language);
        tried.push_back(language & 0x3FF);
    }
    tried.push_back(0);
    tried.push_back(0x409);
    return tried;
}

// The index in languages of the one that a lookup naming none takes; -1 when there is none.
static int TakenLanguage(const std::vector<unsigned>& languages,
                         const LanguagePreference& preference)
{
    for (unsigned language : TriedLanguages(preference)) {
        int found = SearchNumbers(languages, language);
        if (found >= 0)
            return found;
    }
    return languages.empty() ? -1 : 0;
}

std::string UntakenLanguage(const std::vector<unsigned>& languages, size_t index,
                            const LanguagePreference& preference)
{
    int taken = TakenLanguage(languages, preference);
    if (taken == (int)index)
        return "";
    std::string language = std::to_string(languages[index]);
    for (unsigned tried : TriedLanguages(preference)) {
        if (tried == languages[index] && SearchNumbers(languages, tried) != (int)index)
            return "its languages are out of order, and the system's search, which expects "
                   "them sorted, misses language " + language;
    }
    return "the system takes language " + std::to_string(languages[(size_t)taken]) +
           " of it instead, by this machine's language preferences";
}

static bool HasSmallLetters(const std::u16string& name)
{
    for (char16_t c : name) {
        if (c >= 'a' && c <= 'z')
            return true;
    }
    return false;
}

std::string MissedEntry(const DirectoryKeys& keys, size_t index, const std::string& what)
{
    bool named = index < keys.names.size();
    int found = named ? SearchNamedEntry(keys, keys.names[index])
                      : SearchNumbers(keys.numbers, keys.numbers[index - keys.names.size()]);
    if (named && HasSmallLetters(keys.names[index]))
        return "\"" + ShownText(Utf8FromUtf16(keys.names[index])) + "\" is stored in small "
               "letters, and the system looks " + what + " up in capitals";
    size_t position = named ? index : index - keys.names.size();
    if (found == (int)position)
        return "";
    std::string key = named ? "\"" + ShownText(Utf8FromUtf16(keys.names[index])) + "\""
                            : "#" + std::to_string(keys.numbers[position]);
    if (found >= 0)
        return key + " is listed twice among " + what + ", and the system's search lands on "
               "the other one";
    return what + " are out of order, and the system's search, which expects them sorted, "
                  "misses " + key;
}
