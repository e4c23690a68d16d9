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

// The full path of a file named on the command line.
std::wstring FullPathOf(const std::string& path);

// Windows' system folder as a program for that processor (its header's machine field)
// sees it: a 32-bit one on 64-bit Windows sees SysWOW64.
std::wstring SystemFolderFor(unsigned machine);

// Whether something listens on the loopback TCP port now, on 127.0.0.1 or on every
// address, from the system's table of connections: no socket is made to find out.
bool IsListeningOnLoopback(unsigned port);

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
