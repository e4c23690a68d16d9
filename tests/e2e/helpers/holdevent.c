/* Stands for a process that holds a starting mark and never starts a machine: creates the
 * named event, says "held" on its output, and ends after MS milliseconds.
 *   holdevent NAME MS */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: holdevent NAME MS\n");
        return 2;
    }
    HANDLE event = CreateEventW(NULL, TRUE, FALSE, argv[1]);
    if (event == NULL || GetLastError() == ERROR_ALREADY_EXISTS) {
        fprintf(stderr, "holdevent: %s\n", event == NULL ? "not created" : "already held");
        return 1;
    }
    puts("held");
    fflush(stdout);
    Sleep((DWORD)_wtoi(argv[2]));
    CloseHandle(event);
    return 0;
}
