# Launchers with other splash configurations and bitmaps, for test_splash.py. The bitmaps
# are drawn at configure time into ${KOL_VARIANTS_DIR}/splash-bitmaps.
set(splashBitmaps ${KOL_VARIANTS_DIR}/splash-bitmaps)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_LIST_DIR}/splash_bitmaps.py)
find_program(PYTHON3 python3 REQUIRED)
execute_process(COMMAND ${PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/splash_bitmaps.py ${splashBitmaps}
    COMMAND_ERROR_IS_FATAL ANY)

kol_add_launcher(splash_none
    OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/splash_none)
# On 240x320 the full-screen entry wins over the shipped one.
kol_add_launcher(splash_fullscreen
    CONFIG "SplashScreenTitle=Full|SplashScreen=139x136;SMALL|SplashScreen=240x320;FULL"
    SPLASH_BITMAPS SMALL=${CMAKE_SOURCE_DIR}/resources/splash.bmp
        FULL=${splashBitmaps}/full_240x320.bmp
    OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/splash_fullscreen)
# The first entry stays although it doesn't fit: the second exceeds it in neither side.
kol_add_launcher(splash_oversize
    CONFIG "SplashScreen=480x640;BIG|SplashScreen=200x200;MID"
    SPLASH_BITMAPS BIG=${splashBitmaps}/big_480x640.bmp MID=${splashBitmaps}/mid_200x200.bmp
    OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/splash_oversize)
foreach(picture palette1_139x136 palette4_100x80 palette8_120x90 topdown_139x136
        huge_65535x65535)
    string(REGEX REPLACE "_.*" "" name ${picture})
    string(REGEX REPLACE ".*_" "" size ${picture})
    kol_add_launcher(splash_${name}
        CONFIG "SplashScreen=${size};PICTURE"
        SPLASH_BITMAPS PICTURE=${splashBitmaps}/${picture}.bmp
        OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/splash_${name})
endforeach()
