#include "tools/kolbrand/resources.h"

#include "tools/kolbrand/icons.h"
#include "tools/kolbrand/text.h"

#include <stdint.h>
#include <stdlib.h>

#include <algorithm>
#include <map>
#include <set>

static const char* const IconType = "#3";
static const char* const IconGroupType = "#14";
static const char* const IconGroupName = "#50";
static const char* const VersionType = "#16";
static const char* const VersionName = "#1";

static int IsResource(const ImageResource& resource, const std::string& type,
                      const std::string& name)
{
    return SameResourceName(resource.type, type) && SameResourceName(resource.name, name);
}

// The resource of that type and name that the launcher's lookup takes, or null.
static const ImageResource* FindResource(const std::vector<ImageResource>& image,
                                         const std::string& type, const std::string& name)
{
    for (const ImageResource& resource : image) {
        if (resource.reach == ResourceTaken && IsResource(resource, type, name))
            return &resource;
    }
    return nullptr;
}

// One NUL byte is how an empty text is written (see WrittenData): it reads as empty.
static bool ReadText(const std::vector<ImageResource>& image, const char* name, std::string* text)
{
    const ImageResource* found = FindResource(image, "TEXT", name);
    if (found != nullptr)
        *text = found->data == std::string(1, '\0') ? "" : found->data;
    return found != nullptr;
}

// The mark is kolbrand's, which finds it in any language or place.
static int CarriesMark(const std::vector<ImageResource>& resources)
{
    for (const ImageResource& resource : resources) {
        if (IsResource(resource, "#10", "KOLLAUNCHER"))
            return 1;
    }
    return 0;
}

static std::string LauncherRefusal(const ExecutableImage& image,
                                   const std::vector<ImageResource>& resources)
{
    if (image.dll)
        return "is a DLL, not a launcher";
    if (!CarriesMark(resources))
        return "is not a launcher: it lacks the resource KOLLAUNCHER that every launcher "
               "built by kol_add_launcher carries";
    return "";
}

int ReadLauncherImage(const std::string& path, const std::string& file,
                      const LanguagePreference& preference, ExecutableImage* image,
                      std::vector<ImageResource>* resources, std::string* error)
{
    std::string problem;
    if (ReadExecutable(file, image, &problem)
        && ReadResources(file, *image, preference, resources, &problem))
        problem = LauncherRefusal(*image, *resources);
    if (!problem.empty()) {
        resources->clear();
        *error = path + ": " + problem;
    }
    return problem.empty();
}

// Whether the launcher's start, or the system for it, looks the resource up.
static int IsLookedUp(const ImageResource& resource)
{
    static const char* const looked[][2] = {
        {"TEXT", "COMMANDLINE"}, {"TEXT", "LAUNCHLINE"}, {"TEXT", "CONFIG"},
        {IconGroupType, IconGroupName}, {VersionType, VersionName}};
    for (const auto& lookup : looked) {
        if (IsResource(resource, lookup[0], lookup[1]))
            return 1;
    }
    return SameResourceName(resource.type, "SPLASHSCREEN")
           || SameResourceName(resource.type, IconType);
}

static std::string Label(const ImageResource& resource)
{
    return "resource " + resource.type + "/" + resource.name + " (language " +
           std::to_string(resource.language) + ")";
}

static std::string Untaken(const ImageResource& resource)
{
    return ShownText(Label(resource)) +
           (resource.reach == ResourceMissed ? " is never found: " : " is not taken: ") +
           resource.why;
}

LauncherResources ReadLauncherResources(const std::vector<ImageResource>& image)
{
    LauncherResources launcher;
    launcher.hasCommandLine = ReadText(image, "CommandLine", &launcher.commandLine);
    launcher.hasLaunchLine = ReadText(image, "LaunchLine", &launcher.launchLine);
    launcher.hasConfig = ReadText(image, "CONFIG", &launcher.config);
    for (const ImageResource& resource : image) {
        if (resource.reach != ResourceTaken && IsLookedUp(resource))
            launcher.untaken.push_back(Untaken(resource));
        else if (resource.reach == ResourceTaken && SameResourceName(resource.type, "SPLASHSCREEN"))
            launcher.bitmaps.push_back({resource.name, resource.data, ""});
    }
    const ImageResource* group = FindResource(image, IconGroupType, IconGroupName);
    launcher.hasIcon = group != nullptr;
    if (group != nullptr)
        launcher.icons = ReadIconGroup(group->data);
    const ImageResource* version = FindResource(image, VersionType, VersionName);
    launcher.hasVersion = version != nullptr;
    if (version != nullptr)
        launcher.version = version->data;
    return launcher;
}

std::vector<ImageResource> AsRewritten(const std::vector<ImageResource>& source,
                                       const LanguagePreference& preference)
{
    std::vector<ImageResource> image = source;
    std::map<std::pair<std::string, std::string>, std::vector<size_t>> languagesOf;
    for (size_t i = 0; i < image.size(); i++) {
        image[i].type = Upper(image[i].type);
        image[i].name = Upper(image[i].name);
        languagesOf[{image[i].type, image[i].name}].push_back(i);
    }
    for (auto& entry : languagesOf) {
        std::vector<size_t>& indices = entry.second;
        std::stable_sort(indices.begin(), indices.end(), [&image](size_t a, size_t b) {
            return image[a].language < image[b].language;
        });
        std::vector<unsigned> languages;
        for (size_t index : indices)
            languages.push_back((unsigned)image[index].language);
        for (size_t k = 0; k < indices.size(); k++) {
            ImageResource& resource = image[indices[k]];
            resource.why = UntakenLanguage(languages, k, preference);
            resource.reach = resource.why.empty() ? ResourceTaken : LanguageNotTaken;
        }
    }
    return image;
}

static int ChangesVersion(const LauncherResources& from, const LauncherResources& out)
{
    return out.hasVersion && (!from.hasVersion || out.version != from.version);
}

// A resource's type and name in capitals, as the system looks it up.
typedef std::pair<std::string, std::string> ResourceKey;

static ResourceKey KeyOf(const std::string& type, const std::string& name)
{
    return {Upper(type), Upper(name)};
}

// The icon images that icon groups other than 50 show: they stay, so that those groups
// stay whole when --icon replaces group 50's images.
static std::set<int> ImagesOfOtherGroups(const std::vector<ImageResource>& source)
{
    std::set<int> ids;
    for (const ImageResource& resource : source) {
        if (!SameResourceName(resource.type, IconGroupType) ||
            SameResourceName(resource.name, IconGroupName))
            continue;
        for (const IconImage& image : ReadIconGroup(resource.data))
            ids.insert(image.id);
    }
    return ids;
}

// The resources of the source launcher that the branding replaces or removes.
static std::set<ResourceKey> ReplacedKeys(const std::vector<ImageResource>& source,
                                          const BrandOptions& options,
                                          const LauncherResources& from,
                                          const LauncherResources& out)
{
    std::set<ResourceKey> replaced;
    if (ChangesVersion(from, out))
        replaced.insert(KeyOf(VersionType, VersionName));
    if (options.lineKind != NoLine) {
        replaced.insert(KeyOf("TEXT", "COMMANDLINE"));
        replaced.insert(KeyOf("TEXT", "LAUNCHLINE"));
    }
    if (options.hasConfig)
        replaced.insert(KeyOf("TEXT", "CONFIG"));
    for (const SplashFile& splash : options.splashes)
        replaced.insert(KeyOf("SPLASHSCREEN", splash.name));
    for (const std::string& name : options.removals)
        replaced.insert(KeyOf("SPLASHSCREEN", name));
    if (options.icon.empty())
        return replaced;
    replaced.insert(KeyOf(IconGroupType, IconGroupName));
    std::set<int> shared = ImagesOfOtherGroups(source);
    for (const IconImage& image : from.icons) {
        if (shared.count(image.id) == 0)
            replaced.insert(KeyOf(IconType, "#" + std::to_string(image.id)));
    }
    return replaced;
}

// The system's resource update takes data of length 0 for a deletion. The launcher reads
// a text up to its first NUL and refuses a bitmap shorter than 54 bytes, so for those one
// NUL byte reads exactly as nothing; any other empty resource is refused by
// CheckWritable.
static std::string WrittenData(const std::string& type, const std::string& data)
{
    if (data.empty() && (SameResourceName(type, "TEXT") || SameResourceName(type, "SPLASHSCREEN")))
        return std::string(1, '\0');
    return data;
}

// The languages of each of the source's resources, and the one a new resource takes.
struct SourceLanguages {
    std::map<ResourceKey, std::vector<int>> of;
    int fallback = 0;
};

static SourceLanguages LanguagesOf(const std::vector<ImageResource>& source)
{
    SourceLanguages languages;
    for (const ImageResource& resource : source)
        languages.of[KeyOf(resource.type, resource.name)].push_back(resource.language);
    languages.fallback = source.empty() ? 0 : source[0].language;
    return languages;
}

// Adds a new resource in every language of the one it replaces, or in the fallback one.
// New names are in capitals, as the resource compiler stores them: the system's lookup
// compares stored names with the capitalised name it is asked for.
static void AddResource(const SourceLanguages& languages, const std::string& type,
                        const std::string& name, const std::string& data,
                        std::vector<ImageResource>* image)
{
    ResourceKey key = KeyOf(type, name);
    auto found = languages.of.find(key);
    if (found == languages.of.end()) {
        image->push_back({key.first, key.second, languages.fallback, WrittenData(type, data)});
        return;
    }
    for (int language : found->second)
        image->push_back({key.first, key.second, language, WrittenData(type, data)});
}

// The new icon images take the lowest numbers that the kept images leave free.
static void AddIcon(const SourceLanguages& languages, const LauncherResources& out,
                    std::vector<ImageResource>* image)
{
    std::vector<int> used;
    for (const ImageResource& resource : *image) {
        if (SameResourceName(resource.type, IconType))
            used.push_back(atoi(resource.name.c_str() + 1));
    }
    std::vector<IconImage> icons = out.icons;
    std::vector<int> ids = FreeIconIds(used, (int)icons.size());
    for (size_t i = 0; i < icons.size(); i++) {
        icons[i].id = ids[i];
        AddResource(languages, IconType, "#" + std::to_string(ids[i]), icons[i].data, image);
    }
    AddResource(languages, IconGroupType, IconGroupName, MakeIconGroup(icons), image);
}

std::vector<ImageResource> BrandedResources(const std::vector<ImageResource>& source,
                                            const BrandOptions& options,
                                            const LauncherResources& from,
                                            const LauncherResources& out)
{
    std::set<ResourceKey> replaced = ReplacedKeys(source, options, from, out);
    SourceLanguages languages = LanguagesOf(source);
    std::vector<ImageResource> image;
    for (const ImageResource& resource : source) {
        if (replaced.count(KeyOf(resource.type, resource.name)) == 0)
            image.push_back({resource.type, resource.name, resource.language,
                             WrittenData(resource.type, resource.data)});
    }
    if (options.lineKind == CommandLineKind)
        AddResource(languages, "TEXT", "COMMANDLINE", out.commandLine, &image);
    if (options.lineKind == LaunchLineKind)
        AddResource(languages, "TEXT", "LAUNCHLINE", out.launchLine, &image);
    if (options.hasConfig)
        AddResource(languages, "TEXT", "CONFIG", out.config, &image);
    for (const SplashBitmap& bitmap : out.bitmaps) {
        if (!bitmap.source.empty())
            AddResource(languages, "SPLASHSCREEN", bitmap.name, bitmap.data, &image);
    }
    if (!options.icon.empty())
        AddIcon(languages, out, &image);
    if (ChangesVersion(from, out))
        AddResource(languages, VersionType, VersionName, out.version, &image);
    return image;
}

// Type, name and language, the names without regard to case as the system compares them.
static bool Precedes(const ImageResource& a, const ImageResource& b)
{
    std::string typeA = Upper(a.type), typeB = Upper(b.type);
    if (typeA != typeB)
        return typeA < typeB;
    std::string nameA = Upper(a.name), nameB = Upper(b.name);
    if (nameA != nameB)
        return nameA < nameB;
    return a.language < b.language;
}

// Names in capitals that were two in the source, where the lookup could take only one.
static std::string FindMergedNames(const std::vector<ImageResource>& image)
{
    const ImageResource* merged = FindRepeated(image, Precedes);
    if (merged == nullptr)
        return "";
    return Label(*merged) + " is twice in the source, in names that differ in small "
           "and capital letters: written in capitals, as the system looks names up, the two "
           "would be one";
}

// What a resource may add to the written file besides its data: its entries, directories
// and data entry, its names, and padding.
static const uint64_t ResourceOverhead = 96;
// What the sections' alignment may add.
static const uint64_t AlignmentSlack = 1 << 20;

uint64_t WrittenSizeBound(uint64_t sourceSize, const std::vector<ImageResource>& image)
{
    uint64_t size = sourceSize + AlignmentSlack;
    for (const ImageResource& resource : image)
        size += resource.data.size() + ResourceOverhead +
                2 * (resource.type.size() + resource.name.size());
    return size;
}

std::string CheckWritable(const std::vector<ImageResource>& image, uint64_t sourceSize)
{
    for (const ImageResource& resource : image) {
        if (resource.data.empty())
            return Label(resource) + " is empty, and the system's resource update cannot write "
                                     "an empty resource";
        if (FirstHighByte(resource.type + resource.name) >= 0)
            return Label(resource) + " has a name with a character outside ASCII: kolbrand "
                   "writes names in capitals, as the system looks them up, and knows the "
                   "capitals of ASCII letters only (the launcher never looks such a name up)";
    }
    uint64_t size = WrittenSizeBound(sourceSize, image);
    if (size > LargestOutput)
        return "it would take up to " + std::to_string(size >> 20) + " MB, more than the " +
               std::to_string(LargestOutput >> 20) + " MB that kolbrand writes (the system's "
               "resource update fails on 2 GB)";
    return FindMergedNames(image);
}

static std::vector<ImageResource> Sorted(std::vector<ImageResource> image)
{
    std::stable_sort(image.begin(), image.end(), Precedes);
    return image;
}

std::string CompareWritten(const std::vector<ImageResource>& meant, const VersionInfo& version,
                           const std::vector<ImageResource>& written)
{
    for (const ImageResource& resource : written) {
        if (resource.reach == ResourceMissed)
            return "the system's lookup never finds the written copy's " + Label(resource) +
                   ": " + resource.why;
    }
    std::vector<ImageResource> want = Sorted(meant), have = Sorted(written);
    size_t i = 0, j = 0;
    while (i < want.size() || j < have.size()) {
        if (j == have.size() || (i < want.size() && Precedes(want[i], have[j])))
            return "the written copy lacks " + Label(want[i]);
        if (i == want.size() || Precedes(have[j], want[i]))
            return "the written copy holds " + Label(have[j]) + ", which was to go";
        if (want[i].data != have[j].data)
            return "the written copy's " + Label(want[i]) + " differs from what was written (" +
                   std::to_string(have[j].data.size()) + " bytes instead of " +
                   std::to_string(want[i].data.size()) + ")";
        i++;
        j++;
    }
    const ImageResource* versionWritten = FindResource(have, VersionType, VersionName);
    if (!version.present || versionWritten == nullptr)
        return "";
    return CompareVersion(version, versionWritten->data);
}
