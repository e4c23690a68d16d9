/* A runtime library without the entry routine, for the launcher's error path. */
#include <windows.h>

__declspec(dllexport) int KolMainA(void)
{
    return 1;
}
