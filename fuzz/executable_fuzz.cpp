// The executable reader over arbitrary bytes: headers, sections, the resource tree, the
// export directory and the import directory. Input: the whole of it is the file.
#include <stddef.h>
#include <stdint.h>

#include <set>
#include <string>

#include "check.h"
#include "tools/kolbrand/executable.h"
#include "tools/kolbrand/listing.h"
#include "tools/kolbrand/resources.h"

// Whatever is read lies within the file, and the resources together are no larger than it.
static void CheckImage(const std::string& file, const ExecutableImage& image)
{
    for (const ImageSection& section : image.sections)
        CHECK(section.rawSize == 0 || (uint64_t)section.rawOffset + section.rawSize <= file.size());
    std::vector<ImageResource> resources;
    std::string problem;
    int read = ReadResources(file, image, LanguagePreference(), &resources, &problem);
    CHECK(read == problem.empty());
    CHECK(read || resources.empty());
    uint64_t total = 0;
    for (const ImageResource& resource : resources)
        total += resource.data.size();
    CHECK(total <= file.size());
    DescribeLauncher("f.exe", image, ReadLauncherResources(resources));
    // Without its signature, a file is no longer, and reads as unsigned when it reads.
    ImageChecksum(file, image.checksumAt);
    std::string unsignedFile = WithoutSignature(file, image);
    CHECK(unsignedFile.size() <= file.size());
    ExecutableImage unsignedImage;
    if (ReadExecutable(unsignedFile, &unsignedImage, &problem))
        CHECK(unsignedImage.certificates.size == 0);
    // Rewritten, every resource is found, and of each the lookup takes one language.
    std::set<std::pair<std::string, std::string>> taken;
    for (const ImageResource& resource : AsRewritten(resources, LanguagePreference())) {
        CHECK(resource.reach != ResourceMissed);
        if (resource.reach == ResourceTaken)
            CHECK(taken.insert({resource.type, resource.name}).second);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    std::string file((const char*)bytes, size);
    ExecutableImage image;
    std::string problem;
    if (!ReadExecutable(file, &image, &problem)) {
        CHECK(!problem.empty());
        return 0;
    }
    CheckImage(file, image);
    problem.clear();
    int exported = ExportsFunction(file, image, "KolMainW", &problem);
    CHECK(!exported || problem.empty());
    // Each name imported lies within the file.
    std::vector<std::string> imports;
    problem.clear();
    int read = ReadImports(file, image, &imports, &problem);
    CHECK(read == problem.empty());
    for (const std::string& name : imports)
        CHECK(name.size() < file.size());
    return 0;
}
