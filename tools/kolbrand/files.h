// kolbrand's Windows side: text between UTF-8 and the system's wide characters, the input
// files, and a launcher's resources read and written through the system.
#ifndef KOL_TOOLS_KOLBRAND_FILES_H
#define KOL_TOOLS_KOLBRAND_FILES_H

#include "tools/kolbrand/records.h"
#include "tools/kolbrand/resources.h"

std::string Utf8(const std::wstring& wide);

// A file's bytes, or 0 with a message.
int ReadWholeFile(const std::string& path, std::string* data, std::string* error);

// The path of a file of that name in kolbrand.exe's own folder.
std::string BesideSelf(const wchar_t* name);

// Every resource of a launcher, in every language, with its bytes.
int ReadImageResources(const std::string& path, std::vector<ImageResource>* resources,
                       std::string* error);

int ReadLauncher(const std::string& path, LauncherResources* launcher,
                 std::string* error);

// Writes into a temporary file beside the output and renames it into place only when
// every step succeeded, so a failure leaves the output as it was.
int WriteBranded(const std::string& from, const std::string& output,
                 const std::vector<ImageResource>& resources, std::string* error);

#endif
