// kolbrand --explain: what a launcher would do if started now with a raw command line, on
// this machine's registry and files, told in the order in which the launcher decides. It
// calls the launcher's own decision functions and carries nothing out: no registry write,
// no window, no message, no socket, no process; no code of the launcher or of the runtime
// library runs. Like the launcher, it keeps what the decisions allocate until the
// process ends.
#ifndef KOL_TOOLS_KOLBRAND_EXPLAIN_H
#define KOL_TOOLS_KOLBRAND_EXPLAIN_H

#include "platform/platform.h"

#include "tools/kolbrand/records.h"

#include <functional>
#include <string>
#include <vector>

// What explaining another launcher file needs from the system around it.
struct ExplainInputs {
    HMODULE module = NULL;         // the launcher's image, for its resources
    std::u16string launcherPath;   // its full path, as it would learn it when started
    unsigned machine = 0;          // its processor, from its header
    std::u16string line;           // the raw command line of the start explained
    int screenWidth = 0;
    int screenHeight = 0;
    bool screenGiven = false;      // --screen, rather than this display's size
    std::u16string systemFolder;   // Windows' system folder as the launcher would see it
    // The bytes of a file, or 0 when it can't be read.
    std::function<int(const std::u16string& path, std::string* bytes)> readFile;
    // The TCP sockets that listen now, on any address and port.
    std::function<std::vector<ListeningSocket>()> listeningSockets;
    // Whether another start holds the named mark now: it is starting that instance.
    std::function<bool(const WCHAR* markName)> isMarkHeld;
};

struct Explanation {
    std::string report;
    // 0 when the start would reach the machine or a running instance (or only register);
    // 1 when it would end in an error message. Where it can't be told whether a machine
    // takes a forwarded command, that of the start that goes on without it.
    int exitCode = 0;
};

Explanation ExplainStart(const ExplainInputs& inputs);

#endif
