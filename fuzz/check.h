// The fuzz targets' assertion: unlike assert, it stays on in every build, and it names
// the failed condition before libFuzzer saves the input.
#ifndef KOL_FUZZ_CHECK_H
#define KOL_FUZZ_CHECK_H

#include <stdio.h>
#include <stdlib.h>

#define CHECK(condition)                                                                   \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #condition);        \
            abort();                                                                       \
        }                                                                                  \
    } while (0)

#endif
