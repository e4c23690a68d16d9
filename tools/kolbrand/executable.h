// A Windows executable read from its bytes, without the system: its headers, its sections,
// its resources, the functions it exports and the libraries it imports. Every offset and
// size is checked against the file before it is used, so any bytes at all are either read
// or refused, never read past; PE32 (32-bit) and PE32+ (64-bit) images alike.
#ifndef KOL_TOOLS_KOLBRAND_EXECUTABLE_H
#define KOL_TOOLS_KOLBRAND_EXECUTABLE_H

#include <stdint.h>

#include "tools/kolbrand/lookup.h"
#include "tools/kolbrand/records.h"

// Where a section's bytes lie in memory and in the file.
struct ImageSection {
    std::string name;
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
};

// One entry of the data directory: an address in memory and a size, both 0 when absent.
struct ImageDirectory {
    uint32_t address = 0;
    uint32_t size = 0;
};

struct ExecutableImage {
    bool pe32Plus = false;  // a 64-bit image
    bool dll = false;
    unsigned machine = 0;
    uint32_t sectionAlignment = 0;
    uint64_t headersSize = 0;
    uint64_t checksumAt = 0;  // the file offset of the optional header's checksum field
    std::vector<ImageSection> sections;
    ImageDirectory exports;
    ImageDirectory imports;
    ImageDirectory resources;
    // A signature's certificate table, whose address is a file offset, empty when the
    // directory has no entry for it; and the file offset of that entry.
    ImageDirectory certificates;
    uint64_t certificatesEntryAt = 0;
};

// The processor of a header's machine field in words: "x86 (32-bit)", "x64 (64-bit)",
// "ARM (32-bit)", "ARM64 (64-bit)", else the field's value.
std::string ArchitectureName(unsigned machine);

// Reads the headers and the section table. 0, with what is wrong in *problem (a clause
// to follow the file's name), unless the headers, every section's bytes and the resource
// directory lie within the file.
int ReadExecutable(const std::string& file, ExecutableImage* image, std::string* problem);

// The checksum that the system computes of an image: its 16-bit words summed with each
// carry added back in, the 4 bytes of the checksum field at checksumAt counted as 0, and the
// file's length added.
uint32_t ImageChecksum(const std::string& file, uint64_t checksumAt);

// Whether the image carries a signature: a certificate table of any bytes.
bool IsSigned(const ExecutableImage& image);

// The file without its signature: the certificate table's directory entry emptied, and the
// table cut off when it follows the headers and every section and ends the file, as
// signing appends it.
std::string WithoutSignature(const std::string& file, const ExecutableImage& image);

// Every resource in every language, in the directory's order, each marked with whether
// the launcher's lookup takes it on a machine of that language preference. 0 with *problem
// when the directory tree or a resource's bytes leave the file, or the tree repeats
// itself or is one the system would misread.
int ReadResources(const std::string& file, const ExecutableImage& image,
                  const LanguagePreference& preference, std::vector<ImageResource>* resources,
                  std::string* problem);

// The second of two resources that precedes (a strict order) doesn't tell apart, or null.
const ImageResource* FindRepeated(const std::vector<ImageResource>& resources,
                                  bool (*precedes)(const ImageResource&, const ImageResource&));

// Whether the image exports a function of that name, compared exactly as the system's
// lookup by name does. 0 with *problem when the export directory leaves the file.
int ExportsFunction(const std::string& file, const ExecutableImage& image,
                    const std::string& name, std::string* problem);

// The names of the libraries that the image imports, in its import directory's order, as
// the system's loader reads them: up to the first entry without a name or an address
// table. 0 with *problem when the directory or a name leaves its section.
int ReadImports(const std::string& file, const ExecutableImage& image,
                std::vector<std::string>* names, std::string* problem);

#endif
