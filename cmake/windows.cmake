# The real Windows executables: the launcher (and its variants), the demo runtime, the
# end-to-end test helpers.
enable_language(RC)

set(KOL_PRODUCT_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections ${KOL_WARNINGS})
set(KOL_PRODUCT_LINK -municode -mwindows -static-libgcc -s -Wl,--gc-sections
    -lws2_32)

add_library(kol_product OBJECT ${KOL_PRODUCT_SOURCES}
    ${CMAKE_SOURCE_DIR}/platform/win32/bridge.cpp)
target_include_directories(kol_product PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(kol_product PRIVATE ${KOL_PRODUCT_FLAGS})
target_compile_definitions(kol_product PUBLIC UNICODE _UNICODE KOL_PRODUCT_CODE)

include(cmake/KolLauncher.cmake)

kol_add_launcher(launcher
    CONFIG "SplashScreenTitle=Kol Virtual Machine|SplashScreen=139x136;SPLASHSCREEN1"
    SPLASH_BITMAPS SPLASHSCREEN1=${CMAKE_SOURCE_DIR}/resources/splash.bmp)

add_subdirectory(demo)
add_subdirectory(tests/e2e)
