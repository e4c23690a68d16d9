# The real Windows executables: the launcher (and its variants), the demo runtime, the
# end-to-end test helpers.
enable_language(RC)

set(KOL_PRODUCT_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections ${KOL_WARNINGS})
set(KOL_PRODUCT_LINK -mwindows -nostartfiles -Wl,-e,KolEntry -static-libgcc -s
    -Wl,--gc-sections)

add_library(kol_product OBJECT ${KOL_PRODUCT_SOURCES}
    ${CMAKE_SOURCE_DIR}/platform/win32/bridge.cpp ${CMAKE_SOURCE_DIR}/platform/win32/sockets.cpp)
target_include_directories(kol_product PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(kol_product PRIVATE ${KOL_PRODUCT_FLAGS})
target_compile_definitions(kol_product PUBLIC UNICODE _UNICODE KOL_PRODUCT_CODE)

include(cmake/KolLauncher.cmake)

kol_add_launcher(launcher
    CONFIG "SplashScreenTitle=Kol Virtual Machine|SplashScreen=139x136;SPLASHSCREEN1"
    SPLASH_BITMAPS SPLASHSCREEN1=${CMAKE_SOURCE_DIR}/resources/splash.bmp)

add_subdirectory(demo)
add_subdirectory(tests/e2e)

# Start-up benchmarks under Wine (bench/startup.py): the floors that the launcher is
# measured against, and the launcher without a splash.
set(KOL_BENCH_DIR ${CMAKE_BINARY_DIR}/bench)
file(WRITE ${KOL_BENCH_DIR}/minsplash.rc "SPLASH RCDATA \"${CMAKE_SOURCE_DIR}/resources/splash.bmp\"\n")
foreach(program minloader predecessor minsplash)
    add_executable(bench_${program} WIN32 ${CMAKE_SOURCE_DIR}/bench/win/${program}.c)
    set_target_properties(bench_${program} PROPERTIES OUTPUT_NAME ${program}
        RUNTIME_OUTPUT_DIRECTORY ${KOL_BENCH_DIR})
    target_compile_options(bench_${program} PRIVATE -Os ${KOL_WARNINGS})
    target_link_options(bench_${program} PRIVATE -municode -static-libgcc -s)
endforeach()
target_sources(bench_minsplash PRIVATE ${KOL_BENCH_DIR}/minsplash.rc)
kol_add_launcher(launcher_nosplash OUTPUT_DIRECTORY ${KOL_BENCH_DIR})
