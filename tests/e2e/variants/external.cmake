# Launchers with a "LaunchLine", for test_external.py.

# With the shipped launcher's splash, so that it shows while the machine runs.
function(external_launcher name launchLine)
    kol_add_launcher(${name}
        LAUNCH_LINE "${launchLine}"
        CONFIG "SplashScreenTitle=Kol Virtual Machine|SplashScreen=139x136;SPLASHSCREEN1"
        SPLASH_BITMAPS SPLASHSCREEN1=${CMAKE_SOURCE_DIR}/resources/splash.bmp
        OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/${name})
endfunction()

# The user's line is the launch line: merged with an empty embedded one, its tokens stay.
external_launcher(external_empty "")
external_launcher(external_app "app.kol -debug")
kol_add_launcher(external_java
    LAUNCH_LINE "app.kol"
    CONFIG "UseJavaVM=true"
    OUTPUT_DIRECTORY ${KOL_VARIANTS_DIR}/external_java)
