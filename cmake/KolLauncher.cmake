# kol_add_launcher(NAME
#     [COMMAND_LINE text | COMMAND_LINE_FILE file]
#     [LAUNCH_LINE text | LAUNCH_LINE_FILE file]
#     [CONFIG text | CONFIG_FILE file]
#     [SPLASH_BITMAPS name=file.bmp ...]
#     [ICON file.ico]
#     [VERSION a.b.c.d] [DESCRIPTION text] [PRODUCT text] [COMPANY text] [COPYRIGHT text]
#     [OUTPUT_DIRECTORY dir])
#
# Builds a launcher executable NAME.exe from the launcher's sources with its own
# resources: the text resources "CommandLine" and "LaunchLine" (first line counts; with
# both, "CommandLine" wins), the configuration "CONFIG", the splash bitmaps of type
# SPLASHSCREEN and the icon group 50 (the shipped icon unless ICON names another), the
# launcher's application manifest, and the RCDATA resource "KOLLAUNCHER" that marks a
# launcher for kolbrand.
# A text form writes its text's bytes as CMake holds them (UTF-8), an empty text giving an
# empty resource; the *_FILE forms take the resource's bytes from a file, unchanged, which
# is the way to embed bytes that aren't UTF-8 text. Relative paths are taken from the
# calling CMakeLists.txt's folder.
#
# Every launcher carries a version resource: file and product version (VERSION, four
# numbers of at most 65535; by default the version of the project that makes the call,
# project(... VERSION a.b.c.d)), file description, product name, company and copyright
# (the shipped launcher's unless given), and NAME.exe as its original file name.
#
# Include this file (or add the launcher's tree with add_subdirectory or FetchContent) in
# a project configured with the launcher's toolchain file, cmake/mingw-w64-x86_64.cmake or
# cmake/mingw-w64-i686.cmake: it brings the launcher's code and how to build and link it.

include(${CMAKE_CURRENT_LIST_DIR}/KolProduct.cmake)
# Only mingw-w64 builds the launcher (its own entry point, GNU linker options): without
# the toolchain file CMake would take the host's compiler and stop at the resource compiler.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR NOT WIN32 OR MSVC)
    message(FATAL_ERROR "The Kol launcher is built with mingw-w64 only (MSVC isn't supported): "
        "configure with -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake "
        "(x86-64) or ${CMAKE_CURRENT_LIST_DIR}/mingw-w64-i686.cmake (x86), in a fresh build folder")
endif()
enable_language(RC)

# The launcher's code, compiled once for all the project's launchers. No
# -ffunction-sections: the code has nothing unused to drop, and each function's own
# section would be padded to 16 bytes.
if(NOT TARGET kol_product)
    set(KOL_PRODUCT_FLAGS -Os -fno-exceptions -fno-rtti ${KOL_WARNINGS})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        # 32-bit x86 decorates C names with a leading underscore; its exception handling
        # needs no tables, so the unwind data would only add size. Windows keeps the 32-bit
        # stack aligned to 4 bytes only, and the launcher keeps nothing that needs more:
        # frames padded to 16 would only add size too.
        set(KOL_ENTRY _KolEntry)
        list(APPEND KOL_PRODUCT_FLAGS -fno-asynchronous-unwind-tables
            -mpreferred-stack-boundary=2)
    else()
        # x86-64 keeps its unwind tables: without them an exception raised in the runtime
        # can't be walked through the launcher's frames to the last-chance handlers.
        set(KOL_ENTRY KolEntry)
    endif()
    add_library(kol_product OBJECT ${KOL_PRODUCT_SOURCES} ${KOL_DESKTOP_SOURCES})
    set_target_properties(kol_product PROPERTIES CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON
        CXX_EXTENSIONS OFF)
    target_include_directories(kol_product PUBLIC ${KOL_LAUNCHER_ROOT})
    target_compile_options(kol_product PRIVATE ${KOL_PRODUCT_FLAGS})
    target_compile_definitions(kol_product PUBLIC UNICODE _UNICODE KOL_PRODUCT_CODE)
    # The launcher enters through its own KolEntry, without the C runtime's start-up code.
    # A missing entry symbol is only a linker warning, after which the image starts at an
    # arbitrary address: every linker warning fails the build.
    target_link_options(kol_product INTERFACE -mwindows -nostartfiles -Wl,-e,${KOL_ENTRY}
        -Wl,--fatal-warnings -static-libgcc -s -Wl,--gc-sections ${KOL_REPRODUCIBLE_LINK})
endif()

# The launcher's own version, when its tree is added as a project.
if(KolLauncher_VERSION)
    set(KOL_LAUNCHER_VERSION ${KolLauncher_VERSION} CACHE INTERNAL "")
endif()
# The shipped launcher's splash, which the plain launcher of an installer carries too.
set(KOL_SHIPPED_CONFIG "SplashScreenTitle=Kol Virtual Machine|SplashScreen=139x136;SPLASHSCREEN1"
    CACHE INTERNAL "")
set(KOL_SHIPPED_SPLASH SPLASHSCREEN1=${KOL_LAUNCHER_ROOT}/resources/splash.bmp CACHE INTERNAL "")
# The version fields of the shipped launcher.
set(KOL_LAUNCHER_DESCRIPTION "Kol launcher" CACHE INTERNAL "")
set(KOL_LAUNCHER_PRODUCT "Kol Virtual Machine" CACHE INTERNAL "")
set(KOL_LAUNCHER_COMPANY "Morvane" CACHE INTERNAL "")
set(KOL_LAUNCHER_COPYRIGHT "Copyright (C) 2026 Morvane" CACHE INTERNAL "")

# Sets out to the version "a.b.c.d" without leading zeros, and out_COMMAS to "a,b,c,d".
function(kol_launcher_version name version out)
    if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
        message(FATAL_ERROR "kol_add_launcher(${name}): VERSION '${version}' is not four numbers a.b.c.d")
    endif()
    set(numbers ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
    set(parts)
    foreach(number IN LISTS numbers)
        string(REGEX REPLACE "^0+([0-9])" "\\1" part "${number}")
        string(LENGTH "${part}" digits)
        if(digits GREATER 5 OR part GREATER 65535)
            message(FATAL_ERROR "kol_add_launcher(${name}): VERSION '${version}': ${part} is more than 65535")
        endif()
        list(APPEND parts ${part})
    endforeach()
    list(JOIN parts "." dotted)
    list(JOIN parts "," commas)
    set(${out} ${dotted} PARENT_SCOPE)
    set(${out}_COMMAS ${commas} PARENT_SCOPE)
endfunction()

# Sets out to text as a resource script string, quoted; a line break can't be written.
function(kol_rc_string name text out)
    if(text MATCHES "[\r\n]")
        message(FATAL_ERROR "kol_add_launcher(${name}): '${text}' holds a line break")
    endif()
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\"\"" text "${text}")
    set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# The version resource of NAME.exe from kol_add_launcher's ARG_ fields, appended to the
# variable named by script.
function(kol_version_resource name script)
    set(text "${${script}}")
    kol_launcher_version(${name} "${ARG_VERSION}" version)
    string(APPEND text "1 VERSIONINFO\nFILEVERSION ${version_COMMAS}\nPRODUCTVERSION ${version_COMMAS}\n"
        "FILEFLAGSMASK 0x3F\nFILEFLAGS 0\nFILEOS 0x4\nFILETYPE 0x1\nFILESUBTYPE 0\nBEGIN\n"
        "  BLOCK \"StringFileInfo\"\n  BEGIN\n    BLOCK \"040904B0\"\n    BEGIN\n")
    foreach(field CompanyName:COMPANY FileDescription:DESCRIPTION FileVersion:
            LegalCopyright:COPYRIGHT OriginalFilename: ProductName:PRODUCT ProductVersion:)
        string(REPLACE ":" ";" field "${field}")
        list(GET field 0 key)
        if(key MATCHES "Version$")
            set(value ${version})
        elseif(key STREQUAL "OriginalFilename")
            set(value ${name}.exe)
        else()
            list(GET field 1 argument)
            set(value "${ARG_${argument}}")
        endif()
        kol_rc_string(${name} "${value}" quoted)
        string(APPEND text "      VALUE \"${key}\", ${quoted}\n")
    endforeach()
    string(APPEND text "    END\n  END\n  BLOCK \"VarFileInfo\"\n  BEGIN\n"
        "    VALUE \"Translation\", 0x409, 1200\n  END\nEND\n")
    set(${script} "${text}" PARENT_SCOPE)
endfunction()

function(kol_add_launcher name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG ""
        "COMMAND_LINE;COMMAND_LINE_FILE;LAUNCH_LINE;LAUNCH_LINE_FILE;CONFIG;CONFIG_FILE;ICON;OUTPUT_DIRECTORY;VERSION;DESCRIPTION;PRODUCT;COMPANY;COPYRIGHT"
        "SPLASH_BITMAPS")
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "kol_add_launcher(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    math(EXPR lastArgument "${ARGC} - 1")
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name}.resources)
    file(MAKE_DIRECTORY ${dir})
    if(NOT ARG_ICON)
        set(ARG_ICON ${KOL_LAUNCHER_ROOT}/resources/kol.ico)
    endif()
    get_filename_component(icon "${ARG_ICON}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(NOT DEFINED ARG_VERSION)
        if(NOT PROJECT_VERSION)
            message(FATAL_ERROR "kol_add_launcher(${name}): give VERSION a.b.c.d, or the "
                "project's version in project(... VERSION a.b.c.d)")
        endif()
        set(ARG_VERSION ${PROJECT_VERSION})
    endif()
    foreach(field DESCRIPTION PRODUCT COMPANY COPYRIGHT)
        if(NOT DEFINED ARG_${field})
            set(ARG_${field} "${KOL_LAUNCHER_${field}}")
        endif()
    endforeach()

    set(manifest ${KOL_LAUNCHER_ROOT}/resources/launcher.manifest)
    set(inputs ${icon} ${manifest})
    # Texts and paths in the script are UTF-8, as CMake holds them.
    set(rc "// Generated by kol_add_launcher for ${name}.\n#pragma code_page(65001)\n")
    kol_version_resource(${name} rc)
    string(APPEND rc "50 ICON \"${icon}\"\n")
    # The application manifest: resource type 24, name 1.
    string(APPEND rc "1 24 \"${manifest}\"\n")
    # The mark by which kolbrand knows a launcher: a program without it isn't one.
    string(APPEND rc "KOLLAUNCHER RCDATA { 1 }\n")
    foreach(pair CommandLine:COMMAND_LINE LaunchLine:LAUNCH_LINE CONFIG:CONFIG)
        string(REPLACE ":" ";" pair ${pair})
        list(GET pair 0 resourceName)
        list(GET pair 1 key)
        # The keyword itself, not its variable: an empty text ("") leaves the variable unset.
        set(hasText FALSE)
        foreach(i RANGE 1 ${lastArgument})
            if("${ARGV${i}}" STREQUAL "${key}")
                set(hasText TRUE)
            endif()
        endforeach()
        if(hasText AND ARG_${key}_FILE)
            message(FATAL_ERROR "kol_add_launcher(${name}): ${key} and ${key}_FILE both given")
        endif()
        if(hasText)
            # Written only when changed, so that a rebuild doesn't relink every variant.
            set(file ${dir}/${resourceName}.txt)
            file(WRITE ${file}.new "${ARG_${key}}")
            file(COPY_FILE ${file}.new ${file} ONLY_IF_DIFFERENT)
        elseif(ARG_${key}_FILE)
            get_filename_component(file "${ARG_${key}_FILE}" ABSOLUTE
                BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        else()
            continue()
        endif()
        list(APPEND inputs ${file})
        set(has${resourceName} TRUE)
        string(APPEND rc "${resourceName} TEXT \"${file}\"\n")
    endforeach()
    foreach(entry IN LISTS ARG_SPLASH_BITMAPS)
        if(NOT entry MATCHES "^([^=]+)=(.+)$")
            message(FATAL_ERROR "kol_add_launcher(${name}): SPLASH_BITMAPS entry '${entry}' is not name=file")
        endif()
        set(bitmapName ${CMAKE_MATCH_1})
        get_filename_component(bitmapFile "${CMAKE_MATCH_2}" ABSOLUTE
            BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        list(APPEND inputs ${bitmapFile})
        string(APPEND rc "${bitmapName} SPLASHSCREEN \"${bitmapFile}\"\n")
    endforeach()
    file(WRITE ${dir}/${name}.rc.new "${rc}")
    file(COPY_FILE ${dir}/${name}.rc.new ${dir}/${name}.rc ONLY_IF_DIFFERENT)
    # The resource compiler's inputs aren't scanned: a changed text or bitmap must still
    # rebuild the resources.
    set_source_files_properties(${dir}/${name}.rc PROPERTIES OBJECT_DEPENDS "${inputs}")

    add_executable(${name} WIN32 ${dir}/${name}.rc)
    target_link_libraries(${name} PRIVATE kol_product)
    if(ARG_OUTPUT_DIRECTORY)
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY})
    endif()
    # What kol_add_installer takes from the launcher.
    set(launchLine FALSE)
    if(hasLaunchLine AND NOT hasCommandLine)
        set(launchLine TRUE)
    endif()
    set_target_properties(${name} PROPERTIES KOL_PRODUCT "${ARG_PRODUCT}"
        KOL_COMPANY "${ARG_COMPANY}" KOL_LAUNCH_LINE ${launchLine})
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/KolInstaller.cmake)
