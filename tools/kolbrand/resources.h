// A launcher's image as a list of resources: what kolbrand reads from it, and the list
// that a branded copy is written with.
#ifndef KOL_TOOLS_KOLBRAND_RESOURCES_H
#define KOL_TOOLS_KOLBRAND_RESOURCES_H

#include "tools/kolbrand/executable.h"
#include "tools/kolbrand/options.h"
#include "tools/kolbrand/records.h"

// The headers and every resource of the launcher whose file holds these bytes, or 0 with a
// message that names it and says what is wrong: not a whole executable, or not a launcher.
// A launcher is a program (not a DLL) that carries the RCDATA resource "KOLLAUNCHER", as
// kol_add_launcher makes every one.
int ReadLauncherImage(const std::string& path, const std::string& file,
                      const LanguagePreference& preference, ExecutableImage* image,
                      std::vector<ImageResource>* resources, std::string* error);

// What kolbrand reads and writes among a launcher's resources: those that the launcher's
// lookups take, and why it takes none of the others that it looks for.
LauncherResources ReadLauncherResources(const std::vector<ImageResource>& image);

// The source's resources as a branded copy carries them: names in capitals and every
// directory sorted, so that the launcher's lookups find each, and take the language of
// it that this machine prefers. A re-brand so repairs a source whose resources the
// launcher can't find.
std::vector<ImageResource> AsRewritten(const std::vector<ImageResource>& source,
                                       const LanguagePreference& preference);

// Every resource the branded copy carries: those of source that the branding leaves as
// they are, and the new ones; a new one takes the languages of the one it replaces, or
// else the language of the launcher's other resources. An empty text or bitmap is written
// as one NUL byte, which the launcher reads as empty.
std::vector<ImageResource> BrandedResources(const std::vector<ImageResource>& source,
                                            const BrandOptions& options,
                                            const LauncherResources& from,
                                            const LauncherResources& out);

// The largest launcher that kolbrand writes, and so reads back.
const uint64_t LargestOutput = (uint64_t)1 << 30;

// The most bytes that a copy of a source of sourceSize bytes written with these resources
// can take.
uint64_t WrittenSizeBound(uint64_t sourceSize, const std::vector<ImageResource>& image);

// "" when the system's resource update can write image into a copy of a source of
// sourceSize bytes, and the copy is no larger than LargestOutput; else why not.
std::string CheckWritable(const std::vector<ImageResource>& image, uint64_t sourceSize);

// "" when the resources read back from a written copy are those meant, byte for byte,
// whatever their order, the launcher's lookups find each, and its version information
// read as the system reads it gives back the version meant; else the first difference.
std::string CompareWritten(const std::vector<ImageResource>& meant, const VersionInfo& version,
                           const std::vector<ImageResource>& written);

#endif
