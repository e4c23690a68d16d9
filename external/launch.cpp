#include "external/launch.h"

int RunExternalVm(const WCHAR*, HMODULE, HINSTANCE)
{
    // Not yet built: launch-line mode fails as if no executable were found.
    return -1;
}
