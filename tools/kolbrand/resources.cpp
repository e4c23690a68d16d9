#include "tools/kolbrand/resources.h"

#include "tools/kolbrand/icons.h"
#include "tools/kolbrand/text.h"

#include <stdint.h>
#include <stdlib.h>

#include <algorithm>

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

static int IsOldIconImage(const ImageResource& resource, const LauncherResources& from)
{
    for (const IconImage& image : from.icons) {
        if (IsResource(resource, IconType, "#" + std::to_string(image.id)))
            return 1;
    }
    return 0;
}

// The first resource of that type and name, or null.
static const ImageResource* FindResource(const std::vector<ImageResource>& image,
                                         const std::string& type, const std::string& name)
{
    for (const ImageResource& resource : image) {
        if (IsResource(resource, type, name))
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

static std::string LauncherRefusal(const ExecutableImage& image,
                                   const std::vector<ImageResource>& resources)
{
    if (image.dll)
        return "is a DLL, not a launcher";
    if (FindResource(resources, "#10", "KOLLAUNCHER") == nullptr)
        return "is not a launcher: it lacks the resource KOLLAUNCHER that every launcher "
               "built by kol_add_launcher carries";
    return "";
}

int ReadLauncherImage(const std::string& path, const std::string& file,
                      std::vector<ImageResource>* resources, std::string* error)
{
    ExecutableImage image;
    std::string problem;
    if (ReadExecutable(file, &image, &problem) && ReadResources(file, image, resources, &problem))
        problem = LauncherRefusal(image, *resources);
    if (!problem.empty()) {
        resources->clear();
        *error = path + ": " + problem;
    }
    return problem.empty();
}

LauncherResources ReadLauncherResources(const std::vector<ImageResource>& image)
{
    LauncherResources launcher;
    launcher.hasCommandLine = ReadText(image, "CommandLine", &launcher.commandLine);
    launcher.hasLaunchLine = ReadText(image, "LaunchLine", &launcher.launchLine);
    launcher.hasConfig = ReadText(image, "CONFIG", &launcher.config);
    for (const ImageResource& resource : image) {
        if (SameResourceName(resource.type, "SPLASHSCREEN")
            && FindResource(image, resource.type, resource.name) == &resource)
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

static int ChangesVersion(const LauncherResources& from, const LauncherResources& out)
{
    return out.hasVersion && (!from.hasVersion || out.version != from.version);
}

// Whether the branding replaces or removes a resource of the source launcher.
static int IsReplaced(const ImageResource& resource, const BrandOptions& options,
                      const LauncherResources& from, const LauncherResources& out)
{
    if (ChangesVersion(from, out) && IsResource(resource, VersionType, VersionName))
        return 1;
    if (options.lineKind != NoLine
        && (IsResource(resource, "TEXT", "COMMANDLINE") || IsResource(resource, "TEXT", "LAUNCHLINE")))
        return 1;
    if (options.hasConfig && IsResource(resource, "TEXT", "CONFIG"))
        return 1;
    if (SameResourceName(resource.type, "SPLASHSCREEN")) {
        for (const SplashFile& splash : options.splashes)
            if (SameResourceName(resource.name, splash.name))
                return 1;
        for (const std::string& name : options.removals)
            if (SameResourceName(resource.name, name))
                return 1;
    }
    return !options.icon.empty()
           && (IsResource(resource, IconGroupType, IconGroupName) || IsOldIconImage(resource, from));
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

// Adds a new resource in every language of the one it replaces, or in the default one.
static void AddResource(const std::vector<ImageResource>& source, const std::string& type,
                        const std::string& name, const std::string& data,
                        std::vector<ImageResource>* image)
{
    int languages = 0;
    for (const ImageResource& old : source) {
        if (IsResource(old, type, name)) {
            image->push_back({old.type, old.name, old.language, WrittenData(type, data)});
            languages++;
        }
    }
    if (languages == 0)
        image->push_back({type, name, source.empty() ? 0 : source[0].language,
                          WrittenData(type, data)});
}

// The new icon images take the lowest numbers that the kept images leave free.
static void AddIcon(const std::vector<ImageResource>& source, const LauncherResources& out,
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
        AddResource(source, IconType, "#" + std::to_string(ids[i]), icons[i].data, image);
    }
    AddResource(source, IconGroupType, IconGroupName, MakeIconGroup(icons), image);
}

std::vector<ImageResource> BrandedResources(const std::vector<ImageResource>& source,
                                            const BrandOptions& options,
                                            const LauncherResources& from,
                                            const LauncherResources& out)
{
    std::vector<ImageResource> image;
    for (const ImageResource& resource : source) {
        if (!IsReplaced(resource, options, from, out))
            image.push_back({resource.type, resource.name, resource.language,
                             WrittenData(resource.type, resource.data)});
    }
    // New names in capitals, as the resource compiler stores them: the system's lookup
    // compares stored names with the capitalised name it is asked for.
    if (options.lineKind == CommandLineKind)
        AddResource(source, "TEXT", "COMMANDLINE", out.commandLine, &image);
    if (options.lineKind == LaunchLineKind)
        AddResource(source, "TEXT", "LAUNCHLINE", out.launchLine, &image);
    if (options.hasConfig)
        AddResource(source, "TEXT", "CONFIG", out.config, &image);
    for (const SplashBitmap& bitmap : out.bitmaps) {
        if (!bitmap.source.empty())
            AddResource(source, "SPLASHSCREEN", Upper(bitmap.name), bitmap.data, &image);
    }
    if (!options.icon.empty())
        AddIcon(source, out, &image);
    if (ChangesVersion(from, out))
        AddResource(source, VersionType, VersionName, out.version, &image);
    return image;
}

static std::string Label(const ImageResource& resource)
{
    return "resource " + resource.type + "/" + resource.name + " (language " +
           std::to_string(resource.language) + ")";
}

std::string CheckWritable(const std::vector<ImageResource>& image)
{
    uint64_t total = 0;
    for (const ImageResource& resource : image) {
        if (resource.data.empty())
            return Label(resource) + " is empty, and the system's resource update cannot write "
                                     "an empty resource";
        total += resource.data.size();
    }
    if (total > LargestResourceTotal)
        return "the resources would take " + std::to_string(total >> 20) + " MB; kolbrand "
               "writes at most " + std::to_string(LargestResourceTotal >> 20) + " MB (the "
               "system's resource update fails on 2 GB)";
    return "";
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

static std::vector<ImageResource> Sorted(std::vector<ImageResource> image)
{
    std::stable_sort(image.begin(), image.end(), Precedes);
    return image;
}

std::string CompareWritten(const std::vector<ImageResource>& meant,
                           const std::vector<ImageResource>& written)
{
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
    return "";
}
