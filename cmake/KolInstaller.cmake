# kol_add_installer(NAME
#     LAUNCHER target
#     RUNTIME file.dll
#     UPGRADE_CODE {guid}
#     [FILES file ...]
#     [PRODUCT text] [MANUFACTURER text] [VERSION a.b.c.d]
#     [FOLDER name] [SHORTCUT name])
#
# Builds NAME.msi with wixl (Debian's package wixl): a per-machine installer that puts,
# into Program Files\FOLDER (PRODUCT by default), the application's launcher (a target of
# kol_add_launcher), the runtime library as Kol.dll, the plain launcher as Kol.exe beside
# it, and the FILES, each by its own name; a Start-menu shortcut SHORTCUT (PRODUCT by
# default) to the launcher that starts in that folder; and, for every user
# (HKLM\Software\Classes), the five values of the .kol type that a bare start of that
# Kol.exe writes, so that it finds them in place and writes nothing.
# The product code follows from the upgrade code and the version: a later version (one
# that differs in its first three numbers, as Windows Installer compares them) replaces
# the earlier. Uninstalling removes the files, the shortcut and those values.
# The package is for the processor of the project's toolchain: x86-64 into Program
# Files and the registry's 64-bit view, x86 into Program Files (x86) on 64-bit Windows.

find_program(KOL_WIXL wixl)

# The plain launcher under the name that registers the runtime beside it (Kol.DLL).
function(kol_machine_launcher)
    if(NOT TARGET Kol)
        set(version ${KOL_LAUNCHER_VERSION})
        if(NOT version)
            set(version ${PROJECT_VERSION})
        endif()
        kol_add_launcher(Kol VERSION ${version} CONFIG "${KOL_SHIPPED_CONFIG}"
            SPLASH_BITMAPS ${KOL_SHIPPED_SPLASH}
            OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/kol-machine)
    endif()
endfunction()

# Sets out to text fit for an XML attribute.
function(kol_xml_text text out)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    string(REPLACE "\"" "&quot;" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Sets out to a GUID in braces that depends only on the upgrade code and the text, so that
# the same sources give the same codes.
function(kol_installer_guid upgradeCode text out)
    string(UUID guid NAMESPACE ${upgradeCode} NAME "${text}" TYPE SHA1 UPPER)
    set(${out} "{${guid}}" PARENT_SCOPE)
endfunction()

function(kol_add_installer name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG ""
        "LAUNCHER;RUNTIME;UPGRADE_CODE;PRODUCT;MANUFACTURER;VERSION;FOLDER;SHORTCUT" "FILES")
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "kol_add_installer(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    foreach(required LAUNCHER RUNTIME UPGRADE_CODE)
        if(NOT ARG_${required})
            message(FATAL_ERROR "kol_add_installer(${name}): ${required} is required")
        endif()
    endforeach()
    if(NOT KOL_WIXL)
        message(FATAL_ERROR "kol_add_installer(${name}): wixl not found; install Debian's "
            "package wixl (apt-get install wixl)")
    endif()
    string(REGEX REPLACE "^{(.*)}$" "\\1" upgradeCode "${ARG_UPGRADE_CODE}")
    string(TOUPPER "${upgradeCode}" upgradeCode)
    string(REGEX REPLACE "[0-9A-F]" "x" shape "${upgradeCode}")
    if(NOT shape STREQUAL "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx")
        message(FATAL_ERROR "kol_add_installer(${name}): UPGRADE_CODE '${ARG_UPGRADE_CODE}' "
            "is not a GUID; make one once (uuidgen) and keep it for every version")
    endif()
    get_target_property(launchLine ${ARG_LAUNCHER} KOL_LAUNCH_LINE)
    if(launchLine STREQUAL "launchLine-NOTFOUND")
        message(FATAL_ERROR "kol_add_installer(${name}): LAUNCHER ${ARG_LAUNCHER} is not a "
            "target of kol_add_launcher")
    endif()
    if(NOT ARG_VERSION)
        set(ARG_VERSION ${PROJECT_VERSION})
    endif()
    kol_launcher_version(${name} "${ARG_VERSION}" version)
    # Windows Installer takes at most 255 for each of the first two numbers.
    string(REPLACE "." ";" parts ${version})
    list(GET parts 0 major)
    list(GET parts 1 minor)
    if(major GREATER 255 OR minor GREATER 255)
        message(FATAL_ERROR "kol_add_installer(${name}): VERSION '${version}': an installer's "
            "first two numbers are at most 255")
    endif()
    if(NOT ARG_PRODUCT)
        get_target_property(ARG_PRODUCT ${ARG_LAUNCHER} KOL_PRODUCT)
    endif()
    if(NOT ARG_MANUFACTURER)
        get_target_property(ARG_MANUFACTURER ${ARG_LAUNCHER} KOL_COMPANY)
    endif()
    if(NOT ARG_FOLDER)
        set(ARG_FOLDER "${ARG_PRODUCT}")
    endif()
    if(NOT ARG_SHORTCUT)
        set(ARG_SHORTCUT "${ARG_PRODUCT}")
    endif()

    kol_machine_launcher()
    get_filename_component(runtime "${ARG_RUNTIME}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    set(dependencies ${runtime})
    # Name, source: the launchers and the runtime, then the application's files.
    set(files ${ARG_LAUNCHER}.exe $<TARGET_FILE:${ARG_LAUNCHER}> Kol.exe $<TARGET_FILE:Kol>
        Kol.dll ${runtime})
    set(names ${ARG_LAUNCHER}.exe Kol.exe Kol.dll)
    foreach(file IN LISTS ARG_FILES)
        get_filename_component(path "${file}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        get_filename_component(fileName "${path}" NAME)
        string(TOLOWER "${fileName}" lower)
        string(TOLOWER "${names}" lowerNames)
        if(lower IN_LIST lowerNames)
            message(FATAL_ERROR "kol_add_installer(${name}): FILES name ${fileName} twice or "
                "one of the installer's own files")
        endif()
        list(APPEND names "${fileName}")
        list(APPEND files "${fileName}" "${path}")
        list(APPEND dependencies "${path}")
    endforeach()
    # A launch line runs kolw.exe beside its launcher, else kol.exe there: the installed
    # Kol.exe, the plain launcher, would then run as the machine.
    string(TOLOWER "${names}" lowerNames)
    if(launchLine AND NOT "kolw.exe" IN_LIST lowerNames)
        message(FATAL_ERROR "kol_add_installer(${name}): ${ARG_LAUNCHER} carries a launch "
            "line: name the machine's kolw.exe among FILES, or the installed Kol.exe (the "
            "plain launcher) runs as the machine")
    endif()

    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(arch x64)
        set(programFiles ProgramFiles64Folder)
        set(win64 " Win64=\"yes\"")
    else()
        set(arch x86)
        set(programFiles ProgramFilesFolder)
        set(win64 "")
    endif()
    kol_installer_guid(${upgradeCode} "product ${version}" productCode)
    foreach(field PRODUCT MANUFACTURER FOLDER SHORTCUT)
        kol_xml_text("${ARG_${field}}" ${field})
    endforeach()

    string(CONCAT wxs "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!-- Generated by kol_add_installer for ${name}. -->\n"
        "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
        "<Product Id=\"${productCode}\" Name=\"${PRODUCT}\" Language=\"1033\" Version=\"${version}\""
        " Manufacturer=\"${MANUFACTURER}\" UpgradeCode=\"{${upgradeCode}}\">\n"
        "<Package InstallerVersion=\"500\" Compressed=\"yes\""
        " Manufacturer=\"${MANUFACTURER}\" Description=\"${PRODUCT}\"/>\n"
        # wixl leaves InstallScope out: ALLUSERS makes it per machine, shortcut included.
        "<Property Id=\"ALLUSERS\" Value=\"1\"/>\n"
        "<MajorUpgrade DowngradeErrorMessage=\"A later version of ${PRODUCT} is installed.\"/>\n"
        "<Media Id=\"1\" Cabinet=\"files.cab\" EmbedCab=\"yes\"/>\n"
        "<Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n"
        "<Directory Id=\"${programFiles}\">\n<Directory Id=\"INSTALLDIR\" Name=\"${FOLDER}\">\n")
    set(components)
    set(index 0)
    while(files)
        list(POP_FRONT files fileName source)
        math(EXPR index "${index} + 1")
        kol_xml_text("${fileName}" xmlName)
        kol_installer_guid(${upgradeCode} "file ${fileName}" guid)
        string(APPEND wxs "<Component Id=\"File${index}\" Guid=\"${guid}\"${win64}>"
            "<File Id=\"File${index}\" Name=\"${xmlName}\""
            " Source=\"$<PATH:RELATIVE_PATH,${source},/>\" KeyPath=\"yes\">")
        if(index EQUAL 1)
            # The shortcut starts in the install folder, against which the line's relative
            # names resolve.
            string(APPEND wxs "<Shortcut Id=\"StartMenu\" Directory=\"ProgramMenuFolder\""
                " Name=\"${SHORTCUT}\" WorkingDirectory=\"INSTALLDIR\"/>")
        endif()
        string(APPEND wxs "</File></Component>\n")
        list(APPEND components File${index})
    endwhile()
    # The .kol type's values, as registry/filetype.cpp composes them for Kol.exe here.
    set(opener "&quot;[INSTALLDIR]Kol.exe&quot; &quot;%1&quot;")
    set(index 0)
    foreach(entry "KolFile10=Kol Application" "KolFile10\\Shell\\Open\\Command=${opener}"
            "KolFile10\\DefaultIcon=[INSTALLDIR]Kol.exe,-50" "KolFile10\\DLL=[INSTALLDIR]Kol.DLL"
            ".kol=KolFile10")
        string(FIND "${entry}" "=" stop)
        string(SUBSTRING "${entry}" 0 ${stop} key)
        math(EXPR stop "${stop} + 1")
        string(SUBSTRING "${entry}" ${stop} -1 value)
        math(EXPR index "${index} + 1")
        kol_installer_guid(${upgradeCode} "class ${key}" guid)
        string(APPEND wxs "<Component Id=\"Class${index}\" Guid=\"${guid}\"${win64}>"
            "<RegistryValue Root=\"HKLM\" Key=\"Software\\Classes\\${key}\" Type=\"string\""
            " Value=\"${value}\" KeyPath=\"yes\"/></Component>\n")
        list(APPEND components Class${index})
    endforeach()
    string(APPEND wxs "</Directory>\n</Directory>\n<Directory Id=\"ProgramMenuFolder\"/>\n"
        "</Directory>\n<Feature Id=\"Complete\" Level=\"1\">\n")
    foreach(component IN LISTS components)
        string(APPEND wxs "<ComponentRef Id=\"${component}\"/>\n")
    endforeach()
    string(APPEND wxs "</Feature>\n</Product>\n</Wix>\n")

    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name}.installer)
    file(GENERATE OUTPUT ${dir}/${name}.wxs CONTENT "${wxs}")
    set(msi ${CMAKE_CURRENT_BINARY_DIR}/${name}.msi)
    add_custom_command(OUTPUT ${msi}
        COMMAND ${KOL_WIXL} --arch ${arch} -o ${msi} ${dir}/${name}.wxs
        DEPENDS ${dir}/${name}.wxs $<TARGET_FILE:${ARG_LAUNCHER}> $<TARGET_FILE:Kol>
            ${dependencies}
        # wixl takes no absolute source: each is named from the root.
        WORKING_DIRECTORY / COMMENT "Packaging ${name}.msi" VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${msi})
    add_dependencies(${name} ${ARG_LAUNCHER} Kol)
endfunction()
