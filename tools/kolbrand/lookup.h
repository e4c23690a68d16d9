// How the system finds a resource when the launcher asks for one by type and name, with no
// language (FindResourceW): at each level of the tree, a binary search for the name in
// capitals among the named entries, or for the number among the numbered ones, in the
// order the file lists them; then, among the languages, the first of the system's
// preferences that is there, else the first language listed. An entry that these searches
// never land on is one the launcher never takes.
#ifndef KOL_TOOLS_KOLBRAND_LOOKUP_H
#define KOL_TOOLS_KOLBRAND_LOOKUP_H

#include <string>
#include <vector>

// The languages by which desktop Windows (Vista and later) chooses among a resource's
// languages (LANGIDs): the thread's preferred UI languages, in order, then the user's and
// the system's UI language. Locales play no part; Windows CE chooses by them instead.
struct LanguagePreference {
    std::vector<unsigned> thread;
    unsigned user = 0x409;
    unsigned system = 0x409;
};

// The entries of one directory of the tree, in the file's order: the named ones, which the
// file lists first, and then the numbered ones.
struct DirectoryKeys {
    std::vector<std::u16string> names;
    std::vector<unsigned> numbers;
};

// Why a lookup naming no language doesn't take language index of languages: "" when it does.
std::string UntakenLanguage(const std::vector<unsigned>& languages, size_t index,
                            const LanguagePreference& preference);

// Why the system's search for its own name never lands on entry index of the directory
// (the named entries first, then the numbered ones), whose entries are those of what ("the
// types", "the names of type TEXT"); "" when it does.
std::string MissedEntry(const DirectoryKeys& keys, size_t index, const std::string& what);

#endif
