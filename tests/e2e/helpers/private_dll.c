/* A runtime's private library, which it imports from its own folder. A planted copy of the
   same name is built with another PRIVATE_VALUE (tests/e2e/CMakeLists.txt), so that the
   runtime's result tells which copy the system took. */
#include <windows.h>

#ifndef PRIVATE_VALUE
#define PRIVATE_VALUE 7
#endif

__declspec(dllexport) int PrivateValue(void)
{
    return PRIVATE_VALUE;
}
