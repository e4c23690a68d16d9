# Compiles each product source for 32-bit ARM Windows, the devices' processor, against the
# mingw-w64 headers, with warnings as errors and -Wcast-align: ARM devices fault on
# misaligned reads. Compile only.
#   cmake -DCOMPILER=clang++ -DROOT=<source dir> -DSOURCES=<file of paths> -P arm-check.cmake
set(headers /usr/share/mingw-w64/include)
if(NOT EXISTS ${headers}/windows.h)
    message(FATAL_ERROR "no mingw-w64 headers in ${headers}: install mingw-w64-common")
endif()
file(STRINGS ${SOURCES} sources)
list(LENGTH sources count)
if(count EQUAL 0)
    message(FATAL_ERROR "no sources listed in ${SOURCES}")
endif()
set(failed 0)
foreach(source ${sources})
    execute_process(COMMAND ${COMPILER} --target=armv7-w64-windows-gnu -isystem ${headers}
        -I${ROOT} -std=c++17 -Os -fno-exceptions -fno-rtti -DUNICODE -D_UNICODE
        -DKOL_PRODUCT_CODE -Wall -Wextra -Werror -Wcast-align -c ${source} -o /dev/null
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        math(EXPR failed "${failed} + 1")
    endif()
endforeach()
if(failed GREATER 0)
    message(FATAL_ERROR "${failed} of ${count} product sources don't compile for ARM")
endif()
message(STATUS "${count} product sources compile for armv7-w64-windows-gnu")
