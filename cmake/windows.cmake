# The real Windows executables: the launcher (and its variants), the demo runtime, the
# end-to-end test helpers.
add_link_options(${KOL_REPRODUCIBLE_LINK})
include(cmake/KolLauncher.cmake)

kol_add_launcher(launcher CONFIG "${KOL_SHIPPED_CONFIG}" SPLASH_BITMAPS ${KOL_SHIPPED_SPLASH})

# kolbrand, the branding tool: a console program beside launcher.exe, built on the
# launcher's own parsers and checks. Resources don't depend on the architecture, so the
# 64-bit tool brands 32-bit launchers too and is built only once. --explain calls the
# launcher's decisions, so their sources are built in; the effects (registering,
# forwarding, the splash, the child process) live in other files and aren't.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KOLBRAND_PRODUCT_SOURCES)
    foreach(source launcher/merge launcher/runtime registry/filetype handoff/request
            external/plan external/discovery splash/config splash/bitmap text/strings
            text/arguments platform/win32/library_search platform/win32/files)
        list(APPEND KOLBRAND_PRODUCT_SOURCES ${CMAKE_SOURCE_DIR}/${source}.cpp)
    endforeach()
    add_executable(kolbrand ${CMAKE_SOURCE_DIR}/tools/kolbrand/main.cpp
        ${CMAKE_SOURCE_DIR}/tools/kolbrand/files.cpp ${KOLBRAND_RULES_SOURCES}
        ${KOLBRAND_PRODUCT_SOURCES})
    target_include_directories(kolbrand PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_definitions(kolbrand PRIVATE UNICODE _UNICODE KOL_TOOL_REGISTRY_VIEW)
    target_compile_options(kolbrand PRIVATE -Os ${KOL_WARNINGS})
    target_link_options(kolbrand PRIVATE -municode -static -s)
    target_link_libraries(kolbrand PRIVATE iphlpapi)
endif()

add_subdirectory(demo)
add_subdirectory(tests/e2e)

# Start-up benchmarks under Wine (bench/startup.py): the floors that the launcher is
# measured against, and the launcher without a splash.
set(KOL_BENCH_DIR ${CMAKE_BINARY_DIR}/bench)
file(WRITE ${KOL_BENCH_DIR}/minsplash.rc "SPLASH RCDATA \"${CMAKE_SOURCE_DIR}/resources/splash.bmp\"\n")
function(kol_add_bench_program name)
    add_executable(bench_${name} WIN32 ${ARGN})
    set_target_properties(bench_${name} PROPERTIES OUTPUT_NAME ${name}
        RUNTIME_OUTPUT_DIRECTORY ${KOL_BENCH_DIR})
    target_compile_options(bench_${name} PRIVATE -Os ${KOL_WARNINGS})
    target_link_options(bench_${name} PRIVATE -municode -static-libgcc -s)
endfunction()
foreach(program minloader predecessor)
    kol_add_bench_program(${program} ${CMAKE_SOURCE_DIR}/bench/win/${program}.c)
endforeach()
foreach(program minsplash minsplash_fg)
    kol_add_bench_program(${program} ${CMAKE_SOURCE_DIR}/bench/win/minsplash.c
        ${KOL_BENCH_DIR}/minsplash.rc)
endforeach()
target_compile_definitions(bench_minsplash_fg PRIVATE MINSPLASH_FOREGROUND)
kol_add_launcher(launcher_nosplash OUTPUT_DIRECTORY ${KOL_BENCH_DIR})
