# The branding of test_kolbrand.py built by kol_add_launcher, for comparison with the
# same branding written by kolbrand; the assets come from brand_assets.py.
set(brandAssets ${CMAKE_BINARY_DIR}/brand-assets)
execute_process(COMMAND ${PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/../brand_assets.py ${brandAssets}
    COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_LIST_DIR}/../brand_assets.py ${CMAKE_SOURCE_DIR}/tools/make_assets.py)
include(${brandAssets}/version.cmake)
kol_add_launcher(brand_cmake
    COMMAND_LINE_FILE ${brandAssets}/commandline.txt
    CONFIG_FILE ${brandAssets}/config.txt
    SPLASH_BITMAPS SPLASHSCREEN1=${CMAKE_SOURCE_DIR}/resources/splash.bmp
        WIDE=${brandAssets}/wide.bmp
    ICON ${brandAssets}/app.ico
    VERSION "${BRAND_VERSION}" DESCRIPTION "${BRAND_DESCRIPTION}" PRODUCT "${BRAND_PRODUCT}"
    COMPANY "${BRAND_COMPANY}" COPYRIGHT "${BRAND_COPYRIGHT}"
    OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/brand_cmake)
