// kolbrand's Windows side: text between UTF-8 and the system's wide characters, the
// console, the input files, and a branded copy written through the system.
#ifndef KOL_TOOLS_KOLBRAND_FILES_H
#define KOL_TOOLS_KOLBRAND_FILES_H

#include "tools/kolbrand/records.h"
#include "tools/kolbrand/resources.h"

#include <winsock2.h>
#include <windows.h>

std::string Utf8(const std::wstring& wide);

// UTF-8 text to the standard output or error: in the console's own characters when it is
// a console, as UTF-8 bytes when it is a file or a pipe.
void WriteOutput(const std::string& text);
void WriteError(const std::string& text);

// A file's bytes, or 0 with a message.
int ReadWholeFile(const std::string& path, std::string* data, std::string* error);

// The path of a file of that name in kolbrand.exe's own folder, however long its path; ""
// when the system doesn't give kolbrand's own.
std::string BesideSelf(const wchar_t* name);

// The full path of a file named on the command line.
std::wstring FullPathOf(const std::string& path);

// Windows' system folder as a program for that processor (its header's machine field)
// sees it: a 32-bit one on 64-bit Windows sees SysWOW64.
std::wstring SystemFolderFor(unsigned machine);

// The TCP sockets listening now, IPv4 and IPv6, from the system's tables of connections:
// no socket is made to find out. The tables don't tell whether an IPv6 socket takes IPv4
// too.
std::vector<ListeningSocket> ListeningSockets(void);

// Whether a named event exists now, without making one: a start under way holds one.
bool IsNamedEventHeld(const wchar_t* name);

// The languages that this machine's system prefers for its resource lookups.
LanguagePreference LanguagesOfThisMachine(void);

// The launcher at path: its bytes, headers and every resource, or 0 with a message.
int ReadLauncherFile(const std::string& path, std::string* file, ExecutableImage* image,
                     std::vector<ImageResource>* resources, std::string* error);

// The file at a full path loaded as data, for the system's resource lookups; null with
// *problem when it can't be.
HMODULE LoadResourcesOf(const std::wstring& path, std::string* problem);

// Whether two paths name one file, however they spell it (the launcher's own comparison:
// paths of which one can't be opened are compared by their letters).
bool IsSameFilePath(const std::string& a, const std::string& b);

// Writes the source's bytes with these resources into a temporary file beside the output,
// reads it back, sets its checksum, and renames it into place only when it holds exactly
// those resources and its version information gives back the fields meant. Whatever
// fails, and on Ctrl+C, Ctrl+Break or a closed console, the temporary file is removed and
// the output stays as it was.
int WriteBranded(const std::string& sourceFile, const std::string& output,
                 const std::vector<ImageResource>& resources, const VersionInfo& version,
                 std::string* error);

#endif
